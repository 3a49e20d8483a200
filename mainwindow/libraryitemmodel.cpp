#include "mainwindow/libraryitemmodel.h"

#include "platform/svgicon.h"

#include "library/nodekind.h"
#include "library/textcodec.h"

#include <QBrush>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>
#include <QPalette>
#include <array>

namespace brenvik {

namespace {

// Short sibling lists are walked; longer ones get a row cache.
constexpr int WalkLimit = 48;

} // namespace

QIcon kindIcon(int kind) {
    static const std::array<QIcon, NodeKindCount> icons = [] {
        std::array<QIcon, NodeKindCount> all;
        // Shared with the panels, the menus and the mode tabs through the resources.
        for (int k = 0; k < NodeKindCount; ++k)
            all[k] = SvgIcon(QStringLiteral("kind-%1").arg(k));
        return all;
    }();
    if (kind < 0 || kind >= NodeKindCount) return {};
    return icons[std::size_t(kind)];
}

LibraryItemModel::LibraryItemModel(LibraryTree& tree, QObject* parent)
    : QAbstractItemModel(parent), tree_(tree) {
    tree_.setObserver(this);
}

LibraryItemModel::~LibraryItemModel() {
    if (tree_.observer() == this) tree_.setObserver(next_);
}

NodeId LibraryItemModel::nodeFromIndex(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return NoNode;
    return NodeId(index.internalId());
}

QModelIndex LibraryItemModel::indexFromNode(NodeId node) const {
    if (node == NoNode || !tree_.isValid(node) || !tree_.isAttached(node)) return {};
    return createIndex(rowOf(node), 0, quintptr(node));
}

const LibraryItemModel::RowCache& LibraryItemModel::cacheFor(NodeId parent) const {
    auto it = caches_.find(parent);
    if (it != caches_.end()) return it->second;
    RowCache cache;
    NodeId c = parent == NoNode ? tree_.first() : tree_.firstChild(parent);
    for (; c != NoNode; c = tree_.nextSibling(c)) {
        if (std::size_t(c) >= rowOf_.size())
            rowOf_.resize(std::size_t(c) + 1 + rowOf_.size() / 2, -1);
        rowOf_[std::size_t(c)] = int(cache.children.size());
        cache.children.push_back(c);
    }
    return caches_.emplace(parent, std::move(cache)).first->second;
}

void LibraryItemModel::invalidate(NodeId parent) {
    caches_.erase(parent);
}

int LibraryItemModel::rowOf(NodeId node) const {
    NodeId parent = tree_.parent(node);
    auto it = caches_.find(parent);
    if (it == caches_.end()) {
        int r = 0;
        for (NodeId p = tree_.prevSibling(node); p != NoNode; p = tree_.prevSibling(p))
            if (++r > WalkLimit) break;
        if (r <= WalkLimit) return r;
    }
    const RowCache& cache = cacheFor(parent);
    std::size_t i = std::size_t(node);
    if (i < rowOf_.size()) {
        int r = rowOf_[i];
        if (r >= 0 && std::size_t(r) < cache.children.size() &&
            cache.children[std::size_t(r)] == node)
            return r;
    }
    return tree_.row(node); // not reached while the caches follow the tree
}

NodeId LibraryItemModel::childAt(NodeId parent, int row) const {
    if (row < 0) return NoNode;
    auto it = caches_.find(parent);
    if (it == caches_.end() && row <= WalkLimit) {
        NodeId c = parent == NoNode ? tree_.first() : tree_.firstChild(parent);
        for (int i = 0; i < row && c != NoNode; ++i)
            c = tree_.nextSibling(c);
        return c;
    }
    const RowCache& cache = cacheFor(parent);
    return std::size_t(row) < cache.children.size() ? cache.children[std::size_t(row)] : NoNode;
}

int LibraryItemModel::countChildren(NodeId parent) const {
    auto it = caches_.find(parent);
    if (it != caches_.end()) return int(it->second.children.size());
    int n = 0;
    for (NodeId c = parent == NoNode ? tree_.first() : tree_.firstChild(parent); c != NoNode;
         c = tree_.nextSibling(c))
        if (++n > WalkLimit) return int(cacheFor(parent).children.size());
    return n;
}

QModelIndex LibraryItemModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || (parent.isValid() && parent.column() != 0)) return {};
    NodeId c = childAt(nodeFromIndex(parent), row);
    if (c == NoNode) return {};
    return createIndex(row, 0, quintptr(c));
}

