#pragma once

#include "library/librarytree.h"
#include "library/result.h"
#include "mainwindow/filemenu.h"
#include "mainwindow/maincommands.h"
#include "mainwindow/mainframe.h"
#include "mainwindow/mainsettings.h"
#include "mainwindow/objtreeview.h"
#include "mainwindow/panelrouter.h"
#include "study/core/schedule.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class QScreen;
class QTimer;

namespace brenvik {

class DesktopColors;
class LibraryItemModel;
class Prompts;
class SettingsStore;
class SpeechEngine;
class WebViewerFactory;
class TreeCommands;
class UndoStore;
class LibraryDocument;
class ShellOpen;
class SystemNames;
class ScreenSaver;
class SoundPlayer;
class MediaControls;
class TAboutBox;
class TFormMain;
class StudyLauncher;
class ExportCommand;
class MainVoice;
class VoiceDialog;
class MainKeys;
class HotTab;
class TFormWizard;
class TFormImport;
class FileArrivals;
class InstanceGuard;
class TFormStatistics;
namespace srs {
class StudyHistory;
class SessionSummary;
} // namespace srs

// What the main window needs from the platform; the program passes the real services,
// tests pass fakes. Nothing here is owned by the window.
struct MainDeps {
    Prompts* prompts = nullptr;
    SpeechEngine* speech = nullptr;
    ShellOpen* shell = nullptr;
    SystemNames* names = nullptr;
    const DesktopColors* colors = nullptr;
    WebViewerFactory* web = nullptr;
    ScreenSaver* screenSaver = nullptr;
    SoundPlayer* sound = nullptr;   // null: the study window skips sounds
    MediaControls* media = nullptr; // the desktop's player during sessions; null: none
    QString programFolder;
    // Null: the window keeps its settings in "brenvik.ini" in the program folder.
    SettingsStore* settings = nullptr;
    // Bound for the greeting and farewell waits on the speech engine.
    int speechWaitMs = 10000;
    // Bound of the study window's wait for web panes to load.
    int studyWebWaitMs = 20000;
    // Library files named on the command line: the first is opened once the start-up has
    // ended, instead of the demo being shown.
    QStringList openAtStart;
    // The time grades are recorded at and spaced sessions are scheduled by, in UTC
    // seconds; null: the system clock.
    std::function<std::int64_t()> clock;
};

// The program's frame: the tree of the library on the left, the edit and study pages on
// the right, menus and the tool strip on top. It owns the tree, its model, the undo
// store and the document, runs start-up and shutdown, and offers the commands that the
// embedded panels call through MainCommands.
class TFormMain : public QMainWindow, public MainCommands, private MainFrame {
    Q_OBJECT
public:
    explicit TFormMain(const MainDeps& deps, QWidget* parent = nullptr);
    ~TFormMain() override;

    // MainCommands
    LibraryTree& tree() override { return tree_; }
    NodeId selectedNode() const override;
    void selectNode(NodeId node) override;
    Prompts& prompts() override { return *deps_.prompts; }
    const DesktopColors& desktopColors() const override { return *deps_.colors; }
    QString programFolder() const override { return deps_.programFolder; }
    QString libraryFolder() const override;
    void Library1Click(int level) override;
    void Library2Click(int level) override {
        if (startupFinished()) panels_.openEditor(level);
    }
    void CopySelectedClick(int level) override;
    void Library3Click(int level) override;
    void showOperation(Operation op) override { panels_.showOperation(op); }
    void showSession(Session s) override { panels_.showSession(s); }
    void sessionLevelClick(Session s, int level) override { startStudy(s, level); }
    srs::StudyHistory* studyHistory() override { return history_.get(); }
    std::int64_t clockNow() const override {
        return deps_.clock ? deps_.clock() : StudyRecords::clockNow();
    }
    void renameAtLevel(int level, const QString& name) override;
    bool EditorBusy(const QString& phrase) override { return panels_.editorBusy(phrase); }
    void RefreshSelectionViews() override { panels_.refresh(); }
    int ConfirmBox(const QString& text) override;
    void SaveUndoState() override;
    void SetUndoLabel(const QString& label) override;
    void CancelUndoState() override;
    void BUndoClick() override;
    void BRedoClick() override;
    bool undoEnabled() const override;
    bool redoEnabled() const override;
    QString undoHint() const override;
    QString redoHint() const override;
    void Speak(const QString& text) override;
    void SpeakSide(const QString& text, SpeechSide side, const QString& voice) override;
    void StopVoice() override;
    SettingsStore& settings() override { return settings_.store(); }
    void editorClosed() override;
    void FormKeyUp(int key, Qt::KeyboardModifiers modifiers) override;
    void hotTabEnter(QWidget* tab) override;
    void hotTabLeave() override;
    QColor accentColor() const override;
    WebViewerFactory& webViewers() override { return *deps_.web; }
    ShellOpen& shell() override { return *deps_.shell; }
    bool ChooseAnswerFont(QWidget* parent) override;
    void previewQuestion(const QuestionRecord& record, const QString& title,
                         std::function<void()> closed) override;
    void wizardOpened(TFormWizard* wizard) override { panels_.wizardOpened(wizard); }
    void wizardClosed(TFormWizard* wizard) override;

