#pragma once

#include "platform/speechengine.h"

#include <functional>
#include <memory>
#include <vector>

namespace brenvik {

// Several speech engines as one: their voices are numbered one after the other, in the
// order of the engines, and each utterance goes to the engine of the current mode. An
// engine that is not available, or has no voices, is left out with a line in the log.
//
// The engines' own events are passed on as they come; since an engine stops the utterance
// before it when it speaks, and this one stops the other engines', at most one utterance is
// open at a time and the interface's order holds across engines.
class SpeechEngines : public SpeechEngine {
    Q_OBJECT
public:
    using Factory = std::function<std::unique_ptr<SpeechEngine>()>;

    explicit SpeechEngines(QObject* parent = nullptr);
    ~SpeechEngines() override;

    // Takes `engine` in at `index` (at the end when out of range); false when it was left
    // out. The modes of the engines after it move; modesChanged follows.
    bool addEngine(std::unique_ptr<SpeechEngine> engine, int index = -1);
    // Engines whose creation may take a moment (a speech server starting): made from the
    // event loop soon after, so the window is not held up, and added at the end in order.
    void addLater(Factory make);
    int engineCount() const { return int(engines_.size()); }
    SpeechEngine* engine(int i) const { return engines_[std::size_t(i)].get(); }

    bool available() const override;
    QString failureText() const override;
    int modeCount() const override;
    // "engine: voice (language)"
    QString modeName(int mode) const override;
    int currentMode() const override { return mode_; }
    void setCurrentMode(int mode) override { mode_ = mode; }
    void speak(const QString& text) override;
    void stopSpeaking() override;
    bool speaking() const override;
    QString modeEngine(int mode) const override;
    QString modeVoice(int mode) const override;
    QString modeLanguage(int mode) const override;
    void setProsody(double rate, double pitch) override;

private:
    // The engine of a mode and the mode's number there; null when out of range.
    SpeechEngine* locate(int mode, int* local) const;
    void makePending();

    std::vector<std::unique_ptr<SpeechEngine>> engines_;
    std::vector<Factory> pending_;
    QString failure_; // why the first engine left out was
    int mode_ = 1;
    double rate_ = 0;
    double pitch_ = 0;
    SpeechEngine* active_ = nullptr; // the engine of the last utterance
};

} // namespace brenvik
