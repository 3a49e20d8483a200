#pragma once

#include <QLocale>
#include <QString>

namespace brenvik {

class SettingsStore;

// Which of the two option sets: review sessions have none.
enum class OptionSet { Imprint, Flash };

// The options of one kind of study session as its panel shows them. The pauses stay
// texts, exactly as the user typed them; ParsePause turns them into seconds.
struct SessionOptions {
    bool autoAnswer = true;    // show the answer once the question has been spoken
    QString pauseBeforeAnswer; // seconds, decimal text
    bool autoNext = true;      // show the next question once the answer has been spoken
    QString pauseBeforeNext;   // seconds, decimal text
    bool alternate = true;     // imprint only: interleave pairs of questions
    bool loop = false;         // start over after the last question

    static SessionOptions defaults(OptionSet set);
    bool operator==(const SessionOptions&) const = default;
};

// The result of reading a pause edit: its value and the text it must show.
struct PauseValue {
    double seconds = 0;
    QString text;          // the text to keep in the edit ("0" when it was refused)
    bool replaced = false; // the text was not a number, negative, or above the cap
};

// The longest pause: an hour. Longer ones are nobody's study rhythm, only typing slips.
constexpr double MaxPauseSeconds = 3600;

// Reads a pause text, trimmed, with `locale`'s decimal separator (the system's when the
// panels call it) or ".". Not a finite number, or a negative one: value 0 and text "0".
// Above MaxPauseSeconds: the cap, and its text.
PauseValue ParsePause(const QString& text, const QLocale& locale = QLocale::system());

// The same while the user is still typing: a start of a number ("", "-", "+", ".", "-.",
// or the locale's separator) is left as typed and reads as 0, so the user can finish it.
// ParsePause corrects whatever is left of it when the edit is left.
PauseValue ParsePauseTyping(const QString& text, const QLocale& locale = QLocale::system());

// "second(s) before showing the answer" / "... the next question": plural for 0 and for
// values above 1, singular otherwise.
QString PauseLabel(double seconds, bool beforeAnswer);

// A pause as a timer interval: whole milliseconds, truncated, at least 1.
int PauseMilliseconds(double seconds);

// The options of one set as stored, each missing value with its start-up default.
SessionOptions LoadSessionOptions(const SettingsStore& store, OptionSet set);
void SaveSessionOptions(SettingsStore& store, OptionSet set, const SessionOptions& options);

} // namespace brenvik
