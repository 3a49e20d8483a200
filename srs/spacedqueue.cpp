#include "srs/spacedqueue.h"

#include "srs/history.h"

#include <algorithm>

namespace brenvik::srs {

SpacedQueue::SpacedQueue(std::vector<std::pair<UnixSeconds, NodeId>> due, std::vector<NodeId> fresh)
    : due_(due.begin(), due.end()), fresh_(fresh.begin(), fresh.end()) {}

SpacedQueue SpacedQueue::FromHistory(const StudyHistory& history, NodeId object, UnixSeconds now,
                                     int newPerDay) {
    const DueList list = history.dueList(object, now, newPerDay);
    std::vector<std::pair<UnixSeconds, NodeId>> due;
    due.reserve(list.due.size());
    for (NodeId q : list.due)
        due.emplace_back(history.card(q).due, q);
    return SpacedQueue(std::move(due), list.fresh);
}

SpacedQueue::Step SpacedQueue::next(UnixSeconds now) const {
    const auto earliest = std::min_element(waiting_.begin(), waiting_.end());
    const bool learningDue = earliest != waiting_.end() && earliest->first <= now;
    Step step;
    if (!due_.empty() && !(learningDue && earliest->first < due_.front().first)) {
        step.question = due_.front().second;
    } else if (learningDue) {
        step.question = earliest->second;
    } else if (!fresh_.empty()) {
        step.question = fresh_.front();
    } else if (earliest != waiting_.end() && earliest->first <= now + WaitLimit) {
        step.wait = earliest->first;
    }
    return step;
}

void SpacedQueue::take(NodeId question) {
    if (!due_.empty() && due_.front().second == question) {
        due_.pop_front();
        return;
    }
    if (!fresh_.empty() && fresh_.front() == question) {
        fresh_.pop_front();
        return;
    }
    const auto w = std::find_if(waiting_.begin(), waiting_.end(),
                                [question](const auto& e) { return e.second == question; });
    if (w != waiting_.end()) waiting_.erase(w);
}

void SpacedQueue::visited(NodeId question, bool graded, const Card& after) {
    if (!graded) return;
    if (after.phase != Phase::Learning && after.phase != Phase::Relearning) return;
    waiting_.emplace_back(after.due, question);
}

NodeId SpacedQueue::earliestWaiting() const {
    const auto earliest = std::min_element(waiting_.begin(), waiting_.end());
    return earliest == waiting_.end() ? NoNode : earliest->second;
}

} // namespace brenvik::srs
