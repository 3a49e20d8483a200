#include "library/undostore.h"

#include "library/nodekind.h"

#include <algorithm>

namespace brenvik {

UndoStore::UndoStore(LibraryTree& tree, QObject* parent)
    : QObject(parent), tree_(tree), generation_(tree.generation()) {}

UndoStore::~UndoStore() = default;

void UndoStore::dropStale() {
    if (!stale()) return;
    // The tree was cleared: every id the points hold is gone, so nothing to free.
    bool had = !undo_.empty() || !redo_.empty();
    undo_.clear();
    redo_.clear();
    opCount_ = 0;
    generation_ = tree_.generation();
    if (had) Q_EMIT changed();
}

void UndoStore::settleOpen() {
    if (!open_) return;
    open_ = false;
    if (!tree_.journaling()) return;
    Journal j = tree_.takeJournal();
    if (!j.empty()) push(std::move(j), QStringLiteral("change"));
}

void UndoStore::SaveUndoState() {
    dropStale();
    settleOpen();
    tree_.beginJournal();
    open_ = true;
}

void UndoStore::SetUndoLabel(const QString& label) {
    dropStale();
    if (!open_) return;
    open_ = false;
    if (!tree_.journaling()) return;
    Journal j = tree_.takeJournal();
    if (!j.empty()) push(std::move(j), label);
}

void UndoStore::CancelUndoState() {
    dropStale();
    if (!open_) return;
    open_ = false;
    if (!tree_.journaling()) return;
    const Journal j = tree_.takeJournal();
    if (j.empty()) return;
    tree_.undo(j);
    tree_.discard(j, true);
}

void UndoStore::push(Journal&& journal, const QString& label) {
    dropRedo();
    opCount_ += journal.ops.size();
    undo_.push_back({std::move(journal), label});
    enforceLimits();
    Q_EMIT changed();
}

void UndoStore::dropRedo() {
    for (const Point& p : redo_) {
        tree_.discard(p.journal, true);
        opCount_ -= p.journal.ops.size();
    }
    redo_.clear();
}

void UndoStore::enforceLimits() {
    while (undo_.size() > 1 && (int(undo_.size()) > maxPoints_ || opCount_ > maxOps_)) {
        tree_.discard(undo_.front().journal, false);
        opCount_ -= undo_.front().journal.ops.size();
        undo_.pop_front();
    }
}

bool UndoStore::canUndo() const {
    return !stale() && !undo_.empty();
}

bool UndoStore::canRedo() const {
    return !stale() && !redo_.empty();
}

QString UndoStore::undoLabel() const {
    return canUndo() ? undo_.back().label : QString();
}

QString UndoStore::redoLabel() const {
    return canRedo() ? redo_.back().label : QString();
}

QString UndoStore::undoHint() const {
    return canUndo() ? QStringLiteral("Undo ") + undo_.back().label : QStringLiteral("Undo");
}

QString UndoStore::redoHint() const {
    return canRedo() ? QStringLiteral("Redo ") + redo_.back().label : QStringLiteral("Redo");
}

int UndoStore::undoCount() const {
    return stale() ? 0 : int(undo_.size());
}

NodeId UndoStore::selectionAfter(const Journal& journal) const {
    if (journal.empty()) return NoNode;
    const JournalOp& op = journal.ops.front();
    NodeId n = NoNode;
    if (tree_.isValid(op.node) && tree_.isAttached(op.node))
        n = op.node;
    else if ((op.type == JournalOp::Attach || op.type == JournalOp::Detach) &&
             op.parent != NoNode && tree_.isValid(op.parent) && tree_.isAttached(op.parent))
        n = op.parent;
    // Attribute nodes are shown through their object.
    while (n != NoNode && !isObjectKind(tree_.kind(n)))
        n = tree_.parent(n);
    return n;
}

NodeId UndoStore::replay(std::deque<Point>& from, std::deque<Point>& to, bool backwards) {
    dropStale();
    settleOpen();
    if (from.empty()) return NoNode;
    Point p = std::move(from.back());
    from.pop_back();
    if (backwards)
        tree_.undo(p.journal);
    else
        tree_.redo(p.journal);
    NodeId select = selectionAfter(p.journal);
    to.push_back(std::move(p));
    Q_EMIT changed();
    return select;
}

NodeId UndoStore::undo() {
    return replay(undo_, redo_, true);
}

NodeId UndoStore::redo() {
    return replay(redo_, undo_, false);
}

void UndoStore::clear() {
    if (open_ && tree_.journaling()) tree_.takeJournal();
    open_ = false;
    if (stale()) {
        dropStale();
        return;
    }
    bool had = !undo_.empty() || !redo_.empty();
    dropRedo();
    while (!undo_.empty()) {
        tree_.discard(undo_.front().journal, false);
        undo_.pop_front();
    }
    opCount_ = 0;
    if (had) Q_EMIT changed();
}

void UndoStore::setLimits(int maxPoints, std::size_t maxOps) {
    maxPoints_ = maxPoints < 1 ? 1 : maxPoints;
    maxOps_ = maxOps;
    if (!stale()) enforceLimits();
    Q_EMIT changed();
}

} // namespace brenvik
