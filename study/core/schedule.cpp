#include "study/core/schedule.h"

#include <utility>

namespace brenvik {

namespace {
constexpr int ImprintRepeats = 10;
constexpr int FlashRepeats = 5;
} // namespace

int RandomGenerator::NextRandom() {
    state_ = state_ * 22695477u + 1u;
    return static_cast<int>((state_ >> 16) & 32767u);
}

std::vector<NodeId> BuildImprintList(const std::vector<NodeId>& questions, bool alternate) {
    std::vector<NodeId> list;
    list.reserve(questions.size() * ImprintRepeats);
    std::size_t i = 0;
    if (alternate) {
        for (; i + 1 < questions.size(); i += 2)
            for (int r = 0; r < ImprintRepeats; ++r) {
                list.push_back(questions[i]);
                list.push_back(questions[i + 1]);
            }
    }
    // Without alternation every question, with it only an odd last one, stands alone.
    for (; i < questions.size(); ++i)
        list.insert(list.end(), ImprintRepeats, questions[i]);
    return list;
}

std::vector<NodeId> BuildFlashList(const std::vector<NodeId>& questions, RandomGenerator& random) {
    std::vector<NodeId> list;
    list.reserve(questions.size() * FlashRepeats);
    for (int r = 0; r < FlashRepeats; ++r)
        list.insert(list.end(), questions.begin(), questions.end());
    const std::size_t m = list.size();
    // With one entry every draw lands on position 0, so there is nothing to exchange.
    if (m > 1) {
        for (std::size_t i = 0; i < m; ++i) {
            std::size_t j;
            do {
                j = static_cast<std::size_t>(random.NextRandom()) % m;
            } while (j == i);
            std::swap(list[i], list[j]);
        }
    }
    for (std::size_t i = 0; i + 2 < m; ++i)
        if (list[i] == list[i + 1]) std::swap(list[i + 1], list[i + 2]);
    return list;
}

std::vector<NodeId> BuildReviewList(const std::vector<NodeId>& questions) {
    return questions;
}

} // namespace brenvik
