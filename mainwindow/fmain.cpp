#include "mainwindow/fmain.h"

#include "editor/feditquestion.h"
#include "editor/panetab.h"
#include "library/demodata.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/settingskeys.h"
#include "library/settingsstore.h"
#include "library/undostore.h"
#include "mainwindow/librarydocument.h"
#include "mainwindow/libraryitemmodel.h"
#include "panels/faboutbox.h"
#include "panels/faddeditdelete.h"
#include "panels/faddnew.h"
#include "panels/fcopyselected.h"
#include "panels/fdeleteselected.h"
#include "panels/fedit.h"
#include "panels/feditobject.h"
#include "panels/feditselected.h"
#include "platform/prompts.h"
#include "platform/shellopen.h"
#include "platform/speechengine.h"
#include "platform/systemnames.h"
#include "study/fflashselected.h"
#include "study/fimprintselected.h"
#include "study/freviewselected.h"
#include "study/fstudy.h"
#include "study/fstudyquestion.h"
#include "study/sessionpanel.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSessionManager>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace brenvik {

namespace {

constexpr int kMinWidth = 1024;
constexpr int kMinHeight = 620;
constexpr int kTreeWidth = 282;

// The tool strip paints itself in the button-face colour, whatever the style does.
class ToolStrip : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::Button));
        p.setPen(palette().color(QPalette::Mid));
        p.drawLine(0, height() - 1, width(), height() - 1);
    }
};

QString appTitle() {
    return TAboutBox::applicationTitle();
}

} // namespace

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

TFormMain::TFormMain(const MainDeps& deps, QWidget* parent) : QMainWindow(parent), deps_(deps) {
    Q_ASSERT(deps_.prompts && deps_.speech && deps_.colors);
    if (deps_.settings) {
        settings_ = deps_.settings;
    } else {
        ownSettings_ = std::make_unique<SettingsStore>(
            QDir(deps_.programFolder).filePath(QStringLiteral("brenvik.ini")));
        settings_ = ownSettings_.get();
    }

    setObjectName(QStringLiteral("FormMain"));
    QFont windowFont(QStringLiteral("Lucida Sans Unicode"), 8);
    windowFont.setStyleHint(QFont::SansSerif);
    setFont(windowFont);
    setMinimumSize(kMinWidth, kMinHeight);
    setEnabled(false); // until start-up has finished

    model_ = new LibraryItemModel(tree_, this);
    undo_ = new UndoStore(tree_, this);
    doc_ = new LibraryDocument(tree_, settings_, this);
    model_->setNextObserver(doc_->changeWatcher());

    createTimers();
    TRand->start();

    // The splash comes first so the user sees something while the rest is built.
    AboutBox = new TAboutBox(deps_.programFolder, computerName(), userName(), nullptr);
    AboutBox->showSplash();
    AboutBox->setAddressHandler([this](const QString& address) { openWithShell(address); });

    createMenus();
    createToolStrip();
    createCentre();
    createPanels();

    setWindowTitle(appTitle());
    PCMode->setToolTip(QStringLiteral("Mode"));
    readWindowPlace();

    connect(undo_, &UndoStore::changed, this, &TFormMain::updateUndoButtons);
    connect(doc_, &LibraryDocument::modifiedChanged, this, &TFormMain::updateCaption);
    connect(doc_, &LibraryDocument::filePathChanged, this, &TFormMain::updateCaption);
    connect(doc_, &LibraryDocument::recentFilesChanged, this, &TFormMain::rebuildReopenMenu);
    connect(doc_, &LibraryDocument::settingsNotWritten, this, &TFormMain::showError);
    connect(deps_.speech, &SpeechEngine::started, this, &TFormMain::TTSSpeakingStarted);
    connect(deps_.speech, &SpeechEngine::done, this, &TFormMain::TTSSpeakingDone);
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [](QSessionManager&) { /* the session may always end */ });
    connect(qApp, &QCoreApplication::aboutToQuit, this, &TFormMain::sessionEnding);
    qApp->installEventFilter(this);

    updateUndoButtons();
    rebuildReopenMenu();
    updateCaption();
}

