#pragma once

#include "platform/speechengine.h"

#include <QStringList>
#include <memory>

class QTimer;

namespace brenvik {

// A speech engine for tests: records what it is asked to say and reports each utterance
// with `started` then `done`, like the real engine, after a configurable time.
class FakeSpeechEngine : public SpeechEngine {
    Q_OBJECT
public:
    explicit FakeSpeechEngine(QObject* parent = nullptr);

    QStringList spoken;  // every text handed to speak(), in order
    QList<int> spokenIn; // the mode each of them was spoken in
    int stopCount = 0;   // stopSpeaking() calls that cut an utterance
    double rate = 0;     // as last set through setProsody()
    double pitch = 0;

    // Time from `started` to `done`; negative: never by itself, only by stop or finishNow().
    void setDurationMs(int ms) { durationMs_ = ms; }
    void setAvailable(bool on, const QString& failure = {}) {
        available_ = on;
        failure_ = failure;
    }
    void setModeNames(const QStringList& names) { modes_ = names; }
    // The voices' language tags, in mode order.
    void setModeLanguages(const QStringList& tags) { languages_ = tags; }
    void setEngineName(const QString& name) { engineName_ = name; }
    // Ends the current utterance now, as if its sound had run out.
    void finishNow();
    // On: every utterance fails as a real engine's does when it cannot say a text (its
    // synthesiser or its server refuses): a line in the log, no sound, and its started and
    // done at once.
    void setFailing(bool on) { failing_ = on; }

    bool available() const override { return available_; }
    QString failureText() const override { return failure_; }
    int modeCount() const override { return int(modes_.size()); }
    QString modeName(int mode) const override;
    int currentMode() const override { return mode_; }
    void setCurrentMode(int mode) override { mode_ = mode; }
    void speak(const QString& text) override;
    void stopSpeaking() override;
    bool speaking() const override { return speaking_; }
    QString engineName() const override { return engineName_; }
    QString modeLanguage(int mode) const override { return languages_.value(mode - 1); }
    void setProsody(double r, double p) override {
        rate = r;
        pitch = p;
    }

private:
    void finish();

    QStringList modes_{QStringLiteral("Voice 1"), QStringLiteral("Voice 2"),
                       QStringLiteral("Voice 3")};
    QStringList languages_;
    QString engineName_;
    bool available_ = true;
    QString failure_;
    int mode_ = 1;
    int durationMs_ = 0;
    bool failing_ = false;
    bool speaking_ = false;
    std::shared_ptr<Utterance> current_;
    QTimer* timer_ = nullptr;
};

} // namespace brenvik
