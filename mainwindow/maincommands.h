#pragma once

#include "library/librarytree.h"
#include "library/undostore.h"
#include "study/core/studyfiles.h"

#include <QColor>
#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

class QWidget;
class QLineEdit;
class QAbstractButton;

namespace brenvik {

class Prompts;
class SpeechEngine;
class SettingsStore;
class DesktopColors;
class ShellOpen;
class WebViewerFactory;
struct QuestionRecord;
class TFormWizard;
namespace srs {
class StudyHistory;
}

// What one level row (1..8) of a panel shows after a selection change.
struct LevelRowState {
    bool buttonEnabled = false;
    bool nameVisible = false; // the "Selected:" label and the name edit
    QString name;             // display text of the object at that level
};
using LevelRowStates = std::array<LevelRowState, 9>; // index = level, 0 unused

// Which of the four operation panels or four session panels.
enum class Operation { AddNew, EditSelected, CopySelected, DeleteSelected };
enum class Session { Imprint, Flash, Review, Spaced };
// The side of a question a text is spoken for; each may have its own voice.
enum class SpeechSide { Question, Answer };

// The main window's commands and services as the embedded panels, editors and the
// wizard use them. TFormMain implements it; panel tests use a fake.
class MainCommands {
public:
    virtual ~MainCommands() = default;

    virtual LibraryTree& tree() = 0;
    virtual NodeId selectedNode() const = 0;
    virtual void selectNode(NodeId node) = 0;
    virtual Prompts& prompts() = 0;
    virtual const DesktopColors& desktopColors() const = 0;
    virtual QString programFolder() const = 0;
    // The open library file's folder, or empty while the library has no file.
    virtual QString libraryFolder() const = 0;
    // Where the files a question names are looked for (ResolveStudyPath, ResolveWebAddress).
    StudyFolders studyFolders() const { return {libraryFolder(), programFolder()}; }

    // Level commands: the sender's level is passed explicitly.
    virtual void Library1Click(int level) = 0;     // Add new
    virtual void Library2Click(int level) = 0;     // Edit selected
    virtual void CopySelectedClick(int level) = 0; // Copy selected
    virtual void Library3Click(int level) = 0;     // Delete selected
    virtual void showOperation(Operation op) = 0;  // tab of an operation panel
    virtual void showSession(Session s) = 0;       // tab of a session panel
    virtual void sessionLevelClick(Session s, int level) = 0;
    // Renames the object at `level` of the selection (name edits); records an undo point
    // only when the name changes.
    virtual void renameAtLevel(int level, const QString& name) = 0;

    virtual bool EditorBusy(const QString& phrase) = 0;
    virtual void RefreshSelectionViews() = 0;
    virtual int ConfirmBox(const QString& text) = 0;
    virtual void FocusEdit(QWidget* control, bool selectAll) = 0;
    // Save enabled, Cancel captioned "Cancel" with hint "Cancel changes"; and back.
    virtual void MarkChanged(QAbstractButton* save, QAbstractButton* cancel) = 0;
    virtual void MarkUnchanged(QAbstractButton* save, QAbstractButton* cancel) = 0;
    // One command's undo point: SaveUndoState before the change, SetUndoLabel after it;
    // CancelUndoState ends it without a point and puts back what it recorded. Callers use
    // UndoScope below rather than the three by hand.
    virtual void SaveUndoState() = 0;
    virtual void SetUndoLabel(const QString& label) = 0;
    virtual void CancelUndoState() {}
    virtual void BUndoClick() = 0;
    virtual void BRedoClick() = 0;
    virtual bool undoEnabled() const = 0;
    virtual bool redoEnabled() const = 0;
    virtual QString undoHint() const = 0;
    virtual QString redoHint() const = 0;

    // Speech: Speak unless muted, cutting off what is being said; nothing waits for it. The
    // voice's `done` tells when it has been spoken.
    virtual void Speak(const QString& text) = 0;
    // Speaks for one side of a question, in that side's voice or in the one `voice` names
    // (the value of a "[voice:...]" line; empty for the side's own).
    virtual void SpeakSide(const QString& text, SpeechSide side, const QString& voice) {
        (void)side;
        (void)voice;
        Speak(text);
    }
    virtual void StopVoice() = 0;
    virtual SettingsStore& settings() = 0;
    // Called by an editor when it closes (saved, cancelled or closed).
    virtual void editorClosed() = 0;
    // The F9 key and other key-ups that panels pass on.
    virtual void FormKeyUp(int key, Qt::KeyboardModifiers modifiers) = 0;
    // The hot-tab highlight of the operation tabs.
    virtual void hotTabEnter(QWidget* tab) = 0;
    virtual void hotTabLeave() = 0;
    virtual QColor accentColor() const = 0;

    // Platform services of the question editor's panes.
    virtual WebViewerFactory& webViewers() = 0;
    virtual ShellOpen& shell() = 0;
    // The one font dialog of all answers ("Answer Font"); true when the font was changed.
    virtual bool ChooseAnswerFont(QWidget* parent) = 0;
    // Shows `record` in the study window in Preview mode under `title`, with the main
    // window minimised meanwhile. Returns at once; when the study window has closed (or
    // could not be shown) the main window is restored, F9 is free again and `closed` runs.
    virtual void previewQuestion(const QuestionRecord& record, const QString& title,
                                 std::function<void()> closed) = 0;

    // The study history of the library, where sessions record their grades; null: none.
    virtual srs::StudyHistory* studyHistory() { return nullptr; }
    // The time grades are recorded at and spaced sessions are scheduled by: UTC seconds.
    virtual std::int64_t clockNow() const { return QDateTime::currentSecsSinceEpoch(); }

    // The question wizard tells the window as it opens and as it goes, so the window's
    // refreshes reach the open one.
    virtual void wizardOpened(TFormWizard*) {}
    virtual void wizardClosed(TFormWizard*) {}
};

// An undo point of the main window as a scope (see UndoScopeOf).
using UndoScope = UndoScopeOf<MainCommands>;

} // namespace brenvik
