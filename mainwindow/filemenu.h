#pragma once

#include "library/result.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QThread;
class QMenu;
class QToolButton;
class QWidget;

namespace brenvik {

class BusyWork;
class LibraryDocument;
class MainCommands;
class UndoStore;
namespace srs {
class StudyHistory;
}

// The File menu on the library's document: new, open, reopen, save, save as, the
// unsaved-changes question, the auto-save before a study run, and what shows the document's
// state (the caption, Save enabled, the Reopen list). Dialogs and boxes go through the
// window's prompts; the window tidies its tree after a new or loaded library (`loaded`).
// The study history follows the document: opened with every library that comes in, told of
// every save; its failures are shown once, as warnings, and never stop a save or a load.
class FileMenuCommands : public QObject {
    Q_OBJECT
public:
    // The window and its controls that show the document's state.
    struct Controls {
        QWidget& window;
        QMenu& reopen;
        QAction& save;
        QToolButton& saveButton;
        QCheckBox& autoSave;
    };
    FileMenuCommands(MainCommands& main, LibraryDocument& doc, UndoStore& undo, Controls controls,
                     std::function<void(const QString&)> showError, QObject* parent = nullptr);
    ~FileMenuCommands() override;

    // The empty library, after the editor guard and the unsaved-changes question.
    void newLibrary(const QString& computer, const QString& user);
    // Asks for a file, then opens it.
    void open();
    // The file is read on a worker thread while the window, disabled, shows the busy cursor
    // and paints; the tree takes the library in on the UI thread when the read is done.
    // Nothing happens while another file is being read.
    void openFile(const QString& path);
    // A file is being read or written: the window takes no other command.
    bool working() const { return worker_ != nullptr; }
    // Runs on the worker thread before each read or write; tests make the work long with it.
    void setBeforeWork(std::function<void()> hook) { beforeWork_ = std::move(hook); }
    bool save(); // false when cancelled or failed
    bool saveAs();
    // The Save and Save As commands: as save() and saveAs(), but the file is written on a
    // worker thread while the window, disabled, shows the busy cursor and paints. The
    // unsaved-changes question and the save before a session write the same way and go on
    // from the write's end.
    void saveCommand();
    void saveAsCommand();
    enum class Proceed { Now, AfterSave, Never };
    // The same question, with Yes writing the file as the Save command does: Now, the
    // caller goes on at once (nothing to save, or No); AfterSave, `then` runs once the file
    // is written; Never, it was cancelled or is busy. A save that fails shows why and never
    // runs `then`, leaving the document as it was.
    Proceed saveChangesFirst(std::function<void()> then);
    // `then` once the unsaved changes are saved or given up (saveChangesFirst).
    void afterSaveChanges(const std::function<void()>& then);
    // The auto-save the study preparation runs first: only when the box is ticked, the
    // document has a file and unsaved changes, never a dialog. `then` learns whether the
    // preparation may go on: at once when there is nothing to save, else once the file is
    // written off the UI thread; false after a failure, which is shown.
    void saveBeforeStudy(std::function<void(bool)> then);
    void updateCaption();
    // The library's study history; null: none kept.
    void setHistory(srs::StudyHistory* history) { history_ = history; }
    // A library without a file has come into the tree by another road (the demo).
    void historyUnsaved();

Q_SIGNALS:
    // The tree holds another library (new or loaded, in whole or in part).
    void loaded();
    // A read or write has ended (its boxes shown): what waited may go on.
    void idle();

private:
    void rebuildReopenMenu();
    void fileRead(const QString& path, const Status& read);
    // Runs a save under the busy cursor and dialog naming `path`.
    Status written(const QString& path, const std::function<Status()>& write);
    // `work` on a worker thread under the busy cursor and dialog saying `text`, the window
    // disabled; then `done` on this thread, with the window back.
    void offThread(const QString& text, std::function<void()> work, std::function<void()> done);
    // `finished` learns whether the file was written (a failure is shown first).
    void writeOffThread(const QString& target, bool newName,
                        std::function<void(bool)> finished = {});
    // Save As's question for a name; empty: cancelled.
    QString askSaveTarget();
    void libraryReplaced();
    QString dialogFolder() const;
    void rememberDialogFolder(const QString& path);
    void historyOpened();
    void reportHistory(const Status& status);

    MainCommands& main_;
    LibraryDocument& doc_;
    UndoStore& undo_;
    Controls controls_;
    std::function<void(const QString&)> showError_;
    srs::StudyHistory* history_ = nullptr;
    QThread* worker_ = nullptr;
    std::unique_ptr<BusyWork> busy_;
    std::function<void()> beforeWork_;
};

} // namespace brenvik
