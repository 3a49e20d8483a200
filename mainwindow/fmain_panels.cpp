// The main window's side of the embedded panels: the editor guard and the selection
// refresh, the helpers the panels call, the editors opened and closed in place of the
// operation panels, the switching of operation and session panels, and the Level menu.
#include "mainwindow/fmain.h"

#include "editor/feditquestion.h"
#include "library/objects.h"
#include "panels/faddeditdelete.h"
#include "panels/faddnew.h"
#include "panels/fedit.h"
#include "panels/feditobject.h"
#include "panels/fwizard.h"
#include "panels/levelrows.h"
#include "platform/prompts.h"
#include "study/fstudy.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

namespace brenvik {

// ---- guards and helpers ----------------------------------------------------------------

bool TFormMain::EditorBusy(const QString& phrase) {
    if (!editorOpen()) return false;
    const bool unsaved = (FormEditObject && FormEditObject->hasUnsavedChanges()) ||
                         (FormEditQuestion && FormEditQuestion->hasUnsavedChanges());
    if (unsaved) {
        Speak(QStringLiteral("Please click on save or cancel first."));
        deps_.prompts->message(
            this, QStringLiteral("Information"),
            QStringLiteral("Click on the \"Save\" or \"Cancel\" button\nbefore ") + phrase,
            Prompts::Icon::Information);
    } else {
        Speak(QStringLiteral("Please click on close first."));
        deps_.prompts->message(this, QStringLiteral("Information"),
                               QStringLiteral("Click on the \"Close\" button before\n") + phrase,
                               Prompts::Icon::Information);
    }
    return true;
}

void TFormMain::RefreshSelectionViews() {
    const NodeId s = selectedNode();
    const LevelRowStates addRows = ComputeLevelRows(tree_, s, true);
    const LevelRowStates otherRows = ComputeLevelRows(tree_, s, false);
    QString path;
    if (SB->isVisible())
        for (int l = 1; l <= MaxObjectLevel; ++l)
            if (otherRows[l].nameVisible)
                path += (l >= 2 ? QStringLiteral("  >  ") : QString()) + otherRows[l].name;
    PSB->setText(path);
    if (FormAddNew) FormAddNew->setRows(addRows);
    for (LevelPanel* panel : allPanels())
        if (panel != FormAddNew) panel->setRows(otherRows);
    if (FormAddNew && FormAddNew->BGen) FormAddNew->BGen->setEnabled(addRows[8].buttonEnabled);
    if (wizard_) wizard_->refreshFromMain();

    const bool edit = isEditMode();
    if (edit && operationVisible(Operation::AddNew)) {
        LevelItems[1]->setEnabled(true);
        for (int l = 2; l <= 8; ++l)
            LevelItems[l]->setEnabled(addRows[l].buttonEnabled);
    } else {
        for (int l = 1; l <= 7; ++l)
            LevelItems[l]->setEnabled(otherRows[l].buttonEnabled);
        LevelItems[8]->setEnabled(edit && otherRows[8].buttonEnabled);
    }
}

int TFormMain::ConfirmBox(const QString& text) {
    Speak(QStringLiteral("Please confirm."));
    const int answer =
        deps_.prompts->message(this, QStringLiteral("Confirm"), text, Prompts::Icon::Question,
                               Prompts::Yes | Prompts::No, Prompts::Yes);
    if (answer == Prompts::Yes) Speak(QStringLiteral("Thank you."));
    return answer;
}

void TFormMain::FocusEdit(QWidget* control, bool selectAll) {
    if (!control || !control->isVisible()) return;
    control->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
}

void TFormMain::MarkChanged(QAbstractButton* save, QAbstractButton* cancel) {
    if (save) save->setEnabled(true);
    if (cancel) {
        cancel->setText(QStringLiteral("Cancel"));
        cancel->setToolTip(QStringLiteral("Cancel changes"));
    }
}

void TFormMain::MarkUnchanged(QAbstractButton* save, QAbstractButton* cancel) {
    if (save) save->setEnabled(false);
    if (cancel) {
        cancel->setText(QStringLiteral("Close"));
        cancel->setToolTip(QString());
    }
}

// ---- editors ---------------------------------------------------------------------------

void TFormMain::Library2Click(int level) {
    if (!startupFinished() || level < 1 || level > 8) return;
    const NodeId s = selectedNode();
    const NodeId n = s == NoNode ? NoNode : GetObjAtLevel(tree_, s, level);
    if (n == NoNode) return;
    SB->show();
    if (level == 8) {
        // Opened from Add new only when this is the question the Add-new panel just added.
        const bool fromAddNew = n == addedQuestion_;
        addedQuestion_ = NoNode;
        ActiveLevel = level;
        FormEditQuestion->PMain->setEnabled(true);
        FormEdit->showOnly(FormEditQuestion->PMain);
        FormEditQuestion->LoadQuestion(n, fromAddNew);
        RefreshSelectionViews();
        return;
    }
    ActiveLevel = level;
    FormEditObject->load(level, n);
    FormEditObject->PMain->setEnabled(true);
    FormEdit->showOnly(FormEditObject->PMain);
    RefreshSelectionViews();
}

void TFormMain::editorClosed() {
    FormEdit->showOnly(FormAddEditDelete->PMain);
    FormEditObject->PMain->setEnabled(false);
    FormEditQuestion->PMain->setEnabled(false);
    SB->hide();
    ActiveLevel = 0;
    RefreshSelectionViews();
    // The editor's controls are gone: the keys go to the tree at once (Down, F2).
    TVObjs->setFocus(Qt::OtherFocusReason);
}

// ---- panels and the Level menu -----------------------------------------------------------

void TFormMain::Library11Click(int level) {
    if (EditorBusy(QStringLiteral("performing another operation."))) return;
    if (isEditMode()) {
        if (operationVisible(Operation::AddNew)) {
            Library1Click(level);
            addedQuestion_ = NoNode; // the menu's follow-up opens the editor as Edit selected
            if (level == 8 && FormAddNew->CBEditItem && FormAddNew->CBEditItem->isChecked()) {
                QCoreApplication::processEvents();
                Library2Click(8);
            }
        } else if (operationVisible(Operation::EditSelected)) {
            Library2Click(level);
        } else if (operationVisible(Operation::CopySelected)) {
            CopySelectedClick(level);
        } else {
            Library3Click(level);
        }
    } else {
        sessionLevelClick(visibleSession(), level);
    }
}

void TFormMain::Addnew1Click(Operation op) {
    if (EditorBusy(QStringLiteral("switching to a different operation."))) {
        updateOperationChecks();
        return;
    }
    showOperation(op);
}

void TFormMain::showOperation(Operation op) {
    LevelPanel* shown = operationPanel(op);
    if (!shown) return;
    FormAddEditDelete->showOnly(shown->PMain);
    for (Operation o : {Operation::AddNew, Operation::EditSelected, Operation::CopySelected,
                        Operation::DeleteSelected})
        if (LevelPanel* p = operationPanel(o)) p->PMain->setEnabled(o == op);
    RefreshSelectionViews();
    updateOperationChecks();
}

void TFormMain::Flashselected1Click(Session s) {
    showSession(s);
}

void TFormMain::showSession(Session s) {
    session_ = s;
    if (FormStudy) FormStudy->showSession(s);
    RefreshSelectionViews();
    updateOperationChecks();
}

void TFormMain::sessionLevelClick(Session s, int level) {
    startStudy(s, level);
}

} // namespace brenvik
