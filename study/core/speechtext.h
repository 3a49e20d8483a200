#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace brenvik {

// A line of a spoken text that tells the session what to do instead of being spoken:
// "[sound:NAME]" plays a file, "[voice:NAME]" names a voice. Only these names are
// directives, so that a spoken line such as "[Hint: the north]" is still said.
struct SpeechDirective {
    QString name;  // "sound" or "voice", in lower case
    QString value; // blanks around it removed
};
std::optional<SpeechDirective> ParseDirectiveLine(const QString& line);

// What reaches the speech engine, from Speak and the study window alike. The engine reads
// Unicode, so every letter of every script is passed; only control characters and
// directive lines are dropped (tabs and line breaks stay: they keep the words of two lines
// apart).
QString SpeakableText(const QString& text);
// True when the text holds something to say: a visible ASCII character, as always, or a
// letter or digit of any script. Blanks, punctuation, symbols and emoji alone are nothing
// to say, so they are never waited for.
bool HasSpeakableText(const QString& text);
// A question's spoken lines as one text for the engine.
QString JoinSpokenLines(const QStringList& lines);
// The same from the lines as stored (bytes, read like every node text), filtered; empty
// when there is nothing to say.
QString SpokenLinesText(const std::vector<std::string>& lines);

} // namespace brenvik
