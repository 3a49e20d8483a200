#pragma once

#include "platform/soundplayer.h"

#include <QStringList>

class QTimer;

namespace brenvik {

// A sound player for tests: records what it is asked to play and reports each play's end
// like the real player, queued, after a configurable time.
class FakeSoundPlayer : public SoundPlayer {
    Q_OBJECT
public:
    explicit FakeSoundPlayer(QObject* parent = nullptr);

    QStringList played; // every path handed to play(), in order
    int stopCount = 0;  // stop() calls that cut a play
    // Paths whose play fails, as a file that cannot be decoded does.
    QStringList undecodable;

    // Time a play lasts; negative: it ends only by stop() or finishNow().
    void setDurationMs(int ms) { durationMs_ = ms; }
    bool playing() const { return playing_ != 0; }
    int lastPlay() const { return currentPlay(); }
    // Ends the current play now, as if the file had run out.
    void finishNow();
    // Emits `finished` for `play` as is, past every guard: a backend's late report.
    void deliverLate(int play) { Q_EMIT finished(play); }

    int play(const QString& path) override;
    void stop() override;

private:
    int durationMs_ = 0;
    int playing_ = 0;
    QTimer* timer_ = nullptr;
};

} // namespace brenvik
