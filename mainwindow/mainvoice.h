#pragma once

#include "mainwindow/maincommands.h"
#include "platform/voicechoice.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QTimer;

namespace brenvik {

class SpeechEngine;
class SettingsStore;

// The window's side of speech: speaking unless muted, stopping, the engine's events, and the
// voice list with its test phrase. The first time the engine is found missing the user is
// told why, once.
//
// Nothing here waits: an utterance is open from speak() until its `done`, which comes from
// the engine, from stop() (at once, the engine's own later events being dropped), or from the
// bound, after which an engine that never reports the end is given up. Whoever goes on after
// speech (the greeting, the farewell, a session) goes on from `done` or whenSpoken().
//
// The voice chosen in the list speaks the question and everything else; the answer has a
// voice of its own or the same. Both are held by engine and name, so they stay when the
// engine's list of modes changes, and are stored that way beside the mode number of old.
class MainVoice : public QObject {
    Q_OBJECT
public:
    // `waitMs` is the time an engine gets to begin an utterance; its length is added to it.
    MainVoice(SpeechEngine& engine, QCheckBox& mute, QComboBox& voices, int waitMs,
              std::function<void(const QString&)> showError, QObject* parent = nullptr);

    bool muted() const;
    bool speaking() const { return speaking_; }
    void speak(const QString& text);
    // Speaks for a side: in the voice `directive` names when one fits (else, with a line in
    // the log, in the side's own), otherwise in the side's voice.
    void speakSide(const QString& text, SpeechSide side, const QString& directive);
    void stop();
    // Runs `then` on a later turn of the event loop, once no utterance is open: at once when
    // none is, else after the open one's `done`. Dropped when `context` is gone.
    void whenSpoken(QObject* context, std::function<void()> then);
    // The longest an utterance of `chars` characters is waited for.
    int boundMs(qsizetype chars) const;
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
    void speakIn(int mode, const QString& text);
    bool open() const { return owed_ > stale_; }
    void ended();
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
    QTimer* bound_ = nullptr;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> afterSpoken_;
};

} // namespace brenvik
