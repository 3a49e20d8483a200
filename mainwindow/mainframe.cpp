#include "mainwindow/mainframe.h"

#include "editor/feditquestion.h"
#include "mainwindow/libraryitemmodel.h"
#include "mainwindow/objtreeview.h"
#include "panels/faboutbox.h"
#include "panels/faddeditdelete.h"
#include "panels/faddnew.h"
#include "panels/fcopyselected.h"
#include "panels/fdeleteselected.h"
#include "panels/fedit.h"
#include "panels/feditobject.h"
#include "panels/feditselected.h"
#include "study/fflashselected.h"
#include "study/fimprintselected.h"
#include "study/freviewselected.h"
#include "study/fspacedselected.h"
#include "study/fstudy.h"
#include "widgets/clicklabel.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace brenvik {

namespace {

constexpr int kTreeWidth = 282;
// The Level menu's Alt+letters, levels 1 to 8.
constexpr char kLevelKeys[] = "LTBPHSCQ";

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

QAction* item(QMenu* menu, const QString& text, const char* name) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

QAction* choice(QMenu* menu, QActionGroup* group, const QString& text, const char* name, int data) {
    QAction* a = item(menu, text, name);
    a->setCheckable(true);
    a->setData(data);
    group->addAction(a);
    return a;
}

} // namespace

