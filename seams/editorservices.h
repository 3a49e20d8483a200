#pragma once

#include "seams/programservices.h"
#include "seams/treeaccess.h"
#include "seams/undopoints.h"
#include "seams/voice.h"

#include <QString>
#include <functional>

class QWidget;

namespace brenvik {

struct QuestionRecord;
class TFormWizard;

// What the object editor, the question editor and the question wizard ask of the window
// they edit for: the tree with its undo points, the voice, the panes' services, and the
// window's part in opening, previewing and closing them.
class EditorServices : public virtual TreeAccess,
                       public virtual UndoPoints,
                       public virtual Voice,
                       public virtual PaneServices {
public:
    // The window's "Confirm" question, spoken; Prompts::Yes or Prompts::No.
    virtual int ConfirmBox(const QString& text) = 0;
    // Called by an editor when it closes (saved, cancelled or closed).
    virtual void editorClosed() = 0;
    // The one font dialog of all answers ("Answer Font"); true when the font was changed.
    virtual bool ChooseAnswerFont(QWidget* parent) = 0;
    // Shows `record` in the study window in Preview mode under `title`, with the main
    // window minimised meanwhile. Returns at once; when the study window has closed (or
    // could not be shown) the main window is restored, F9 is free again and `closed` runs.
    virtual void previewQuestion(const QuestionRecord& record, const QString& title,
                                 std::function<void()> closed) = 0;
    // The question wizard tells the window as it opens and as it goes, so the window's
    // refreshes reach the open one.
    virtual void wizardOpened(TFormWizard*) {}
    virtual void wizardClosed(TFormWizard*) {}
};

} // namespace brenvik
