#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QCheckBox;
class QComboBox;

namespace brenvik {

class SpeechEngine;

// Runs the event loop until `done` holds or `ms` have passed; false on the time-out. The
// greeting, the farewell and a spoken answer are waited for this way.
bool WaitWithEvents(const std::function<bool()>& done, int ms);

// The window's side of speech: speaking unless muted (with a bounded wait when asked),
// stopping, the engine's events, and the voice list with its test phrase. The first time
// the engine is found missing the user is told why, once.
class MainVoice : public QObject {
    Q_OBJECT
public:
    MainVoice(SpeechEngine& engine, QCheckBox& mute, QComboBox& voices, int waitMs,
              std::function<void(const QString&)> showError, QObject* parent = nullptr);

    bool muted() const;
    bool speaking() const { return speaking_; }
    void speak(const QString& text, bool waitDone);
    void stop();
    // Waits, bounded, for an utterance started just before to begin and to end.
    void waitUntilSpoken();
    // Lists the engine's voices and selects the active one.
    void fillVoices();
    int activeVoice() const { return activeVoice_; }
    void setActiveVoice(int mode);

Q_SIGNALS:
    void started();
    void done();

private:
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
    int activeVoice_ = 2;
    bool filling_ = false;
    bool noticeShown_ = false;
    QString lastSpoken_; // the text the engine is reading
};

} // namespace brenvik
