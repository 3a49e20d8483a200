// The tree commands of the main window: selection, add, edit, copy, delete, rename,
// drag and drop, the Level/Operation/Mode routing, the pop-up menu, F9 and undo.
#include "mainwindow/fmain.h"

#include "editor/feditquestion.h"
#include "library/objects.h"
#include "library/textcodec.h"
#include "mainwindow/libraryitemmodel.h"
#include "mainwindow/undostore.h"
#include "panels/faboutbox.h"
#include "panels/faddeditdelete.h"
#include "panels/faddnew.h"
#include "panels/fcopyselected.h"
#include "panels/fdeleteselected.h"
#include "panels/fedit.h"
#include "panels/feditobject.h"
#include "panels/feditselected.h"
#include "panels/fwizard.h"
#include "panels/levelrows.h"
#include "platform/prompts.h"
#include "study/fstudy.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDrag>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>

namespace brenvik {

namespace {
QString levelWord(int level) {
    return QString::fromStdString(LowerObjName(level));
}
} // namespace

// ---- GuardedSelectionModel ---------------------------------------------------------

GuardedSelectionModel::GuardedSelectionModel(QAbstractItemModel* model,
                                             std::function<bool()> mayChange)
    : QItemSelectionModel(model), mayChange_(std::move(mayChange)) {}

bool GuardedSelectionModel::allowed(const QModelIndex& target) {
    if (bypass_ || !target.isValid() || target == currentIndex()) return true;
    if (asking_) return false; // a box is up already; the second request is the same change
    // One user action asks more than once (the view sets the current index, then
    // selects): the refusal it has already had stands for the rest of that action.
    if (refused_.isValid() && refused_ == QPersistentModelIndex(target)) return false;
    asking_ = true;
    const bool ok = mayChange_();
    asking_ = false;
    if (!ok) {
        refused_ = QPersistentModelIndex(target);
        // Started after the box has gone, so it fires once the action's event is done.
        QTimer::singleShot(0, this, [this] { refused_ = QPersistentModelIndex(); });
    }
    return ok;
}

void GuardedSelectionModel::setCurrentIndex(const QModelIndex& index, SelectionFlags command) {
    if (!allowed(index)) return;
    const bool was = bypass_;
    bypass_ = true; // the base class selects through select(); do not ask twice
    QItemSelectionModel::setCurrentIndex(index, command);
    bypass_ = was;
}

void GuardedSelectionModel::select(const QModelIndex& index, SelectionFlags command) {
    if (!allowed(index)) return;
    QItemSelectionModel::select(index, command);
}

void GuardedSelectionModel::select(const QItemSelection& selection, SelectionFlags command) {
    const QModelIndex target = selection.isEmpty() ? QModelIndex() : selection.indexes().first();
    if (!allowed(target)) return;
    QItemSelectionModel::select(selection, command);
}

// ---- ObjTreeView ---------------------------------------------------------------------

// ---- CutStyleDelegate ------------------------------------------------------------------

CutStyleDelegate::CutStyleDelegate(const LibraryItemModel& model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model) {}

void CutStyleDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    // The dragged row is the selected one: greyed under the selection colour it would not
    // show, so the cut row is drawn greyed and without the highlight.
    if (model_.dimmedNode() != NoNode && model_.nodeFromIndex(index) == model_.dimmedNode())
        option->state &= ~(QStyle::State_Selected | QStyle::State_Enabled);
}

// ---- ObjTreeView ---------------------------------------------------------------------

ObjTreeView::ObjTreeView(TFormMain& main, QWidget* parent) : QTreeView(parent), main_(main) {
    setHeaderHidden(true);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    // A drop always goes onto the row under the pointer, and the indicator frames that row;
    // lines between rows would promise places the drop rules do not use.
    setDragDropOverwriteMode(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setUniformRowHeights(true);
    setAnimated(false);
    setIconSize(QSize(16, 16));
    // The selection stays visible when the tree loses the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);
}

bool ObjTreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool wantsEditor =
        trigger == AllEditTriggers || (trigger != NoEditTriggers && (editTriggers() & trigger));
    if (wantsEditor && index.isValid() && !main_.TVObjsEditing(main_.model()->nodeFromIndex(index)))
        return false;
    return QTreeView::edit(index, trigger, event);
}

void ObjTreeView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid()) main_.TVObjsMouseDown(event->globalPosition().toPoint(), index);
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void ObjTreeView::dragMoveEvent(QDragMoveEvent* event) {
    // The base class keeps the last indicator when a target is refused; hiding the
    // indicator for a refused move clears it, and the next accepted move draws it anew.
    setDropIndicatorShown(true);
    QTreeView::dragMoveEvent(event);
    if (!event->isAccepted()) {
        setDropIndicatorShown(false);
        viewport()->update();
    }
}

void ObjTreeView::dragLeaveEvent(QDragLeaveEvent* event) {
    main_.dragEnded();
    QTreeView::dragLeaveEvent(event);
}

void ObjTreeView::dropEvent(QDropEvent* event) {
    QTreeView::dropEvent(event);
    main_.dragEnded();
}

