#pragma once

// The memory model behind spaced study: FSRS-6. A question's memory is a stability S (the
// days after which it is recalled with 90 % probability) and a difficulty D (1..10); each
// grade updates them, and the next review is set for when recall is expected to fall to the
// desired retention. Pure functions and a value-type scheduler: no widgets, no storage.

#include <array>
#include <cstdint>
#include <vector>

namespace brenvik::srs {

// Seconds since 1970-01-01T00:00:00Z. Every time in the subsystem is one of these.
using UnixSeconds = std::int64_t;
constexpr UnixSeconds SecondsPerDay = 86400;

// What the student says of an answer. Seen is a visit without a grade: recorded, but it
// changes no schedule.
enum class Grade : std::uint8_t { Seen = 0, Again = 1, Hard = 2, Good = 3, Easy = 4 };
// Where a question stands: never graded, in its learning steps, reviewed by interval, or
// in its relearning steps after a lapse.
enum class Phase : std::uint8_t { New = 0, Learning = 1, Review = 2, Relearning = 3 };

// "new", "learning", "review", "relearning"; and back (false for any other word).
const char* PhaseName(Phase phase);
bool PhaseFromName(const char* name, Phase& phase);

// The 21 weights w0..w20 of FSRS-6; the defaults are the published ones, fitted on a large
// body of reviews.
struct FsrsWeights {
    std::array<double, 21> w{0.212,  1.2931, 2.3065, 8.2956, 6.4133, 0.8334, 3.0194,
                             0.001,  1.8722, 0.1666, 0.796,  1.4835, 0.0614, 0.2629,
                             1.6483, 0.6014, 1.8729, 0.5425, 0.0912, 0.0658, 0.1542};
};

// The formulas, one each; `g` is a grade 1..4 (Seen is no grade).
namespace fsrs {
// F = 0.9^(-1/w20) - 1, so that R(S, S) = 0.9.
double Factor(const FsrsWeights& p);
// R(t, S) = (1 + F t / S)^(-w20): the probability of recall t days after the last grade.
double Retrievability(double elapsedDays, double stability, const FsrsWeights& p);
// The first grade: S = w[g-1], D = w4 - e^(w5 (g-1)) + 1 (kept in 1..10).
double InitialStability(Grade g, const FsrsWeights& p);
double InitialDifficulty(Grade g, const FsrsWeights& p);
// D' = D - w6 (g - 3) (10 - D) / 9, mean-reverted by w7 to the Easy start, kept in 1..10.
double NextDifficulty(double difficulty, Grade g, const FsrsWeights& p);
// Recalled (g >= 2) after a day or more: S grows the more, the lower R had fallen; Hard
// scales the growth by w15, Easy by w16.
double SuccessStability(double difficulty, double stability, double retrievability, Grade g,
                        const FsrsWeights& p);
// Forgotten (g = 1) after a day or more: w11 D^-w12 ((S+1)^w13 - 1) e^(w14 (1-R)), never
// above the S it had.
double LapseStability(double difficulty, double stability, double retrievability,
                      const FsrsWeights& p);
// A grade less than a day after the previous one: S e^(w17 (g - 3 + w18)) S^-w19, and for
// Good and Easy never below S.
double ShortTermStability(double stability, Grade g, const FsrsWeights& p);
// The days until R falls to `retention`: S / F (r^(-1/w20) - 1), unrounded.
double IntervalDays(double stability, double retention, const FsrsWeights& p);
} // namespace fsrs

// One question's schedule. A value: the scheduler makes a new one from an old one and a grade.
struct Card {
    Phase phase = Phase::New;
    int step = 0;               // the learning or relearning step it waits for
    double stability = 0;       // days; 0 while new
    double difficulty = 0;      // 1..10; 0 while new
    UnixSeconds graded = 0;     // the last grade (1..4); 0 while new
    UnixSeconds due = 0;        // when it is next to be asked; 0 while new
    UnixSeconds introduced = 0; // its first grade; 0 while new
    int reps = 0;               // grades given
    int lapses = 0;             // Again in review
    bool operator==(const Card&) const = default;
};

struct SchedulerSettings {
    std::vector<int> learningSteps{1, 10}; // minutes, for a new question
    std::vector<int> relearningSteps{10};  // minutes, after a lapse
    double desiredRetention = 0.90;        // used in 0.70..0.97
    int maximumInterval = 36500;           // days, at least 1
    FsrsWeights weights;
};

// Turns grades into schedules. The steps: a new question's first grade sets S and D and
// enters learning at step 0; Again goes back to the first step, Hard waits the mean of the
// first two steps (1.5 times a single one) at step 0 and the current step later, Good moves
// to the next step and graduates after the last, Easy graduates at once. A graduated
// question waits the interval of its stability, whole days, 1 to the maximum. Again in
// review lapses into the relearning steps (or, with none, straight to its new interval).
// Every grade after the first updates S and D first, by the short-term formula when the
// previous grade was less than a day before, else by the success or lapse formula with R at
// the whole days elapsed. No fuzz: the same grades at the same times give the same schedule.
class Scheduler {
public:
    Scheduler() = default;
    explicit Scheduler(SchedulerSettings settings);

    const SchedulerSettings& settings() const { return settings_; }
    double retention() const; // the desired retention as used (clamped)

    // The card after grade g (Again..Easy) at `now`; Seen gives the card unchanged.
    Card grade(const Card& card, Grade g, UnixSeconds now) const;
    // R at `now` (whole days since the last grade); 0 for a new card.
    double retrievability(const Card& card, UnixSeconds now) const;
    // The interval in whole days for a stability: rounded, 1 to the maximum.
    int intervalDays(double stability) const;

private:
    SchedulerSettings settings_;
};

} // namespace brenvik::srs
