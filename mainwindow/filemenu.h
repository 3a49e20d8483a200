#pragma once

#include "library/result.h"

#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QCheckBox;
class QMenu;
class QToolButton;
class QWidget;

namespace brenvik {

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

    // The empty library, after the editor guard and the unsaved-changes question.
    void newLibrary(const QString& computer, const QString& user);
    // Asks for a file, then opens it.
    void open();
    void openFile(const QString& path);
    bool save(); // false when cancelled or failed
    bool saveAs();
    // Asks "Save changes?" for a modified document; false when the caller must stop.
    bool querySaveChanges();
    // The auto-save the study preparation runs first: only when the box is ticked, the
    // document has a file and unsaved changes, never a dialog; a failure is shown.
    void saveBeforeStudy();
    void updateCaption();
    // The library's study history; null: none kept.
    void setHistory(srs::StudyHistory* history) { history_ = history; }
    // A library without a file has come into the tree by another road (the demo).
    void historyUnsaved();

Q_SIGNALS:
    // The tree holds another library (new or loaded, in whole or in part).
    void loaded();

private:
    void rebuildReopenMenu();
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
};

} // namespace brenvik
