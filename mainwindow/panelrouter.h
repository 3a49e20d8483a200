#pragma once

#include "library/librarytree.h"
#include "mainwindow/maincommands.h"

class QString;
class QWidget;

namespace brenvik {

class LevelPanel;
class TFormWizard;
struct MainFrame;

// The window's side of its embedded panels: which operation and session panel shows, the
// editors opened in place of the operation panels and closed again, the guard while an
// editor is open, the panels' level rows and the Level menu after a selection change, and
// the menu checks that follow the panels.
class PanelRouter {
public:
    PanelRouter(MainCommands& main, MainFrame& frame, QWidget& window);

    bool editorOpen() const;
    // With an editor open: says what to click first and returns true.
    bool editorBusy(const QString& phrase);
    void refresh();
    // Edit selected at `level` (1..8): the object editor, or the question editor at 8.
    void openEditor(int level);
    void editorClosed();
    void showOperation(Operation op);
    void showSession(Session s);
    // The Level menu and the Operation menu.
    void levelMenuClick(int level);
    void operationMenuClick(Operation op);

    Session visibleSession() const { return session_; }
    LevelPanel* visibleSessionPanel() const;
    bool operationVisible(Operation op) const;
    void updateChecks();
    bool isEditMode() const;

    // The question the Add-new panel has just added, for its editor to open at once.
    void setAddedQuestion(NodeId question) { addedQuestion_ = question; }
    TFormWizard* wizard() const { return wizard_; }
    void wizardOpened(TFormWizard* wizard) { wizard_ = wizard; }
    void wizardClosed(TFormWizard* wizard) {
        if (wizard_ == wizard) wizard_ = nullptr;
    }

private:
    MainCommands& main_;
    MainFrame& frame_;
    QWidget& window_;
    Session session_ = Session::Imprint;
    NodeId addedQuestion_ = NoNode;
    TFormWizard* wizard_ = nullptr; // the open question wizard
};

} // namespace brenvik
