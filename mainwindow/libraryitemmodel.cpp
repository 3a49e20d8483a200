#include "mainwindow/libraryitemmodel.h"

#include "platform/svgicon.h"

#include "library/nodekind.h"
#include "library/textcodec.h"

#include <QBrush>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <array>

namespace brenvik {

namespace {

// Short sibling lists are walked; longer ones get a row cache.
constexpr int WalkLimit = 48;

// Draws the glyph of `kind` on a 16 by 16 grid.
void drawKindGlyph(QPainter& p, int kind) {
    const QColor ink(40, 40, 40);
    QPen pen(ink, 1.0);
    p.setPen(pen);
    auto book = [&p, &ink](QRectF r, QColor cover) {
        p.setBrush(cover);
        p.drawRect(r);
        p.setPen(QPen(QColor(250, 250, 240), 0.8));
        p.drawLine(QPointF(r.left() + 1.5, r.top() + 1), QPointF(r.left() + 1.5, r.bottom() - 1));
        p.setPen(QPen(ink, 1.0));
    };
    auto page = [&p](QColor fill) {
        QPainterPath path;
        path.moveTo(3.5, 1.5);
        path.lineTo(10.5, 1.5);
        path.lineTo(13.5, 4.5);
        path.lineTo(13.5, 14.5);
        path.lineTo(3.5, 14.5);
        path.closeSubpath();
        p.setBrush(fill);
        p.drawPath(path);
        p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
        p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
    };
    auto textLines = [&p](double left, double right, double top, int count, double step) {
        for (int i = 0; i < count; ++i)
            p.drawLine(QPointF(left, top + i * step), QPointF(right, top + i * step));
    };
    auto letter = [&p](const QString& s, QColor color, int pixel, bool bold) {
        QFont f = p.font();
        f.setPixelSize(pixel);
        f.setBold(bold);
        p.setFont(f);
        p.setPen(color);
        p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, s);
    };