void MainFrame::setupMenus(QMainWindow& window) {
    QMenuBar* bar = window.menuBar();
    MFile = bar->addMenu(QStringLiteral("&File"));
    MINew = item(MFile, QStringLiteral("  &New"), "MINew");
    MIOpen = item(MFile, QStringLiteral("  &Open"), "MIOpen");
    MReopen = MFile->addMenu(QStringLiteral("  &Reopen"));
    MReopen->setObjectName(QStringLiteral("MReopen"));
    MISave = item(MFile, QStringLiteral("  &Save"), "MISave");
    MISaveAs = item(MFile, QStringLiteral("  Save &as..."), "MISaveAs");
    MFile->addSeparator();
    MIImport = item(MFile, QStringLiteral("  &Import..."), "MIImport");
    MIImport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    MIExport = item(MFile, QStringLiteral("  &Export..."), "MIExport");
    MFile->addSeparator();
    MIExit = item(MFile, QStringLiteral("  E&xit"), "MIExit");

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    MIUndo = item(edit, QStringLiteral("  &Undo"), "MIUndo");
    MIRedo = item(edit, QStringLiteral("  &Redo"), "MIRedo");
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
    auto* modeGroup = new QActionGroup(&window);
    Edit1 = choice(mode, modeGroup, QStringLiteral("  &Edit"), "Edit1", 0);
    Study1 = choice(mode, modeGroup, QStringLiteral("  &Study"), "Study1", 1);

    QMenu* op = bar->addMenu(QStringLiteral("&Operation"));
    operationItems = new QActionGroup(&window);
    auto addOp = [&](const QString& text, const char* name, Operation o) {
        return choice(op, operationItems, text, name, int(o));
    };
    Addnew1 = addOp(QStringLiteral("  &Add new"), "Addnew1", Operation::AddNew);
    Edit2 = addOp(QStringLiteral("  &Edit selected"), "Edit2", Operation::EditSelected);
    Copy1 = addOp(QStringLiteral("  &Copy selected"), "Copy1", Operation::CopySelected);
    Delete1 = addOp(QStringLiteral("  &Delete selected"), "Delete1", Operation::DeleteSelected);
    sessionItems = new QActionGroup(&window);
    auto addSession = [&](const QString& text, const char* name, Session s) {
        return choice(op, sessionItems, text, name, int(s));
    };
    Imprintselected1 =
        addSession(QStringLiteral("  &Imprint selected"), "Imprintselected1", Session::Imprint);
    Flashselected1 =
        addSession(QStringLiteral("  &Flash selected"), "Flashselected1", Session::Flash);
    Reviewselected1 =
        addSession(QStringLiteral("  &Review selected"), "Reviewselected1", Session::Review);
    Spacedreviewselected1 = addSession(QStringLiteral("  &Spaced review selected"),
                                       "Spacedreviewselected1", Session::Spaced);

    QMenu* level = bar->addMenu(QStringLiteral("&Level"));
    const QStringList captions = {
        QStringLiteral("  &Library"), QStringLiteral("  Se&t of books"),
        QStringLiteral("  &Book"),    QStringLiteral("  &Part of book"),
        QStringLiteral("  C&hapter"), QStringLiteral("  &Section"),
        QStringLiteral("  &Concept"), QStringLiteral("  &Question && answer")};
    const char* names[] = {"Library11", "Setofbooks1", "Book1",    "Partofbook1",
                           "Chapter1",  "Section1",    "Concept1", "Questionandanswer1"};
    for (int l = 1; l <= 8; ++l) {
        QAction* a = item(level, captions[l - 1], names[l - 1]);
        a->setIcon(kindIcon(l));
        a->setData(l);
        // The window catches Alt+letter itself (eventFilter): the menu bar's own
        // mnemonics for "&Level" and "&Help" would make these shortcuts ambiguous.
        a->setText(captions[l - 1] + QStringLiteral("\tAlt+") +
                   QChar::fromLatin1(kLevelKeys[l - 1]));
        LevelItems[l] = a;
        if (l == 2 || l == 4 || l == 7) level->addSeparator();
    }
    level->addSeparator();
    MIStatistics = item(level, QStringLiteral("  Stat&istics..."), "MIStatistics");

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    Contents1 = item(help, QStringLiteral("  &User's Guide"), "Contents1");
    Contents1->setShortcut(QKeySequence(Qt::Key_F1));
    VisitSoftwareCoOnline =
        item(help, QStringLiteral("  &Visit ") + TAboutBox::makerName() + QStringLiteral(" online"),
             "VisitSoftwareCoOnline");
    MIHelpStatistics = item(help, QStringLiteral("  &Statistics..."), "MIHelpStatistics");
    help->addSeparator();
    About1 = item(help, QStringLiteral("  &About..."), "About1");

    PMObjs = new QMenu(&window);
    PMObjs->setObjectName(QStringLiteral("PMObjs"));
    PMIImprint = item(PMObjs, QStringLiteral("  &Imprint"), "PMIImprint");
    PMIFlash = item(PMObjs, QStringLiteral("  &Flash"), "PMIFlash");
    PMIReview = item(PMObjs, QStringLiteral("  &Review"), "PMIReview");
    PMISpaced = item(PMObjs, QStringLiteral("  &Spaced review"), "PMISpaced");
    PMIImprint->setData(int(Session::Imprint));
    PMIFlash->setData(int(Session::Flash));
    PMIReview->setData(int(Session::Review));
    PMISpaced->setData(int(Session::Spaced));
    PMObjs->addSeparator();
    PMIEdit = item(PMObjs, QStringLiteral("  &Edit"), "PMIEdit");
    PMIImport = item(PMObjs, QStringLiteral("  I&mport..."), "PMIImport");
}

