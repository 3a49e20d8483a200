#pragma once

#include "library/librarytree.h"

#include <QObject>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <deque>

namespace brenvik {

// Undo and redo of the tree commands, built on the tree's journal: a point holds the
// primitive edits one command made, so its cost follows the size of the change, never
// the size of the library.
//
// A command records its change through an UndoRecording (below). SaveUndoState() and
// SetUndoLabel(label) are the same pair for the editors, whose save spans their own
// code: the first right before the change, the second right after. A point is pushed
// only when the command recorded edits, so a command that changes nothing leaves no
// point. A recording that is still open when the next SaveUndoState (or undo/redo)
// comes is kept as a point labelled "change" when it holds edits, and dropped otherwise.
//
// Pushing a point drops the redo points. The store is bounded by a number of points and
// a total number of edits; the oldest points go first (the newest is always kept).
// When the tree is cleared (a load or a new library, see LibraryTree::generation) the
// points are gone; clear() drops them explicitly.
class UndoStore : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultMaxPoints = 100;
    static constexpr std::size_t DefaultMaxOps = 2'000'000;

    explicit UndoStore(LibraryTree& tree, QObject* parent = nullptr);
    ~UndoStore() override;

    void SaveUndoState();
    void SetUndoLabel(const QString& label);
    // Ends the open recording without a point, putting back what it recorded.
    void CancelUndoState();

    bool canUndo() const;
    bool canRedo() const;
    QString undoLabel() const; // empty when nothing to undo
    QString redoLabel() const;
    QString undoHint() const; // "Undo " + label, or "Undo" when nothing to undo
    QString redoHint() const;

    // Replay the newest point backwards / forwards. Return the object node to select
    // afterwards (the restored or changed object, else the parent of an added or removed
    // one), or NoNode when nothing was done or nothing fitting is attached.
    NodeId undo();
    NodeId redo();

    void clear();
    void setLimits(int maxPoints, std::size_t maxOps);
    int undoCount() const;
    std::size_t opCount() const { return opCount_; } // edits held by all points

Q_SIGNALS:
    // Whether undo/redo are possible or their labels may have changed.
    void changed();

private:
    struct Point {
        Journal journal;
        QString label;
    };
    bool stale() const { return generation_ != tree_.generation(); }
    void dropStale();
    void settleOpen();
    void push(Journal&& journal, const QString& label);
    void dropRedo();
    void enforceLimits();
    NodeId selectionAfter(const Journal& journal) const;
    // Replays the newest point of `from` backwards (undo) or forwards (redo) and moves it
    // onto `to`.
    NodeId replay(std::deque<Point>& from, std::deque<Point>& to, bool backwards);

    LibraryTree& tree_;
    std::deque<Point> undo_;
    std::deque<Point> redo_; // back = next to redo
    std::size_t opCount_ = 0;
    int maxPoints_ = DefaultMaxPoints;
    std::size_t maxOps_ = DefaultMaxOps;
    std::uint64_t generation_ = 0;
    bool open_ = false; // SaveUndoState ran, SetUndoLabel not yet
};

// One command's undo point, as a scope: opened when made, before the change; commit()
// labels and closes it after the change. Left without commit (the command failed or
// stopped early) it leaves no point, and whatever the command had already changed is put
// back, so the tree never holds an edit that undo cannot reach. `Recorder` is anything with
// SaveUndoState, SetUndoLabel and CancelUndoState: the store itself, or the main window
// the editors reach through MainCommands.
template <class Recorder> class UndoScopeOf {
public:
    explicit UndoScopeOf(Recorder& recorder) : recorder_(recorder) { recorder_.SaveUndoState(); }
    ~UndoScopeOf() {
        if (!closed_) recorder_.CancelUndoState();
    }
    UndoScopeOf(const UndoScopeOf&) = delete;
    UndoScopeOf& operator=(const UndoScopeOf&) = delete;

    void commit(const QString& label) {
        if (closed_) return;
        closed_ = true;
        recorder_.SetUndoLabel(label);
    }

private:
    Recorder& recorder_;
    bool closed_ = false;
};

using UndoRecording = UndoScopeOf<UndoStore>;

} // namespace brenvik
