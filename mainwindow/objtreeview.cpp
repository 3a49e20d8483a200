// The library's tree view: the guarded selection, the cut style of a dragged row, in-place
// rename, the pop-up menu and the drop indicator.
#include "mainwindow/objtreeview.h"

#include "mainwindow/fmain.h"
#include "mainwindow/libraryitemmodel.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QTimer>
#include <limits>
#include <vector>

namespace brenvik {

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

QWidget* CutStyleDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
    // A line edit cannot lay out a name of tens of millions of characters (the toolkit
    // crashes): such a name is not edited in place.
    if (index.data(Qt::EditRole).toString().size() > EditLimit) return nullptr;
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    // A line edit keeps 32,767 characters by default and would cut a longer name on rename.
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        line->setMaxLength(std::numeric_limits<int>::max());
    return editor;
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
    // The selected row looks the same with and without the focus: a frame says where the
    // keyboard is. The style sheet draws it only on a styled frame, invisible without focus.
    setFrameShape(QFrame::StyledPanel);
    setStyleSheet(QStringLiteral("QTreeView { border: 1px solid transparent; }"
                                 "QTreeView:focus { border: 1px solid palette(highlight); }"));
    // The selection stays visible when the tree loses the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);
    connect(this, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { rememberExpanded(index, true); });
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { rememberExpanded(index, false); });
}

void ObjTreeView::setModel(QAbstractItemModel* model) {
    if (model == this->model()) return;
    for (const QMetaObject::Connection& c : modelConnections_)
        disconnect(c);
    modelConnections_.clear();
    expanded_.clear();
    QTreeView::setModel(model);
    if (!model) return;
    modelConnections_ = {
        connect(model, &QAbstractItemModel::rowsInserted, this, &ObjTreeView::reexpandInserted),
        connect(model, &QAbstractItemModel::modelReset, this, [this] { expanded_.clear(); })};
}

// Nodes keep their ids through moves and undo, while the view forgets the expanded state of
// every row it sees removed. The ids the user expanded are kept here, and rows that come
// back (a move, an undone move or delete) are expanded again.
void ObjTreeView::rememberExpanded(const QModelIndex& index, bool expanded) {
    auto* libraryModel = qobject_cast<LibraryItemModel*>(model());
    const NodeId n = libraryModel ? libraryModel->nodeFromIndex(index) : NoNode;
    if (n == NoNode) return;
    if (expanded)
        expanded_.insert(n);
    else
        expanded_.erase(n);
}

void ObjTreeView::reexpandInserted(const QModelIndex& parent, int first, int last) {
    auto* libraryModel = qobject_cast<LibraryItemModel*>(model());
    if (expanded_.empty() || !libraryModel) return;
    const LibraryTree& tree = libraryModel->tree();
    std::vector<NodeId> todo;
    for (int row = first; row <= last; ++row)
        todo.push_back(libraryModel->nodeFromIndex(libraryModel->index(row, 0, parent)));
    while (!todo.empty()) {
        const NodeId n = todo.back();
        todo.pop_back();
        if (n == NoNode || !tree.hasChildren(n)) continue;
        if (expanded_.count(n)) expand(libraryModel->indexFromNode(n));
        for (NodeId c = tree.firstChild(n); c != NoNode; c = tree.nextSibling(c))
            todo.push_back(c);
    }
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

} // namespace brenvik
