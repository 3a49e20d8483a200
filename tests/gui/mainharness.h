#pragma once

#include "library/colors.h"
#include "library/settingsstore.h"
#include "mainwindow/fmain.h"
#include "tests/support/fakespeech.h"
#include "tests/support/fakewebviewer.h"
#include "tests/support/fakeprompts.h"
#include "tests/support/fakescreensaver.h"
#include "tests/support/fakeshellopen.h"
#include "platform/systemnames.h"
#include "waituntil.h"

#include <QTemporaryDir>
#include <memory>

namespace brenvik {

// A started main window on fakes of every platform service, in a fresh program folder.
// Tests reach the fakes through the members.
struct MainHarness {
    QTemporaryDir folder;
    FakePrompts prompts;
    FakeSpeechEngine speech;
    FakeShellOpen shell;
    FakeWebViewerFactory web;
    FakeScreenSaver screenSaver;
    FixedSystemNames names{QStringLiteral("HOST"), QStringLiteral("ann")};
    FixedDesktopColors colors;
    SettingsStore store; // defaults only
    MainDeps deps;
    std::unique_ptr<TFormMain> window;

    // Creates and shows the window and waits for its start-up to end; false on a time-out.
    bool start() {
        if (!folder.isValid()) return false;
        deps.prompts = &prompts;
        deps.speech = &speech;
        deps.shell = &shell;
        deps.web = &web;
        deps.screenSaver = &screenSaver;
        deps.names = &names;
        deps.colors = &colors;
        deps.programFolder = folder.path();
        deps.settings = &store;
        deps.speechWaitMs = 2000;
        window = std::make_unique<TFormMain>(deps);
        window->show();
        return waitUntil([this] { return window->closeAllowed(); });
    }
    ~MainHarness() { window.reset(); }

    NodeId find(const char* text) const {
        const LibraryTree& t = window->tree();
        for (NodeId n = t.first(); n != NoNode; n = t.preorderNext(n))
            if (t.text(n) == text) return n;
        return NoNode;
    }
};

} // namespace brenvik
