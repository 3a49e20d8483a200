#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace brenvik {

// The text-to-speech engine. Modes (voices) are numbered 1..modeCount(); `started` and
// `done` are delivered once per utterance, queued to the UI thread.
//
// A voice is known beyond its number by its engine and its name, which is what a stored
// choice keeps: the numbers move when an engine comes or goes, the names do not.
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

    // The engine's name as the user sees it, e.g. "espeak-ng".
    virtual QString engineName() const { return {}; }
    // The engine and the bare name of a mode's voice; an engine of engines names the one
    // the mode belongs to.
    virtual QString modeEngine(int mode) const {
        return mode >= 1 && mode <= modeCount() ? engineName() : QString();
    }
    virtual QString modeVoice(int mode) const { return modeName(mode); }
    // The voice's language as a tag, e.g. "en-gb" or "es-ES"; empty when unknown.
    virtual QString modeLanguage(int mode) const {
        Q_UNUSED(mode);
        return {};
    }
    // Speaking rate and pitch from -1 (slowest, lowest) through 0 (the voice's own) to 1;
    // applied from the next utterance on.
    virtual void setProsody(double rate, double pitch) {
        Q_UNUSED(rate);
        Q_UNUSED(pitch);
    }

Q_SIGNALS:
    void started();
    void done();
    // The list of modes changed (an engine was added or dropped): numbers may have moved.
    void modesChanged();

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