TFormMain::~TFormMain() {
    qApp->removeEventFilter(this);
    // The study window has no parent and reads the tree: it goes first.
    delete FormStudyQuestion;
    FormStudyQuestion = nullptr;
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
    THotTab = new QTimer(this);
    THotTab->setInterval(1000);
    THotTab->setSingleShot(true);
    connect(THotTab, &QTimer::timeout, this, &TFormMain::THotTabTimer);
}

void TFormMain::createMenus() {
    QMenuBar* bar = menuBar();
    auto add = [this](QMenu* menu, const QString& text, auto slot) {
        QAction* a = menu->addAction(text);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    MFile = bar->addMenu(QStringLiteral("&File"));
    MINew = add(MFile, QStringLiteral("  &New"), &TFormMain::MINewClick);
    MIOpen = add(MFile, QStringLiteral("  &Open"), &TFormMain::MIOpenClick);
    MReopen = MFile->addMenu(QStringLiteral("  &Reopen"));
    MISave = MFile->addAction(QStringLiteral("  &Save"));
    connect(MISave, &QAction::triggered, this, [this] { MISaveClick(); });
    MISaveAs = MFile->addAction(QStringLiteral("  Save &as..."));
    connect(MISaveAs, &QAction::triggered, this, [this] { MISaveAsClick(); });
    MFile->addSeparator();
    MIExit = add(MFile, QStringLiteral("  E&xit"), &TFormMain::MIExitClick);

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    MIUndo = add(edit, QStringLiteral("  &Undo"), &TFormMain::BUndoClick);
    MIRedo = add(edit, QStringLiteral("  &Redo"), &TFormMain::BRedoClick);
    // The keys every desktop program answers to, shown in the menus; written out rather than
    // taken from the platform theme so every desktop gets both redo keys.
    MINew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    MIOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    MISave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    MISaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    MIExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    MIUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    MIRedo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});

    QMenu* mode = bar->addMenu(QStringLiteral("&Mode"));
    auto* modeGroup = new QActionGroup(this);
    Edit1 = add(mode, QStringLiteral("  &Edit"), &TFormMain::Edit1Click);
    Study1 = add(mode, QStringLiteral("  &Study"), &TFormMain::Study1Click);
    for (QAction* a : {Edit1, Study1}) {
        a->setCheckable(true);
        modeGroup->addAction(a);
    }

    QMenu* op = bar->addMenu(QStringLiteral("&Operation"));
    auto* opGroup = new QActionGroup(this);
    auto addOp = [&](const QString& text, Operation o) {
        QAction* a = op->addAction(text);
        a->setCheckable(true);
        opGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, o] { Addnew1Click(o); });
        return a;
    };
    Addnew1 = addOp(QStringLiteral("  &Add new"), Operation::AddNew);
    Edit2 = addOp(QStringLiteral("  &Edit selected"), Operation::EditSelected);
    Copy1 = addOp(QStringLiteral("  &Copy selected"), Operation::CopySelected);
    Delete1 = addOp(QStringLiteral("  &Delete selected"), Operation::DeleteSelected);
    auto* sessionGroup = new QActionGroup(this);
    auto addSession = [&](const QString& text, Session s) {
        QAction* a = op->addAction(text);
        a->setCheckable(true);
        sessionGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, s] { Flashselected1Click(s); });
        return a;
    };
    Imprintselected1 = addSession(QStringLiteral("  &Imprint selected"), Session::Imprint);
    Flashselected1 = addSession(QStringLiteral("  &Flash selected"), Session::Flash);
    Reviewselected1 = addSession(QStringLiteral("  &Review selected"), Session::Review);

    QMenu* level = bar->addMenu(QStringLiteral("&Level"));
    const QStringList captions = {
        QStringLiteral("  &Library"), QStringLiteral("  Se&t of books"),
        QStringLiteral("  &Book"),    QStringLiteral("  &Part of book"),
        QStringLiteral("  C&hapter"), QStringLiteral("  &Section"),
        QStringLiteral("  &Concept"), QStringLiteral("  &Question && answer")};
    const char keys[] = "LTBPHSCQ";
    for (int l = 1; l <= 8; ++l) {
        QAction* a = level->addAction(kindIcon(l), captions[l - 1]);
        // The window catches Alt+letter itself (eventFilter): the menu bar's own
        // mnemonics for "&Level" and "&Help" would make these shortcuts ambiguous.
        a->setText(captions[l - 1] + QStringLiteral("\tAlt+") + QChar::fromLatin1(keys[l - 1]));
        connect(a, &QAction::triggered, this, [this, l] { Library11Click(l); });
        LevelItems[l] = a;
        if (l == 2 || l == 4 || l == 7) level->addSeparator();
    }

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    Contents1 = add(help, QStringLiteral("  &User's Guide"), &TFormMain::Contents1Click);
    Contents1->setShortcut(QKeySequence(Qt::Key_F1));
    VisitSoftwareCoOnline =
        add(help, QStringLiteral("  &Visit ") + TAboutBox::makerName() + QStringLiteral(" online"),
            &TFormMain::VisitSoftwareCoOnlineClick);
    help->addSeparator();
    About1 = add(help, QStringLiteral("  &About..."), &TFormMain::About1Click);

    PMObjs = new QMenu(this);
    PMIImprint = PMObjs->addAction(QStringLiteral("  &Imprint"));
    PMIFlash = PMObjs->addAction(QStringLiteral("  &Flash"));
    PMIReview = PMObjs->addAction(QStringLiteral("  &Review"));
    PMObjs->addSeparator();
    PMIEdit = PMObjs->addAction(QStringLiteral("  &Edit"));
    connect(PMObjs, &QMenu::aboutToShow, this, &TFormMain::PMObjsPopup);
    connect(PMIImprint, &QAction::triggered, this, [this] { PMISessionClick(Session::Imprint); });
    connect(PMIFlash, &QAction::triggered, this, [this] { PMISessionClick(Session::Flash); });
    connect(PMIReview, &QAction::triggered, this, [this] { PMISessionClick(Session::Review); });
    connect(PMIEdit, &QAction::triggered, this, &TFormMain::PMIEditClick);
}

