// The order a session visits its questions in, and the program's random generator.
#include "study/core/schedule.h"

#include <gtest/gtest.h>

#include <map>
#include <numeric>

using namespace brenvik;

namespace {

using Ids = std::vector<NodeId>;

Ids Questions(int n) {
    Ids q(n);
    std::iota(q.begin(), q.end(), 100);
    return q;
}

std::map<NodeId, int> Counts(const Ids& list) {
    std::map<NodeId, int> counts;
    for (NodeId n : list)
        ++counts[n];
    return counts;
}

Ids Repeat(const Ids& pattern, int times) {
    Ids out;
    for (int i = 0; i < times; ++i)
        out.insert(out.end(), pattern.begin(), pattern.end());
    return out;
}

Ids Concat(Ids a, const Ids& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(Schedule, TheGeneratorsFirstValuesFromStateOne) {
    RandomGenerator g;
    EXPECT_EQ(g.state(), 1u);
    std::vector<int> values;
    for (int i = 0; i < 6; ++i)
        values.push_back(g.NextRandom());
    // state x 22695477 + 1 mod 2^32, bits 16..30, worked out by hand from state 1.
    EXPECT_EQ(values, (std::vector<int>{346, 130, 10982, 1090, 11656, 7117}));
    g.setState(0xFFFFFFFFu); // wraps modulo 2^32: 0xFFFFFFFF x 22695477 + 1 = -22695476
    EXPECT_EQ(g.NextRandom(), int(((0u - 22695476u) >> 16) & 32767u));
    for (int i = 0; i < 10000; ++i) {
        const int v = g.NextRandom();
        ASSERT_TRUE(v >= 0 && v <= 32767) << v;
    }
}

TEST(Schedule, ImprintRepeatsInPlaceOrInterleavesPairs) {
    const Ids one = Questions(1), two = Questions(2), three = Questions(3), four = Questions(4);
    EXPECT_EQ(BuildImprintList(one, true), Repeat({100}, 10));
    EXPECT_EQ(BuildImprintList(one, false), Repeat({100}, 10));
    EXPECT_EQ(BuildImprintList(two, false), Concat(Repeat({100}, 10), Repeat({101}, 10)));
    EXPECT_EQ(BuildImprintList(two, true), Repeat({100, 101}, 10));
    // An odd last question has no partner: ten times on its own after the pairs.
    const Ids odd = BuildImprintList(three, true);
    EXPECT_EQ(odd.size(), 30u);
    EXPECT_EQ(odd, Concat(Repeat({100, 101}, 10), Repeat({102}, 10)));
    EXPECT_EQ(BuildImprintList(four, true), Concat(Repeat({100, 101}, 10), Repeat({102, 103}, 10)));
    EXPECT_TRUE(BuildImprintList({}, true).empty());
}

TEST(Schedule, ReviewVisitsEachQuestionOnceInTreeOrder) {
    EXPECT_EQ(BuildReviewList(Questions(7)), Questions(7));
}

TEST(Schedule, FlashVisitsEveryQuestionFiveTimes) {
    for (int n : {1, 2, 3, 7, 64, 10000}) {
        RandomGenerator g;
        const Ids list = BuildFlashList(Questions(n), g);
        ASSERT_EQ(list.size(), std::size_t(5 * n)) << n;
        const auto counts = Counts(list);
        ASSERT_EQ(counts.size(), std::size_t(n));
        for (const auto& [q, c] : counts)
            ASSERT_EQ(c, 5) << "question " << q << " of " << n;
    }
    RandomGenerator g;
    EXPECT_EQ(BuildFlashList(Questions(1), g), Repeat({100}, 5));
    EXPECT_TRUE(BuildFlashList({}, g).empty());
}

TEST(Schedule, FlashShufflesAndSessionsContinueOneSequence) {
    const Ids q = Questions(10);
    RandomGenerator shared;
    const Ids first = BuildFlashList(q, shared);
    EXPECT_NE(first, Repeat(q, 5)); // shuffled
    const Ids second = BuildFlashList(q, shared);

    // A fresh generator repeats the first session; the shared one has moved on.
    RandomGenerator fresh1, fresh2;
    EXPECT_EQ(BuildFlashList(q, fresh1), first);
    EXPECT_EQ(BuildFlashList(q, fresh2), first);
    EXPECT_NE(second, first);
    EXPECT_EQ(fresh1.state(), fresh2.state());
    EXPECT_NE(fresh1.state(), 1u);

    // The stirring of the generator between sessions changes the shuffle.
    RandomGenerator stirred;
    stirred.NextRandom();
    EXPECT_NE(BuildFlashList(q, stirred), first);
}
