#pragma once

#include "library/librarytree.h"

#include <cstdint>
#include <vector>

namespace brenvik {

// The program's pseudo-random generator: state x 22695477 + 1 (mod 2^32), returning bits
// 16..30 (0..32767). One instance lives for the whole run; the main window stirs it every
// 200 ms, so shuffles depend on how long the program has been running.
class RandomGenerator {
public:
    int NextRandom();
    std::uint32_t state() const { return state_; }
    void setState(std::uint32_t s) { state_ = s; }

private:
    std::uint32_t state_ = 1;
};

// Imprint: each question ten times in a row, or (alternate) pairs interleaved ten times each,
// an odd last question ten times on its own. 10n entries.
std::vector<NodeId> BuildImprintList(const std::vector<NodeId>& questions, bool alternate);
// Flash: the list five times, shuffled with `random`, then neighbours separated once.
// 5n entries, each question exactly five times.
std::vector<NodeId> BuildFlashList(const std::vector<NodeId>& questions, RandomGenerator& random);
// Review: each question once, in tree order.
std::vector<NodeId> BuildReviewList(const std::vector<NodeId>& questions);

} // namespace brenvik
