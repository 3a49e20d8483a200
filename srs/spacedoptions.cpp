#include "srs/spacedoptions.h"

#include "library/settingskeys.h"
#include "library/settingsstore.h"
#include "study/core/decimaltext.h"

#include <QRegularExpression>
#include <algorithm>

namespace brenvik::srs {

namespace {

struct Steps {
    std::vector<int> minutes;
    QString text;
    bool replaced = false;
};

std::vector<int> DefaultSteps(const char* text) {
    std::vector<int> out;
    for (const QString& t : QString::fromLatin1(text).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        out.push_back(t.toInt());
    return out;
}

QString JoinSteps(const std::vector<int>& minutes) {
    QStringList parts;
    for (int m : minutes)
        parts << QString::number(m);
    return parts.join(QLatin1Char(' '));
}

Steps ReadSteps(const QString& text, const char* fallback) {
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    Steps out;
    out.text = text;
    bool capped = false;
    for (const QString& token : text.split(separators, Qt::SkipEmptyParts)) {
        bool ok = false;
        const qlonglong m = token.toLongLong(&ok);
        if (!ok || m < 1 || token.startsWith(QLatin1Char('+'))) {
            out.minutes = DefaultSteps(fallback);
            out.text = QString::fromLatin1(fallback);
            out.replaced = true;
            return out;
        }
        capped = capped || m > MaxStepMinutes;
        out.minutes.push_back(int(std::min<qlonglong>(m, MaxStepMinutes)));
    }
    if (capped) {
        out.text = JoinSteps(out.minutes);
        out.replaced = true;
    }
    return out;
}

// A whole number within [low, high]: out of range gives the bound, no number the fallback.
int ReadWhole(QString& text, int low, int high, const char* fallback, bool& replaced) {
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok) {
        text = QString::fromLatin1(fallback);
        replaced = true;
        return text.toInt();
    }
    if (v < low || v > high) {
        const int bound = v < low ? low : high;
        text = QString::number(bound);
        replaced = true;
        return bound;
    }
    return int(v);
}

double ReadRetention(QString& text, const QLocale& locale, bool& replaced) {
    const std::optional<double> v = ReadDecimal(text.trimmed(), locale);
    if (!v) {
        text = QString::fromLatin1(settings::SpacedRetention.def);
        replaced = true;
        return text.toDouble();
    }
    if (*v < MinRetention || *v > MaxRetention) {
        const double bound = *v < MinRetention ? MinRetention : MaxRetention;
        text = QString::number(bound, 'f', 2);
        replaced = true;
        return bound;
    }
    return *v;
}

} // namespace

SpacedOptions SpacedOptions::defaults() {
    SpacedOptions o;
    o.learningSteps = QString::fromLatin1(settings::SpacedLearningSteps.def);
    o.relearningSteps = QString::fromLatin1(settings::SpacedRelearningSteps.def);
    o.retention = QString::fromLatin1(settings::SpacedRetention.def);
    o.maximumInterval = QString::fromLatin1(settings::SpacedMaxInterval.def);
    o.newPerDay = QString::fromLatin1(settings::SpacedNewPerDay.def);
    o.heardCountsAsGood = settings::SpacedHeardGood.def != 0;
    return o;
}

SpacedSettings ReadSpacedOptions(const SpacedOptions& typed, const QLocale& locale) {
    SpacedSettings s;
    s.shown = typed;
    const Steps learning = ReadSteps(typed.learningSteps, settings::SpacedLearningSteps.def);
    const Steps relearning = ReadSteps(typed.relearningSteps, settings::SpacedRelearningSteps.def);
    s.scheduler.learningSteps = learning.minutes;
    s.scheduler.relearningSteps = relearning.minutes;
    s.shown.learningSteps = learning.text;
    s.shown.relearningSteps = relearning.text;
    s.replaced = learning.replaced || relearning.replaced;
    s.scheduler.desiredRetention = ReadRetention(s.shown.retention, locale, s.replaced);
    s.scheduler.maximumInterval = ReadWhole(s.shown.maximumInterval, 1, MaxIntervalDays,
                                            settings::SpacedMaxInterval.def, s.replaced);
    s.newPerDay =
        ReadWhole(s.shown.newPerDay, 0, MaxNewPerDay, settings::SpacedNewPerDay.def, s.replaced);
    s.heardCountsAsGood = typed.heardCountsAsGood;
    return s;
}

SpacedOptions LoadSpacedOptions(const SettingsStore& store) {
    SpacedOptions o;
    o.learningSteps = store.read(settings::SpacedLearningSteps);
    o.relearningSteps = store.read(settings::SpacedRelearningSteps);
    o.retention = store.read(settings::SpacedRetention);
    o.maximumInterval = store.read(settings::SpacedMaxInterval);
    o.newPerDay = store.read(settings::SpacedNewPerDay);
    o.heardCountsAsGood = store.read(settings::SpacedHeardGood) != 0;
    return o;
}

void SaveSpacedOptions(SettingsStore& store, const SpacedOptions& options) {
    store.write(settings::SpacedLearningSteps, options.learningSteps);
    store.write(settings::SpacedRelearningSteps, options.relearningSteps);
    store.write(settings::SpacedRetention, options.retention);
    store.write(settings::SpacedMaxInterval, options.maximumInterval);
    store.write(settings::SpacedNewPerDay, options.newPerDay);
    store.write(settings::SpacedHeardGood, options.heardCountsAsGood ? 1 : 0);
}

} // namespace brenvik::srs
