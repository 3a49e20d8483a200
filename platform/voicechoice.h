#pragma once

#include <QString>

namespace brenvik {

class SpeechEngine;

// A voice as it is stored: by its engine and its name, which stay when other engines come
// or go (a mode number does not).
struct VoiceKey {
    QString engine;
    QString name;

    bool empty() const { return name.isEmpty(); }
    bool operator==(const VoiceKey&) const = default;
};

VoiceKey KeyOfMode(const SpeechEngine& engine, int mode);
// The mode of the stored voice; 0 when the engine has no such voice (now).
int ModeOfKey(const SpeechEngine& engine, const VoiceKey& key);

// The mode a "[voice:VALUE]" line asks for, 0 when none fits. VALUE is an engine and a voice
// name ("Flite kal"), a language tag ("es", "en-gb": the exact tag first, then the language
// alone), or a bare voice name. A language is looked for in the engine of `preferred` first,
// so that a side keeps its engine where it can.
int ModeOfDirective(const SpeechEngine& engine, const QString& value, int preferred);

} // namespace brenvik
