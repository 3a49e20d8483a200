#include "study/core/sessionoptions.h"

#include "library/settingskeys.h"
#include "library/settingsstore.h"
#include "study/core/decimaltext.h"

#include <cmath>
#include <limits>

namespace brenvik {

namespace {

struct Keys {
    settings::IntKey autoA, autoQ, loop;
    settings::TextKey pauseQ, pauseA;
};

const Keys& KeysOf(OptionSet set) {
    static const Keys imprint{settings::ImprintAutoA, settings::ImprintAutoQ, settings::ImprintLoop,
                              settings::ImprintPauseQ, settings::ImprintPauseA};
    static const Keys flash{settings::FlashAutoA, settings::FlashAutoQ, settings::FlashLoop,
                            settings::FlashPauseQ, settings::FlashPauseA};
    return set == OptionSet::Imprint ? imprint : flash;
}

} // namespace

SessionOptions SessionOptions::defaults(OptionSet set) {
    const Keys& k = KeysOf(set);
    SessionOptions o;
    o.autoAnswer = k.autoA.def != 0;
    o.pauseBeforeAnswer = QString::fromLatin1(k.pauseQ.def);
    o.autoNext = k.autoQ.def != 0;
    o.pauseBeforeNext = QString::fromLatin1(k.pauseA.def);
    o.alternate = set == OptionSet::Imprint && settings::ImprintAlternate.def != 0;
    o.loop = k.loop.def != 0;
    return o;
}

PauseValue ParsePause(const QString& text, const QLocale& locale) {
    PauseValue result;
    // "." is read on every locale: the defaults are written with it, and a comma locale
    // must not turn them into 0. Group separators are refused ("1,5" must not read as 15).
    const std::optional<double> v = ReadDecimal(text.trimmed(), locale);
    if (!v || *v < 0) {
        result.text = QStringLiteral("0");
        result.replaced = true;
        return result;
    }
    if (*v > MaxPauseSeconds) {
        result.seconds = MaxPauseSeconds;
        result.text = QString::number(MaxPauseSeconds);
        result.replaced = true;
        return result;
    }
    result.seconds = *v;
    result.text = text;
    return result;
}

PauseValue ParsePauseTyping(const QString& text, const QLocale& locale) {
    QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) t.remove(0, 1);
    if (t.isEmpty() || t == QLatin1String(".") || t == locale.decimalPoint()) {
        PauseValue partial;
        partial.text = text;
        return partial;
    }
    return ParsePause(text, locale);
}

QString PauseLabel(double seconds, bool beforeAnswer) {
    const bool plural = seconds == 0 || seconds > 1;
    return (plural ? QStringLiteral("seconds") : QStringLiteral("second")) +
           (beforeAnswer ? QStringLiteral(" before showing the answer")
                         : QStringLiteral(" before showing the next question"));
}

int PauseMilliseconds(double seconds) {
    const double ms = std::trunc(seconds * 1000.0);
    if (!(ms >= 1)) return 1;
    if (ms >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(ms);
}

SessionOptions LoadSessionOptions(const SettingsStore& store, OptionSet set) {
    const Keys& k = KeysOf(set);
    SessionOptions o;
    o.autoAnswer = store.read(k.autoA) != 0;
    o.pauseBeforeAnswer = store.read(k.pauseQ);
    o.autoNext = store.read(k.autoQ) != 0;
    o.pauseBeforeNext = store.read(k.pauseA);
    o.alternate = set == OptionSet::Imprint && store.read(settings::ImprintAlternate) != 0;
    o.loop = store.read(k.loop) != 0;
    return o;
}

void SaveSessionOptions(SettingsStore& store, OptionSet set, const SessionOptions& options) {
    const Keys& k = KeysOf(set);
    store.write(k.autoA, options.autoAnswer ? 1 : 0);
    store.write(k.pauseQ, options.pauseBeforeAnswer);
    store.write(k.autoQ, options.autoNext ? 1 : 0);
    store.write(k.pauseA, options.pauseBeforeNext);
    if (set == OptionSet::Imprint)
        store.write(settings::ImprintAlternate, options.alternate ? 1 : 0);
    store.write(k.loop, options.loop ? 1 : 0);
}

} // namespace brenvik
