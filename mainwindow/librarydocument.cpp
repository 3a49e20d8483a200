#include "mainwindow/librarydocument.h"

#include "library/demodata.h"
#include "library/outline.h"
#include "library/settingskeys.h"

#include <QDir>
#include <QFileInfo>
#include <exception>

namespace brenvik {

// Marks the document modified on every edit of the tree; resets come from loads and
// new libraries, which set the flag themselves, and the root caption is no edit.
class LibraryDocument::Watcher : public TreeObserver {
public:
    explicit Watcher(LibraryDocument& doc) : doc_(doc) {}
    void aboutToInsert(NodeId, int) override {}
    void inserted(NodeId) override { doc_.markModified(); }
    void aboutToRemove(NodeId) override {}
    void removed(NodeId, int) override { doc_.markModified(); }
    void changed(NodeId) override {
        if (!doc_.tree_.quietEdit()) doc_.markModified();
    }
    bool aboutToMove(NodeId, NodeId, int) override { return true; }
    void moved(NodeId) override { doc_.markModified(); }
    void aboutToReset() override {}
    void resetDone() override {}

private:
    LibraryDocument& doc_;
};

LibraryDocument::LibraryDocument(LibraryTree& tree, SettingsStore* settings, QObject* parent)
    : QObject(parent), tree_(tree), settings_(settings), watcher_(new Watcher(*this)) {
    if (settings_) {
        for (int i = 1; i <= MaxRecent; ++i) {
            QString f = settings_->read(settings::RecentFiles, i);
            if (!f.isEmpty() && !recent_.contains(f)) recent_.append(f);
        }
    }
}

LibraryDocument::~LibraryDocument() {
    if (tree_.observer() == watcher_) tree_.setObserver(nullptr);
    delete watcher_;
}

TreeObserver* LibraryDocument::changeWatcher() {
    return watcher_;
}

void LibraryDocument::setModified(bool modified) {
    if (modified_ == modified) return;
    modified_ = modified;
    Q_EMIT modifiedChanged(modified_);
}

void LibraryDocument::setPath(const QString& path) {
    if (path_ == path) return;
    path_ = path;
    Q_EMIT filePathChanged(path_);
}

Status LibraryDocument::load(const QString& path) {
    warning_.clear();
    if (!QFileInfo(path).isFile()) {
        removeRecentFile(path);
        return Status::failure(QStringLiteral("File not found: ") + QDir::toNativeSeparators(path));
    }
    return adopt(path, *readFile(path));
}

std::shared_ptr<LibraryDocument::ReadFile> LibraryDocument::readFile(const QString& path) {
    // Read into a scratch tree: the library on screen, its file, its changed state and
    // its undo history stay until the file has been read. Then one reset hands the new
    // nodes over, kinds already derived.
    auto read = std::make_shared<ReadFile>();
    try {
        read->tree = std::make_unique<LibraryTree>();
        read->outcome = LoadLibraryFile(*read->tree, path);
    } catch (const std::exception&) {
        // Out of memory (or past the tree's 32-bit ids) on a huge file: the scratch tree
        // goes, the library on screen stays as it was.
        read->tree.reset();
        read->outOfMemory = true;
    }
    return read;
}

Status LibraryDocument::adopt(const QString& path, ReadFile& read) {
    warning_.clear();
    if (read.outOfMemory || !read.tree)
        return Status::failure(QStringLiteral("Not enough memory to open \"%1\".")
                                   .arg(QDir::toNativeSeparators(path)));
    LibraryTree& scratch = *read.tree;
    const LoadOutcome& outcome = read.outcome;
    if (!outcome.fileFound) {
        removeRecentFile(path);
        return Status::failure(QStringLiteral("File not found: ") + QDir::toNativeSeparators(path));
    }
    if (!outcome.read) return Status::failure(outcome.error); // unreadable: nothing was replaced
    tree_.replaceWith(scratch);
    setModified(false);
    if (outcome.cutShort())
        warning_ = outcome.warning +
                   QStringLiteral("\n\nThe library is kept without a file: Save asks where to "
                                  "save it, and \"%1\" stays as it is.")
                       .arg(QFileInfo(path).fileName());
    if (outcome.partial() || outcome.cutShort()) {
        // A file that is damaged or cut short is never overwritten by a plain Save.
        setPath(QString());
        return outcome.partial() ? Status::failure(outcome.error) : Status::success();
    }
    setPath(QFileInfo(path).absoluteFilePath());
    addRecentFile(path_);
    return Status::success();
}

Status LibraryDocument::save() {
    if (path_.isEmpty()) return Status::failure("The library has no file name yet.");
    if (Status saved = SaveLibraryFile(tree_, path_); !saved) return saved;
    setModified(false);
    return Status::success();
}

Status LibraryDocument::saveAs(const QString& path) {
    if (path.isEmpty()) return Status::failure("No file name given.");
    const QString target = saveTarget(path);
    if (Status saved = SaveLibraryFile(tree_, target); !saved) return saved;
    savedTo(target);
    return Status::success();
}

QString LibraryDocument::saveTarget(const QString& path) {
    return QFileInfo(withDefaultSuffix(path)).absoluteFilePath();
}

void LibraryDocument::savedTo(const QString& target) {
    setPath(target);
    setModified(false);
    addRecentFile(target);
}

void LibraryDocument::newEmpty(std::string_view computer, std::string_view user) {
    NewEmptyLibrary(tree_, computer, user);
    resetFileless();
}

void LibraryDocument::resetFileless() {
    setPath(QString());
    setModified(false);
}

QString LibraryDocument::withDefaultSuffix(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
    return path + QStringLiteral(".bv1");
}

void LibraryDocument::addRecentFile(const QString& path) {
    if (path.isEmpty()) return;
    QString abs = QFileInfo(path).absoluteFilePath();
    recent_.removeAll(abs);
    recent_.prepend(abs);
    while (recent_.size() > MaxRecent)
        recent_.removeLast();
    storeRecent();
}

void LibraryDocument::removeRecentFile(const QString& path) {
    QString abs = QFileInfo(path).absoluteFilePath();
    if (recent_.removeAll(abs) == 0) return;
    storeRecent();
}

void LibraryDocument::storeRecent() {
    if (settings_) {
        for (int i = 1; i <= MaxRecent; ++i)
            settings_->write(settings::RecentFiles, i,
                             i <= recent_.size() ? recent_[i - 1] : QString());
        // The list survives a run that ends abnormally. A file that cannot be written
        // fails the same way on every later change: the user hears of it once.
        if (settings_->persistent()) {
            const Status written = settings_->flush();
            if (!written && !settingsFailureReported_) {
                settingsFailureReported_ = true;
                Q_EMIT settingsNotWritten(ErrorText(written));
            }
        }
    }
    Q_EMIT recentFilesChanged();
}

} // namespace brenvik
