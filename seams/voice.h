#pragma once

#include <QString>

namespace brenvik {

// The side of a question a text is spoken for; each may have its own voice.
enum class SpeechSide { Question, Answer };

// The program's one voice.
class Voice {
public:
    virtual ~Voice() = default;

    // Speaks unless muted, cutting off what is being said; nothing waits for it. The voice
    // tells its owner when it has been spoken.
    virtual void Speak(const QString& text) = 0;
    // Speaks for one side of a question, in that side's voice or in the one `voice` names
    // (the value of a "[voice:...]" line; empty for the side's own).
    virtual void SpeakSide(const QString& text, SpeechSide side, const QString& voice) {
        (void)side;
        (void)voice;
        Speak(text);
    }
    virtual void StopVoice() = 0;
};

} // namespace brenvik