    // Tree view hooks.
    bool TVObjsEditing(NodeId node);
    void TVObjsEdited(NodeId node, const QString& text);
    bool TVObjsDragOver(NodeId dragged, NodeId target);
    bool TVObjsDragDrop(NodeId dragged, NodeId target);
    void TVObjsMouseDown(const QPoint& globalPos, const QModelIndex& index);
    void dragEnded();
    bool selectionMayChange();

    // File menu.
    void MINewClick() { files_->newLibrary(computerName(), userName()); }
    void MIOpenClick() { files_->open(); }
    void openFile(const QString& path) { files_->openFile(path); }
    // A file is being read off the UI thread: the window takes no command meanwhile.
    bool fileWorkRunning() const { return files_ && files_->working(); }
    FileMenuCommands& fileCommands() const { return *files_; }
    bool MISaveClick() { return files_->save(); } // false when cancelled or failed
    bool MISaveAsClick() { return files_->saveAs(); }
    // The menu's and the tool strip's Save and Save As: written off the UI thread.
    void saveCommand();
    void saveAsCommand();
    // File > Import: a file, the import dialog, then the import below the selection's
    // object (fmain_import.cpp).
    void MIImportClick();
    TFormImport* importDialog() const; // the one shown, or null
    // Asks "Save changes?" for a modified document: true when the caller may go on at once
    // (nothing to save, or No); a Yes writes the file off the UI thread and answers false.
    bool querySaveChanges() {
        return files_->saveChangesFirst([] {}) == FileMenuCommands::Proceed::Now;
    }
    // Files from outside the menus: the command line's, a later start's, dropped ones
    // (fmain_files.cpp).
    FileArrivals& fileArrivals() const { return *arrivals_; }
    // A later start of the program (its guard) raises this window and hands it its files.
    void listenForSecondStarts(InstanceGuard& guard);
    void bringToFront();

    // Mode and panels.
    bool isEditMode() const { return panels_.isEditMode(); }
    void Edit1Click();
    void Study1Click();
    void Contents1Click();
    void VisitSoftwareCoOnlineClick();
    void About1Click();
    void MIExitClick();
    void FillVoiceModes();
    bool muted() const;
    bool speaking() const;
    bool startupFinished() const;
    bool closeAllowed() const { return CloseAllowed; }
    bool editorOpen() const { return panels_.editorOpen(); }

    LibraryItemModel* model() const { return model_; }
    UndoStore* undoStore() const { return undo_; }
    LibraryDocument* document() const { return doc_; }
    // The study history of the library in the tree.
    srs::StudyHistory& history() const { return *history_; }

    // The study road (fmain_study.cpp).
    RandomGenerator& random() { return random_; }
    // Starts a session of kind `s` on the questions below the selection's object at
    // `level`: checks them (with the progress window), then runs the study window. Returns
    // at once; F9 is free again on every way out.
    void startStudy(Session s, int level);
    bool studyBusy() const;
    bool studyWindowShowing() const;
    // The tree's pop-up "Imprint", "Flash", "Review", "Spaced review": to Study mode, that kind's
    // panel, and a session at the deepest level of the selection.
    void PMISessionClick(Session s);