void TFormMain::createToolStrip() {
    PTools = new ToolStrip(this);
    PTools->setObjectName(QStringLiteral("PTools"));
    PTools->setFixedHeight(35);

    PCMode = new QTabBar(PTools);
    PCMode->setObjectName(QStringLiteral("PCMode"));
    PCMode->setDrawBase(false);
    PCMode->setExpanding(false);
    PCMode->addTab(kindIcon(10), QStringLiteral(" EDIT "));
    PCMode->addTab(kindIcon(8), QStringLiteral(" STUDY "));
    PCMode->setStyleSheet(QStringLiteral(
        "QTabBar::tab { min-width: 64px; height: 26px; padding: 0 6px; margin-top: 3px;"
        " border: 1px solid palette(mid); border-bottom: none; border-top-left-radius: 4px;"
        " border-top-right-radius: 4px; background: palette(button); }"
        "QTabBar::tab:selected { background: palette(base); font-weight: bold; }"
        "QTabBar::tab:hover:!selected { background: palette(light); }"));
    PCMode->setUsesScrollButtons(false);
    // Only a click changes the mode, and the window's filter asks before the tab moves.
    PCMode->setFocusPolicy(Qt::NoFocus);
    PCMode->setIconSize(QSize(16, 16));
    PCMode->move(4, 2);
    PCMode->resize(PCMode->sizeHint().width(), 33);
    modeIndex_ = PCMode->currentIndex();
    connect(PCMode, &QTabBar::currentChanged, this, &TFormMain::PCModeChanged);

    auto toolButton = [this](const QString& name, const QIcon& icon) {
        auto* b = new QToolButton(PTools);
        b->setObjectName(name);
        b->setAutoRaise(true);
        b->setIcon(icon);
        b->setIconSize(QSize(20, 20));
        b->setFixedSize(28, 28);
        b->setCursor(Qt::PointingHandCursor);
        return b;
    };
    BUndo = toolButton(QStringLiteral("BUndo"), style()->standardIcon(QStyle::SP_ArrowBack));
    BRedo = toolButton(QStringLiteral("BRedo"), style()->standardIcon(QStyle::SP_ArrowForward));
    BSave = toolButton(QStringLiteral("BSave"), style()->standardIcon(QStyle::SP_DialogSaveButton));
    BSave->setToolTip(QStringLiteral("Save"));
    // Icon-only: the name a screen reader says (the tool tips change with the undo hint).
    BUndo->setAccessibleName(QStringLiteral("Undo"));
    BRedo->setAccessibleName(QStringLiteral("Redo"));
    BSave->setAccessibleName(QStringLiteral("Save"));
    MIUndo->setIcon(BUndo->icon());
    MIRedo->setIcon(BRedo->icon());
    BUndo->setEnabled(false);
    BRedo->setEnabled(false);
    connect(BUndo, &QToolButton::clicked, this, &TFormMain::BUndoClick);
    connect(BRedo, &QToolButton::clicked, this, &TFormMain::BRedoClick);
    connect(BSave, &QToolButton::clicked, this, [this] { MISaveClick(); });

    CBAutoSave = new QCheckBox(PTools);
    CBAutoSave->setObjectName(QStringLiteral("CBAutoSave"));
    LSaveOnStudy = new ClickLabel(QStringLiteral("Auto-save"), PTools);
    LSaveOnStudy->setToolTip(QStringLiteral("Save the library before each study session"));
    connect(LSaveOnStudy, &ClickLabel::clicked, CBAutoSave, &QCheckBox::toggle);

    LDisaVoice = new ClickLabel(QStringLiteral("Mute voice:"), PTools);
    CBDisaVoice = new QCheckBox(PTools);
    CBDisaVoice->setObjectName(QStringLiteral("CBDisaVoice"));
    connect(LDisaVoice, &ClickLabel::clicked, CBDisaVoice, &QCheckBox::toggle);

    CBModes = new QComboBox(PTools);
    CBModes->setObjectName(QStringLiteral("CBModes"));
    CBModes->setMaxVisibleItems(40);
    CBModes->setMinimumWidth(180);
    // A voice's whole name shows, however long the engine makes it.
    CBModes->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    CBModes->setToolTip(QStringLiteral("Voice"));
    connect(CBModes, &QComboBox::activated, this, &TFormMain::CBModesChange);

    // The voice controls sit at the right end; the rest is placed by SplitterMoved.
    auto* right = new QHBoxLayout(PTools);
    right->setContentsMargins(0, 3, 8, 3);
    right->addStretch();
    right->addWidget(LDisaVoice);
    right->addWidget(CBDisaVoice);
    right->addSpacing(10);
    right->addWidget(CBModes);
}