    switch (kind) {
    case SystemRoot: // computer: screen on a stand
        p.setBrush(QColor(90, 140, 210));
        p.drawRect(QRectF(1.5, 2.5, 13, 9));
        p.setBrush(QColor(170, 170, 170));
        p.drawRect(QRectF(5.5, 11.5, 5, 1.5));
        p.drawRect(QRectF(3.5, 13.5, 9, 1.5));
        break;
    case Library: // bookshelf
        p.setBrush(QColor(150, 100, 50));
        p.drawRect(QRectF(0.5, 1.5, 15, 13));
        p.drawLine(QPointF(0.5, 8), QPointF(15.5, 8));
        p.setBrush(QColor(200, 60, 60));
        p.drawRect(QRectF(2, 3, 2, 4.5));
        p.setBrush(QColor(60, 120, 200));
        p.drawRect(QRectF(4.5, 3.5, 2, 4));
        p.setBrush(QColor(70, 160, 70));
        p.drawRect(QRectF(9, 9.5, 2, 4.5));
        p.setBrush(QColor(220, 180, 40));
        p.drawRect(QRectF(11.5, 9, 2, 5));
        break;
    case Set: // three books standing
        book(QRectF(1.5, 3.5, 4, 11), QColor(200, 60, 60));
        book(QRectF(6, 2.5, 4, 12), QColor(60, 120, 200));
        book(QRectF(10.5, 4.5, 4, 10), QColor(70, 160, 70));
        break;
    case Book:
        book(QRectF(3.5, 1.5, 9, 13), QColor(60, 110, 190));
        break;
    case Part: // open book
        p.setBrush(QColor(250, 250, 235));
        p.drawRect(QRectF(1.5, 3.5, 6.5, 10));
        p.drawRect(QRectF(8, 3.5, 6.5, 10));
        textLines(3, 6.5, 6, 3, 2.5);
        textLines(9.5, 13, 6, 3, 2.5);
        break;
    case Chapter: // page with bookmark
        page(QColor(255, 255, 255));
        textLines(5, 12, 6.5, 4, 2);
        p.setBrush(QColor(210, 40, 40));
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(5, 1, 2, 4));
        break;
    case Section: // page with a section sign
        page(QColor(255, 255, 240));
        letter(QStringLiteral("\u00a7"), QColor(30, 30, 120), 10, true);
        break;
    case Concept: // light bulb
        p.setBrush(QColor(255, 220, 60));
        p.drawEllipse(QRectF(3.5, 1.5, 9, 9));
        p.setBrush(QColor(150, 150, 150));
        p.drawRect(QRectF(6, 10.5, 4, 3));
        p.drawLine(QPointF(6.5, 14.5), QPointF(9.5, 14.5));
        break;
    case Question: // question mark in a disc
        p.setBrush(QColor(40, 130, 60));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        letter(QStringLiteral("?"), Qt::white, 12, true);
        break;
    case AnswerLine: // check mark
        p.setBrush(QColor(240, 240, 240));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setPen(QPen(QColor(20, 140, 40), 2.0));
        p.drawLine(QPointF(4, 8), QPointF(7, 11.5));
        p.drawLine(QPointF(7, 11.5), QPointF(12.5, 4));
        break;
    case NotesNode: // yellow note
        p.setBrush(QColor(255, 240, 120));
        p.drawRect(QRectF(2.5, 2.5, 11, 11));
        textLines(4.5, 11.5, 5.5, 3, 2.5);
        break;
    case QuotedLine: // quotation marks
        letter(QStringLiteral("\u201c\u201d"), QColor(60, 60, 60), 14, true);
        break;
    case TopLevelObject: // globe: another computer's tree
        p.setBrush(QColor(120, 190, 230));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(5, 1.5, 6, 13));
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        break;
    case FlagLine: // small flag
        p.drawLine(QPointF(3.5, 1.5), QPointF(3.5, 14.5));
        p.setBrush(QColor(220, 60, 60));
        p.drawRect(QRectF(3.5, 2.5, 9, 6));
        break;
    case LayoutLine: // grid of panes
        p.setBrush(QColor(230, 230, 250));
        p.drawRect(QRectF(1.5, 3.5, 13, 9));
        p.drawLine(QPointF(6, 3.5), QPointF(6, 12.5));
        p.drawLine(QPointF(10.5, 3.5), QPointF(10.5, 12.5));
        break;
    case PaneNode: // one framed window
        p.setBrush(QColor(255, 255, 255));
        p.drawRect(QRectF(2.5, 2.5, 11, 11));
        p.setBrush(QColor(90, 140, 210));
        p.drawRect(QRectF(2.5, 2.5, 11, 3));
        break;
    case SpokenTextNode: // speaker
    {
        p.setBrush(QColor(80, 80, 80));
        QPolygonF cone;
        cone << QPointF(2, 6) << QPointF(5, 6) << QPointF(9, 2.5) << QPointF(9, 13.5)
             << QPointF(5, 10) << QPointF(2, 10);
        p.drawPolygon(cone);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(8, 4.5, 5, 7), -60 * 16, 120 * 16);
        p.drawArc(QRectF(8, 2, 8, 12), -60 * 16, 120 * 16);
        break;
    }
    case SettingsNode: // gear
    {
        p.setBrush(QColor(130, 130, 140));
        QPolygonF gear;
        for (int i = 0; i < 16; ++i) {
            double a = i * 3.14159265358979 / 8;
            double r = (i % 2 == 0) ? 7.0 : 5.0;
            gear << QPointF(8 + r * std::cos(a), 8 + r * std::sin(a));
        }
        p.drawPolygon(gear);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8, 8), 2, 2);
        break;
    }
    case FontLine:
        letter(QStringLiteral("A"), QColor(30, 30, 160), 14, false);
        break;
    case TextChoiceLine:
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        letter(QStringLiteral("T"), QColor(20, 20, 20), 11, true);
        break;
    case ImageChoiceLine: // landscape picture
    {
        p.setBrush(QColor(150, 200, 240));
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        p.setBrush(QColor(60, 150, 60));
        QPolygonF hill;
        hill << QPointF(2, 13) << QPointF(6.5, 7) << QPointF(9.5, 10) << QPointF(11.5, 8)
             << QPointF(14, 13);
        p.drawPolygon(hill);
        p.setBrush(QColor(250, 210, 40));
        p.drawEllipse(QPointF(11.5, 5), 1.5, 1.5);
        break;
    }
    case WebsiteChoiceLine: // browser window with "www"
        p.setBrush(Qt::white);
        p.drawRect(QRectF(0.5, 2.5, 15, 11));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(0.5, 2.5, 15, 3));
        letter(QStringLiteral("w"), QColor(30, 80, 180), 9, true);
        break;
    case BackgroundColorLine: // colour swatches
        p.setBrush(QColor(220, 50, 50));
        p.drawRect(QRectF(1.5, 1.5, 6, 6));
        p.setBrush(QColor(50, 170, 60));
        p.drawRect(QRectF(8.5, 1.5, 6, 6));
        p.setBrush(QColor(50, 90, 210));
        p.drawRect(QRectF(1.5, 8.5, 6, 6));
        p.setBrush(QColor(250, 210, 40));
        p.drawRect(QRectF(8.5, 8.5, 6, 6));
        break;
    case FileLine: // folder
    {
        p.setBrush(QColor(235, 190, 80));
        QPolygonF folder;
        folder << QPointF(1.5, 3.5) << QPointF(6, 3.5) << QPointF(7.5, 5) << QPointF(14.5, 5)
               << QPointF(14.5, 13.5) << QPointF(1.5, 13.5);
        p.drawPolygon(folder);
        break;
    }
    case AddressLine: // at sign
        letter(QStringLiteral("@"), QColor(30, 80, 180), 13, true);
        break;
    case ProportionsNode: // ruler with ticks
        p.setBrush(QColor(240, 220, 150));
        p.drawRect(QRectF(0.5, 5.5, 15, 5));
        for (int x = 2; x < 15; x += 2)
            p.drawLine(QPointF(x + 0.5, 5.5), QPointF(x + 0.5, x % 4 == 0 ? 9 : 7.5));
        break;
    default:
        break;
    }
}

QPixmap renderKind(int kind, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / 16.0, size / 16.0);
    drawKindGlyph(p, kind);
    return pm;
}

} // namespace

QIcon kindIcon(int kind) {
    static const std::array<QIcon, NodeKindCount> icons = [] {
        std::array<QIcon, NodeKindCount> all;
        for (int k = 0; k < NodeKindCount; ++k) {
            // The objects and notes come from the SVG resources, shared with the panels.
            all[k] = SvgIcon(QStringLiteral("kind-%1").arg(k));
            if (!all[k].isNull()) continue;
            all[k].addPixmap(renderKind(k, 16));
            all[k].addPixmap(renderKind(k, 32));
        }
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

QVariant LibraryItemModel::data(const QModelIndex& index, int role) const {
    NodeId n = nodeFromIndex(index);
    if (n == NoNode) return {};
    switch (role) {
    case Qt::DisplayRole:
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
                                       int column, const QModelIndex& parent) const {
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