void MainFrame::setupToolStrip(QWidget* parent) {
    PTools = new ToolStrip(parent);
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
    PCMode->setToolTip(QStringLiteral("Mode"));

    auto toolButton = [this, parent](const QString& name, QStyle::StandardPixmap icon) {
        auto* b = new QToolButton(PTools);
        b->setObjectName(name);
        b->setAutoRaise(true);
        b->setIcon(parent->style()->standardIcon(icon));
        b->setIconSize(QSize(20, 20));
        b->setFixedSize(28, 28);
        b->setCursor(Qt::PointingHandCursor);
        return b;
    };
    BUndo = toolButton(QStringLiteral("BUndo"), QStyle::SP_ArrowBack);
    BRedo = toolButton(QStringLiteral("BRedo"), QStyle::SP_ArrowForward);
    BSave = toolButton(QStringLiteral("BSave"), QStyle::SP_DialogSaveButton);
    BSave->setToolTip(QStringLiteral("Save"));
    // Icon-only: the name a screen reader says (the tool tips change with the undo hint).
    BUndo->setAccessibleName(QStringLiteral("Undo"));
    BRedo->setAccessibleName(QStringLiteral("Redo"));
    BSave->setAccessibleName(QStringLiteral("Save"));
    if (MIUndo) MIUndo->setIcon(BUndo->icon());
    if (MIRedo) MIRedo->setIcon(BRedo->icon());
    BUndo->setEnabled(false);
    BRedo->setEnabled(false);

    CBAutoSave = new QCheckBox(PTools);
    CBAutoSave->setObjectName(QStringLiteral("CBAutoSave"));
    CBAutoSave->setAccessibleName(QStringLiteral("Auto-save"));
    LSaveOnStudy = new ClickLabel(QStringLiteral("Auto-save"), PTools);
    LSaveOnStudy->setObjectName(QStringLiteral("LSaveOnStudy"));
    LSaveOnStudy->setToolTip(QStringLiteral("Save the library before each study session"));
    QObject::connect(LSaveOnStudy, &ClickLabel::clicked, CBAutoSave, &QCheckBox::toggle);

    LDisaVoice = new ClickLabel(QStringLiteral("Mute voice:"), PTools);
    LDisaVoice->setObjectName(QStringLiteral("LDisaVoice"));
    CBDisaVoice = new QCheckBox(PTools);
    CBDisaVoice->setObjectName(QStringLiteral("CBDisaVoice"));
    CBDisaVoice->setAccessibleName(QStringLiteral("Mute voice"));
    QObject::connect(LDisaVoice, &ClickLabel::clicked, CBDisaVoice, &QCheckBox::toggle);

    CBModes = new QComboBox(PTools);
    CBModes->setObjectName(QStringLiteral("CBModes"));
    CBModes->setMaxVisibleItems(40);
    CBModes->setMinimumWidth(180);
    // A voice's whole name shows, however long the engine makes it.
    CBModes->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    CBModes->setToolTip(QStringLiteral("Voice"));
    BVoice = new QToolButton(PTools);
    BVoice->setObjectName(QStringLiteral("BVoice"));
    BVoice->setText(QStringLiteral("Voice..."));
    BVoice->setToolTip(QStringLiteral("Answer voice, rate and pitch"));

    // The voice controls sit at the right end; the rest is placed by placeToolButtons.
    auto* right = new QHBoxLayout(PTools);
    right->setContentsMargins(0, 3, 8, 3);
    right->addStretch();
    right->addWidget(LDisaVoice);
    right->addWidget(CBDisaVoice);
    right->addSpacing(10);
    right->addWidget(CBModes);
    right->addWidget(BVoice);
}

