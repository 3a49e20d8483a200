#pragma once

#include "library/librarytree.h"

#include <QItemSelectionModel>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <functional>
#include <unordered_set>
#include <vector>

namespace brenvik {

class LibraryItemModel;
class TFormMain;

// Selection model of the tree view that asks the window before the selection moves, so
// an open editor keeps its object selected.
class GuardedSelectionModel : public QItemSelectionModel {
    Q_OBJECT
public:
    GuardedSelectionModel(QAbstractItemModel* model, std::function<bool()> mayChange);
    void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override;
    void select(const QModelIndex& index, SelectionFlags command) override;
    void select(const QItemSelection& selection, SelectionFlags command) override;
    // Programmatic selection by the window itself bypasses the question.
    void setBypass(bool bypass) { bypass_ = bypass; }

private:
    bool allowed(const QModelIndex& target);
    std::function<bool()> mayChange_;
    bool bypass_ = false;
    bool asking_ = false;
    QPersistentModelIndex refused_;
};

// Draws the node being dragged in the cut style while its drop is accepted.
class CutStyleDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    CutStyleDelegate(const LibraryItemModel& model, QObject* parent);
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    // The in-place rename edits the whole name; a name over EditLimit characters gets no
    // editor.
    static constexpr int EditLimit = 2'000'000;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;

private:
    const LibraryItemModel& model_;
};

// The tree view `TVObjs`: in-place rename only when the window allows it, right click
// selects and opens the pop-up menu, the dimmed style follows an accepted drag, and rows
// the user expanded open again when they come back (a move, an undone delete).
class ObjTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit ObjTreeView(TFormMain& main, QWidget* parent = nullptr);
    void setModel(QAbstractItemModel* model) override;

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    // "*" expands below the current row as far as a reader can take in (ExpandBudget rows
    // made visible), never the whole of a big part at once.
    void keyPressEvent(QKeyEvent* event) override;

public:
    static constexpr int ExpandBudget = 5000;
    void expandBelow(const QModelIndex& index);

private:
    void rememberExpanded(const QModelIndex& index, bool expanded);
    void reexpandInserted(const QModelIndex& parent, int first, int last);

    TFormMain& main_;
    std::unordered_set<NodeId> expanded_; // the nodes the user has expanded
    std::vector<QMetaObject::Connection> modelConnections_;
};

} // namespace brenvik
