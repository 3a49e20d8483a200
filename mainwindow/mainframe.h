#pragma once

#include "mainwindow/maincommands.h"

#include <QList>
#include <QSize>
#include <array>
#include <functional>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QMainWindow;
class QMenu;
class QScrollArea;
class QSplitter;
class QStackedWidget;
class QTabBar;
class QToolButton;
class QWidget;

namespace brenvik {

class ClickLabel;
class LevelPanel;
class ObjTreeView;
class TFormAddEditDelete;
class TFormAddNew;
class TFormCopySelected;
class TFormDeleteSelected;
class TFormEdit;
class TFormEditObject;
class TFormEditQuestion;
class TFormEditSelected;
class TFormFlashSelected;
class TFormImprintSelected;
class TFormReviewSelected;
class TFormSpacedSelected;
class TFormStudy;

// The main window's widgets, menus and embedded forms, set up the way a designer form's
// class sets up its widgets: names, captions, keys, icons and layout here, what they do in
// the window. Every widget carries its own name as object name.
struct MainFrame {
    // Menus. The Operation and the session items carry their Operation / Session in data(),
    // the Level items their level.
    QMenu* MFile = nullptr;
    QAction* MINew = nullptr;
    QAction* MIOpen = nullptr;
    QAction* MIImport = nullptr;
    QMenu* MReopen = nullptr;
    QAction* MISave = nullptr;
    QAction* MISaveAs = nullptr;
    QAction* MIExport = nullptr;
    QAction* MIExit = nullptr;
    QAction* MIUndo = nullptr;
    QAction* MIRedo = nullptr;
    QAction* Edit1 = nullptr;  // Mode > Edit
    QAction* Study1 = nullptr; // Mode > Study
    QActionGroup* operationItems = nullptr;
    QAction* Addnew1 = nullptr;
    QAction* Edit2 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Delete1 = nullptr;
    QActionGroup* sessionItems = nullptr;
    QAction* Imprintselected1 = nullptr;
    QAction* Flashselected1 = nullptr;
    QAction* Reviewselected1 = nullptr;
    QAction* Spacedreviewselected1 = nullptr;
    std::array<QAction*, 9> LevelItems{}; // index = level
    QAction* MIStatistics = nullptr;      // Level > Statistics...
    QAction* MIHelpStatistics = nullptr;  // Help > Statistics...
    QAction* Contents1 = nullptr;
    QAction* VisitSoftwareCoOnline = nullptr;
    QAction* About1 = nullptr;
    QMenu* PMObjs = nullptr; // the tree's pop-up menu
    QAction* PMIImprint = nullptr;
    QAction* PMIFlash = nullptr;
    QAction* PMIReview = nullptr;
    QAction* PMISpaced = nullptr;
    QAction* PMIEdit = nullptr;
    QAction* PMIImport = nullptr;

    // The tool strip.
    QWidget* PTools = nullptr;
    QTabBar* PCMode = nullptr;
    QToolButton* BUndo = nullptr;
    QToolButton* BRedo = nullptr;
    QToolButton* BSave = nullptr;
    QCheckBox* CBAutoSave = nullptr;
    ClickLabel* LSaveOnStudy = nullptr;
    ClickLabel* LDisaVoice = nullptr;
    QCheckBox* CBDisaVoice = nullptr;
    QComboBox* CBModes = nullptr;
    QToolButton* BVoice = nullptr; // the Voice dialog: answer voice, rate and pitch

    // The centre: the tree's panel on the left (the window puts TVObjs in), the pages of
    // the two modes on the right, the "Selected:" bar below.
    QWidget* PObjs = nullptr;
    ObjTreeView* TVObjs = nullptr;
    QSplitter* Splitter = nullptr;
    QWidget* PClient = nullptr;
    QScrollArea* ClientScroll = nullptr; // scrolls the pages where the screen is too small
    QStackedWidget* Pages = nullptr;
    QWidget* SB = nullptr;
    QLabel* PSB = nullptr;

    // The embedded forms; their panels (views, editors' PMain) live in Pages.
    TFormAddNew* FormAddNew = nullptr;
    TFormEditSelected* FormEditSelected = nullptr;
    TFormCopySelected* FormCopySelected = nullptr;
    TFormDeleteSelected* FormDeleteSelected = nullptr;
    TFormAddEditDelete* FormAddEditDelete = nullptr;
    TFormEditObject* FormEditObject = nullptr;
    TFormEditQuestion* FormEditQuestion = nullptr;
    TFormEdit* FormEdit = nullptr;
    TFormImprintSelected* FormImprintSelected = nullptr;
    TFormFlashSelected* FormFlashSelected = nullptr;
    TFormReviewSelected* FormReviewSelected = nullptr;
    TFormSpacedSelected* FormSpacedSelected = nullptr;
    TFormStudy* FormStudy = nullptr;

    static constexpr int MinWidth = 1024;
    static constexpr int MinHeight = 620;
    static constexpr int MinClientWidth = 718;
    static constexpr int MinTreeWidth = 138;

    // The window's minimum for a screen whose free area is `available`: the designed
    // minimum where it fits, else the screen's size, the pages then scrolling.
    static QSize minimumFor(const QSize& available);
    // Gives the window's and the client panel's minimums to `available` (see minimumFor).
    void fitMinimumsTo(QWidget& window, const QSize& available);

    void setupMenus(QMainWindow& window);
    void setupToolStrip(QWidget* parent);
    // Returns the central widget, tool strip on top; `makeTree` makes TVObjs in its panel,
    // in the place of the focus chain the tree has always had.
    QWidget* setupCentre(QWidget* parent, const std::function<ObjTreeView*(QWidget*)>& makeTree);
    void setupForms(MainCommands& main, QWidget* parent);
    // Moves the forms' panels into the pages; once the window is on screen.
    void embedForms();
    // The level of an Alt+letter key of the Level menu (Alt+L .. Alt+Q), else 0.
    static int levelForKey(const QKeyEvent* key);
    // Places the strip's left-hand buttons after the tree's width and the mode tabs.
    void placeToolButtons();

    QList<LevelPanel*> allPanels() const;
    LevelPanel* operationPanel(Operation op) const;
    LevelPanel* sessionPanel(Session s) const;
};

} // namespace brenvik