QWidget* MainFrame::setupCentre(QWidget* parent,
                                const std::function<ObjTreeView*(QWidget*)>& makeTree) {
    auto* central = new QWidget(parent);
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
    PObjs->setObjectName(QStringLiteral("PObjs"));
    PObjs->setMinimumWidth(MinTreeWidth);
    auto* objsLayout = new QVBoxLayout(PObjs);
    objsLayout->setContentsMargins(0, 0, 0, 0);
    TVObjs = makeTree(PObjs);
    TVObjs->setObjectName(QStringLiteral("TVObjs"));
    TVObjs->setAccessibleName(QStringLiteral("Library"));
    objsLayout->addWidget(TVObjs);

    PClient = new QWidget(Splitter);
    PClient->setObjectName(QStringLiteral("PClient"));
    PClient->setMinimumWidth(MinClientWidth);
    auto* clientLayout = new QVBoxLayout(PClient);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    // On a screen smaller than the window's minimum the pages keep their size and scroll,
    // so that every control can still be reached; elsewhere the area fills and never
    // shows a scroll bar.
    ClientScroll = new QScrollArea(PClient);
    ClientScroll->setObjectName(QStringLiteral("ClientScroll"));
    ClientScroll->setFrameShape(QFrame::NoFrame);
    ClientScroll->setWidgetResizable(true);
    Pages = new QStackedWidget;
    Pages->setObjectName(QStringLiteral("Pages"));
    Pages->setMinimumWidth(MinClientWidth);
    ClientScroll->setWidget(Pages);
    clientLayout->addWidget(ClientScroll);

    Splitter->addWidget(PObjs);
    Splitter->addWidget(PClient);
    Splitter->setStretchFactor(0, 0);
    Splitter->setStretchFactor(1, 1);
    Splitter->setSizes({kTreeWidth, MinWidth - kTreeWidth});
    v->addWidget(Splitter, 1);

    SB = new QWidget(central);
    SB->setObjectName(QStringLiteral("SB"));
    auto* sb = new QHBoxLayout(SB);
    sb->setContentsMargins(6, 2, 6, 2);
    sb->addWidget(new QLabel(QStringLiteral("Selected:"), SB));
    PSB = new QLabel(SB);
    PSB->setObjectName(QStringLiteral("PSB"));
    PSB->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PSB->setTextFormat(Qt::PlainText);
    sb->addWidget(PSB, 1);
    SB->hide();
    v->addWidget(SB);
    return central;
}

void MainFrame::setupForms(MainCommands& main, QWidget* parent) {
    // Created in the order the panels are wired together; their views move in when the
    // window is first shown.
    FormImprintSelected = new TFormImprintSelected(main, parent);
    FormAddEditDelete = new TFormAddEditDelete(parent);
    FormEditObject = new TFormEditObject(main, parent);
    FormEditQuestion = new TFormEditQuestion(main, parent);
    FormAddNew = new TFormAddNew(main, main, parent);
    FormEditSelected = new TFormEditSelected(main, parent);
    FormReviewSelected = new TFormReviewSelected(main, parent);
    FormCopySelected = new TFormCopySelected(main, parent);
    FormDeleteSelected = new TFormDeleteSelected(main, parent);
    FormFlashSelected = new TFormFlashSelected(main, parent);
    FormSpacedSelected = new TFormSpacedSelected(main, parent);
    FormEdit = new TFormEdit(parent);
    FormStudy = new TFormStudy(main, parent);
    const std::initializer_list<std::pair<QWidget*, const char*>> forms = {
        {FormImprintSelected, "FormImprintSelected"},
        {FormAddEditDelete, "FormAddEditDelete"},
        {FormEditObject, "FormEditObject"},
        {FormEditQuestion, "FormEditQuestion"},
        {FormAddNew, "FormAddNew"},
        {FormEditSelected, "FormEditSelected"},
        {FormReviewSelected, "FormReviewSelected"},
        {FormCopySelected, "FormCopySelected"},
        {FormDeleteSelected, "FormDeleteSelected"},
        {FormFlashSelected, "FormFlashSelected"},
        {FormSpacedSelected, "FormSpacedSelected"},
        {FormEdit, "FormEdit"},
        {FormStudy, "FormStudy"}};
    for (const auto& [form, name] : forms) {
        form->setObjectName(QString::fromLatin1(name));
        form->hide();
    }
}

void MainFrame::embedForms() {
    FormAddEditDelete->addPanel(FormAddNew->view());
    FormAddEditDelete->addPanel(FormEditSelected->view());
    FormAddEditDelete->addPanel(FormCopySelected->view());
    FormAddEditDelete->addPanel(FormDeleteSelected->view());
    FormEdit->addPanel(FormAddEditDelete);
    FormEdit->addPanel(FormEditObject->PMain);
    FormEdit->addPanel(FormEditQuestion->PMain);
    FormStudy->setPanels(FormImprintSelected, FormFlashSelected, FormReviewSelected,
                         FormSpacedSelected);
    Pages->addWidget(FormEdit);
    Pages->addWidget(FormStudy);

    FormAddEditDelete->showOnly(FormAddNew->view());
    FormEdit->showOnly(FormAddEditDelete);
    FormAddNew->view()->setEnabled(true);
    for (QWidget* w : std::initializer_list<QWidget*>{
             FormEditSelected->view(), FormCopySelected->view(), FormDeleteSelected->view(),
             FormEditObject->PMain, FormEditQuestion->PMain}) {
        w->hide();
        w->setEnabled(false);
    }
}

