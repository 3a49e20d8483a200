// The spaced session's order and its settings, without widgets.
#include "srs/spacedoptions.h"
#include "srs/spacedqueue.h"

#include <gtest/gtest.h>

using namespace brenvik;
using namespace brenvik::srs;

namespace {

constexpr UnixSeconds T = 1800000000;
constexpr NodeId A = 11, B = 12, C = 13, N1 = 21;

Card Learning(UnixSeconds due) {
    Card c;
    c.phase = Phase::Learning;
    c.due = due;
    return c;
}

// Asks what next() names and takes it; NoNode when it names a wait or the end.
NodeId Ask(SpacedQueue& q, UnixSeconds now) {
    const SpacedQueue::Step s = q.next(now);
    if (s.question != NoNode) q.take(s.question);
    return s.question;
}

TEST(SpacedQueue, ALearningStepComesBackWhenDueBeforeNewOnesAndAfterEarlierDueOnes) {
    SpacedQueue q({{T - 100, A}, {T + 50, B}}, {N1});
    EXPECT_EQ(Ask(q, T), A);
    q.visited(A, true, Learning(T + 60)); // Again: a minute
    // B (due at T + 50) is asked at T + 50, the step of A not yet due.
    EXPECT_EQ(Ask(q, T + 50), B);
    // Seen, not graded: its step did not move, so it does not come back.
    q.visited(B, false, Learning(T + 55));
    // The step is due: before the new question.
    EXPECT_EQ(Ask(q, T + 70), A);
    q.visited(A, true, Learning(T + 70 + 600));
    EXPECT_EQ(Ask(q, T + 80), N1);
    q.visited(N1, true, Learning(T + 80 + 60));
    // Nothing due now: wait for the earliest step, and ask that one ahead when asked to.
    SpacedQueue::Step s = q.next(T + 90);
    EXPECT_EQ(s.question, NoNode);
    EXPECT_EQ(s.wait, T + 140);
    EXPECT_EQ(q.earliestWaiting(), N1);
    EXPECT_EQ(Ask(q, T + 140), N1);
    q.visited(N1, true, Card{Phase::Review});
    EXPECT_EQ(q.next(T + 150).wait, T + 670);
    EXPECT_EQ(q.remaining(), 1);
}

TEST(SpacedQueue, AStepDueBeforeAnOverdueQuestionGoesFirstAndAFarOneEndsTheSession) {
    SpacedQueue q({{T - 500, A}}, {});
    q.visited(C, true, Learning(T - 600)); // from a visit of this session, due earlier
    EXPECT_EQ(Ask(q, T), C);
    q.visited(C, true, Card{Phase::Relearning, 0, 1, 5, T, T + SpacedQueue::WaitLimit + 61});
    EXPECT_EQ(Ask(q, T), A);
    q.visited(A, true, Card{Phase::Review});
    // Its step lies beyond the wait limit: left for a later session.
    EXPECT_TRUE(q.next(T + 60).done());
    EXPECT_EQ(q.earliestWaiting(), C);
}

TEST(SpacedOptions, TextsAreReadIntoTheSchedulerAndRefusedOnesPutRight) {
    const SpacedSettings d = ReadSpacedOptions(SpacedOptions::defaults(), QLocale::c());
    EXPECT_FALSE(d.replaced);
    EXPECT_EQ(d.scheduler.learningSteps, (std::vector<int>{1, 10}));
    EXPECT_EQ(d.scheduler.relearningSteps, (std::vector<int>{10}));
    EXPECT_DOUBLE_EQ(d.scheduler.desiredRetention, 0.90);
    EXPECT_EQ(d.scheduler.maximumInterval, 36500);
    EXPECT_EQ(d.newPerDay, 20);
    EXPECT_FALSE(d.heardCountsAsGood);

    struct Case {
        const char *learning, *relearning, *retention, *interval, *perDay;
        std::vector<int> learnt, relearnt;
        double r;
        int days, fresh;
        const char *shownLearning, *shownRetention, *shownInterval, *shownPerDay;
    } cases[] = {
        // Kept as typed: blanks, commas, no steps at all.
        {" 2,5  30",
         "",
         "0.85",
         "365",
         "0",
         {2, 5, 30},
         {},
         0.85,
         365,
         0,
         " 2,5  30",
         "0.85",
         "365",
         "0"},
        // Not values: the defaults.
        {"1 x",
         "abc",
         "high",
         "",
         "many",
         {1, 10},
         {10},
         0.90,
         36500,
         20,
         "1 10",
         "0.90",
         "36500",
         "20"},
        // Out of range: the nearest bound; a step of zero or below is no step.
        {"5000 1",
         "-3",
         "0.5",
         "99999",
         "-4",
         {1440, 1},
         {10},
         0.70,
         36500,
         0,
         "1440 1",
         "0.70",
         "36500",
         "0"},
        {"1.5",
         "10",
         "1",
         "0",
         "100000",
         {1, 10},
         {10},
         0.97,
         1,
         9999,
         "1 10",
         "0.97",
         "1",
         "9999"},
    };
    for (const Case& c : cases) {
        SpacedOptions o;
        o.learningSteps = QString::fromLatin1(c.learning);
        o.relearningSteps = QString::fromLatin1(c.relearning);
        o.retention = QString::fromLatin1(c.retention);
        o.maximumInterval = QString::fromLatin1(c.interval);
        o.newPerDay = QString::fromLatin1(c.perDay);
        const SpacedSettings s = ReadSpacedOptions(o, QLocale::c());
        EXPECT_EQ(s.scheduler.learningSteps, c.learnt) << c.learning;
        EXPECT_EQ(s.scheduler.relearningSteps, c.relearnt) << c.relearning;
        EXPECT_DOUBLE_EQ(s.scheduler.desiredRetention, c.r) << c.retention;
        EXPECT_EQ(s.scheduler.maximumInterval, c.days) << c.interval;
        EXPECT_EQ(s.newPerDay, c.fresh) << c.perDay;
        EXPECT_EQ(s.shown.learningSteps, QString::fromLatin1(c.shownLearning));
        EXPECT_EQ(s.shown.retention, QString::fromLatin1(c.shownRetention));
        EXPECT_EQ(s.shown.maximumInterval, QString::fromLatin1(c.shownInterval));
        EXPECT_EQ(s.shown.newPerDay, QString::fromLatin1(c.shownPerDay));
        EXPECT_EQ(s.replaced, s.shown != o) << c.learning;
    }
    // A comma locale reads its own separator and ".".
    SpacedOptions comma = SpacedOptions::defaults();
    comma.retention = QStringLiteral("0,8");
    EXPECT_DOUBLE_EQ(ReadSpacedOptions(comma, QLocale(QLocale::German)).scheduler.desiredRetention,
                     0.8);
}

} // namespace