void TFormMain::createCentre() {
    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(PTools);

    Splitter = new QSplitter(Qt::Horizontal, central);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setHandleWidth(6);
    Splitter->setOpaqueResize(true);
    Splitter->setChildrenCollapsible(false);

    PObjs = new QWidget(Splitter);
    PObjs->setMinimumWidth(138);
    auto* objsLayout = new QVBoxLayout(PObjs);
    objsLayout->setContentsMargins(0, 0, 0, 0);
    TVObjs = new ObjTreeView(*this, PObjs);
    TVObjs->setObjectName(QStringLiteral("TVObjs"));
    TVObjs->setModel(model_);
    selection_ = new GuardedSelectionModel(model_, [this] { return selectionMayChange(); });
    TVObjs->setSelectionModel(selection_);
    TVObjs->setItemDelegate(new CutStyleDelegate(*model_, TVObjs));
    connect(TVObjs, &QTreeView::expanded, this,
            [this](const QModelIndex& i) { rememberExpanded(i, true); });
    connect(TVObjs, &QTreeView::collapsed, this,
            [this](const QModelIndex& i) { rememberExpanded(i, false); });
    connect(model_, &QAbstractItemModel::rowsInserted, this, &TFormMain::reexpandInserted);
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { expanded_.clear(); });
    // Long names scroll sideways instead of being cut off.
    TVObjs->header()->setStretchLastSection(false);
    TVObjs->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    objsLayout->addWidget(TVObjs);
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

    PClient = new QWidget(Splitter);
    PClient->setObjectName(QStringLiteral("PClient"));
    PClient->setMinimumWidth(718);
    auto* clientLayout = new QVBoxLayout(PClient);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    Pages = new QStackedWidget(PClient);
    clientLayout->addWidget(Pages);

    Splitter->addWidget(PObjs);
    Splitter->addWidget(PClient);
    Splitter->setStretchFactor(0, 0);
    Splitter->setStretchFactor(1, 1);
    Splitter->setSizes({kTreeWidth, kMinWidth - kTreeWidth});
    connect(Splitter, &QSplitter::splitterMoved, this, [this](int, int) { SplitterMoved(); });
    v->addWidget(Splitter, 1);

    SB = new QWidget(central);
    SB->setObjectName(QStringLiteral("SB"));
    auto* sb = new QHBoxLayout(SB);
    sb->setContentsMargins(6, 2, 6, 2);
    sb->addWidget(new QLabel(QStringLiteral("Selected:"), SB));
    PSB = new QLabel(SB);
    PSB->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PSB->setTextFormat(Qt::PlainText);
    sb->addWidget(PSB, 1);
    SB->hide();
    v->addWidget(SB);
    setCentralWidget(central);
}

