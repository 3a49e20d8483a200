#include "platform/voicechoice.h"

#include "platform/speechengine.h"

namespace brenvik {

namespace {

QString NormalTag(const QString& tag) {
    return tag.trimmed().toLower().replace(QLatin1Char('_'), QLatin1Char('-'));
}

QString PrimaryTag(const QString& tag) {
    return tag.section(QLatin1Char('-'), 0, 0);
}

bool Same(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

VoiceKey KeyOfMode(const SpeechEngine& engine, int mode) {
    if (mode < 1 || mode > engine.modeCount()) return {};
    return {engine.modeEngine(mode), engine.modeVoice(mode)};
}

int ModeOfKey(const SpeechEngine& engine, const VoiceKey& key) {
    if (key.empty()) return 0;
    for (int mode = 1; mode <= engine.modeCount(); ++mode)
        if (engine.modeVoice(mode) == key.name && engine.modeEngine(mode) == key.engine)
            return mode;
    return 0;
}

int ModeOfDirective(const SpeechEngine& engine, const QString& value, int preferred) {
    const QString wanted = value.trimmed();
    if (wanted.isEmpty()) return 0;
    const int count = engine.modeCount();
    for (int mode = 1; mode <= count; ++mode) {
        const QString name = engine.modeEngine(mode);
        if (!name.isEmpty() && Same(name + QLatin1Char(' ') + engine.modeVoice(mode), wanted))
            return mode;
    }
    // A language: exact tag before the language alone, the side's engine before the others.
    const QString tag = NormalTag(wanted);
    const QString home = engine.modeEngine(preferred);
    const auto find = [&](bool exact, bool homeOnly) {
        for (int mode = 1; mode <= count; ++mode) {
            if (homeOnly && engine.modeEngine(mode) != home) continue;
            const QString language = NormalTag(engine.modeLanguage(mode));
            if (language.isEmpty()) continue;
            if (exact ? language == tag : PrimaryTag(language) == PrimaryTag(tag)) return mode;
        }
        return 0;
    };
    for (const bool exact : {true, false}) {
        if (int mode = find(exact, true)) return mode;
        if (int mode = find(exact, false)) return mode;
    }
    for (int mode = 1; mode <= count; ++mode)
        if (Same(engine.modeVoice(mode), wanted)) return mode;
    return 0;
}

} // namespace brenvik
