#pragma once

#include "library/librarytree.h"
#include "library/outline.h"
#include "library/settingskeys.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <string_view>

namespace brenvik {

// The library as a document: which file it belongs to, whether it has unsaved changes,
// loading and saving it, and the list of recently used files. Prompts and dialogs
// (save changes?, file names) are the window's; every operation here fails with the text
// for an "Error" box.
//
// The modified flag follows the tree through changeWatcher(), a TreeObserver to chain
// behind the tree model (LibraryItemModel::setNextObserver); the window may also call
// markModified. Load, save and newEmpty clear it.
// The tree must outlive the document (the destructor detaches the watcher from it).
class LibraryDocument : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxRecent = settings::RecentFiles.count;

    // `settings` keeps the recent list, written to its file on every change; it may be
    // null (no recent list kept between runs).
    LibraryDocument(LibraryTree& tree, SettingsStore* settings, QObject* parent = nullptr);
    ~LibraryDocument() override;

    LibraryTree& tree() const { return tree_; }
    // Empty for the demo, a new library or a damaged file that was loaded in part.
    QString filePath() const { return path_; }
    bool hasFile() const { return !path_.isEmpty(); }
    bool isModified() const { return modified_; }
    void markModified() { setModified(true); }
    void setModified(bool modified);
    TreeObserver* changeWatcher();

    // Reads `path` into the tree. A missing or unreadable file leaves tree and document
    // as they were and fails with "File not found: <path>" or the reason. A damaged file
    // keeps the nodes read before the bad line, fails with the loader's error and leaves the
    // document without a file, so a later Save asks for a name instead of overwriting the
    // damaged file. A file cut short (a NUL byte, binary data) is kept the same way without
    // failing, and loadWarning() says what was read.
    Status load(const QString& path);
    // load() in two halves, so that the reading may run off the UI thread: readFile on any
    // thread touches nothing of the document; adopt, on the document's thread, takes the
    // tree in (or not) exactly as load() would.
    struct ReadFile {
        std::unique_ptr<LibraryTree> tree;
        LoadOutcome outcome;
        bool outOfMemory = false;
    };
    static std::shared_ptr<ReadFile> readFile(const QString& path);
    Status adopt(const QString& path, ReadFile& read);
    // The warning of the last load, or empty.
    QString loadWarning() const { return warning_; }
    // Saves to the current file; with no file it fails (the window asks for a name and
    // calls saveAs instead). On failure the old file and the modified flag stay.
    Status save();
    // Saves under `path` (".bv1" added when the file name has no suffix) and makes it the
    // document's file.
    Status saveAs(const QString& path);
    // save() and saveAs() in halves, so that the writing may run off the UI thread: the tree
    // is written to saveTarget(path) (SaveLibraryFile, on any thread, while nothing changes
    // the tree), then savedTo, on the document's thread, makes that the document's file.
    static QString saveTarget(const QString& path);
    void savedTo(const QString& target);
    // The empty library; the document has no file.
    void newEmpty(std::string_view computer, std::string_view user);
    // A document installed from elsewhere (the demo at start-up): no file, unmodified.
    void resetFileless();

    // The file an auto-save writes: the current file, or empty when there is none.
    QString autoSaveTarget() const { return path_; }

    // Most recent first, at most MaxRecent, no duplicates.
    QStringList recentFiles() const { return recent_; }
    void addRecentFile(const QString& path);
    void removeRecentFile(const QString& path);

    static QString withDefaultSuffix(const QString& path);

Q_SIGNALS:
    void modifiedChanged(bool modified);
    void filePathChanged(const QString& path);
    void recentFilesChanged();
    // The recent list could not be written to the settings file: the text for an "Error"
    // box. Sent for the first failure only.
    void settingsNotWritten(const QString& error);

private:
    class Watcher;
    void setPath(const QString& path);
    void storeRecent();

    LibraryTree& tree_;
    SettingsStore* settings_;
    Watcher* watcher_;
    QString path_;
    QString warning_;
    bool modified_ = false;
    QStringList recent_;
    bool settingsFailureReported_ = false;
};

} // namespace brenvik
