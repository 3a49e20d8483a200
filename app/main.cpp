// The program: one instance per program folder, the main window with the real platform
// services.
#include "mainwindow/fmain.h"
#include "panels/faboutbox.h"
#include "platform/colorscheme.h"
#include "platform/desktopcolors.h"
#include "platform/espeakengine.h"
#include "platform/instanceguard.h"
#include "platform/programfolder.h"
#include "platform/prompts.h"
#include "platform/qtspeechengine.h"
#include "platform/screensaver.h"
#include "platform/shellopen.h"
#include "platform/soundplayer.h"
#include "platform/speechengines.h"
#include "platform/svgicon.h"
#include "platform/systemnames.h"
#include "platform/webviewer.h"

#include <QApplication>
#include <unistd.h>

int main(int argc, char* argv[]) {
    // The embedded web viewer's sandbox refuses to start for root.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The embedded web viewers share the window system's drawing contexts.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // Before any window: BRENVIK_COLOR_SCHEME=dark|light overrides the desktop's palette.
    brenvik::ApplyColorSchemeFromEnvironment();
    QApplication::setWindowIcon(brenvik::ProgramIcon());
    // The desktop matches the windows to the menu entry (and its icon) by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.tolmaric.Brenvik"));
    const QString title = brenvik::TAboutBox::applicationTitle();
    // The name only: a display name would be appended to every caption ("Bye — Brenvik").
    QApplication::setApplicationName(title);

    brenvik::DialogPrompts dialogs;
    brenvik::Prompts& prompts = dialogs;
    const brenvik::ProgramFolder::Result folder = brenvik::ProgramFolder::locate();
    if (folder.path.isEmpty()) {
        prompts.message(nullptr, QStringLiteral("Error"),
                        QString(title + QStringLiteral(" must be installed in order to run.")),
                        brenvik::Prompts::Icon::Error);
        return 1;
    }

    brenvik::InstanceGuard guard;
    // A lock that cannot be checked does not keep the program from starting: it runs unguarded.
    if (const auto lock = guard.tryAcquire(folder.path);
        lock && lock.value() == brenvik::InstanceGuard::Lock::Busy) {
        prompts.message(nullptr, QStringLiteral("Information"),
                        QString(QStringLiteral("Only one instance of ") + title +
                                QStringLiteral(" can be run.")),
                        brenvik::Prompts::Icon::Information);
        guard.notifyFirstInstance(folder.path);
        // The farewell without the spoken goodbye, then the end.
        brenvik::HostSystemNames names;
        brenvik::TAboutBox bye(folder.path, names.computerName(), names.userName());
        bye.showFarewellThen(633, [] { QCoreApplication::quit(); });
        return app.exec();
    }

    // espeak-ng first, so that the voice numbers of old settings files still name its voices;
    // Qt's engines join from the event loop, since one may wait for its speech server.
    brenvik::SpeechEngines speech;
    speech.addEngine(std::make_unique<brenvik::EspeakEngine>());
    for (const QString& provider : brenvik::QtSpeechEngine::providers())
        speech.addLater([provider] {
            return std::make_unique<brenvik::QtSpeechEngine>(
                provider, brenvik::QtSpeechEngine::displayNameOf(provider));
        });
    brenvik::DesktopShellOpen shell;
    brenvik::HostSystemNames names;
    brenvik::PaletteDesktopColors colors;
    brenvik::EngineWebViewerFactory web(folder.path);
    brenvik::DBusScreenSaver screenSaver;
    brenvik::MediaSoundPlayer sound;
    brenvik::MainDeps deps;
    deps.prompts = &dialogs;
    deps.speech = &speech;
    deps.shell = &shell;
    deps.names = &names;
    deps.colors = &colors;
    deps.web = &web;
    deps.screenSaver = &screenSaver;
    deps.sound = &sound;
    deps.programFolder = folder.path;

    brenvik::TFormMain window(deps);
    QObject::connect(&guard, &brenvik::InstanceGuard::raiseRequested, &window, [&window] {
        if (window.isMinimized()) window.showNormal();
        window.raise();
        window.activateWindow();
    });
    window.show();
    return app.exec();
}
