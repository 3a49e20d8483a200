#include "platform/soundplayer.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>

namespace brenvik {

int SoundPlayer::beginPlay() {
    ++current_;
    ended_ = false;
    return current_;
}

void SoundPlayer::queueEnd(int play, const QString& reason) {
    QMetaObject::invokeMethod(
        this,
        [this, play, reason] {
            if (play != current_ || ended_) return;
            ended_ = true;
            if (reason.isEmpty())
                Q_EMIT finished(play);
            else
                Q_EMIT failed(play, reason);
        },
        Qt::QueuedConnection);
}

MediaSoundPlayer::MediaSoundPlayer(QObject* parent) : SoundPlayer(parent) {
    bound_ = new QTimer(this);
    bound_->setSingleShot(true);
    connect(bound_, &QTimer::timeout, this,
            [this] { end(QStringLiteral("playback did not end in time")); });
}

MediaSoundPlayer::~MediaSoundPlayer() {
    if (media_) media_->stop();
}

void MediaSoundPlayer::ensureMedia() {
    if (media_) return;
    media_ = new QMediaPlayer(this);
    output_ = new QAudioOutput(this);
    media_->setAudioOutput(output_);
    connect(media_, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus s) {
        if (s == QMediaPlayer::EndOfMedia) end({});
        if (s == QMediaPlayer::InvalidMedia) {
            const QString why = media_->errorString();
            end(why.isEmpty() ? QStringLiteral("the file could not be decoded") : why);
        }
    });
    connect(media_, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error, const QString& text) {
                end(text.isEmpty() ? QStringLiteral("the file could not be played") : text);
            });
    connect(media_, &QMediaPlayer::durationChanged, this, [this](qint64 ms) {
        // A known length replaces the guess: a long sound is not cut off, a stalled one
        // does not hold the session much past its end.
        if (playing_ && ms > 0) bound_->start(int(std::min<qint64>(ms, 3'600'000)) + slackMs_);
    });
}

int MediaSoundPlayer::play(const QString& path) {
    stop();
    const int n = beginPlay();
    const QFileInfo file(path);
    if (!file.isFile()) {
        queueEnd(n, QStringLiteral("no such file"));
        return n;
    }
    if (!file.isReadable()) {
        queueEnd(n, QStringLiteral("the file cannot be read"));
        return n;
    }
    // Without a sound output Qt 6.4's media backends (GStreamer and FFmpeg alike) crash
    // the program once playing starts: such a machine never gets that far.
    if (QMediaDevices::defaultAudioOutput().isNull()) {
        queueEnd(n, QStringLiteral("there is no sound output"));
        return n;
    }
    ensureMedia();
    playing_ = n;
    bound_->start(unknownMs_);
    media_->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    // Setting the source may already have failed it.
    if (playing_ == n) media_->play();
    return n;
}

void MediaSoundPlayer::end(const QString& reason) {
    if (!playing_) return;
    const int n = playing_;
    playing_ = 0;
    bound_->stop();
    if (!reason.isEmpty() && media_) media_->stop();
    queueEnd(n, reason);
}

void MediaSoundPlayer::stop() {
    cancelPlay();
    if (!playing_) return;
    playing_ = 0;
    bound_->stop();
    if (media_) media_->stop();
}

} // namespace brenvik
