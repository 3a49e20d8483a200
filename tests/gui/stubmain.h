#pragma once

#include "library/colors.h"
#include "library/librarytree.h"
#include "library/settingsstore.h"
#include "mainwindow/maincommands.h"
#include "tests/support/fakeprompts.h"
#include "tests/support/fakeshellopen.h"
#include "tests/support/fakewebviewer.h"

#include <QColor>
#include <QString>
#include <functional>
#include <utility>

namespace brenvik {

// A main window for tests of the panels and editors: it hands out its services (a tree,
// fixed desktop colours, a settings store without a file, the fakes) and does nothing
// else. Tests derive from it and override what they record or act on. `P` is the prompt
// fake, FakePrompts or one derived from it.
template <class P = FakePrompts> class StubMain : public MainCommands {
public:
    explicit StubMain(QString folder) : folder_(std::move(folder)) {}

    LibraryTree& tree() override { return tree_; }
    NodeId selectedNode() const override { return NoNode; }
    void selectNode(NodeId) override {}
    Prompts& prompts() override { return prompts_; }
    const DesktopColors& desktopColors() const override { return colors_; }
    QString programFolder() const override { return folder_; }
    QString libraryFolder() const override { return libraryFolder_; }
    void Library1Click(int) override {}
    void Library2Click(int) override {}
    void CopySelectedClick(int) override {}
    void Library3Click(int) override {}
    void showOperation(Operation) override {}
    void showSession(Session) override {}
    void sessionLevelClick(Session, int) override {}
    void renameAtLevel(int, const QString&) override {}
    bool EditorBusy(const QString&) override { return false; }
    void RefreshSelectionViews() override {}
    int ConfirmBox(const QString&) override { return Prompts::Yes; }
    void SaveUndoState() override {}
    void SetUndoLabel(const QString&) override {}
    void BUndoClick() override {}
    void BRedoClick() override {}
    bool undoEnabled() const override { return false; }
    bool redoEnabled() const override { return false; }
    QString undoHint() const override { return {}; }
    QString redoHint() const override { return {}; }
    void Speak(const QString&) override {}
    void StopVoice() override {}
    SettingsStore& settings() override { return settings_; }
    void editorClosed() override {}
    void FormKeyUp(int, Qt::KeyboardModifiers) override {}
    void hotTabEnter(QWidget*) override {}
    void hotTabLeave() override {}
    QColor accentColor() const override { return QColor(211, 211, 211); }
    WebViewerFactory& webViewers() override { return web_; }
    ShellOpen& shell() override { return shell_; }
    bool ChooseAnswerFont(QWidget*) override { return false; }
    void previewQuestion(const QuestionRecord&, const QString&,
                         std::function<void()> closed) override {
        if (closed) closed();
    }

    P prompts_;
    FakeWebViewerFactory web_;
    FakeShellOpen shell_;
    LibraryTree tree_;
    FixedDesktopColors colors_;
    SettingsStore settings_;
    QString folder_;
    QString libraryFolder_; // empty: a library without a file
};

} // namespace brenvik