    bool F9Busy = false;

    // Statistics (fmain_statistics.cpp): the Statistics window for the selection's object,
    // from the Level and Help menus and the spaced session's panel; raised when it is open.
    void showStatistics();
    TFormStatistics* statisticsWindow() const;
    // The line the last session ended with, in the window's status bar; empty before one.
    QString sessionSummaryText() const;

Q_SIGNALS:
    // The start-up greeting has finished (CloseAllowed is set).
    void startupDone();

protected:
    void showEvent(QShowEvent* event) override;
    // The minimum size gives way to a screen too small for it (see MainFrame::minimumFor).
    void fitToScreen();
    void watchScreen(QScreen* screen);
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // fmain.cpp: frame, start-up, shutdown.
    void connectFrame();
    void createTree();
    void afterLoad(); // a new or loaded library: its top objects open, the first selected
    void createTimers();
    void FormShow();
    void FormActivate();
    void TInitTimer();
    void greeted(); // the rest of the start-up, once the greeting has been said
    // The farewell: the box, a pause, "Goodbye." when `speech`, then `then`.
    void SayGoodbye(bool speech, std::function<void()> then);
    void leaveForFarewell();
    static constexpr int FarewellPauseMs = 633;
    void PCModeChanged(int index);
    enum class Mode { Edit, Study };
    // The one way the mode changes: with `ask`, an open editor may refuse (false).
    bool setMode(Mode mode, bool ask);
    void PCModeChange();
    void SplitterMoved();
    void writeSettings();
    bool splashShowing() const; // the About box of the start-up or farewell
    void updateUndoButtons();
    void showError(const QString& text);
    void sessionEnding();
    QString computerName() const;
    QString userName() const;
    void openWithShell(const QString& target);

    // fmain_commands.cpp
    void PMObjsPopup();
    void PMIEditClick();
    void TVObjsChange();
    void ensureSelection();
    int deepestObjectLevel() const; // the deepest level with an object on the selection's path
    TreeCommands treeCommands();

    // fmain_study.cpp
    void createStudyLauncher();
    void openProblemQuestion(NodeId question);

    // fmain_speech.cpp
    void createVoice();

    // fmain_files.cpp
    void createFileArrivals();
    bool arrivalsMustWait() const;
    // fmain_statistics.cpp
    void connectStatistics();
    void showSessionSummary(const srs::SessionSummary& summary);

    // fmain_import.cpp
    NodeId importTarget() const;
    void runImport(TFormImport* dialog);

    MainDeps deps_;
    TAboutBox* AboutBox = nullptr;
    QTimer* TInit = nullptr;
    QTimer* TRand = nullptr;
    HotTab* hotTab_ = nullptr;
    std::unique_ptr<StudyLauncher> study_;
    MainVoice* voice_ = nullptr;
    VoiceDialog* voiceDialog_ = nullptr; // made when first opened
    MainSettings settings_;
    LibraryTree tree_;
    // After the tree, so that it goes first: it listens to the tree.
    std::unique_ptr<srs::StudyHistory> history_;
    LibraryItemModel* model_ = nullptr;
    GuardedSelectionModel* selection_ = nullptr;
    UndoStore* undo_ = nullptr;
    LibraryDocument* doc_ = nullptr;
    FileMenuCommands* files_ = nullptr;
    ExportCommand* export_ = nullptr;
    FileArrivals* arrivals_ = nullptr;
    MainKeys* keys_ = nullptr;
    PanelRouter panels_{*this, *this, *this};
    QPointer<QObject> importDialog_; // a TFormImport
    QPointer<QWidget> statistics_;   // a TFormStatistics
    QLabel* sessionSummary_ = nullptr;

    bool CloseAllowed = false;
    bool NotReady = true;
    bool SayGoodbyeOnClose = true;
    bool FirstActivation = true;
    bool shownOnce_ = false;
    QScreen* watchedScreen_ = nullptr;
    bool hooksInstalled_ = false;
    bool ending_ = false;
    bool farewell_ = false; // the close has begun its farewell
    int modeIndex_ = 1;     // the page the mode tabs showed last
    RandomGenerator random_;
};

} // namespace brenvik
