// The tree commands of the main window: the selection, the routes to the tree commands
// (the window asks the user first, the commands change the tree), drag and drop, the
// pop-up menu, F9 and undo.
#include "mainwindow/fmain.h"

#include "editor/feditquestion.h"
#include "library/objects.h"
#include "library/treecommands.h"
#include "library/undostore.h"
#include "mainwindow/busywork.h"
#include "mainwindow/libraryitemmodel.h"
#include "panels/faddnew.h"
#include "panels/fcopyselected.h"
#include "panels/feditselected.h"
#include "panels/fwizard.h"
#include "panels/levelrows.h"
#include "platform/prompts.h"
#include "widgets/focusedit.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

namespace brenvik {

namespace {
QString levelWord(int level) {
    return QString::fromStdString(LowerObjName(level));
}
} // namespace

// ---- selection -----------------------------------------------------------------------

NodeId TFormMain::selectedNode() const {
    QModelIndex index = selection_->currentIndex();
    if (!index.isValid()) {
        const QModelIndexList rows = selection_->selectedIndexes();
        if (!rows.isEmpty()) index = rows.first();
    }
    return model_->nodeFromIndex(index);
}

void TFormMain::selectNode(NodeId node) {
    const NodeId before = selectedNode();
    const QModelIndex index = model_->indexFromNode(node);
    selection_->setBypass(true);
    if (index.isValid()) {
        TVObjs->setCurrentIndex(index);
        TVObjs->scrollTo(index);
    } else {
        selection_->clear();
    }
    selection_->setBypass(false);
    if (selectedNode() == before) RefreshSelectionViews();
}

bool TFormMain::selectionMayChange() {
    return !EditorBusy(QStringLiteral("selecting a different item."));
}

void TFormMain::TVObjsChange() {
    RefreshSelectionViews();
}

void TFormMain::ensureSelection() {
    if (tree_.empty() || selectedNode() != NoNode) return;
    selectNode(tree_.first());
}

// ---- level commands ---------------------------------------------------------------------

TreeCommands TFormMain::treeCommands() {
    return TreeCommands(tree_, *undo_, *deps_.colors);
}

void TFormMain::Library1Click(int level) {
    if (!startupFinished()) return;
    const Result<NodeId> added = treeCommands().addNew(selectedNode(), level);
    if (!added) {
        showError(QString::fromStdString(added.error()));
        return;
    }
    if (added.value() == NoNode) return;
    selectNode(added.value());
    const bool editNow = level == 8 && FormAddNew && FormAddNew->editAfterAdd();
    panels_.setAddedQuestion(editNow ? added.value() : NoNode);
    if (!editNow && FormAddNew) FocusEdit(FormAddNew->rows()->nameEdit(level), true);
}

void TFormMain::CopySelectedClick(int level) {
    if (!startupFinished()) return;
    TreeCommands commands = treeCommands();
    BusyWork busy(this, QStringLiteral("Copying..."));
    const Result<NodeId> copy = commands.copy(selectedNode(), level, busy.progress());
    if (!copy) {
        showError(QString::fromStdString(copy.error()));
        return;
    }
    if (copy.value() == NoNode) return;
    selectNode(copy.value());
    if (FormCopySelected) FocusEdit(FormCopySelected->rows()->nameEdit(level), true);
}

void TFormMain::Library3Click(int level) {
    if (!startupFinished()) return;
    TreeCommands commands = treeCommands();
    const NodeId n = commands.objectAt(selectedNode(), level);
    if (n == NoNode) return;
    if (ConfirmBox(QStringLiteral("Delete selected ") + levelWord(level) + QStringLiteral("?")) !=
        Prompts::Yes)
        return;
    Status removed;
    {
        // A removal is a detach, as quick for a big branch as for a small one: the
        // cursor, and the dialog only should it take past the delay after all.
        BusyWork busy(this, QStringLiteral("Deleting..."));
        // Moved off first, so the view never picks a row of its own while the node goes.
        selectNode(commands.keptAfterDelete(n));
        removed = commands.remove(n);
    }
    if (!removed) showError(QString::fromStdString(removed.error));
    ensureSelection();
}

void TFormMain::renameAtLevel(int level, const QString& name) {
    const NodeId n = treeCommands().objectAt(selectedNode(), level);
    if (n != NoNode) TVObjsEdited(n, name);
}

bool TFormMain::TVObjsEditing(NodeId node) {
    if (node == NoNode || !isEditMode() || !isObjectKind(tree_.kind(node))) return false;
    return !EditorBusy(QStringLiteral("editing an item."));
}

void TFormMain::TVObjsEdited(NodeId node, const QString& text) {
    if (treeCommands().rename(node, text)) RefreshSelectionViews();
}

// ---- drag and drop -------------------------------------------------------------------

bool TFormMain::TVObjsDragOver(NodeId dragged, NodeId target) {
    const bool accept = isEditMode() && treeCommands().mayDrop(dragged, target);
    model_->setDimmedNode(accept ? dragged : NoNode);
    return accept;
}

void TFormMain::dragEnded() {
    model_->setDimmedNode(NoNode);
}

bool TFormMain::TVObjsDragDrop(NodeId dragged, NodeId target) {
    const bool accepted = TVObjsDragOver(dragged, target);
    dragEnded();
    if (!accepted || EditorBusy(QStringLiteral("moving or copying an item."))) return false;
    TreeCommands commands = treeCommands();
    if (commands.dropCopies(dragged)) {
        const int answer = deps_.prompts->message(
            this, QStringLiteral("Information"),
            QStringLiteral("The selected node will be copied\ninstead of moved."),
            Prompts::Icon::Information, Prompts::Ok | Prompts::Cancel, Prompts::Ok);
        if (answer != Prompts::Ok) return false;
    }
    Result<NodeId> dropped = NoNode;
    {
        BusyWork busy(this, commands.dropCopies(dragged) ? QStringLiteral("Copying...")
                                                         : QStringLiteral("Moving..."));
        dropped = commands.drop(dragged, target, busy.progress());
    }
    if (!dropped) {
        showError(QString::fromStdString(dropped.error()));
        return false;
    }
    if (dropped.value() == NoNode) return false; // already there
    selectNode(dropped.value());
    return true;
}

// ---- pop-up menu ---------------------------------------------------------------------

int TFormMain::deepestObjectLevel() const {
    const NodeId s = selectedNode();
    if (s == NoNode) return 0;
    for (int l = 8; l >= 1; --l)
        if (GetObjAtLevel(tree_, s, l) != NoNode) return l;
    return 0;
}

void TFormMain::TVObjsMouseDown(const QPoint& globalPos, const QModelIndex& index) {
    selection_->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    if (selection_->currentIndex() != index) return; // refused: the user has had the box
    // The new selection is drawn before the menu covers the tree.
    TVObjs->viewport()->repaint();
    PMObjs->popup(globalPos);
}

void TFormMain::PMObjsPopup() {
    // With an editor open nothing here may run: an editor opened on top of another
    // would later save into the wrong object.
    const bool any = !editorOpen() && deepestObjectLevel() > 0;
    for (QAction* a : {PMIFlash, PMIReview, PMIImprint, PMISpaced})
        a->setEnabled(any);
    PMIEdit->setEnabled(any);
    PMIImport->setVisible(isEditMode());
    PMIImport->setEnabled(!editorOpen());
}

void TFormMain::PMIEditClick() {
    if (!isEditMode()) setMode(Mode::Edit, false);
    showOperation(Operation::EditSelected);
    const int level = FormEditSelected ? FormEditSelected->rows()->deepestEnabled() : 0;
    if (level > 0) Library2Click(level);
}

// ---- F9 ------------------------------------------------------------------------------

void TFormMain::FormKeyUp(int key, Qt::KeyboardModifiers modifiers) {
    Q_UNUSED(modifiers);
    if (key != Qt::Key_F9 || !startupFinished() || studyWindowShowing() || F9Busy) return;
    F9Busy = true;
    if (FormEditQuestion && FormEditQuestion->isOpen()) {
        // The preview frees F9 when it closes; without one it is free at once.
        if (!FormEditQuestion->BPreviewClick()) F9Busy = false;
        return;
    }
    if (deepestObjectLevel() == 0) {
        F9Busy = false;
        return;
    }
    if (isEditMode() && !setMode(Mode::Study, true)) {
        F9Busy = false;
        return;
    }
    LevelPanel* panel = panels_.visibleSessionPanel();
    const int level = panel ? panel->rows()->deepestEnabled() : deepestObjectLevel();
    if (level > 0)
        sessionLevelClick(panels_.visibleSession(), level);
    else
        F9Busy = false;
}

// ---- undo ----------------------------------------------------------------------------

void TFormMain::SaveUndoState() {
    undo_->SaveUndoState();
}

void TFormMain::SetUndoLabel(const QString& label) {
    undo_->SetUndoLabel(label);
}

void TFormMain::CancelUndoState() {
    undo_->CancelUndoState();
}

void TFormMain::BUndoClick() {
    if (!undo_->canUndo() || EditorBusy(QStringLiteral("performing another operation."))) return;
    const NodeId n = undo_->undo();
    if (n != NoNode) selectNode(n);
    ensureSelection();
    RefreshSelectionViews();
}

void TFormMain::BRedoClick() {
    if (!undo_->canRedo() || EditorBusy(QStringLiteral("performing another operation."))) return;
    const NodeId n = undo_->redo();
    if (n != NoNode) selectNode(n);
    ensureSelection();
    RefreshSelectionViews();
}

bool TFormMain::undoEnabled() const {
    return undo_->canUndo();
}
bool TFormMain::redoEnabled() const {
    return undo_->canRedo();
}
QString TFormMain::undoHint() const {
    return undo_->undoHint();
}
QString TFormMain::redoHint() const {
    return undo_->redoHint();
}

void TFormMain::updateUndoButtons() {
    BUndo->setEnabled(undo_->canUndo());
    BRedo->setEnabled(undo_->canRedo());
    BUndo->setToolTip(undo_->undoHint());
    BRedo->setToolTip(undo_->redoHint());
    MIUndo->setEnabled(undo_->canUndo());
    MIRedo->setEnabled(undo_->canRedo());
    MIUndo->setStatusTip(undo_->undoHint());
    MIRedo->setStatusTip(undo_->redoHint());
    if (TFormWizard* wizard = panels_.wizard()) wizard->refreshFromMain();
}

} // namespace brenvik