void TFormMain::createPanels() {
    // Created in the order the panels are wired together; their PMains move in when the
    // window is first shown.
    FormImprintSelected = new TFormImprintSelected(*this, this);
    FormAddEditDelete = new TFormAddEditDelete(this);
    FormEditObject = new TFormEditObject(*this, this);
    FormEditQuestion = new TFormEditQuestion(*this, this);
    FormAddNew = new TFormAddNew(*this, this);
    FormEditSelected = new TFormEditSelected(*this, this);
    FormReviewSelected = new TFormReviewSelected(*this, this);
    FormCopySelected = new TFormCopySelected(*this, this);
    FormDeleteSelected = new TFormDeleteSelected(*this, this);
    FormFlashSelected = new TFormFlashSelected(*this, this);
    FormEdit = new TFormEdit(this);
    FormStudy = new TFormStudy(*this, this);
    for (QWidget* form : std::initializer_list<QWidget*>{
             FormImprintSelected, FormAddEditDelete, FormEditObject, FormEditQuestion, FormAddNew,
             FormEditSelected, FormReviewSelected, FormCopySelected, FormDeleteSelected,
             FormFlashSelected, FormEdit, FormStudy})
        form->hide();
}

void TFormMain::embedPanels() {
    FormAddEditDelete->addPanel(FormAddNew->PMain);
    FormAddEditDelete->addPanel(FormEditSelected->PMain);
    FormAddEditDelete->addPanel(FormCopySelected->PMain);
    FormAddEditDelete->addPanel(FormDeleteSelected->PMain);
    FormEdit->addPanel(FormAddEditDelete->PMain);
    FormEdit->addPanel(FormEditObject->PMain);
    FormEdit->addPanel(FormEditQuestion->PMain);
    FormStudy->setPanels(FormImprintSelected, FormFlashSelected, FormReviewSelected);
    Pages->addWidget(FormEdit->PMain);
    Pages->addWidget(FormStudy->PMain);

    FormAddEditDelete->showOnly(FormAddNew->PMain);
    FormEdit->showOnly(FormAddEditDelete->PMain);
    FormAddNew->PMain->setEnabled(true);
    for (QWidget* w : {FormEditSelected->PMain, FormCopySelected->PMain, FormDeleteSelected->PMain,
                       FormEditObject->PMain, FormEditQuestion->PMain}) {
        w->hide();
        w->setEnabled(false);
    }
}

QList<LevelPanel*> TFormMain::allPanels() const {
    QList<LevelPanel*> list{FormAddNew, FormEditSelected, FormCopySelected, FormDeleteSelected};
    for (Session s : {Session::Imprint, Session::Flash, Session::Review})
        if (LevelPanel* p = sessionPanel(s)) list << p;
    list.removeAll(nullptr);
    return list;
}

LevelPanel* TFormMain::operationPanel(Operation op) const {
    switch (op) {
    case Operation::AddNew:
        return FormAddNew;
    case Operation::EditSelected:
        return FormEditSelected;
    case Operation::CopySelected:
        return FormCopySelected;
    case Operation::DeleteSelected:
        return FormDeleteSelected;
    }
    return nullptr;
}

LevelPanel* TFormMain::sessionPanel(Session s) const {
    switch (s) {
    case Session::Imprint:
        return FormImprintSelected;
    case Session::Flash:
        return FormFlashSelected;
    case Session::Review:
        return FormReviewSelected;
    }
    return nullptr;
}

Session TFormMain::visibleSession() const {
    return session_;
}

LevelPanel* TFormMain::visibleSessionPanel() const {
    return sessionPanel(visibleSession());
}

bool TFormMain::operationVisible(Operation op) const {
    LevelPanel* p = operationPanel(op);
    return p && !p->PMain->isHidden();
}

