#include "platform/mediacontrols.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>
#include <QtDebug>

namespace brenvik {

namespace {

const char* const kPath = "/org/mpris/MediaPlayer2";
const char* const kPlayerInterface = "org.mpris.MediaPlayer2.Player";
const char* const kPropertiesInterface = "org.freedesktop.DBus.Properties";

QString PlaybackText(Playback p) {
    switch (p) {
    case Playback::Playing:
        return QStringLiteral("Playing");
    case Playback::Paused:
        return QStringLiteral("Paused");
    case Playback::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap MetadataOf(const MediaState& s) {
    if (s.playback == Playback::Stopped) return {};
    QVariantMap m;
    // A track id per visit, so that the desktop sees a new question as a new track.
    m.insert(QStringLiteral("mpris:trackid"),
             QVariant::fromValue(QDBusObjectPath(
                 QStringLiteral("/org/mpris/MediaPlayer2/Brenvik/visit/%1").arg(s.visit))));
    m.insert(QStringLiteral("xesam:title"), s.title);
    // Applets show the artist under the title: there the session's progress reads best.
    m.insert(QStringLiteral("xesam:artist"), QStringList{s.progress});
    m.insert(QStringLiteral("xesam:album"), s.progress);
    return m;
}

} // namespace

std::optional<MediaCommand> MediaKeyCommand(int key) {
    switch (key) {
    case Qt::Key_MediaPlay:
    case Qt::Key_MediaTogglePlayPause:
        return MediaCommand::PlayPause;
    case Qt::Key_MediaPause:
        return MediaCommand::Pause;
    case Qt::Key_MediaNext:
        return MediaCommand::Next;
    case Qt::Key_MediaPrevious:
        return MediaCommand::Previous;
    case Qt::Key_MediaStop:
        return MediaCommand::Stop;
    default:
        return std::nullopt;
    }
}

// The object registered on the bus; the two adaptors below are its interfaces.
class MprisRoot : public QObject {
public:
    explicit MprisRoot(MprisControls& controls) : controls_(controls) {}
    MprisControls& controls_;
};

class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ no)
    Q_PROPERTY(bool CanRaise READ no)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ none)
    Q_PROPERTY(QStringList SupportedMimeTypes READ none)
public:
    explicit MprisRootAdaptor(MprisRoot* root) : QDBusAbstractAdaptor(root) {}
    bool no() const { return false; }
    QString identity() const { return QStringLiteral("Brenvik"); }
    QString desktopEntry() const { return QStringLiteral("org.example.tolmaric.Brenvik"); }
    QStringList none() const { return {}; }
};

class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(double Rate READ one)
    Q_PROPERTY(double MinimumRate READ one)
    Q_PROPERTY(double MaximumRate READ one)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ yes)
    Q_PROPERTY(bool CanGoPrevious READ yes)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)
public:
    explicit MprisPlayerAdaptor(MprisRoot* root) : QDBusAbstractAdaptor(root), root_(*root) {}

    QString playbackStatus() const { return PlaybackText(state().playback); }
    QVariantMap metadata() const { return MetadataOf(state()); }
    double volume() const { return state().muted ? 0.0 : 1.0; }
    void setVolume(double v) { Q_EMIT controls().volumeRequested(v); }
    double one() const { return 1.0; }
    qlonglong position() const { return 0; }
    bool yes() const { return true; }
    bool no() const { return false; }

public Q_SLOTS:
    void PlayPause() { send(MediaCommand::PlayPause); }
    void Play() { send(MediaCommand::Play); }
    void Pause() { send(MediaCommand::Pause); }
    void Next() { send(MediaCommand::Next); }
    void Previous() { send(MediaCommand::Previous); }
    void Stop() { send(MediaCommand::Stop); }

private:
    MprisControls& controls() const { return root_.controls_; }
    const MediaState& state() const { return controls().state(); }
    // Queued: the caller gets its reply at once, and the session's step runs on a fresh turn
    // of the event loop, as a key's would.
    void send(MediaCommand c) {
        QMetaObject::invokeMethod(
            &controls(), [c, target = &controls()] { Q_EMIT target->command(c); },
            Qt::QueuedConnection);
    }

    MprisRoot& root_;
};

const char* const MprisControls::ServiceName = "org.mpris.MediaPlayer2.Brenvik";

MprisControls::MprisControls(QObject* parent) : MediaControls(parent) {}

MprisControls::~MprisControls() {
    close();
}

bool MprisControls::open() {
    if (open_) return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const auto fail = [this, &bus](const char* what) {
        // Once per run: a desktop without a bus stays without one.
        if (!failureLogged_)
            qInfo("Media controls not offered: %s %s", what,
                  qUtf8Printable(bus.lastError().message()));
        failureLogged_ = true;
        return false;
    };
    if (!bus.isConnected()) return fail("no session bus.");
    if (!root_) {
        root_ = new MprisRoot(*this);
        new MprisRootAdaptor(root_);
        new MprisPlayerAdaptor(root_);
    }
    if (!bus.registerObject(QString::fromLatin1(kPath), root_, QDBusConnection::ExportAdaptors))
        return fail("the player's path is taken.");
    if (!bus.registerService(QString::fromLatin1(ServiceName))) {
        bus.unregisterObject(QString::fromLatin1(kPath));
        return fail("the player's name is taken.");
    }
    open_ = true;
    return true;
}

void MprisControls::close() {
    if (!open_) return;
    open_ = false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(QString::fromLatin1(ServiceName));
    bus.unregisterObject(QString::fromLatin1(kPath));
}

void MprisControls::publish(const MediaState& state) {
    const MediaState before = state_;
    state_ = state;
    if (!open_) return;
    QVariantMap changed;
    if (before.playback != state.playback)
        changed.insert(QStringLiteral("PlaybackStatus"), PlaybackText(state.playback));
    if (before.playback != state.playback || before.title != state.title ||
        before.progress != state.progress || before.visit != state.visit)
        changed.insert(QStringLiteral("Metadata"), MetadataOf(state));
    if (before.muted != state.muted)
        changed.insert(QStringLiteral("Volume"), state.muted ? 0.0 : 1.0);
    if (changed.isEmpty()) return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kPath),
                                                     QString::fromLatin1(kPropertiesInterface),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

} // namespace brenvik

#include "mediacontrols.moc"
