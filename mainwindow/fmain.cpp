#include "mainwindow/fmain.h"
#include "mainwindow/filearrivals.h"

#include "editor/feditquestion.h"
#include "editor/panetab.h"
#include "library/demodata.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/settingskeys.h"
#include "library/settingsstore.h"
#include "library/undostore.h"
#include "mainwindow/exportcommand.h"
#include "mainwindow/hottab.h"
#include "mainwindow/librarydocument.h"
#include "mainwindow/libraryitemmodel.h"
#include "mainwindow/mainkeys.h"
#include "mainwindow/mainvoice.h"
#include "mainwindow/studylauncher.h"
#include "panels/faboutbox.h"
#include "panels/faddnew.h"
#include "panels/feditobject.h"
#include "platform/prompts.h"
#include "platform/shellopen.h"
#include "platform/systemnames.h"
#include "srs/history.h"
#include "study/fstatistics.h"
#include "study/fstudy.h"
#include "widgets/clicklabel.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSessionManager>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

namespace brenvik {

namespace {

QString appTitle() {
    return TAboutBox::applicationTitle();
}

} // namespace

TFormMain::TFormMain(const MainDeps& deps, QWidget* parent)
    : QMainWindow(parent), deps_(deps), settings_(deps.settings, deps.programFolder, *this, *this) {
    Q_ASSERT(deps_.prompts && deps_.speech && deps_.colors);

    setObjectName(QStringLiteral("FormMain"));
    QFont windowFont(QStringLiteral("Lucida Sans Unicode"), 8);
    windowFont.setStyleHint(QFont::SansSerif);
    setFont(windowFont);
    setMinimumSize(MainFrame::MinWidth, MainFrame::MinHeight);
    setEnabled(false); // until start-up has finished

    model_ = new LibraryItemModel(tree_, this);
    undo_ = new UndoStore(tree_, this);
    doc_ = new LibraryDocument(tree_, &settings_.store(), this);
    model_->setNextObserver(doc_->changeWatcher());
    history_ = std::make_unique<srs::StudyHistory>(tree_);
    history_->openUnsaved();

    createTimers();
    TRand->start();

    // The splash comes first so the user sees something while the rest is built.
    AboutBox = new TAboutBox(deps_.programFolder, computerName(), userName(), nullptr);
    AboutBox->showSplash();
    AboutBox->setAddressHandler([this](const QString& address) { openWithShell(address); });

    setupMenus(*this);
    setupToolStrip(this);
    setCentralWidget(
        setupCentre(this, [this](QWidget* parent) { return new ObjTreeView(*this, parent); }));
    createTree();
    setupForms(*this, this);
    connectFrame();
    createVoice();
    createStudyLauncher();

    setWindowTitle(appTitle());
    settings_.readWindowPlace();

    connect(undo_, &UndoStore::changed, this, &TFormMain::updateUndoButtons);
    files_ = new FileMenuCommands(
        *this, *doc_, *undo_, {*this, *MReopen, *MISave, *BSave, *CBAutoSave},
        [this](const QString& text) { showError(text); }, this);
    files_->setHistory(history_.get());
    connect(files_, &FileMenuCommands::loaded, this, &TFormMain::afterLoad);
    createFileArrivals();
    connect(files_, &FileMenuCommands::idle, arrivals_, &FileArrivals::retry);
    export_ = new ExportCommand(*this, *doc_, *this, this);
    connect(MIExport, &QAction::triggered, export_, &ExportCommand::run);
    connect(doc_, &LibraryDocument::settingsNotWritten, this, &TFormMain::showError);
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [](QSessionManager&) { /* the session may always end */ });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &TFormMain::sessionEnding);
    keys_ = new MainKeys(*this, *this, *this,
                         {[this] { return splashShowing(); }, [this] { return hooksInstalled_; }},
                         this);
    qApp->installEventFilter(keys_);

    updateUndoButtons();
    files_->updateCaption();
}

TFormMain::~TFormMain() {
    qApp->removeEventFilter(keys_);
    // The study window has no parent and reads the tree: it goes first.
    study_.reset();
    // The Statistics window reads the history and follows the selection, which the view's
    // end below may still move.
    delete statisticsWindow();
    history_.reset();
    // The tree is a member and dies before QWidget deletes the children that use it:
    // delete the embedded panels, the view and the model while it is still there.
    delete takeCentralWidget();
    delete model_;
    delete doc_;
    delete undo_;
    model_ = nullptr;
    doc_ = nullptr;
    undo_ = nullptr;
    tree_.setObserver(nullptr);
    delete AboutBox;
}