void TFormMain::updateOperationChecks() {
    Addnew1->setChecked(operationVisible(Operation::AddNew));
    Edit2->setChecked(operationVisible(Operation::EditSelected));
    Copy1->setChecked(operationVisible(Operation::CopySelected));
    Delete1->setChecked(operationVisible(Operation::DeleteSelected));
    const Session s = visibleSession();
    Imprintselected1->setChecked(s == Session::Imprint);
    Flashselected1->setChecked(s == Session::Flash);
    Reviewselected1->setChecked(s == Session::Review);
}

bool TFormMain::isEditMode() const {
    return PCMode->currentIndex() == 0;
}

bool TFormMain::editorOpen() const {
    return (FormEditObject && FormEditObject->isOpen()) ||
           (FormEditQuestion && FormEditQuestion->isOpen());
}

bool TFormMain::startupFinished() const {
    return AboutBox && AboutBox->isHidden();
}

bool TFormMain::autoSaveChecked() const {
    return CBAutoSave->isChecked();
}

void TFormMain::readWindowPlace() {
    SettingsStore& s = *settings_;
    const int top = s.read(settings::MainTop);
    const int left = s.read(settings::MainLeft);
    const int height = s.read(settings::MainHeight, kMinHeight);
    const int width = s.read(settings::MainWidth, kMinWidth);
    const int state = s.read(settings::MainState);
    setGeometry(left, top, std::max(width, kMinWidth), std::max(height, kMinHeight));
    if (state == 2)
        setWindowState(Qt::WindowMaximized);
    else if (state == 1)
        setWindowState(Qt::WindowMinimized);
}

void TFormMain::readEarlySettings() {
    SettingsStore& s = *settings_;
    if (s.read(settings::AppFirstRun) == 0) {
        // The question editor's dialog folders; kept here until that editor asks for them.
        s.read(settings::QuestionFileDir, deps_.programFolder);
        s.read(settings::QuestionPicDir, deps_.programFolder);
    }
    const int splitter = s.read(settings::MainSplitter, PObjs->width());
    if (splitter >= 138) Splitter->setSizes({splitter, std::max(718, width() - splitter)});
    FormStudy->loadAnswerFont(s);
}

void TFormMain::readLateSettings() {
    SettingsStore& s = *settings_;
    if (FormAddNew && FormAddNew->CBEditItem)
        FormAddNew->CBEditItem->setChecked(s.read(settings::AddEdit) != 0);
    FormStudy->loadSessionSettings(s);
    CBDisaVoice->setChecked(s.read(settings::MainVoice) != 0);
    CBAutoSave->setChecked(s.read(settings::MainAutoSave) != 0);
}

void TFormMain::writeSettings() {
    SettingsStore& s = *settings_;
    const QRect place = normalGeometry().isValid() ? normalGeometry() : geometry();
    s.write(settings::MainTop, place.top());
    s.write(settings::MainLeft, place.left());
    s.write(settings::MainHeight, place.height());
    s.write(settings::MainWidth, place.width());
    s.write(settings::MainState, isMaximized() ? 2 : (isMinimized() ? 1 : 0));
    s.write(settings::MainSplitter, PObjs->width());
    if (FormAddNew && FormAddNew->CBEditItem)
        s.write(settings::AddEdit, FormAddNew->CBEditItem->isChecked() ? 1 : 0);
    FormStudy->saveSettings(s);
    s.write(settings::MainVoice, CBDisaVoice->isChecked() ? 1 : 0);
    s.write(settings::MainAutoSave, CBAutoSave->isChecked() ? 1 : 0);
    s.write(settings::MainActiveVoice, ActiveVoice);
    s.write(settings::AppFirstRun, 0);
    if (const Status written = s.flush(); !written) showError(ErrorText(written));
}

void TFormMain::showError(const QString& text) {
    deps_.prompts->message(this, QStringLiteral("Error"), text, Prompts::Icon::Error);
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    // Run the start-up once the window is on screen, outside the show event.
    QTimer::singleShot(0, this, &TFormMain::FormShow);
}

