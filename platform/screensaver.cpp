#include "platform/screensaver.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>

namespace brenvik {

namespace {

const char* const kService = "org.freedesktop.ScreenSaver";
const char* const kPath = "/org/freedesktop/ScreenSaver";
const char* const kInterface = "org.freedesktop.ScreenSaver";
// A desktop that answers at all answers at once; a stuck one must not freeze a session start.
constexpr int kCallTimeoutMs = 500;

} // namespace

DBusScreenSaver::~DBusScreenSaver() {
    release();
}

void DBusScreenSaver::inhibit(const QString& reason) {
    if (held_) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Where no service runs the bus answers at once with an error: nothing is held.
    if (!bus.isConnected()) return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                       QString::fromLatin1(kInterface), QStringLiteral("Inhibit"));
    QString app = QCoreApplication::applicationName();
    if (app.isEmpty()) app = QStringLiteral("Brenvik");
    call << app << reason;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
    bool ok = false;
    const unsigned cookie = reply.arguments().constFirst().toUInt(&ok);
    if (!ok) return;
    cookie_ = cookie;
    held_ = true;
}

void DBusScreenSaver::release() {
    if (!held_) return;
    held_ = false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kService), QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
        QStringLiteral("UnInhibit"));
    call << cookie_;
    // Waited for (briefly) so that the release has reached the desktop before a quit.
    bus.call(call, QDBus::Block, kCallTimeoutMs);
    cookie_ = 0;
}

} // namespace brenvik
