#include "srs/fsrs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace brenvik::srs {

namespace {

// The smallest stability kept: a long run of Again on the same day would otherwise drive it
// towards zero and the intervals computed from it to nothing.
constexpr double MinStability = 0.001;

int Value(Grade g) {
    return int(g);
}

double ClampDifficulty(double d) {
    return std::clamp(d, 1.0, 10.0);
}

double ClampStability(double s) {
    return std::max(s, MinStability);
}

} // namespace

const char* PhaseName(Phase phase) {
    switch (phase) {
    case Phase::New:
        return "new";
    case Phase::Learning:
        return "learning";
    case Phase::Review:
        return "review";
    case Phase::Relearning:
        return "relearning";
    }
    return "new";
}

bool PhaseFromName(const char* name, Phase& phase) {
    for (Phase p : {Phase::New, Phase::Learning, Phase::Review, Phase::Relearning})
        if (std::strcmp(name, PhaseName(p)) == 0) {
            phase = p;
            return true;
        }
    return false;
}

namespace fsrs {

double Factor(const FsrsWeights& p) {
    return std::pow(0.9, -1.0 / p.w[20]) - 1.0;
}

double Retrievability(double elapsedDays, double stability, const FsrsWeights& p) {
    return std::pow(1.0 + Factor(p) * std::max(elapsedDays, 0.0) / ClampStability(stability),
                    -p.w[20]);
}

double InitialStability(Grade g, const FsrsWeights& p) {
    return ClampStability(p.w[std::size_t(Value(g) - 1)]);
}

double InitialDifficulty(Grade g, const FsrsWeights& p) {
    return ClampDifficulty(p.w[4] - std::exp(p.w[5] * (Value(g) - 1)) + 1.0);
}

double NextDifficulty(double difficulty, Grade g, const FsrsWeights& p) {
    const double delta = -p.w[6] * (Value(g) - 3);
    const double damped = difficulty + delta * (10.0 - difficulty) / 9.0;
    // The Easy start without its clamp, as the weights were fitted.
    const double easyStart = p.w[4] - std::exp(p.w[5] * 3) + 1.0;
    return ClampDifficulty(p.w[7] * easyStart + (1.0 - p.w[7]) * damped);
}

double SuccessStability(double difficulty, double stability, double retrievability, Grade g,
                        const FsrsWeights& p) {
    const double hard = g == Grade::Hard ? p.w[15] : 1.0;
    const double easy = g == Grade::Easy ? p.w[16] : 1.0;
    const double growth = std::exp(p.w[8]) * (11.0 - difficulty) * std::pow(stability, -p.w[9]) *
                          (std::exp(p.w[10] * (1.0 - retrievability)) - 1.0) * hard * easy;
    return ClampStability(stability * (1.0 + growth));
}

double LapseStability(double difficulty, double stability, double retrievability,
                      const FsrsWeights& p) {
    const double after = p.w[11] * std::pow(difficulty, -p.w[12]) *
                         (std::pow(stability + 1.0, p.w[13]) - 1.0) *
                         std::exp(p.w[14] * (1.0 - retrievability));
    return ClampStability(std::min(after, stability));
}

double ShortTermStability(double stability, Grade g, const FsrsWeights& p) {
    double factor = std::exp(p.w[17] * (Value(g) - 3 + p.w[18])) * std::pow(stability, -p.w[19]);
    if (Value(g) >= 3) factor = std::max(factor, 1.0);
    return ClampStability(stability * factor);
}

double IntervalDays(double stability, double retention, const FsrsWeights& p) {
    return stability / Factor(p) * (std::pow(retention, -1.0 / p.w[20]) - 1.0);
}

} // namespace fsrs

Scheduler::Scheduler(SchedulerSettings settings) : settings_(std::move(settings)) {
    settings_.maximumInterval = std::max(settings_.maximumInterval, 1);
    // A step of no time would bring a question back before the grade is through.
    for (auto* steps : {&settings_.learningSteps, &settings_.relearningSteps})
        for (int& minutes : *steps)
            minutes = std::max(minutes, 1);
}

double Scheduler::retention() const {
    return std::clamp(settings_.desiredRetention, 0.70, 0.97);
}

int Scheduler::intervalDays(double stability) const {
    const double days = fsrs::IntervalDays(stability, retention(), settings_.weights);
    return int(std::clamp<long long>(std::llround(days), 1, settings_.maximumInterval));
}

double Scheduler::retrievability(const Card& card, UnixSeconds now) const {
    if (card.phase == Phase::New) return 0;
    const auto days = (now - card.graded) / SecondsPerDay;
    return fsrs::Retrievability(double(std::max<UnixSeconds>(days, 0)), card.stability,
                                settings_.weights);
}

Card Scheduler::grade(const Card& card, Grade g, UnixSeconds now) const {
    if (g == Grade::Seen) return card;
    const FsrsWeights& p = settings_.weights;
    Card next = card;
    if (card.phase == Phase::New) {
        next.stability = fsrs::InitialStability(g, p);
        next.difficulty = fsrs::InitialDifficulty(g, p);
        next.phase = Phase::Learning;
        next.step = 0;
        next.introduced = now;
    } else {
        const UnixSeconds elapsed = now - card.graded;
        if (elapsed < SecondsPerDay) {
            next.stability = fsrs::ShortTermStability(card.stability, g, p);
        } else {
            const double r = retrievability(card, now);
            next.stability = g == Grade::Again
                                 ? fsrs::LapseStability(card.difficulty, card.stability, r, p)
                                 : fsrs::SuccessStability(card.difficulty, card.stability, r, g, p);
        }
        next.difficulty = fsrs::NextDifficulty(card.difficulty, g, p);
    }
    next.graded = now;
    ++next.reps;

    auto graduate = [&] {
        next.phase = Phase::Review;
        next.step = 0;
        next.due = now + UnixSeconds(intervalDays(next.stability)) * SecondsPerDay;
    };
    auto wait = [&](double minutes) { next.due = now + UnixSeconds(std::llround(minutes * 60)); };

    if (next.phase == Phase::Review) {
        if (g != Grade::Again) {
            graduate();
            return next;
        }
        ++next.lapses;
        if (settings_.relearningSteps.empty()) {
            graduate();
            return next;
        }
        next.phase = Phase::Relearning;
        next.step = 0;
        wait(settings_.relearningSteps.front());
        return next;
    }

    // Learning or relearning. Steps changed in the settings since the last grade leave the
    // question on the last step there is.
    const std::vector<int>& steps =
        next.phase == Phase::Learning ? settings_.learningSteps : settings_.relearningSteps;
    if (steps.empty()) {
        graduate();
        return next;
    }
    const int last = int(steps.size()) - 1;
    const int step = std::min(next.step, last);
    switch (g) {
    case Grade::Again:
        next.step = 0;
        wait(steps.front());
        break;
    case Grade::Hard:
        next.step = step;
        if (step == 0)
            wait(steps.size() == 1 ? steps[0] * 1.5 : (steps[0] + steps[1]) / 2.0);
        else
            wait(steps[std::size_t(step)]);
        break;
    case Grade::Good:
        if (step >= last) {
            graduate();
        } else {
            next.step = step + 1;
            wait(steps[std::size_t(step + 1)]);
        }
        break;
    case Grade::Easy:
    case Grade::Seen:
        graduate();
        break;
    }
    return next;
}

} // namespace brenvik::srs