void TFormMain::FormShow() {
    if (CheckFolderWritable(deps_.programFolder)) {
        deps_.prompts->message(this, QStringLiteral("Error"),
                               appTitle() + QStringLiteral(" must be installed in order to run."),
                               Prompts::Icon::Error);
        SayGoodbye(false);
        ending_ = true;
        setEnabled(true);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return;
    }
    NotReady = false;
    QString failure;
    try {
        embedPanels();
        readEarlySettings();
        const DemoInstall demo = InstallDemoLibrary(
            tree_, deps_.programFolder, computerName().toStdString(), userName().toStdString());
        if (!demo.error.isEmpty()) {
            failure = demo.error;
        } else {
            doc_->resetFileless();
            undo_->clear();
            if (!demo.loadError.isEmpty()) showError(demo.loadError);
            for (NodeId n : demo.expand)
                TVObjs->expand(model_->indexFromNode(n));
            selectNode(demo.select != NoNode ? demo.select : tree_.first());
            revertingMode_ = true; // the splash is up: the tab's own guard would refuse
            PCMode->setCurrentIndex(1);
            revertingMode_ = false;
            PCModeChange();
            showSession(Session::Flash);
            readLateSettings();
        }
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    }
    setEnabled(true);
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
    AccentColor = QColor(int(face.red() * 0.88), int(face.green() * 0.88), int(face.blue() * 0.88));
    for (LevelPanel* p : allPanels())
        p->applyTabColours();
    if (FirstActivation) {
        FirstActivation = false;
        TInit->start();
        QCoreApplication::processEvents();
        update();
    } else {
        FillVoiceModes();
    }
}

bool TFormMain::waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void TFormMain::TInitTimer() {
    TInit->stop();
    const int hour = QTime::currentTime().hour();
    ActiveVoice = settings_->read(settings::MainActiveVoice);
    if (deps_.speech->available()) deps_.speech->setCurrentMode(ActiveVoice);
    AboutBox->repaint();
    const QString greeting = hour < 12   ? QStringLiteral("Good morning!")
                             : hour < 16 ? QStringLiteral("Good afternoon!")
                                         : QStringLiteral("Good evening!");
    Speak(greeting, false);
    if (!muted()) {
        waitFor([this] { return Speaking; }, deps_.speechWaitMs);
        waitFor([this] { return !Speaking; }, deps_.speechWaitMs);
    }
    FillVoiceModes();
    AboutBox->endSplash();
    repaint();
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
    Speak(QStringLiteral("Press F 9 to see the demo."), false);
    Q_EMIT startupDone();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (ending_) {
        event->accept();
        return;
    }
    if (!CloseAllowed || EditorBusy(QStringLiteral("exiting."))) {
        event->ignore();
        return;
    }
    if (!querySaveChanges()) {
        event->ignore();
        return;
    }
    SayGoodbye(SayGoodbyeOnClose);
    writeSettings();
    ending_ = true;
    // The farewell box is a window of its own: hide it, so closing this last window
    // ends the application.
    if (AboutBox) AboutBox->hide();
    event->accept();
}

