#include "tests/support/fakespeech.h"

#include <QTimer>
#include <QtDebug>

namespace brenvik {

FakeSpeechEngine::FakeSpeechEngine(QObject* parent) : SpeechEngine(parent) {
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &FakeSpeechEngine::finish);
}

QString FakeSpeechEngine::modeName(int mode) const {
    if (mode < 1 || mode > modes_.size()) return {};
    return modes_[mode - 1];
}

void FakeSpeechEngine::speak(const QString& text) {
    stopSpeaking();
    spoken.append(text);
    spokenIn.append(mode_);
    auto u = std::make_shared<Utterance>();
    current_ = u;
    speaking_ = true;
    if (failing_) {
        qWarning("speech: the fake engine failed to speak");
        finish();
        return;
    }
    queueStarted(u, [this, u] {
        if (durationMs_ >= 0 && u == current_ && !u->finishing) timer_->start(durationMs_);
    });
}

void FakeSpeechEngine::finish() {
    const auto u = current_;
    if (!u || u->finishing) return;
    u->finishing = true;
    speaking_ = false;
    timer_->stop();
    queueDone(u);
}

void FakeSpeechEngine::finishNow() {
    finish();
}

void FakeSpeechEngine::stopSpeaking() {
    if (!speaking_) return;
    ++stopCount;
    finish();
}

} // namespace brenvik
