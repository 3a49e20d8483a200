#pragma once

#include "mainwindow/maincommands.h"
#include "platform/voicechoice.h"

#include <QObject>
#include <QString>
#include <functional>

class QCheckBox;
class QComboBox;

namespace brenvik {

class SpeechEngine;
class SettingsStore;

// Runs the event loop until `done` holds or `ms` have passed; false on the time-out. The
// greeting, the farewell and a spoken answer are waited for this way.
bool WaitWithEvents(const std::function<bool()>& done, int ms);

// The window's side of speech: speaking unless muted (with a bounded wait when asked),
// stopping, the engine's events, and the voice list with its test phrase. The first time
// the engine is found missing the user is told why, once.
//
// The voice chosen in the list speaks the question and everything else; the answer has a
// voice of its own or the same. Both are held by engine and name, so they stay when the
// engine's list of modes changes, and are stored that way beside the mode number of old.
class MainVoice : public QObject {
    Q_OBJECT
public:
    MainVoice(SpeechEngine& engine, QCheckBox& mute, QComboBox& voices, int waitMs,
              std::function<void(const QString&)> showError, QObject* parent = nullptr);

    bool muted() const;
    bool speaking() const { return speaking_; }
    void speak(const QString& text, bool waitDone);
    // Speaks for a side: in the voice `directive` names when one fits (else, with a line in
    // the log, in the side's own), otherwise in the side's voice.
    void speakSide(const QString& text, SpeechSide side, const QString& directive);
    void stop();
    // Waits, bounded, for an utterance started just before to begin and to end.
    void waitUntilSpoken();
    // Lists the engine's voices and selects the active one.
    void fillVoices();
    // The question's voice as a mode number (the stored number when its engine is missing).
    int activeVoice() const;
    void setActiveVoice(int mode);

    SpeechEngine& engine() const { return engine_; }
    VoiceKey questionVoice() const { return questionKey_; }
    // Empty: the same as the question's.
    VoiceKey answerVoice() const { return answerKey_; }
    void setAnswerVoice(const VoiceKey& key) { answerKey_ = key; }
    int questionMode() const;
    int answerMode() const;
    // Steps from -10 to 10, 0 being the voice's own.
    int rate() const { return rate_; }
    int pitch() const { return pitch_; }
    void setProsody(int rate, int pitch);

    void readSettings(const SettingsStore& store);
    void writeSettings(SettingsStore& store) const;

Q_SIGNALS:
    void started();
    void done();
    // The voice list was filled anew.
    void voicesListed();

private:
    void speakIn(int mode, const QString& text, bool waitDone);
    void voiceChosen(int index);
    void fitDropDown();
    void unavailableNotice();

    SpeechEngine& engine_;
    QCheckBox& mute_;
    QComboBox& voices_;
    int waitMs_;
    std::function<void(const QString&)> showError_;
    bool speaking_ = false;
    int owed_ = 0;             // utterances handed to the engine whose `done` has not arrived
    int stale_ = 0;            // the oldest of those, which stop() has ended already
    bool openStarted_ = false; // `started` passed on for the utterance not yet ended
    int activeVoice_ = 2;      // the question's voice by number, as stored of old
    VoiceKey questionKey_;
    VoiceKey answerKey_;
    int rate_ = 0;
    int pitch_ = 0;
    bool filling_ = false;
    bool noticeShown_ = false;
    QString lastSpoken_; // the text the engine is reading
};

} // namespace brenvik
