#pragma once

#include "platform/speechengine.h"

#include <QList>
#include <QString>
#include <QVoice>

class QTextToSpeech;
class QTimer;

namespace brenvik {

// Speech through one engine of Qt TextToSpeech ("speechd" for Speech Dispatcher and every
// voice the desktop has installed there, "flite" for Flite's own voices). The voices of
// every language the engine knows are listed at creation; speaking a mode selects its
// language and voice first.
//
// Qt reports an utterance as state changes, which this wrapper turns into the interface's
// one `started` and one `done` per speak(): a Ready that comes before the utterance was
// heard speaking belongs to the one cut off before it and is not its end; an error ends it;
// so does stop, at once; and an engine that stays silent is given up after a bound that
// grows with the text, so nobody waits for ever.
class QtSpeechEngine : public SpeechEngine {
    Q_OBJECT
public:
    // `provider` is Qt's key for the engine, `displayName` the name the user sees.
    QtSpeechEngine(const QString& provider, const QString& displayName, QObject* parent = nullptr);
    ~QtSpeechEngine() override;

    // Qt's engines present on this system, Speech Dispatcher before Flite when both are.
    static QStringList providers();
    // The name the user sees for a provider key: "Speech Dispatcher", "Flite", else the key.
    static QString displayNameOf(const QString& provider);

    bool available() const override;
    QString failureText() const override { return failure_; }
    int modeCount() const override { return int(voices_.size()); }
    QString modeName(int mode) const override;
    int currentMode() const override { return mode_; }
    void setCurrentMode(int mode) override { mode_ = mode; }
    void speak(const QString& text) override;
    void stopSpeaking() override;
    bool speaking() const override { return speaking_; }
    QString engineName() const override { return displayName_; }
    QString modeLanguage(int mode) const override;
    void setProsody(double rate, double pitch) override;

    // The longest wait for an utterance of `chars` characters to end by itself.
    static int boundMs(qsizetype chars);

private:
    void stateChanged(int state);
    void failed(const QString& why);
    void finish(const UtterancePtr& u);

    QTextToSpeech* tts_ = nullptr;
    QString displayName_;
    QString failure_;
    QList<QVoice> voices_;
    int mode_ = 1;
    double rate_ = 0;
    double pitch_ = 0;
    bool speaking_ = false;
    bool heard_ = false; // the current utterance was reported speaking
    UtterancePtr current_;
    QTimer* guard_ = nullptr;  // gives up an utterance that never ends
    QTimer* settle_ = nullptr; // catches an engine left in its error state, which reports no change
};

} // namespace brenvik
