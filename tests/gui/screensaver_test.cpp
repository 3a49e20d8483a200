// Screen-saver inhibition over D-Bus: against a private bus with a stand-in desktop service,
// against a bus without the service, and with no bus at all. The session bus of a process is
// fixed when first used, so each case runs in a child process of this test program.
#include "tests/support/fakescreensaver.h"
#include "waituntil.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

const char* const kChildMode = "BRENVIK_SCREENSAVER_CHILD"; // "held" or "none"

// The desktop's side: answers Inhibit with a cookie and records every call.
class FakeDesktop : public QDBusVirtualObject {
public:
    QStringList calls;
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != "org.freedesktop.ScreenSaver") return false;
        QStringList args;
        for (const QVariant& a : message.arguments())
            args << a.toString();
        calls << message.member() + "(" + args.join(", ") + ")";
        QDBusMessage reply = message.createReply();
        if (message.member() == "Inhibit") reply << uint(42);
        connection.send(reply);
        return true;
    }
};

// Runs the child case of this program on the given session bus; its exit code.
int runChild(const QString& busAddress, const char* mode) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
    env.insert(kChildMode, mode);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=DBusScreenSaverChild.*"});
    // Events run meanwhile, so that the stand-in service can answer the child.
    if (!waitUntil([&] { return child.state() == QProcess::NotRunning; }, 60000)) {
        child.kill();
        child.waitForFinished();
        return -1;
    }
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

} // namespace

// The child's half: only meaningful when started by the cases below.
TEST(DBusScreenSaverChild, InhibitAndRelease) {
    const QByteArray mode = qgetenv(kChildMode);
    if (mode.isEmpty()) GTEST_SKIP() << "runs as a child of DBusScreenSaver tests";
    QElapsedTimer clock;
    clock.start();
    {
        DBusScreenSaver saver;
        saver.inhibit("Studying");
        EXPECT_EQ(saver.inhibited(), mode == "held");
        saver.inhibit("Again"); // already held: no second request
        saver.release();
        EXPECT_FALSE(saver.inhibited());
        saver.release(); // nothing held: nothing sent
        saver.inhibit("Studying");
        EXPECT_EQ(saver.inhibited(), mode == "held");
    } // the destructor lets go
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST(DBusScreenSaver, ReachesTheDesktopServiceAndIsQuietWithoutOne) {
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
    QProcess bus;
    bus.start(daemon, {"--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(bus.waitForStarted(10000));
    ASSERT_TRUE(waitUntil([&] { return bus.canReadLine(); }, 10000));
    const QString address = QString::fromUtf8(bus.readLine()).trimmed();
    ASSERT_FALSE(address.isEmpty());

    {
        // A bus where no desktop offers the service.
        EXPECT_EQ(runChild(address, "none"), 0);

        QDBusConnection desktop = QDBusConnection::connectToBus(address, "brenvik-fake-desktop");
        ASSERT_TRUE(desktop.isConnected());
        FakeDesktop service;
        ASSERT_TRUE(desktop.registerVirtualObject("/org/freedesktop/ScreenSaver", &service));
        ASSERT_TRUE(desktop.registerService("org.freedesktop.ScreenSaver"));
        EXPECT_EQ(runChild(address, "held"), 0);
        EXPECT_EQ(service.calls,
                  (QStringList{"Inhibit(brenvik_gui_tests, Studying)", "UnInhibit(42)",
                               "Inhibit(brenvik_gui_tests, Studying)", "UnInhibit(42)"}));
        desktop.unregisterObject("/org/freedesktop/ScreenSaver");
    }
    QDBusConnection::disconnectFromBus("brenvik-fake-desktop");
    bus.terminate();
    bus.waitForFinished(5000);

    // No bus at all.
    EXPECT_EQ(runChild("unix:path=/nonexistent/brenvik-bus", "none"), 0);
}