QModelIndex LibraryItemModel::parent(const QModelIndex& child) const {
    NodeId n = nodeFromIndex(child);
    if (n == NoNode) return {};
    NodeId p = tree_.parent(n);
    if (p == NoNode) return {};
    return createIndex(rowOf(p), 0, quintptr(p));
}

int LibraryItemModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    return countChildren(nodeFromIndex(parent));
}

int LibraryItemModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool LibraryItemModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) return !tree_.empty();
    if (parent.column() != 0) return false;
    return tree_.hasChildren(nodeFromIndex(parent));
}

QString LibraryItemModel::displayName(std::string_view text) {
    if (text.size() <= DisplayLimit) return BytesToDisplay(text);
    // Never cut inside a UTF-8 sequence, or the prefix would read as Windows-1252.
    std::size_t cut = DisplayLimit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return BytesToDisplay(text.substr(0, cut)) + QChar(0x2026);
}

QVariant LibraryItemModel::data(const QModelIndex& index, int role) const {
    NodeId n = nodeFromIndex(index);
    if (n == NoNode) return {};
    switch (role) {
    case Qt::DisplayRole:
        return displayName(tree_.text(n));
    case Qt::EditRole:
        return BytesToDisplay(tree_.text(n));
    case Qt::DecorationRole:
        return kindIcon(tree_.kind(n));
    case Qt::ForegroundRole:
        if (n == dimmed_)
            return QBrush(QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text));
        return {};
    default:
        return {};
    }
}

bool LibraryItemModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    NodeId n = nodeFromIndex(index);
    if (n == NoNode || role != Qt::EditRole) return false;
    Q_EMIT renameRequested(n, value.toString());
    return true;
}

Qt::ItemFlags LibraryItemModel::flags(const QModelIndex& index) const {
    NodeId n = nodeFromIndex(index);
    if (n == NoNode) return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f =
        Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    if (isObjectKind(tree_.kind(n))) f |= Qt::ItemIsEditable;
    return f;
}

void LibraryItemModel::setDimmedNode(NodeId node) {
    if (node == dimmed_) return;
    QModelIndex old = indexFromNode(dimmed_);
    dimmed_ = node;
    if (old.isValid()) Q_EMIT dataChanged(old, old, {Qt::ForegroundRole});
    QModelIndex now = indexFromNode(dimmed_);
    if (now.isValid()) Q_EMIT dataChanged(now, now, {Qt::ForegroundRole});
}

Qt::DropActions LibraryItemModel::supportedDragActions() const {
    return Qt::MoveAction | Qt::CopyAction;
}

Qt::DropActions LibraryItemModel::supportedDropActions() const {
    return Qt::MoveAction | Qt::CopyAction;
}

QStringList LibraryItemModel::mimeTypes() const {
    return {QString::fromLatin1(MimeType)};
}

// The payload names the process and the model as well as the node, so a drag from
// another window or program is never taken for one of ours.
static QByteArray dragTag(const void* model) {
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
           QByteArray::number(quintptr(model), 16);
}

QMimeData* LibraryItemModel::mimeData(const QModelIndexList& indexes) const {
    for (const QModelIndex& i : indexes) {
        NodeId n = nodeFromIndex(i);
        if (n == NoNode) continue;
        auto* data = new QMimeData;
        data->setData(QString::fromLatin1(MimeType), dragTag(this) + ':' + QByteArray::number(n));
        return data;
    }
    return nullptr;
}

NodeId LibraryItemModel::draggedNode(const QMimeData* data) const {
    if (!data || !data->hasFormat(QString::fromLatin1(MimeType))) return NoNode;
    QByteArray payload = data->data(QString::fromLatin1(MimeType));
    QByteArray tag = dragTag(this) + ':';
    if (!payload.startsWith(tag)) return NoNode;
    bool ok = false;
    NodeId n = NodeId(payload.mid(tag.size()).toInt(&ok));
    if (!ok || n < 0 || !tree_.isValid(n) || !tree_.isAttached(n)) return NoNode;
    return n;
}

