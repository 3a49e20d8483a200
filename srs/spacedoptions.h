#pragma once

// The settings of spaced study as the spaced panel shows them: texts as typed, read into the
// scheduler's settings, the number of new questions a day and the heard-answer rule. A text
// that is not what its field takes is replaced when its edit is left, as the pause edits
// are: by its default when it is no value at all, by the nearest bound when it is out of
// range.

#include "srs/fsrs.h"

#include <QLocale>
#include <QString>

namespace brenvik {
class SettingsStore;
}

namespace brenvik::srs {

struct SpacedOptions {
    QString learningSteps;   // minutes, "1 10"
    QString relearningSteps; // minutes, "10"
    QString retention;       // 0.70 .. 0.97
    QString maximumInterval; // days, 1 .. 36500
    QString newPerDay;       // 0 .. 9999
    bool heardCountsAsGood = false;

    static SpacedOptions defaults();
    bool operator==(const SpacedOptions&) const = default;
};

// The bounds of the fields.
constexpr int MaxStepMinutes = 1440; // longer waits are what intervals are for
constexpr double MinRetention = 0.70;
constexpr double MaxRetention = 0.97;
constexpr int MaxIntervalDays = 36500;
constexpr int MaxNewPerDay = 9999;

// The options as a session uses them, and the texts the edits must show (`shown`, equal to
// the typed ones unless `replaced`).
struct SpacedSettings {
    SchedulerSettings scheduler;
    int newPerDay = 20;
    bool heardCountsAsGood = false;
    SpacedOptions shown;
    bool replaced = false;
};

// Steps: whole minutes 1..MaxStepMinutes separated by blanks or commas; none is allowed (no
// steps). Retention: a decimal with the locale's separator or ".". Interval and new
// questions: whole numbers.
SpacedSettings ReadSpacedOptions(const SpacedOptions& typed,
                                 const QLocale& locale = QLocale::system());

SpacedOptions LoadSpacedOptions(const SettingsStore& store);
void SaveSpacedOptions(SettingsStore& store, const SpacedOptions& options);

} // namespace brenvik::srs