void TFormMain::createTimers() {
    TInit = new QTimer(this);
    TInit->setInterval(250);
    TInit->setSingleShot(true);
    connect(TInit, &QTimer::timeout, this, &TFormMain::TInitTimer);
    TRand = new QTimer(this);
    TRand->setInterval(200);
    // Each tick draws and discards one value, so a shuffle depends on the time the program
    // has been running.
    connect(TRand, &QTimer::timeout, this, [this] { random_.NextRandom(); });
    hotTab_ = new HotTab(*this);
}

bool TFormMain::splashShowing() const {
    return !AboutBox || AboutBox->isVisible();
}

bool TFormMain::startupFinished() const {
    return AboutBox && AboutBox->isHidden();
}

void TFormMain::writeSettings() {
    voice_->writeSettings(settings());
    if (const Status written = settings_.write(voice_->activeVoice()); !written)
        showError(ErrorText(written));
}

void TFormMain::connectFrame() {
    connect(MINew, &QAction::triggered, this, &TFormMain::MINewClick);
    connect(MIOpen, &QAction::triggered, this, &TFormMain::MIOpenClick);
    connect(MISave, &QAction::triggered, this, &TFormMain::saveCommand);
    connect(MISaveAs, &QAction::triggered, this, &TFormMain::saveAsCommand);
    connect(MIExit, &QAction::triggered, this, &TFormMain::MIExitClick);
    connect(MIUndo, &QAction::triggered, this, &TFormMain::BUndoClick);
    connect(MIRedo, &QAction::triggered, this, &TFormMain::BRedoClick);
    connect(Edit1, &QAction::triggered, this, &TFormMain::Edit1Click);
    connect(Study1, &QAction::triggered, this, &TFormMain::Study1Click);
    connect(operationItems, &QActionGroup::triggered, this,
            [this](QAction* a) { panels_.operationMenuClick(Operation(a->data().toInt())); });
    connect(sessionItems, &QActionGroup::triggered, this,
            [this](QAction* a) { showSession(Session(a->data().toInt())); });
    for (int l = 1; l <= 8; ++l)
        connect(LevelItems[l], &QAction::triggered, this, [this, l] { panels_.levelMenuClick(l); });
    connect(Contents1, &QAction::triggered, this, &TFormMain::Contents1Click);
    connect(VisitSoftwareCoOnline, &QAction::triggered, this,
            &TFormMain::VisitSoftwareCoOnlineClick);
    connect(About1, &QAction::triggered, this, &TFormMain::About1Click);
    connectStatistics();
    connect(PMObjs, &QMenu::aboutToShow, this, &TFormMain::PMObjsPopup);
    for (QAction* a : {PMIImprint, PMIFlash, PMIReview, PMISpaced})
        connect(a, &QAction::triggered, this,
                [this, a] { PMISessionClick(Session(a->data().toInt())); });
    connect(PMIEdit, &QAction::triggered, this, &TFormMain::PMIEditClick);
    connect(MIImport, &QAction::triggered, this, &TFormMain::MIImportClick);
    connect(PMIImport, &QAction::triggered, this, &TFormMain::MIImportClick);

    modeIndex_ = PCMode->currentIndex();
    connect(PCMode, &QTabBar::currentChanged, this, &TFormMain::PCModeChanged);
    connect(BUndo, &QToolButton::clicked, this, &TFormMain::BUndoClick);
    connect(BRedo, &QToolButton::clicked, this, &TFormMain::BRedoClick);
    connect(BSave, &QToolButton::clicked, this, &TFormMain::saveCommand);
    connect(Splitter, &QSplitter::splitterMoved, this, [this](int, int) { SplitterMoved(); });
}