void TFormMain::SayGoodbye(bool speech) {
    try {
        setEnabled(false);
        THotTab->stop();
        NotReady = true;
        if (AboutBox) {
            AboutBox->showFarewell();
            QElapsedTimer pause;
            pause.start();
            waitFor([&] { return pause.elapsed() >= 633; }, 1000);
            AboutBox->repaint();
        }
        if (speech) {
            Speak(QStringLiteral("Goodbye."), false);
            if (!muted()) {
                waitFor([this] { return Speaking; }, deps_.speechWaitMs);
                waitFor([this] { return !Speaking; }, deps_.speechWaitMs);
            }
        }
        setWindowState(Qt::WindowNoState);
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
}

void TFormMain::sessionEnding() {
    if (ending_) return;
    SayGoodbyeOnClose = false;
    ending_ = true;
    SayGoodbye(false);
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
    const int tree = PObjs->width();
    const int tabs = PCMode->x() + PCMode->width();
    const int undoLeft = std::max(tree + 51, tabs + 2);
    BUndo->move(undoLeft, 4);
    BRedo->move(BUndo->x() + BUndo->width(), 4);
    BSave->move(std::max(tree + 149, BRedo->x() + BRedo->width()), 4);
    CBAutoSave->adjustSize();
    CBAutoSave->move(BSave->x() + BSave->width() + 3,
                     (PTools->height() - CBAutoSave->height()) / 2);
    LSaveOnStudy->adjustSize();
    LSaveOnStudy->move(CBAutoSave->x() + CBAutoSave->width() + 5,
                       (PTools->height() - LSaveOnStudy->height()) / 2);
}

void TFormMain::PCModeChanged(int index) {
    if (revertingMode_) return;
    const bool refused = !AboutBox || AboutBox->isVisible() ||
                         EditorBusy(QStringLiteral("switching to a different mode."));
    if (refused) {
        revertingMode_ = true;
        PCMode->setCurrentIndex(modeIndex_);
        revertingMode_ = false;
        return;
    }
    modeIndex_ = index;
    PCModeChange();
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
    for (QAction* a : {Imprintselected1, Flashselected1, Reviewselected1})
        a->setVisible(!edit);
    for (QWidget* w :
         std::initializer_list<QWidget*>{BUndo, BRedo, BSave, CBAutoSave, LSaveOnStudy})
        w->setVisible(edit);
    RefreshSelectionViews();
    updateOperationChecks();
}

void TFormMain::Edit1Click() {
    if (EditorBusy(QStringLiteral("switching to a different mode."))) {
        Edit1->setChecked(isEditMode());
        Study1->setChecked(!isEditMode());
        return;
    }
    revertingMode_ = true;
    PCMode->setCurrentIndex(0);
    revertingMode_ = false;
    PCModeChange();
}

void TFormMain::Study1Click() {
    if (EditorBusy(QStringLiteral("switching to a different mode."))) {
        Edit1->setChecked(isEditMode());
        Study1->setChecked(!isEditMode());
        return;
    }
    revertingMode_ = true;
    PCMode->setCurrentIndex(1);
    revertingMode_ = false;
    PCModeChange();
}

void TFormMain::THotTabTimer() {
    hotTabLeave();
}

void TFormMain::hotTabEnter(QWidget* tab) {
    THotTab->stop();
    if (HotTab && HotTab != tab) {
        QPalette pal = HotTab->palette();
        pal.setColor(QPalette::Window, AccentColor);
        HotTab->setPalette(pal);
    }
    HotTab = tab;
    if (tab) {
        QPalette pal = tab->palette();
        pal.setColor(QPalette::Window, palette().color(QPalette::Button));
        tab->setPalette(pal);
        tab->update();
    }
    THotTab->start();
}

void TFormMain::hotTabLeave() {
    THotTab->stop();
    if (HotTab) {
        QPalette pal = HotTab->palette();
        pal.setColor(QPalette::Window, AccentColor);
        HotTab->setPalette(pal);
        HotTab->update();
    }
    HotTab = nullptr;
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

int TFormMain::levelForKey(const QKeyEvent* key) const {
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier) return 0;
    static const char keys[] = "LTBPHSCQ";
    for (int l = 1; l <= 8; ++l)
        if (key->key() == Qt::Key_A + (keys[l - 1] - 'A')) return l;
    return 0;
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == PCMode && PCMode) {
        // A refused mode change must not show the other page even for a moment, so the
        // refusal comes before the tab bar sees the click.
        if (type == QEvent::Wheel) return true;
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const int index = PCMode->tabAt(mouse->position().toPoint());
            if (mouse->button() == Qt::LeftButton && index >= 0 &&
                index != PCMode->currentIndex() &&
                (!AboutBox || AboutBox->isVisible() ||
                 EditorBusy(QStringLiteral("switching to a different mode."))))
                return true;
        }
    }
    if ((type == QEvent::ShortcutOverride || type == QEvent::KeyPress) && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this && isEnabled()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (const int level = levelForKey(key)) {
            if (type == QEvent::ShortcutOverride) {
                event->accept(); // keeps the menu bar from taking the letter
                return true;
            }
            if (!key->isAutoRepeat() && LevelItems[level]->isEnabled())
                LevelItems[level]->trigger();
            return true;
        }
    }
    if (event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F9 && !key->isAutoRepeat() && watched->isWidgetType()) {
            QWidget* w = static_cast<QWidget*>(watched);
            const bool ours = w->window() == this;
            if ((ours || hooksInstalled_) && !QApplication::activeModalWidget()) {
                FormKeyUp(Qt::Key_F9, Qt::NoModifier);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace brenvik
