#include "mainwindow/panelrouter.h"

#include "editor/feditquestion.h"
#include "library/objects.h"
#include "mainwindow/libraryitemmodel.h"
#include "mainwindow/mainframe.h"
#include "mainwindow/objtreeview.h"
#include "panels/faddeditdelete.h"
#include "panels/faddnew.h"
#include "panels/fedit.h"
#include "panels/feditobject.h"
#include "panels/fwizard.h"
#include "panels/levelrows.h"
#include "platform/prompts.h"
#include "study/fspacedselected.h"
#include "study/fstudy.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>

namespace brenvik {

PanelRouter::PanelRouter(MainCommands& main, MainFrame& frame, QWidget& window)
    : main_(main), frame_(frame), window_(window) {}

bool PanelRouter::isEditMode() const {
    return frame_.PCMode->currentIndex() == 0;
}

bool PanelRouter::editorOpen() const {
    return (frame_.FormEditObject && frame_.FormEditObject->isOpen()) ||
           (frame_.FormEditQuestion && frame_.FormEditQuestion->isOpen());
}

bool PanelRouter::editorBusy(const QString& phrase) {
    if (!editorOpen()) return false;
    const bool unsaved = (frame_.FormEditObject && frame_.FormEditObject->hasUnsavedChanges()) ||
                         (frame_.FormEditQuestion && frame_.FormEditQuestion->hasUnsavedChanges());
    if (unsaved) {
        main_.Speak(QStringLiteral("Please click on save or cancel first."));
        main_.prompts().message(
            &window_, QStringLiteral("Information"),
            QStringLiteral("Click on the \"Save\" or \"Cancel\" button\nbefore ") + phrase,
            Prompts::Icon::Information);
    } else {
        main_.Speak(QStringLiteral("Please click on close first."));
        main_.prompts().message(&window_, QStringLiteral("Information"),
                                QStringLiteral("Click on the \"Close\" button before\n") + phrase,
                                Prompts::Icon::Information);
    }
    return true;
}

void PanelRouter::refresh() {
    LibraryTree& tree = main_.tree();
    const NodeId s = main_.selectedNode();
    const LevelRowStates addRows = ComputeLevelRows(tree, s, true);
    const LevelRowStates otherRows = ComputeLevelRows(tree, s, false);
    QString path;
    if (frame_.SB->isVisible())
        for (int l = 1; l <= MaxObjectLevel; ++l)
            if (otherRows[l].nameVisible)
                path += (l >= 2 ? QStringLiteral("  >  ") : QString()) + otherRows[l].name;
    frame_.PSB->setText(path);
    TFormAddNew* addNew = frame_.FormAddNew;
    if (addNew) addNew->setRows(addRows);
    for (LevelPanel* panel : frame_.allPanels())
        if (panel != addNew) panel->setRows(otherRows);
    if (addNew) addNew->setWizardEnabled(addRows[8].buttonEnabled);
    if (frame_.FormSpacedSelected) frame_.FormSpacedSelected->refreshFigures();
    if (wizard_) wizard_->refreshFromMain();

    const auto& items = frame_.LevelItems;
    const bool edit = isEditMode();
    if (edit && operationVisible(Operation::AddNew)) {
        items[1]->setEnabled(true);
        for (int l = 2; l <= 8; ++l)
            items[l]->setEnabled(addRows[l].buttonEnabled);
    } else {
        for (int l = 1; l <= 7; ++l)
            items[l]->setEnabled(otherRows[l].buttonEnabled);
        items[8]->setEnabled(edit && otherRows[8].buttonEnabled);
    }
}

void PanelRouter::openEditor(int level) {
    if (level < 1 || level > 8) return;
    const NodeId s = main_.selectedNode();
    const NodeId n = s == NoNode ? NoNode : GetObjAtLevel(main_.tree(), s, level);
    if (n == NoNode) return;
    frame_.SB->show();
    if (level == 8) {
        // Opened from Add new only when this is the question the Add-new panel just added.
        const bool fromAddNew = n == addedQuestion_;
        addedQuestion_ = NoNode;
        frame_.FormEditQuestion->PMain->setEnabled(true);
        frame_.FormEdit->showOnly(frame_.FormEditQuestion->PMain);
        frame_.FormEditQuestion->LoadQuestion(n, fromAddNew);
        refresh();
        return;
    }
    frame_.FormEditObject->load(level, n);
    frame_.FormEditObject->PMain->setEnabled(true);
    frame_.FormEdit->showOnly(frame_.FormEditObject->PMain);
    refresh();
}

void PanelRouter::editorClosed() {
    frame_.FormEdit->showOnly(frame_.FormAddEditDelete);
    frame_.FormEditObject->PMain->setEnabled(false);
    frame_.FormEditQuestion->PMain->setEnabled(false);
    frame_.SB->hide();
    refresh();
    // A save rebuilds the object's attribute rows, which can scroll the tree away from the
    // object; the object is shown, also when one of its attribute rows was selected.
    const LibraryTree& tree = main_.tree();
    NodeId edited = main_.selectedNode();
    while (edited != NoNode && !isObjectKind(tree.kind(edited)))
        edited = tree.parent(edited);
    if (auto* model = qobject_cast<LibraryItemModel*>(frame_.TVObjs->model());
        model && edited != NoNode)
        frame_.TVObjs->scrollTo(model->indexFromNode(edited));
    // The editor's controls are gone: the keys go to the tree at once (Down, F2).
    frame_.TVObjs->setFocus(Qt::OtherFocusReason);
}

void PanelRouter::levelMenuClick(int level) {
    if (editorBusy(QStringLiteral("performing another operation."))) return;
    if (isEditMode()) {
        if (operationVisible(Operation::AddNew)) {
            main_.Library1Click(level);
            addedQuestion_ = NoNode; // the menu's follow-up opens the editor as Edit selected
            TFormAddNew* addNew = frame_.FormAddNew;
            if (level == 8 && addNew->editAfterAdd()) main_.Library2Click(8);
        } else if (operationVisible(Operation::EditSelected)) {
            main_.Library2Click(level);
        } else if (operationVisible(Operation::CopySelected)) {
            main_.CopySelectedClick(level);
        } else {
            main_.Library3Click(level);
        }
    } else {
        main_.sessionLevelClick(visibleSession(), level);
    }
}

void PanelRouter::operationMenuClick(Operation op) {
    if (editorBusy(QStringLiteral("switching to a different operation."))) {
        updateChecks();
        return;
    }
    showOperation(op);
}

void PanelRouter::showOperation(Operation op) {
    LevelPanel* shown = frame_.operationPanel(op);
    if (!shown) return;
    frame_.FormAddEditDelete->showOnly(shown->view());
    for (Operation o : {Operation::AddNew, Operation::EditSelected, Operation::CopySelected,
                        Operation::DeleteSelected})
        if (LevelPanel* p = frame_.operationPanel(o)) p->view()->setEnabled(o == op);
    refresh();
    updateChecks();
}

void PanelRouter::showSession(Session s) {
    session_ = s;
    if (frame_.FormStudy) frame_.FormStudy->showSession(s);
    refresh();
    updateChecks();
}

LevelPanel* PanelRouter::visibleSessionPanel() const {
    return frame_.sessionPanel(session_);
}

bool PanelRouter::operationVisible(Operation op) const {
    LevelPanel* p = frame_.operationPanel(op);
    return p && !p->view()->isHidden();
}

void PanelRouter::updateChecks() {
    frame_.Addnew1->setChecked(operationVisible(Operation::AddNew));
    frame_.Edit2->setChecked(operationVisible(Operation::EditSelected));
    frame_.Copy1->setChecked(operationVisible(Operation::CopySelected));
    frame_.Delete1->setChecked(operationVisible(Operation::DeleteSelected));
    frame_.Imprintselected1->setChecked(session_ == Session::Imprint);
    frame_.Flashselected1->setChecked(session_ == Session::Flash);
    frame_.Reviewselected1->setChecked(session_ == Session::Review);
    frame_.Spacedreviewselected1->setChecked(session_ == Session::Spaced);
}

} // namespace brenvik