void TFormMain::createTree() {
    TVObjs->setModel(model_);
    selection_ = new GuardedSelectionModel(model_, [this] { return selectionMayChange(); });
    TVObjs->setSelectionModel(selection_);
    TVObjs->setItemDelegate(new CutStyleDelegate(*model_, TVObjs));
    // Long names scroll sideways instead of being cut off.
    TVObjs->header()->setStretchLastSection(false);
    TVObjs->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    connect(selection_, &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex&, const QModelIndex&) { TVObjsChange(); });
    connect(model_, &LibraryItemModel::renameRequested, this, &TFormMain::TVObjsEdited);
    connect(model_, &QAbstractItemModel::rowsRemoved, this,
            [this] { QTimer::singleShot(0, this, &TFormMain::ensureSelection); });
    connect(model_, &QAbstractItemModel::modelReset, this,
            [this] { QTimer::singleShot(0, this, &TFormMain::ensureSelection); });
    model_->setDropHandler([this](NodeId dragged, NodeId target, bool perform) {
        if (!perform) return TVObjsDragOver(dragged, target);
        // Boxes must not come up inside the drag's own event loop.
        QTimer::singleShot(0, this, [this, dragged, target] { TVObjsDragDrop(dragged, target); });
        return true;
    });
}

void TFormMain::afterLoad() {
    SetRootCaption(tree_, computerName().toStdString(), userName().toStdString());
    for (NodeId top = tree_.first(); top != NoNode; top = tree_.nextSibling(top))
        TVObjs->expand(model_->indexFromNode(top));
    selectNode(tree_.first());
    RefreshSelectionViews();
}

void TFormMain::showError(const QString& text) {
    deps_.prompts->message(this, QStringLiteral("Error"), text, Prompts::Icon::Error);
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    fitToScreen();
    if (QWindow* w = windowHandle()) {
        connect(w, &QWindow::screenChanged, this, [this](QScreen* s) {
            fitToScreen();
            if (s) watchScreen(s);
        });
        if (w->screen()) watchScreen(w->screen());
    }
    // Run the start-up once the window is on screen, outside the show event.
    QTimer::singleShot(0, this, &TFormMain::FormShow);
}

void TFormMain::watchScreen(QScreen* screen) {
    if (watchedScreen_) disconnect(watchedScreen_, nullptr, this, nullptr);
    watchedScreen_ = screen;
    connect(screen, &QScreen::availableGeometryChanged, this, [this] { fitToScreen(); });
}

void TFormMain::fitToScreen() {
    const QScreen* s = screen();
    if (!s || isMaximized() || isFullScreen()) return;
    const QRect available = s->availableGeometry();
    fitMinimumsTo(*this, available.size());
    // A place remembered from a larger screen would leave part of the window off this one.
    const QRect frame = frameGeometry();
    const int x = std::clamp(frame.x(), available.left(),
                             std::max(available.left(), available.right() + 1 - frame.width()));
    const int y = std::clamp(frame.y(), available.top(),
                             std::max(available.top(), available.bottom() + 1 - frame.height()));
    if (x != frame.x() || y != frame.y()) move(x, y);
}

void TFormMain::FormShow() {
    if (CheckFolderWritable(deps_.programFolder)) {
        deps_.prompts->message(this, QStringLiteral("Error"),
                               appTitle() + QStringLiteral(" must be installed in order to run."),
                               Prompts::Icon::Error);
        ending_ = true;
        SayGoodbye(false, [this] {
            setEnabled(true);
            QCoreApplication::quit();
        });
        return;
    }
    NotReady = false;
    QString failure;
    try {
        embedForms();
        settings_.readEarly();
        const DemoInstall demo = InstallDemoLibrary(
            tree_, deps_.programFolder, computerName().toStdString(), userName().toStdString());
        if (!demo.error.isEmpty()) {
            failure = demo.error;
        } else {
            doc_->resetFileless();
            undo_->clear();
            files_->historyUnsaved();
            if (!demo.loadError.isEmpty()) showError(demo.loadError);
            for (NodeId n : demo.expand)
                TVObjs->expand(model_->indexFromNode(n));
            selectNode(demo.select != NoNode ? demo.select : tree_.first());
            setMode(Mode::Study, false); // the splash is up: asking would refuse
            showSession(Session::Flash);
            settings_.readLate();
        }
    } catch (const std::exception& e) {
        // Failures are values below the window; what arrives here is running out of memory
        // (bad_alloc, or a tree past its 32-bit ids) while the demo library is built.
        failure = QString::fromUtf8(e.what());
    }
    setEnabled(true);
    // Disabled until now, the window has no focus: a keyboard user starts in the tree.
    TVObjs->setFocus(Qt::OtherFocusReason);
    SplitterMoved();
    if (!failure.isEmpty()) showError(failure);
    // An activation may never come (no window manager, tests): start the greeting anyway.
    QTimer::singleShot(1000, this, [this] {
        if (FirstActivation && !NotReady) FormActivate();
    });
    if (isActiveWindow()) FormActivate();
}

void TFormMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TFormMain::FormActivate() {
    if (NotReady || ending_) return;
    SetRootCaption(tree_, computerName().toStdString(), userName().toStdString());
    const QColor face = palette().color(QPalette::Button);
    hotTab_->setAccent(
        QColor(int(face.red() * 0.88), int(face.green() * 0.88), int(face.blue() * 0.88)));
    for (LevelPanel* p : allPanels())
        p->applyTabColours();
    if (FirstActivation) {
        FirstActivation = false;
        TInit->start();
        update();
    } else {
        FillVoiceModes();
    }
}

void TFormMain::TInitTimer() {
    TInit->stop();
    const int hour = QTime::currentTime().hour();
    voice_->readSettings(settings());
    const QString greeting = hour < 12   ? QStringLiteral("Good morning!")
                             : hour < 16 ? QStringLiteral("Good afternoon!")
                                         : QStringLiteral("Good evening!");
    Speak(greeting);
    // The start-up goes on once the greeting has been said, or given up after its bound.
    voice_->whenSpoken(this, [this] { greeted(); });
}

void TFormMain::greeted() {
    if (ending_) return;
    FillVoiceModes();
    AboutBox->endSplash();
    update();
    CloseAllowed = true;
    if (!hooksInstalled_) {
        hooksInstalled_ = true;
        connect(qApp, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationActive) FormActivate();
                });
    }
    openWithShell(QDir(deps_.programFolder).filePath(QStringLiteral("ReadMe.txt")));
    deps_.prompts->message(this, QStringLiteral("Information"),
                           QStringLiteral("Open the User's Guide from the Help menu\nto learn how "
                                          "to use ") +
                               appTitle() + QStringLiteral("."),
                           Prompts::Icon::Information);
    // A library named on the command line is opened instead of the demo being shown.
    if (deps_.openAtStart.isEmpty()) Speak(QStringLiteral("Press F 9 to see the demo."));
    Q_EMIT startupDone();
}

void TFormMain::saveCommand() {
    // A session's window is not disabled with this one: the file is written at once.
    if (studyBusy())
        MISaveClick();
    else
        files_->saveCommand();
}

void TFormMain::saveAsCommand() {
    if (studyBusy())
        MISaveAsClick();
    else
        files_->saveAsCommand();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (ending_) {
        event->accept();
        return;
    }
    // The window closes when the farewell under way is over.
    if (farewell_) {
        event->ignore();
        return;
    }
    if (!CloseAllowed || fileWorkRunning() || EditorBusy(QStringLiteral("exiting."))) {
        event->ignore();
        return;
    }
    // A save asked for here writes off the UI thread; the window closes once it is written.
    if (files_->saveChangesFirst([this] { close(); }) != FileMenuCommands::Proceed::Now) {
        event->ignore();
        return;
    }
    event->ignore();
    farewell_ = true;
    SayGoodbye(SayGoodbyeOnClose, [this] {
        if (ending_) return; // the desktop session ended meanwhile, and with it the program
        writeSettings();
        ending_ = true;
        // The farewell box is a window of its own: hide it, so closing this last window
        // ends the application.
        if (AboutBox) AboutBox->hide();
        close();
    });
}

