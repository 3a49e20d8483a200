#pragma once

#include <QString>
#include <QStringList>

namespace brenvik {

// The speech engine reads 7-bit text only: every character of code 128 and above is
// dropped. The study window and Speak filter the same way, so a text made only of accented
// letters is never waited for.
QString SpeakableText(const QString& text);
// True when the speakable text holds more than blanks and control characters.
bool HasSpeakableText(const QString& text);
// A question's spoken lines as one text for the engine.
QString JoinSpokenLines(const QStringList& lines);

} // namespace brenvik