int MainFrame::levelForKey(const QKeyEvent* key) {
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier) return 0;
    for (int l = 1; l <= 8; ++l)
        if (key->key() == Qt::Key_A + (kLevelKeys[l - 1] - 'A')) return l;
    return 0;
}

void MainFrame::placeToolButtons() {
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

    // On a narrow window the buttons move up to the mode tabs, and the voice list gives up
    // what it must of its width, so that nothing on the strip covers anything else. The
    // right-hand group is the strip's layout; all of it but the list keeps its width.
    const auto leftEnd = [this] {
        // Hidden in study mode, when the strip holds only the voice controls.
        return !LSaveOnStudy->isHidden() ? LSaveOnStudy->x() + LSaveOnStudy->width()
                                         : PCMode->x() + PCMode->width();
    };
    const int list = CBModes->sizeHint().width();
    const int besides =
        PTools->layout()->sizeHint().width() - std::min(list, CBModes->maximumWidth());
    if (leftEnd() + 8 + besides + list > PTools->width()) {
        BUndo->move(tabs + 2, 4);
        BRedo->move(BUndo->x() + BUndo->width(), 4);
        BSave->move(BRedo->x() + BRedo->width(), 4);
        CBAutoSave->move(BSave->x() + BSave->width() + 3, CBAutoSave->y());
        LSaveOnStudy->move(CBAutoSave->x() + CBAutoSave->width() + 5, LSaveOnStudy->y());
    }
    const int room = PTools->width() - leftEnd() - 8 - besides;
    CBModes->setMaximumWidth(room >= list ? QWIDGETSIZE_MAX : std::max(60, room));
    CBModes->setMinimumWidth(std::min(180, CBModes->maximumWidth()));
}

QList<LevelPanel*> MainFrame::allPanels() const {
    QList<LevelPanel*> list{FormAddNew, FormEditSelected, FormCopySelected, FormDeleteSelected};
    for (Session s : {Session::Imprint, Session::Flash, Session::Review, Session::Spaced})
        if (LevelPanel* p = sessionPanel(s)) list << p;
    list.removeAll(nullptr);
    return list;
}

LevelPanel* MainFrame::operationPanel(Operation op) const {
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

LevelPanel* MainFrame::sessionPanel(Session s) const {
    switch (s) {
    case Session::Imprint:
        return FormImprintSelected;
    case Session::Flash:
        return FormFlashSelected;
    case Session::Review:
        return FormReviewSelected;
    case Session::Spaced:
        return FormSpacedSelected;
    }
    return nullptr;
}

QSize MainFrame::minimumFor(const QSize& available) {
    if (!available.isValid() || available.isEmpty()) return {MinWidth, MinHeight};
    return QSize(MinWidth, MinHeight).boundedTo(available);
}

void MainFrame::fitMinimumsTo(QWidget& window, const QSize& available) {
    const QSize min = minimumFor(available);
    window.setMinimumSize(min);
    // The splitter's parts give way as well: the tree keeps its own minimum, the client
    // panel takes what is left, and the pages inside it scroll.
    const int handle = Splitter ? Splitter->handleWidth() : 0;
    PClient->setMinimumWidth(std::clamp(min.width() - MinTreeWidth - handle, 0, MinClientWidth));
    if (window.width() > available.width() || window.height() > available.height())
        window.resize(window.size().boundedTo(available).expandedTo(min));
}

} // namespace brenvik