void TFormMain::leaveForFarewell() {
    try {
        setEnabled(false);
        hotTab_->leave();
        NotReady = true;
        if (AboutBox) AboutBox->showFarewell();
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
}

void TFormMain::SayGoodbye(bool speech, std::function<void()> then) {
    leaveForFarewell();
    // The farewell box stands a moment, then the goodbye is said; each step follows from a
    // timer or the voice's end, so the event loop runs on and nothing is entered twice.
    const auto spoken = [this, then = std::move(then)] {
        setWindowState(Qt::WindowNoState);
        if (then) then();
    };
    QTimer::singleShot(AboutBox ? FarewellPauseMs : 0, this, [this, speech, spoken] {
        if (!speech) {
            spoken();
            return;
        }
        try {
            Speak(QStringLiteral("Goodbye."));
        } catch (const std::exception& e) {
            showError(QString::fromUtf8(e.what()));
        }
        voice_->whenSpoken(this, spoken);
    });
}

void TFormMain::sessionEnding() {
    if (ending_) return;
    SayGoodbyeOnClose = false;
    ending_ = true;
    // The desktop is going: the farewell shows without its pause and the settings are kept now.
    leaveForFarewell();
    setWindowState(Qt::WindowNoState);
    writeSettings();
}

void TFormMain::MIExitClick() {
    close();
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (NotReady || ending_) return;
    SplitterMoved();
    if (FormEditQuestion)
        for (PaneTab* pane : FormEditQuestion->TSPane)
            pane->layoutImagePreview();
}

void TFormMain::SplitterMoved() {
    if (!isMaximized() && !isMinimized()) {
        if (QScreen* screen = this->screen()) {
            const int screenRight = screen->availableGeometry().right();
            if (geometry().right() > screenRight && screenRight - x() >= minimumWidth())
                resize(screenRight - x() + 1, height());
        }
    }
    placeToolButtons();
}

void TFormMain::PCModeChanged(int index) {
    // A click has been asked about by the window's filter before the tab moved; the tab
    // may move no other way, but if it does the same question stands.
    if (splashShowing() || !setMode(index == 0 ? Mode::Edit : Mode::Study, true))
        setMode(modeIndex_ == 0 ? Mode::Edit : Mode::Study, false);
}

bool TFormMain::setMode(Mode mode, bool ask) {
    if (ask && EditorBusy(QStringLiteral("switching to a different mode."))) {
        Edit1->setChecked(isEditMode());
        Study1->setChecked(!isEditMode());
        return false;
    }
    {
        const QSignalBlocker quiet(PCMode); // the tab is moved here, not asked about again
        PCMode->setCurrentIndex(mode == Mode::Edit ? 0 : 1);
    }
    PCModeChange();
    return true;
}

void TFormMain::PCModeChange() {
    modeIndex_ = PCMode->currentIndex();
    const bool edit = isEditMode();
    if (Pages->count() >= 2) {
        QWidget* editPage = Pages->widget(0);
        QWidget* studyPage = Pages->widget(1);
        Pages->setCurrentIndex(edit ? 0 : 1);
        editPage->setEnabled(edit);
        studyPage->setEnabled(!edit);
    }
    Edit1->setChecked(edit);
    Study1->setChecked(!edit);
    for (QAction* a : {Addnew1, Edit2, Copy1, Delete1})
        a->setVisible(edit);
    for (QAction* a : {Imprintselected1, Flashselected1, Reviewselected1, Spacedreviewselected1})
        a->setVisible(!edit);
    for (QWidget* w :
         std::initializer_list<QWidget*>{BUndo, BRedo, BSave, CBAutoSave, LSaveOnStudy})
        w->setVisible(edit);
    placeToolButtons();
    RefreshSelectionViews();
    panels_.updateChecks();
}

void TFormMain::Edit1Click() {
    setMode(Mode::Edit, true);
}

void TFormMain::Study1Click() {
    setMode(Mode::Study, true);
}

void TFormMain::hotTabEnter(QWidget* tab) {
    hotTab_->enter(tab);
}

void TFormMain::hotTabLeave() {
    hotTab_->leave();
}

QColor TFormMain::accentColor() const {
    return hotTab_->accent();
}

void TFormMain::Contents1Click() {
    openWithShell(QDir(deps_.programFolder).filePath(QStringLiteral("Brenvik.htm")));
}

void TFormMain::VisitSoftwareCoOnlineClick() {
    openWithShell(TAboutBox::makerAddress());
}

void TFormMain::About1Click() {
    AboutBox->execAbout();
}

QString TFormMain::computerName() const {
    return deps_.names ? deps_.names->computerName() : QString();
}

QString TFormMain::userName() const {
    return deps_.names ? deps_.names->userName() : QString();
}

void TFormMain::openWithShell(const QString& target) {
    if (!deps_.shell) return;
    // The result is not checked: a missing file or page is the desktop's to report.
    if (target.startsWith(QStringLiteral("http"), Qt::CaseInsensitive))
        deps_.shell->openAddress(target);
    else
        deps_.shell->openFile(target);
}

QString TFormMain::libraryFolder() const {
    const QString path = doc_ ? doc_->filePath() : QString();
    return path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
}

} // namespace brenvik