void ObjTreeView::startDrag(Qt::DropActions supportedActions) {
    QTreeView::startDrag(supportedActions);
    main_.dragEnded();
}

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

NodeId TFormMain::objectOf(NodeId node) const {
    while (node != NoNode && !isObjectKind(tree_.kind(node)))
        node = tree_.parent(node);
    return node;
}

void TFormMain::expandTo(NodeId node) {
    for (NodeId n = tree_.parent(node); n != NoNode; n = tree_.parent(n))
        TVObjs->expand(model_->indexFromNode(n));
}

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
    if (TFormWizard* wizard = TFormWizard::current()) wizard->refreshFromMain();

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

// ---- level commands ---------------------------------------------------------------------

void TFormMain::Library1Click(int level) {
    if (!startupFinished() || level < 1 || level > 8) return;
    const NodeId s = selectedNode();
    const NodeId parent = s == NoNode ? NoNode : GetObjAtLevel(tree_, s, level - 1);
    if (parent == NoNode && level > 1) return;
    SaveUndoState();
    const Result<NodeId> added = AddNewObj(tree_, parent, *deps_.colors);
    if (!added) {
        SetUndoLabel(QString());
        showError(QString::fromStdString(added.error()));
        return;
    }
    selectNode(added.value());
    SetUndoLabel(QStringLiteral("add new ") + levelWord(level));
    const bool editNow =
        level == 8 && FormAddNew && FormAddNew->CBEditItem && FormAddNew->CBEditItem->isChecked();
    addedQuestion_ = editNow ? added.value() : NoNode;
    if (!editNow && FormAddNew) FocusEdit(FormAddNew->rows()->nameEdit(level), true);
}

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

// ---- expanded rows ---------------------------------------------------------------------

// Nodes keep their ids through moves and undo, while the view forgets the expanded state of
// every row it sees removed. The ids the user expanded are kept here, and rows that come
// back (a move, an undone move or delete) are expanded again.
void TFormMain::rememberExpanded(const QModelIndex& index, bool expanded) {
    const NodeId n = model_->nodeFromIndex(index);
    if (n == NoNode) return;
    if (expanded)
        expanded_.insert(n);
    else
        expanded_.erase(n);
}

void TFormMain::reexpandInserted(const QModelIndex& parent, int first, int last) {
    if (expanded_.empty()) return;
    std::vector<NodeId> todo;
    for (int row = first; row <= last; ++row)
        todo.push_back(model_->nodeFromIndex(model_->index(row, 0, parent)));
    while (!todo.empty()) {
        const NodeId n = todo.back();
        todo.pop_back();
        if (n == NoNode || !tree_.hasChildren(n)) continue;
        if (expanded_.count(n)) TVObjs->expand(model_->indexFromNode(n));
        for (NodeId c = tree_.firstChild(n); c != NoNode; c = tree_.nextSibling(c))
            todo.push_back(c);
    }
}

void TFormMain::CopySelectedClick(int level) {
    if (!startupFinished() || level < 1 || level > 8) return;
    const NodeId s = selectedNode();
    const NodeId n = s == NoNode ? NoNode : GetObjAtLevel(tree_, s, level);
    if (n == NoNode) return;
    const NodeId p = GetObjAtLevel(tree_, n, level - 1);
    if (p == NoNode) return;
    SaveUndoState();
    const NodeId copy = CopySubtree(tree_, n, p, CopyMode::Append);
    tree_.setText(copy, "Copy of " + std::string(tree_.text(n)));
    selectNode(copy);
    SetUndoLabel(QStringLiteral("copy ") + levelWord(level));
    if (FormCopySelected) FocusEdit(FormCopySelected->rows()->nameEdit(level), true);
}

void TFormMain::Library3Click(int level) {
    if (!startupFinished() || level < 1 || level > 8) return;
    const NodeId s = selectedNode();
    const NodeId n = s == NoNode ? NoNode : GetObjAtLevel(tree_, s, level);
    if (n == NoNode) return;
    if (ConfirmBox(QStringLiteral("Delete selected ") + levelWord(level) + QStringLiteral("?")) !=
        Prompts::Yes)
        return;
    // The owner keeps the selection, so the panels show something sensible afterwards.
    NodeId next = GetObjAtLevel(tree_, n, level - 1);
    if (next == NoNode)
        next = tree_.nextSibling(n) != NoNode ? tree_.nextSibling(n) : tree_.prevSibling(n);
    SaveUndoState();
    selectNode(next);
    tree_.remove(n);
    SetUndoLabel(QStringLiteral("delete ") + levelWord(level));
    ensureSelection();
}

void TFormMain::renameAtLevel(int level, const QString& name) {
    const NodeId s = selectedNode();
    const NodeId n = s == NoNode ? NoNode : GetObjAtLevel(tree_, s, level);
    if (n != NoNode) TVObjsEdited(n, name);
}

bool TFormMain::TVObjsEditing(NodeId node) {
    if (node == NoNode || !isEditMode() || !isObjectKind(tree_.kind(node))) return false;
    return !EditorBusy(QStringLiteral("editing an item."));
}

