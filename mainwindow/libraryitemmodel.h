#pragma once

#include "library/librarytree.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace brenvik {

// The icon of a node kind (0..25), drawn once on first use; an empty icon for other
// values. The toolbar and menus use it too. Needs a QGuiApplication.
QIcon kindIcon(int kind);

// Tree view model over the one LibraryTree: no copy of the tree, the NodeId is the
// index's internalId, one column. It observes the tree (setObserver) so every edit,
// undo replay, load or clear reaches the view as the matching begin/end signals; other
// parties that want the same notifications chain behind it with setNextObserver.
//
// Renames and drops do not change the tree here: setData(EditRole) emits
// renameRequested and drops go to the window's DropHandler, so every change runs
// through the window's undo-recorded commands. The view's own drag-move removal is
// refused (removeRows is not implemented), so attribute nodes never move by themselves.
//
// Rows: sibling lists are linked, so row lookups walk; a parent with many children gets
// a row cache (dropped on every structural change under that parent), which keeps a
// concept with 10,000 questions fast to scroll.
//
// The tree must outlive the model: the destructor hands the tree's observer slot back to
// the chained observer. An owner that holds the tree as a member deletes the model in its
// own destructor, before the members go.
class LibraryItemModel : public QAbstractItemModel, private TreeObserver {
    Q_OBJECT
public:
    // Decides a drop of `dragged` onto `target`: with perform false it only answers
    // whether the drop is accepted (drag over); with perform true it carries it out and
    // answers whether anything was done.
    using DropHandler = std::function<bool(NodeId dragged, NodeId target, bool perform)>;

    static constexpr const char* MimeType = "application/x-brenvik-node";

    explicit LibraryItemModel(LibraryTree& tree, QObject* parent = nullptr);
    ~LibraryItemModel() override;

    // The display role shows at most this many bytes of a name, then "…": the view
    // measures and draws the shown text, and a name of hundreds of megabytes would keep
    // it busy for minutes. The edit role (in-place rename) gives the whole name.
    static constexpr std::size_t DisplayLimit = 4000;
    static QString displayName(std::string_view text);

    LibraryTree& tree() const { return tree_; }
    // NoNode for an invalid index.
    NodeId nodeFromIndex(const QModelIndex& index) const;
    // An invalid index for NoNode or a node that is not attached.
    QModelIndex indexFromNode(NodeId node) const;

    void setDropHandler(DropHandler handler) { dropHandler_ = std::move(handler); }
    // Receives every tree notification after the model has handled it (e.g. the
    // document's modified watcher). Not owned.
    void setNextObserver(TreeObserver* next) { next_ = next; }
    // The node drawn in the dimmed (cut) style while a drop onto it is accepted;
    // NoNode for none.
    void setDimmedNode(NodeId node);
    NodeId dimmedNode() const { return dimmed_; }

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

    // The node a drag carries, or NoNode when the data is not from this model.
    NodeId draggedNode(const QMimeData* data) const;

Q_SIGNALS:
    // The user finished an in-place edit of `node`'s label with `text`.
    void renameRequested(brenvik::NodeId node, const QString& text);

private:
    // TreeObserver
    void aboutToInsert(NodeId parent, int row) override;
    void inserted(NodeId node) override;
    void aboutToRemove(NodeId node) override;
    void removed(NodeId parent, int row) override;
    void changed(NodeId node) override;
    bool aboutToMove(NodeId node, NodeId newParent, int newRow) override;
    void moved(NodeId node) override;
    void aboutToReset() override;
    void resetDone() override;

    struct RowCache {
        std::vector<NodeId> children;
    };
    int rowOf(NodeId node) const;
    NodeId childAt(NodeId parent, int row) const;
    int countChildren(NodeId parent) const;
    const RowCache& cacheFor(NodeId parent) const;
    void invalidate(NodeId parent);
    NodeId dropTarget(int row, const QModelIndex& parent) const;

    LibraryTree& tree_;
    TreeObserver* next_ = nullptr;
    NodeId movingFrom_ = NoNode; // the old parent of the node being moved
    DropHandler dropHandler_;
    NodeId dimmed_ = NoNode;
    int resetDepth_ = 0;
    mutable std::unordered_map<NodeId, RowCache> caches_; // key NoNode: top level
    mutable std::vector<int> rowOf_;                      // valid for cached parents
};

} // namespace brenvik
