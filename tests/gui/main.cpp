#include "platform/instanceguard.h"

#include <QApplication>
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

} // namespace

// The screen-saver tests' child process (screensaver_test.cpp).
int screenSaverChildMain(const char* mode);

int main(int argc, char* argv[]) {
    // Test discovery runs this binary at build time, where there may be no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
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
