#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace brenvik {

// The text-to-speech engine. Modes are numbered 1..modeCount(); `started` and `done`
// are delivered once per utterance, queued to the UI thread.
class SpeechEngine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SpeechEngine() override = default;

    virtual bool available() const = 0; // false: the engine failed to start
    virtual QString failureText() const { return {}; }
    virtual int modeCount() const = 0;
    virtual QString modeName(int mode) const = 0; // 1-based
    virtual int currentMode() const = 0;
    virtual void setCurrentMode(int mode) = 0;
    virtual void speak(const QString& text) = 0; // stops what is being spoken first
    virtual void stopSpeaking() = 0;
    virtual bool speaking() const = 0;

Q_SIGNALS:
    void started();
    void done();

protected:
    // One utterance's events: `started` and `done` are each delivered once, in that order,
    // queued to the UI thread, however the utterance ends.
    struct Utterance {
        bool started = false;   // `started` emitted
        bool finishing = false; // `done` queued
        bool done = false;      // `done` emitted
    };
    using UtterancePtr = std::shared_ptr<Utterance>;
    // Queues `started` unless it was delivered already; `then` runs right after it.
    void queueStarted(const UtterancePtr& u, std::function<void()> then = {});
    // Queues `done`, preceded by `started` if that is still owed.
    void queueDone(const UtterancePtr& u);
};

} // namespace brenvik
