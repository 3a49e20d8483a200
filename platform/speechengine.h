#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace brenvik {

// The text-to-speech engine. Modes are numbered 1..modeCount(); `started` and `done`
// are delivered once per utterance, queued to the UI thread.
class SpeechEngine : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SpeechEngine() override = default;

    virtual bool available() const = 0;     // false: the engine failed to start
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
};

} // namespace brenvik
