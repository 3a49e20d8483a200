#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

namespace brenvik {

// What a media control asks for: a headset's button, a keyboard's media key, the desktop's
// media applet.
enum class MediaCommand { PlayPause, Play, Pause, Next, Previous, Stop };

// The command of a media key (Qt::Key_Media...), or none. The keyboard's play key toggles,
// as a player's play button does.
std::optional<MediaCommand> MediaKeyCommand(int key);

enum class Playback { Playing, Paused, Stopped };

// What the desktop shows of the session.
struct MediaState {
    Playback playback = Playback::Stopped;
    QString title;    // the question's name
    QString progress; // "Flashing question 3 of 20"
    int visit = 0;    // tells the desktop that another question is on
    bool muted = false;
};

// The study window's player on the desktop. Offered while a session runs; the commands come
// back as signals. Where there is no desktop to offer it to, open() fails quietly and the
// session runs without it.
class MediaControls : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~MediaControls() override = default;

    // False when the player could not be offered (no session bus, the name taken).
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void publish(const MediaState& state) = 0;

Q_SIGNALS:
    void command(brenvik::MediaCommand command);
    // The desktop set the player's volume: 0 mutes, anything above unmutes.
    void volumeRequested(double volume);
};

class MprisRoot;

// The player as org.mpris.MediaPlayer2.Brenvik on the session bus, at /org/mpris/MediaPlayer2
// with the MediaPlayer2 and MediaPlayer2.Player interfaces.
class MprisControls : public MediaControls {
    Q_OBJECT
public:
    explicit MprisControls(QObject* parent = nullptr);
    ~MprisControls() override;

    bool open() override;
    void close() override;
    bool isOpen() const override { return open_; }
    void publish(const MediaState& state) override;

    static const char* const ServiceName;
    const MediaState& state() const { return state_; }

private:
    MprisRoot* root_ = nullptr;
    MediaState state_;
    bool open_ = false;
    bool failureLogged_ = false;
};

} // namespace brenvik
