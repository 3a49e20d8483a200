#include "platform/instanceguard.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// Helper mode for the instance-guard tests: a second process that holds the lock of a folder
// until it is killed, printing "locked" once it holds it and "raised" per raise request.
int holdInstanceLock(QApplication& app, const char* folder) {
    brenvik::InstanceGuard guard;
    const auto lock = guard.tryAcquire(QString::fromLocal8Bit(folder));
    if (!lock || lock.value() != brenvik::InstanceGuard::Lock::Held) {
        std::printf("busy\n");
        std::fflush(stdout);
        return 1;
    }
    QObject::connect(&guard, &brenvik::InstanceGuard::raiseRequested, &app, [] {
        std::printf("raised\n");
        std::fflush(stdout);
    });
    std::printf("locked\n");
    std::fflush(stdout);
    return app.exec();
}

// The offscreen platform's screen is 800 x 600 unless told otherwise, smaller than the main
// window's minimum; the tests run on a screen of a common desktop's size, or on the one
// BRENVIK_TEST_SCREEN names ("1366x768"), with QT_SCALE_FACTOR for a scaled one.
void configureOffscreenScreen(QTemporaryDir& folder) {
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen" || !folder.isValid()) return;
    QByteArray size = qgetenv("BRENVIK_TEST_SCREEN");
    if (size.isEmpty()) size = "1280x1024";
    const QList<QByteArray> wh = size.split('x');
    if (wh.size() != 2) return;
    const QString path = folder.filePath(QStringLiteral("screens.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write("{\"screens\": [{\"name\": \"test\", \"x\": 0, \"y\": 0, \"width\": " + wh[0] +
               ", \"height\": " + wh[1] + ", \"logicalDpi\": 96, \"dpr\": 1}]}");
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + path.toLocal8Bit());
}

} // namespace

// The screen-saver tests' child process (screensaver_test.cpp).
int screenSaverChildMain(const char* mode);

int main(int argc, char* argv[]) {
    // Test discovery runs this binary at build time, where there may be no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QTemporaryDir screenFolder;
    configureOffscreenScreen(screenFolder);
    // The embedded web viewers share the window system's drawing contexts.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The program uses the desktop's file dialogs where there are; the tests drive Qt's own.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--hold-instance-lock") == 0)
        return holdInstanceLock(app, argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--screensaver-child") == 0)
        return screenSaverChildMain(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
