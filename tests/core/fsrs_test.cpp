// The memory model against reference values, and the scheduler's steps.
#include "srs/fsrs.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace brenvik::srs;

namespace {

constexpr UnixSeconds T0 = 1800000000; // 2027-01-15
constexpr UnixSeconds Minute = 60;

SchedulerSettings NoSteps() {
    SchedulerSettings s;
    s.learningSteps.clear();
    return s;
}

} // namespace

TEST(Fsrs, FirstGoodAndThreeDaysLater) {
    const Scheduler scheduler(NoSteps());
    const Card first = scheduler.grade(Card(), Grade::Good, T0);
    EXPECT_NEAR(first.stability, 2.3065, 5e-5);
    EXPECT_NEAR(first.difficulty, 2.1181, 5e-5);
    EXPECT_EQ(first.phase, Phase::Review);
    EXPECT_NEAR(fsrs::IntervalDays(first.stability, 0.9, FsrsWeights()), 2.31, 5e-3);
    EXPECT_EQ(first.due, T0 + 2 * SecondsPerDay);
    EXPECT_NEAR(scheduler.retrievability(first, T0 + 2 * SecondsPerDay + 3600),
                std::pow(1 + fsrs::Factor(FsrsWeights()) * 2 / first.stability, -0.1542), 1e-12);

    const Card second = scheduler.grade(first, Grade::Good, T0 + 3 * SecondsPerDay);
    EXPECT_NEAR(second.stability, 13.827, 5e-4);
    EXPECT_EQ(second.reps, 2);
}

TEST(Fsrs, LearningStepsKeepTheFirstStabilityUntilGraduation) {
    const Scheduler scheduler; // steps 1 and 10 minutes
    Card c = scheduler.grade(Card(), Grade::Good, T0);
    EXPECT_EQ(c.phase, Phase::Learning);
    EXPECT_EQ(c.step, 1);
    EXPECT_EQ(c.due, T0 + 10 * Minute);
    c = scheduler.grade(c, Grade::Good, c.due);
    EXPECT_EQ(c.phase, Phase::Review);
    // The short-term formula never lowers S for Good, so S is still the first grade's.
    EXPECT_NEAR(c.stability, 2.3065, 5e-5);
    EXPECT_NEAR(fsrs::IntervalDays(c.stability, scheduler.retention(), FsrsWeights()), 2.31, 5e-3);
    // The same-day grade moved D by the difficulty formula: three days on, S follows it.
    EXPECT_NEAR(c.difficulty, 2.1112, 5e-5);
    EXPECT_NEAR(scheduler.grade(c, Grade::Good, c.graded + 3 * SecondsPerDay).stability, 13.836,
                5e-4);
}

TEST(Fsrs, GradeSequenceGivesTheReferenceIntervals) {
    const Scheduler scheduler;
    const Grade G = Grade::Good, A = Grade::Again;
    const Grade grades[] = {G, G, G, G, G, G, A, A, G, G, G, G, G};
    const int expected[] = {0, 2, 11, 46, 163, 498, 0, 0, 2, 4, 7, 12, 21};
    Card c;
    UnixSeconds now = T0;
    for (std::size_t i = 0; i < std::size(grades); ++i) {
        c = scheduler.grade(c, grades[i], now);
        EXPECT_EQ((c.due - now) / SecondsPerDay, expected[i]) << "grade " << i + 1;
        now = c.due;
    }
    EXPECT_EQ(c.lapses, 1);
    EXPECT_EQ(c.reps, 13);
    EXPECT_EQ(c.phase, Phase::Review);
}

TEST(Fsrs, StepsAndPhases) {
    const Scheduler scheduler;
    // Hard at the first of two steps waits their mean; Again goes back to the first.
    Card c = scheduler.grade(Card(), Grade::Hard, T0);
    EXPECT_EQ(c.due - T0, 330);
    c = scheduler.grade(c, Grade::Again, T0 + 600);
    EXPECT_EQ(c.step, 0);
    EXPECT_EQ(c.due, T0 + 660);
    // Easy graduates at once.
    EXPECT_EQ(scheduler.grade(c, Grade::Easy, T0 + 700).phase, Phase::Review);
    // Seen changes nothing.
    EXPECT_EQ(scheduler.grade(c, Grade::Seen, T0 + 700), c);

    // A lapse with no relearning steps goes straight back to review, at most at S.
    SchedulerSettings settings;
    settings.relearningSteps.clear();
    const Scheduler plain(settings);
    Card r = plain.grade(Card(), Grade::Easy, T0);
    r = plain.grade(r, Grade::Again, r.due + 5 * SecondsPerDay);
    EXPECT_EQ(r.phase, Phase::Review);
    EXPECT_EQ(r.lapses, 1);
    EXPECT_LE(r.stability, fsrs::InitialStability(Grade::Easy, FsrsWeights()));
}

TEST(Fsrs, FormulaBounds) {
    const FsrsWeights p;
    EXPECT_NEAR(fsrs::Retrievability(10, 10, p), 0.9, 1e-12);
    EXPECT_NEAR(fsrs::IntervalDays(10, 0.9, p), 10, 1e-9);
    double d = fsrs::InitialDifficulty(Grade::Again, p);
    for (int i = 0; i < 50; ++i)
        d = fsrs::NextDifficulty(d, Grade::Again, p);
    // Mean reversion towards the Easy start holds it just below the ceiling.
    EXPECT_LE(d, 10.0);
    EXPECT_GT(d, 9.9);
    EXPECT_DOUBLE_EQ(fsrs::InitialDifficulty(Grade::Easy, p), 1.0);
    // Hard grows S less than Good, Easy more.
    const double hard = fsrs::SuccessStability(5, 10, 0.8, Grade::Hard, p);
    const double good = fsrs::SuccessStability(5, 10, 0.8, Grade::Good, p);
    const double easy = fsrs::SuccessStability(5, 10, 0.8, Grade::Easy, p);
    EXPECT_LT(10, hard);
    EXPECT_LT(hard, good);
    EXPECT_LT(good, easy);
    EXPECT_LE(fsrs::LapseStability(1, 0.5, 0.99, p), 0.5);
    EXPECT_LT(fsrs::ShortTermStability(5, Grade::Again, p), 5);
    EXPECT_GE(fsrs::ShortTermStability(50, Grade::Good, p), 50);

    // The maximum interval caps, the retention is kept in 0.70..0.97.
    SchedulerSettings s;
    s.maximumInterval = 30;
    s.desiredRetention = 0.5;
    const Scheduler capped(s);
    EXPECT_DOUBLE_EQ(capped.retention(), 0.70);
    EXPECT_EQ(capped.intervalDays(1000), 30);
    EXPECT_EQ(capped.intervalDays(0.001), 1);
}
