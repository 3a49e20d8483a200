#pragma once

// The order of a spaced session, without widgets: the questions due, most overdue first,
// then the new ones of the day, and every question the session leaves in its learning or
// relearning steps once more when that step is due. The session asks next() after every
// visit and either asks the question it names, waits for the time it names, or ends.

#include "library/librarytree.h"
#include "srs/fsrs.h"

#include <deque>
#include <utility>
#include <vector>

namespace brenvik::srs {

class StudyHistory;

class SpacedQueue {
public:
    // A question in a learning step due more than this after the rest of the session has
    // been asked is left for a later session rather than waited for.
    static constexpr UnixSeconds WaitLimit = 20 * 60;

    struct Step {
        NodeId question = NoNode; // ask this one now
        UnixSeconds wait = 0;     // else, when not 0: nothing is due before this time
        bool done() const { return question == NoNode && wait == 0; }
    };

    SpacedQueue() = default;
    // `due`: the due questions with their due times, most overdue first; `fresh`: the new
    // questions to introduce, in the order to ask them.
    SpacedQueue(std::vector<std::pair<UnixSeconds, NodeId>> due, std::vector<NodeId> fresh);
    // The session of the subtree of `object` at `now`, as StudyHistory::dueList gives it.
    static SpacedQueue FromHistory(const StudyHistory& history, NodeId object, UnixSeconds now,
                                   int newPerDay);

    // What comes next at `now`: a learning question whose step is due goes before a due one
    // only when its due time is earlier; both go before the new ones.
    Step next(UnixSeconds now) const;
    // `question` (named by next()) is being asked: it leaves the queue.
    void take(NodeId question);
    // Its visit has ended. A graded question whose card is still in learning or relearning
    // comes back when `after.due` is reached; an ungraded one does not (its schedule did
    // not move, so it would be due at once again).
    void visited(NodeId question, bool graded, const Card& after);
    // The waiting question due first (NoNode: none), to ask ahead of its time.
    NodeId earliestWaiting() const;
    // Questions still to ask, the waiting ones included.
    int remaining() const { return int(due_.size() + fresh_.size() + waiting_.size()); }

private:
    std::deque<std::pair<UnixSeconds, NodeId>> due_;
    std::deque<NodeId> fresh_;
    std::vector<std::pair<UnixSeconds, NodeId>> waiting_; // due time, question
};

} // namespace brenvik::srs