void TFormMain::TVObjsEdited(NodeId node, const QString& text) {
    if (node == NoNode || !tree_.isAttached(node) || text.trimmed().isEmpty()) return;
    const std::string_view old = tree_.text(node);
    const std::string bytes = DisplayToBytes(text, old);
    if (bytes == old) return;
    SaveUndoState();
    tree_.setText(node, bytes);
    SetUndoLabel(QStringLiteral("edit ") + levelWord(tree_.kind(node)) + QStringLiteral(" name"));
    RefreshSelectionViews();
}

// ---- drag and drop -------------------------------------------------------------------

bool TFormMain::TVObjsDragOver(NodeId dragged, NodeId target) {
    const bool accept = isEditMode() && dragged != NoNode && target != NoNode &&
                        dragged != target && tree_.isAttached(target) &&
                        tree_.topLevelOf(target) == tree_.first() && tree_.kind(dragged) >= 1 &&
                        tree_.kind(dragged) <= 8 &&
                        (tree_.kind(dragged) == tree_.kind(target) ||
                         tree_.kind(dragged) == tree_.kind(target) + 1);
    model_->setDimmedNode(accept ? dragged : NoNode);
    return accept;
}

void TFormMain::dragEnded() {
    model_->setDimmedNode(NoNode);
}

bool TFormMain::TVObjsDragDrop(NodeId dragged, NodeId target) {
    if (!TVObjsDragOver(dragged, target)) {
        dragEnded();
        return false;
    }
    dragEnded();
    if (EditorBusy(QStringLiteral("moving or copying an item."))) return false;
    const bool sameKind = tree_.kind(dragged) == tree_.kind(target);
    QString verb;
    if (tree_.topLevelOf(dragged) == tree_.first()) {
        NodeId parent = target, before = NoNode;
        if (sameKind) {
            parent = tree_.parent(target);
            before = tree_.preorderIndex(target) < tree_.preorderIndex(dragged)
                         ? target
                         : tree_.nextSibling(target);
        }
        // Already there (onto its own parent as its last child): no change, no undo point.
        if (tree_.parent(dragged) == parent &&
            (before == dragged || tree_.nextSibling(dragged) == before))
            return false;
        SaveUndoState();
        tree_.move(dragged, parent, before);
        selectNode(dragged);
        verb = QStringLiteral("move ");
    } else {
        const int answer = deps_.prompts->message(
            this, QStringLiteral("Information"),
            QStringLiteral("The selected node will be copied\ninstead of moved."),
            Prompts::Icon::Information, Prompts::Ok | Prompts::Cancel, Prompts::Ok);
        if (answer != Prompts::Ok) return false;
        SaveUndoState();
        const NodeId copy =
            CopySubtree(tree_, dragged, target, sameKind ? CopyMode::Insert : CopyMode::Append);
        tree_.setText(copy, "Copy of " + std::string(tree_.text(dragged)));
        selectNode(copy);
        verb = QStringLiteral("copy ");
    }
    const NodeId s = selectedNode();
    SetUndoLabel(verb + levelWord(s == NoNode ? 0 : tree_.kind(s)));
    return true;
}

// ---- menus ---------------------------------------------------------------------------

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
    QCoreApplication::processEvents();
    TVObjs->viewport()->repaint();
    PMObjs->popup(globalPos);
}

void TFormMain::PMObjsPopup() {
    // With an editor open nothing here may run: an editor opened on top of another
    // would later save into the wrong object.
    const bool any = !editorOpen() && deepestObjectLevel() > 0;
    for (QAction* a : {PMIFlash, PMIReview, PMIImprint})
        a->setEnabled(any);
    PMIEdit->setEnabled(any);
}

void TFormMain::PMIEditClick() {
    if (!isEditMode()) {
        revertingMode_ = true;
        PCMode->setCurrentIndex(0);
        revertingMode_ = false;
        PCModeChange();
    }
    showOperation(Operation::EditSelected);
    const int level = FormEditSelected ? FormEditSelected->rows()->deepestEnabled() : 0;
    if (level > 0) Library2Click(level);
}

// ---- F9 ------------------------------------------------------------------------------

void TFormMain::FormKeyUp(int key, Qt::KeyboardModifiers modifiers) {
    Q_UNUSED(modifiers);
    if (key != Qt::Key_F9 || !startupFinished() || StudyWindowShowing || F9Busy) return;
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
    if (isEditMode()) {
        if (EditorBusy(QStringLiteral("switching to a different mode."))) {
            F9Busy = false;
            return;
        }
        revertingMode_ = true;
        PCMode->setCurrentIndex(1);
        revertingMode_ = false;
        PCModeChange();
    }
    LevelPanel* panel = visibleSessionPanel();
    const int level = panel ? panel->rows()->deepestEnabled() : deepestObjectLevel();
    if (level > 0)
        sessionLevelClick(visibleSession(), level);
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
    if (TFormWizard* wizard = TFormWizard::current()) wizard->refreshFromMain();
}

} // namespace brenvik
