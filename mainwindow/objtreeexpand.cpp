// The tree view's "*" key: expanding below a row, bounded so a big part never freezes the
// window.
#include "mainwindow/busywork.h"
#include "mainwindow/fmain.h"
#include "mainwindow/libraryitemmodel.h"

#include <QKeyEvent>
#include <deque>

namespace brenvik {

void ObjTreeView::keyPressEvent(QKeyEvent* event) {
    // Qt's own "*" expands every descendant: millions of rows on a big library.
    if (event->key() == Qt::Key_Asterisk && state() != EditingState && currentIndex().isValid()) {
        expandBelow(currentIndex());
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void ObjTreeView::expandBelow(const QModelIndex& index) {
    auto* libraryModel = qobject_cast<LibraryItemModel*>(model());
    if (!libraryModel) return;
    const LibraryTree& tree = libraryModel->tree();
    const NodeId start = libraryModel->nodeFromIndex(index);
    if (start == NoNode) return;
    BusyWork busy(window(), QStringLiteral("Expanding..."));
    // Level by level, nearest first, while the rows made visible fit the budget: the
    // outline of a big part opens, its hundred thousand questions stay folded.
    std::deque<NodeId> pending{start};
    int shown = 0;
    while (!pending.empty()) {
        const NodeId n = pending.front();
        pending.pop_front();
        const int rows = tree.childCount(n);
        if (n != start && shown + rows > ExpandBudget) break;
        shown += rows;
        expand(libraryModel->indexFromNode(n));
        busy.step();
        for (NodeId c = tree.firstChild(n); c != NoNode; c = tree.nextSibling(c))
            if (tree.hasChildren(c)) pending.push_back(c);
    }
}

} // namespace brenvik
