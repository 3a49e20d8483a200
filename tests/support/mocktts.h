#pragma once

#include <QStringList>
#include <QTextToSpeechEngine>

namespace brenvik {

// A Qt TextToSpeech engine for tests, reached through QTextToSpeech like every other
// engine under the provider name "mock" (built in as a static plugin; Qt 6.4 ships none).
// It speaks nothing: the test reports its states, as a real engine's worker would.
//
// Voices: "alpha" (en-US), "bravo" (en-GB) and "carmen" (es-ES), listed per language as
// Qt's own engines do.
class MockTtsEngine : public QTextToSpeechEngine {
    Q_OBJECT
public:
    explicit MockTtsEngine(QObject* parent = nullptr);
    ~MockTtsEngine() override;

    // The engine most recently made, while it lives.
    static MockTtsEngine* last();

    QStringList said;     // every text handed to say()
    QStringList saidWith; // the voice of each
    int stops = 0;
    // Set state `s` and report it, as the engine's worker does.
    void report(QTextToSpeech::State s);

    QList<QLocale> availableLocales() const override;
    QList<QVoice> availableVoices() const override;
    void say(const QString& text) override;
    void stop(QTextToSpeech::BoundaryHint) override;
    void pause(QTextToSpeech::BoundaryHint) override {}
    void resume() override {}
    double rate() const override { return rate_; }
    bool setRate(double rate) override;
    double pitch() const override { return pitch_; }
    bool setPitch(double pitch) override;
    QLocale locale() const override { return locale_; }
    bool setLocale(const QLocale& locale) override;
    double volume() const override { return 1; }
    bool setVolume(double) override { return true; }
    QVoice voice() const override { return voice_; }
    bool setVoice(const QVoice& voice) override;
    QTextToSpeech::State state() const override { return state_; }
    QTextToSpeech::ErrorReason errorReason() const override { return error_; }
    QString errorString() const override { return errorText_; }

private:
    QList<QVoice> all_;
    QLocale locale_{QLocale::English, QLocale::UnitedStates};
    QVoice voice_;
    double rate_ = 0;
    double pitch_ = 0;
    QTextToSpeech::State state_ = QTextToSpeech::Ready;
    QTextToSpeech::ErrorReason error_ = QTextToSpeech::ErrorReason::NoError;
    QString errorText_;
};

} // namespace brenvik