NodeId LibraryItemModel::dropTarget(int row, const QModelIndex& parent) const {
    // A drop onto an item comes with row -1; a drop between items names the item below
    // the indicator (or the last one at the end).
    NodeId p = nodeFromIndex(parent);
    if (row < 0) return p;
    NodeId c = childAt(p, row);
    if (c == NoNode) c = p == NoNode ? NoNode : tree_.lastChild(p);
    return c;
}

bool LibraryItemModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int row,
                                       int /*column*/, const QModelIndex& parent) const {
    if (!dropHandler_ || (action != Qt::MoveAction && action != Qt::CopyAction)) return false;
    NodeId dragged = draggedNode(data);
    NodeId target = dropTarget(row, parent);
    if (dragged == NoNode || target == NoNode) return false;
    return dropHandler_(dragged, target, false);
}

bool LibraryItemModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row,
                                    int column, const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent)) return false;
    return dropHandler_(draggedNode(data), dropTarget(row, parent), true);
}

// Tree notifications. Caches are dropped after the tree changed and before the end
// signal, so anything Qt asks from then on sees the new rows.

void LibraryItemModel::aboutToInsert(NodeId parent, int row) {
    if (resetDepth_ == 0) beginInsertRows(indexFromNode(parent), row, row);
    if (next_) next_->aboutToInsert(parent, row);
}

void LibraryItemModel::inserted(NodeId node) {
    invalidate(tree_.parent(node));
    // A freshly allocated node may reuse the id of a freed one whose rows were cached.
    invalidate(node);
    if (resetDepth_ == 0) endInsertRows();
    if (next_) next_->inserted(node);
}

void LibraryItemModel::aboutToRemove(NodeId node) {
    if (resetDepth_ == 0) {
        int r = rowOf(node);
        beginRemoveRows(indexFromNode(tree_.parent(node)), r, r);
    }
    if (dimmed_ != NoNode && tree_.isInSubtree(dimmed_, node)) dimmed_ = NoNode;
    if (next_) next_->aboutToRemove(node);
}

void LibraryItemModel::removed(NodeId parent, int row) {
    invalidate(parent);
    if (resetDepth_ == 0) endRemoveRows();
    if (next_) next_->removed(parent, row);
}

bool LibraryItemModel::aboutToMove(NodeId node, NodeId newParent, int newRow) {
    if (resetDepth_ > 0) return false;
    // The window's other observers take a move as it comes, or not at all.
    if (next_ && !next_->aboutToMove(node, newParent, newRow)) return false;
    const NodeId from = tree_.parent(node);
    const int r = rowOf(node);
    // Qt refuses a move onto the node's own place: the tree then reports it plainly.
    if (!beginMoveRows(indexFromNode(from), r, r, indexFromNode(newParent), newRow)) return false;
    movingFrom_ = from;
    return true;
}

void LibraryItemModel::moved(NodeId node) {
    invalidate(movingFrom_);
    invalidate(tree_.parent(node));
    movingFrom_ = NoNode;
    endMoveRows();
    if (next_) next_->moved(node);
}

void LibraryItemModel::changed(NodeId node) {
    // Undo replays kind changes of detached nodes too; those have no row.
    if (resetDepth_ == 0 && tree_.isValid(node) && tree_.isAttached(node)) {
        QModelIndex i = indexFromNode(node);
        Q_EMIT dataChanged(i, i);
    }
    if (next_) next_->changed(node);
}

void LibraryItemModel::aboutToReset() {
    if (resetDepth_++ == 0) {
        beginResetModel();
        if (next_) next_->aboutToReset();
    }
}

void LibraryItemModel::resetDone() {
    if (resetDepth_ == 0 || --resetDepth_ > 0) return;
    caches_.clear();
    rowOf_.clear();
    dimmed_ = NoNode;
    endResetModel();
    if (next_) next_->resetDone();
}

} // namespace brenvik
