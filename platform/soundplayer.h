#pragma once

#include <QObject>
#include <QString>

class QAudioOutput;
class QMediaPlayer;
class QTimer;

namespace brenvik {

// Plays sound files, one at a time. Every play() is numbered, and exactly one of
// `finished` and `failed` follows it, queued to the UI thread, never from inside play();
// a play cut off by stop() or by the next play() reports nothing more, even if its end
// was already on its way.
class SoundPlayer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SoundPlayer() override = default;

    // Starts playing the file at `path`, stopping what plays first; returns the play's
    // number, which the signals carry.
    virtual int play(const QString& path) = 0;
    virtual void stop() = 0;

Q_SIGNALS:
    void finished(int play);
    void failed(int play, const QString& reason);

protected:
    // A new play's number; the one before it will report nothing more.
    int beginPlay();
    // The current play reports nothing more.
    void cancelPlay() { ++current_; }
    int currentPlay() const { return current_; }
    // Queues the end of `play`: `finished` when `reason` is empty, else `failed`. Only the
    // first end queued for the current play is delivered.
    void queueEnd(int play, const QString& reason = {});

private:
    int current_ = 0;
    bool ended_ = false; // the current play's end has been delivered
};

// The real player: Qt Multimedia. A file that cannot be played, a machine without a sound
// output, or a backend that never reports the end all end in `failed` within a bound: the
// file's length and some slack once the length is known, a few seconds until then.
class MediaSoundPlayer : public SoundPlayer {
    Q_OBJECT
public:
    explicit MediaSoundPlayer(QObject* parent = nullptr);
    ~MediaSoundPlayer() override;

    int play(const QString& path) override;
    void stop() override;

    // The bound while the length is unknown, and the slack after a known length.
    void setBounds(int unknownLengthMs, int slackMs) {
        unknownMs_ = unknownLengthMs;
        slackMs_ = slackMs;
    }

private:
    void ensureMedia();
    void end(const QString& reason);

    QMediaPlayer* media_ = nullptr; // made on the first play: most sessions play nothing
    QAudioOutput* output_ = nullptr;
    QTimer* bound_ = nullptr;
    int playing_ = 0; // the play the media player is busy with; 0: none
    int unknownMs_ = 5000;
    int slackMs_ = 3000;
};

} // namespace brenvik
