// The program: one instance per program folder, the main window with the real platform
// services, and the command line's help, version and files.
#include "mainwindow/fmain.h"
#include "panels/faboutbox.h"
#include "platform/colorscheme.h"
#include "platform/desktopcolors.h"
#include "platform/espeakengine.h"
#include "platform/instanceguard.h"
#include "platform/mediacontrols.h"
#include "platform/programfolder.h"
#include "platform/prompts.h"
#include "platform/qtspeechengine.h"
#include "platform/screensaver.h"
#include "platform/shellopen.h"
#include "platform/soundplayer.h"
#include "platform/speechengines.h"
#include "platform/startarguments.h"
#include "platform/svgicon.h"
#include "platform/systemnames.h"
#include "platform/webviewer.h"

#include "library/settingsstore.h"

#include <QApplication>
#include <QDir>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

QStringList argumentsOf(int argc, char* argv[]) {
    QStringList list;
    for (int i = 1; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

// Answers --help, --version and a refused option; -1 when the program is to start.
int answerWithoutWindow(const brenvik::StartArguments& args) {
    using Action = brenvik::StartArguments::Action;
    switch (args.action) {
    case Action::Help:
        std::fputs(brenvik::StartHelpText().toLocal8Bit().constData(), stdout);
        return 0;
    case Action::Version:
        std::fputs(brenvik::StartVersionText().toLocal8Bit().constData(), stdout);
        return 0;
    case Action::Refused:
        std::fprintf(stderr, "%s\n%s", args.error.toLocal8Bit().constData(),
                     brenvik::StartHelpHint().toLocal8Bit().constData());
        return 2;
    case Action::Run:
        break;
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[]) {
    // Before the application object, which needs a display: help and version need none.
    if (const int code = answerWithoutWindow(
            brenvik::ParseStartArguments(argumentsOf(argc, argv), false, QDir::currentPath()));
        code >= 0)
        return code;
    // The embedded web viewer's sandbox refuses to start for root.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The embedded web viewers share the window system's drawing contexts.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // Qt has taken its own options out: what is left are files, or options we do not know.
    const brenvik::StartArguments args =
        brenvik::ParseStartArguments(argumentsOf(argc, argv), true, QDir::currentPath());
    if (const int code = answerWithoutWindow(args); code >= 0) return code;
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
        // Files go to the running instance, which opens them: this start has done its work.
        if (!args.files.isEmpty() && guard.handOver(folder.path, args.files)) return 0;
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

    if (!folder.error.isEmpty())
        prompts.message(nullptr, QStringLiteral("Warning"), folder.error,
                        brenvik::Prompts::Icon::Warning);
    brenvik::SettingsStore settings(folder.settingsFile);

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
    brenvik::MprisControls media;
    brenvik::MainDeps deps;
    deps.prompts = &dialogs;
    deps.speech = &speech;
    deps.shell = &shell;
    deps.names = &names;
    deps.colors = &colors;
    deps.web = &web;
    deps.screenSaver = &screenSaver;
    deps.sound = &sound;
    deps.media = &media;
    deps.programFolder = folder.path;
    deps.settings = &settings;
    deps.openAtStart = args.files;

    brenvik::TFormMain window(deps);
    window.listenForSecondStarts(guard);
    window.show();
    return app.exec();
}
