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
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

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
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {"--screensaver-child", mode});
    // Events run meanwhile, so that the stand-in service can answer the child.
    if (!waitUntil([&] { return child.state() == QProcess::NotRunning; }, 60000)) {
        child.kill();
        child.waitForFinished();
        return -1;
    }
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
}

} // namespace

// The child's half, started by the cases below through this program's
// "--screensaver-child MODE" switch (tests/gui/main.cpp): MODE is "held" when the bus offers
// the desktop service. Returns 0 when the saver behaved, else 1 with the reasons on stderr.
int screenSaverChildMain(const char* mode) {
    const bool held = std::strcmp(mode, "held") == 0;
    int failures = 0;
    const auto expect = [&failures](bool ok, const char* what) {
        if (ok) return;
        std::fprintf(stderr, "screen-saver child: %s\n", what);
        ++failures;
    };
    QElapsedTimer clock;
    clock.start();
    {
        DBusScreenSaver saver;
        saver.inhibit("Studying");
        expect(saver.inhibited() == held, "first inhibit");
        saver.inhibit("Again"); // already held: no second request
        saver.release();
        expect(!saver.inhibited(), "release");
        saver.release(); // nothing held: nothing sent
        saver.inhibit("Studying");
        expect(saver.inhibited() == held, "second inhibit");
    } // the destructor lets go
    expect(clock.elapsed() < 3000, "took 3 s or more");
    return failures == 0 ? 0 : 1;
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
