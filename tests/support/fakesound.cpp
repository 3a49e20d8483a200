#include "tests/support/fakesound.h"

#include <QTimer>

namespace brenvik {

FakeSoundPlayer::FakeSoundPlayer(QObject* parent) : SoundPlayer(parent) {
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &FakeSoundPlayer::finishNow);
}

int FakeSoundPlayer::play(const QString& path) {
    stop();
    played.append(path);
    const int n = beginPlay();
    if (undecodable.contains(path)) {
        queueEnd(n, QStringLiteral("the file could not be decoded"));
        return n;
    }
    playing_ = n;
    if (durationMs_ >= 0) timer_->start(durationMs_);
    return n;
}

void FakeSoundPlayer::finishNow() {
    if (!playing_) return;
    const int n = playing_;
    playing_ = 0;
    timer_->stop();
    queueEnd(n);
}

void FakeSoundPlayer::stop() {
    cancelPlay();
    if (!playing_) return;
    ++stopCount;
    playing_ = 0;
    timer_->stop();
}

} // namespace brenvik
