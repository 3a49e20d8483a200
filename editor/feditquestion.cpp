#include "editor/feditquestion.h"

#include "platform/desktopcolors.h"

#include "editor/flayout.h"
#include "editor/paneimageeditor.h"
#include "editor/panetab.h"
#include "editor/panetexteditor.h"
#include "editor/panewebsiteeditor.h"
#include "library/objects.h"
#include "library/textcodec.h"
#include "panels/levelpanel.h"
#include "panels/validation.h"
#include "platform/prompts.h"
#include "widgets/focusedit.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>

namespace brenvik {

namespace {

constexpr int QuestionLevel = 8;

// Leading and trailing blanks and control characters go.
QString Trim(const QString& text) {
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && text.at(b).unicode() <= 0x20)
        ++b;
    while (e > b && text.at(e - 1).unicode() <= 0x20)
        --e;
    return text.mid(b, e - b);
}

std::vector<std::string> LinesOf(const QString& text) {
    return SplitLines(DisplayToBytes(text));
}

QString JoinLines(const std::vector<std::string>& lines, const QString& separator) {
    QStringList out;
    for (const std::string& line : lines)
        out << BytesToDisplay(line);
    return out.join(separator);
}

// A tab page filled with the shaded band of the other editing panels.
class BandPage : public QWidget {
public:
    BandPage(const ProgramServices& main, QWidget* parent) : QWidget(parent), main_(main) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        PaintShadedBand(p, rect(), ButtonFaceColor(main_));
    }

private:
    const ProgramServices& main_;
};

QLabel* BoldLabel(const QString& text, QWidget* parent, const QColor& color = QColor()) {
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    if (color.isValid()) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, ReadableTint(pal.color(QPalette::Window), color));
        l->setPalette(pal);
    }
    return l;
}

} // namespace

TFormEditQuestion::TFormEditQuestion(EditorServices& main, QWidget* parent)
    : EditorFormBase(main, QStringLiteral("TFormEditQuestion"), parent) {
    QVBoxLayout* outer = frame().outer;
    BPreview = AddEditorButton(frame(), style()->standardIcon(QStyle::SP_MediaPlay),
                               QStringLiteral("Preview"), QStringLiteral("Press [F9] to invoke"));
    connect(BSave, &QPushButton::clicked, this, &TFormEditQuestion::BSaveClick);
    connect(BCancel, &QPushButton::clicked, this, &TFormEditQuestion::BCancelClick);
    connect(BPreview, &QPushButton::clicked, this, &TFormEditQuestion::BPreviewClick);

    PC = new QTabWidget(PMain);
    PC->setObjectName(QStringLiteral("PC"));
    PC->setDocumentMode(false);
    PC->setUsesScrollButtons(true);
    outer->addWidget(PC, 1);

    buildGeneralTab();
    buildLayoutTab();
    buildProportionsTab();
    for (int d = 0; d < 3; ++d) {
        TSPane[d] = new PaneTab(main_, d + 1, PC);
        TSPane[d]->setObjectName(QStringLiteral("TSPane%1").arg(d + 1));
        PC->addTab(TSPane[d], QStringLiteral("Pane %1").arg(d + 1));
        connectPane(TSPane[d]);
    }
    buildSpokenTab();
    buildAnswerTab();
    connect(PC, &QTabWidget::currentChanged, this, &TFormEditQuestion::PCChange);
}

void TFormEditQuestion::buildGeneralTab() {
    TSGeneral = new BandPage(main_, PC);
    TSGeneral->setObjectName(QStringLiteral("TSGeneral"));
    QFont descrFont = TSGeneral->font();
    descrFont.setBold(true);
    buildNameNotes(TSGeneral, descrFont);
    PC->addTab(TSGeneral, QStringLiteral("General"));
    connect(EName, &QLineEdit::textChanged, this, &TFormEditQuestion::edited);
    connect(MNotes, &QPlainTextEdit::textChanged, this, &TFormEditQuestion::edited);
}

void TFormEditQuestion::buildLayoutTab() {
    TSLayout = new BandPage(main_, PC);
    TSLayout->setObjectName(QStringLiteral("TSLayout"));
    auto* row = new QHBoxLayout(TSLayout);
    row->setContentsMargins(12, 24, 12, 24);
    row->setSpacing(16);
    row->addStretch(1);
    const std::array<QStringList, 3> captions{
        QStringList{QStringLiteral("Question Pane 1")},
        QStringList{QStringLiteral("Q. Pane 1"), QStringLiteral("Q. Pane 2")},
        QStringList{QStringLiteral("QP. 1"), QStringLiteral("QP. 2"), QStringLiteral("QP. 3")}};
    for (int l = 0; l < 3; ++l) {
        auto* column = new QVBoxLayout;
        column->setSpacing(8);
        auto* picture = new QFrame(TSLayout);
        picture->setFrameShape(QFrame::Box);
        // Narrower on a small window rather than cut off at the right.
        picture->setMinimumSize(140, 172);
        picture->setMaximumSize(220, 172);
        picture->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        {
            QPalette pal = picture->palette();
            pal.setColor(QPalette::Window, QColor(128, 128, 128));
            picture->setPalette(pal);
            picture->setAutoFillBackground(true);
        }
        auto* pictureLayout = new QVBoxLayout(picture);
        pictureLayout->setContentsMargins(4, 4, 4, 4);
        pictureLayout->setSpacing(4);
        auto* panes = new QHBoxLayout;
        panes->setSpacing(3);
        for (const QString& caption : captions[l]) {
            auto* box = new CaptionBox(caption, picture);
            box->setCursor(Qt::PointingHandCursor);
            PQuestionBoxes[l] << box;
            panes->addWidget(box);
        }
        pictureLayout->addLayout(panes, 3);
        PAnswerBox[l] = new CaptionBox(QStringLiteral("Answer Pane"), picture);
        PAnswerBox[l]->setCursor(Qt::PointingHandCursor);
        pictureLayout->addWidget(PAnswerBox[l], 2);
        for (CaptionBox* box : PQuestionBoxes[l] + QList<CaptionBox*>{PAnswerBox[l]}) {
            connect(box, &CaptionBox::clicked, this, [this, l] { Panel3Click(l + 1); });
            if (l > 0)
                connect(box, &CaptionBox::doubleClicked, this, [this, l] {
                    Panel3Click(l + 1);
                    gotoProportions();
                });
        }
        column->addWidget(picture);
        RB[l] = new QRadioButton(TSLayout);
        RB[l]->setObjectName(QStringLiteral("RB%1").arg(l + 1));
        RB[l]->setCursor(Qt::PointingHandCursor);
        RB[l]->installEventFilter(this);
        connect(RB[l], &QRadioButton::clicked, this, [this, l] { Panel3Click(l + 1); });
        column->addWidget(RB[l], 0, Qt::AlignHCenter);
        column->addStretch(1);
        row->addLayout(column, 4);
    }
    row->addStretch(1);
    PC->addTab(TSLayout, QStringLiteral("Layout"));
}

void TFormEditQuestion::buildProportionsTab() {
    TSProportions = new BandPage(main_, PC);
    TSProportions->setObjectName(QStringLiteral("TSProportions"));
    auto* box = new QVBoxLayout(TSProportions);
    box->setContentsMargins(24, 24, 24, 24);
    FormLayout2 = new TFormLayout2(this);
    FormLayout3 = new TFormLayout3(this);
    for (TFormLayout* strip :
         {static_cast<TFormLayout*>(FormLayout2), static_cast<TFormLayout*>(FormLayout3)}) {
        strip->hide();
        strip->PMain->setParent(TSProportions);
        box->addWidget(strip->PMain, 0, Qt::AlignHCenter | Qt::AlignTop);
        strip->PMain->hide();
        connect(strip, &TFormLayout::changed, this, &TFormEditQuestion::MarkChanged);
        connect(strip, &TFormLayout::paneDoubleClicked, this, &TFormEditQuestion::gotoSlot);
    }
    box->addStretch(1);
    PC->addTab(TSProportions, QStringLiteral("Layout Proportions"));
}

void TFormEditQuestion::buildSpokenTab() {
    TSSpoken = new BandPage(main_, PC);
    TSSpoken->setObjectName(QStringLiteral("TSSpoken"));
    auto* v = new QVBoxLayout(TSSpoken);
    v->setContentsMargins(16, 14, 16, 16);
    v->setSpacing(8);
    v->addWidget(
        BoldLabel(QStringLiteral("Enter text, that will be spoken when the question's displayed."),
                  TSSpoken, QColor(0, 0, 128)));
    MSpeakQ = new QPlainTextEdit(TSSpoken);
    MSpeakQ->installEventFilter(this);
    v->addWidget(MSpeakQ, 1);
    auto* buttons = new QHBoxLayout;
    BSpeakQ = new QPushButton(QStringLiteral("Speak"), TSSpoken);
    BStopQ = new QPushButton(QStringLiteral("Stop"), TSSpoken);
    for (QPushButton* b : {BSpeakQ, BStopQ}) {
        b->setMinimumWidth(90);
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    v->addLayout(buttons);
    PC->addTab(TSSpoken, QStringLiteral("Spoken Text"));
    connect(MSpeakQ, &QPlainTextEdit::textChanged, this, &TFormEditQuestion::edited);
    connect(BSpeakQ, &QPushButton::clicked, this, [this] {
        // The selection when it holds more than blanks, else the whole text.
        QString text = Trim(MSpeakQ->textCursor().selectedText().replace(QChar::ParagraphSeparator,
                                                                         QLatin1Char('\n')));
        if (text.isEmpty()) text = Trim(MSpeakQ->toPlainText());
        main_.Speak(text);
    });
    connect(BStopQ, &QPushButton::clicked, this, [this] { main_.StopVoice(); });
}

void TFormEditQuestion::buildAnswerTab() {
    TSAnswer = new BandPage(main_, PC);
    TSAnswer->setObjectName(QStringLiteral("TSAnswer"));
    auto* grid = new QGridLayout(TSAnswer);
    grid->setContentsMargins(16, 14, 16, 16);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    auto* displayLabel = new QLabel(QStringLiteral("Display text:"), TSAnswer);
    displayLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    MAnswer = new QPlainTextEdit(TSAnswer);
    MAnswer->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MAnswer->installEventFilter(this);
    displayLabel->setBuddy(MAnswer);
    grid->addWidget(displayLabel, 0, 0);
    grid->addWidget(MAnswer, 0, 1, 1, 3);
    auto* spokenLabel = new QLabel(QStringLiteral("Spoken text:"), TSAnswer);
    MSpeakA = new QLineEdit(TSAnswer);
    spokenLabel->setBuddy(MSpeakA);
    BSpeakA = new QPushButton(QStringLiteral("Speak"), TSAnswer);
    BStopA = new QPushButton(QStringLiteral("Stop"), TSAnswer);
    grid->addWidget(spokenLabel, 1, 0);
    grid->addWidget(MSpeakA, 1, 1);
    grid->addWidget(BSpeakA, 1, 2);
    grid->addWidget(BStopA, 1, 3);
    auto* note = BoldLabel(
        QStringLiteral("Note: The font is the same for all answers, and it can be changed while "
                       "in Study Mode (located below the large \"operation\" tabs) as well as "
                       "here:"),
        TSAnswer, QColor(0, 0, 128));
    note->setWordWrap(true);
    grid->addWidget(note, 2, 0, 1, 4);
    BAFont = new QPushButton(QStringLiteral("Answer Font..."), TSAnswer);
    for (QPushButton* b : {BSpeakA, BStopA, BAFont}) {
        b->setMinimumWidth(90);
        b->setAutoDefault(false);
    }
    grid->addWidget(BAFont, 3, 1, Qt::AlignLeft);
    grid->setRowStretch(0, 3);
    grid->setRowStretch(4, 2);
    grid->setColumnStretch(1, 1);
    PC->addTab(TSAnswer, QStringLiteral("Answer"));
    connect(MAnswer, &QPlainTextEdit::textChanged, this, &TFormEditQuestion::edited);
    connect(MSpeakA, &QLineEdit::textChanged, this, &TFormEditQuestion::edited);
    connect(BSpeakA, &QPushButton::clicked, this,
            [this] { main_.SpeakSide(Trim(MSpeakA->text()), SpeechSide::Answer, {}); });
    connect(BStopA, &QPushButton::clicked, this, [this] { main_.StopVoice(); });
    connect(BAFont, &QPushButton::clicked, this, [this] { main_.ChooseAnswerFont(PMain); });
}

void TFormEditQuestion::connectPane(PaneTab* pane) {
    connect(pane, &PaneTab::changed, this, &TFormEditQuestion::MarkChanged);
    connect(pane, &PaneTab::moveLeft, this, [this, pane] { movePane(pane, -1); });
    connect(pane, &PaneTab::moveRight, this, [this, pane] { movePane(pane, 1); });
    connect(pane, &PaneTab::fieldChanged, this, [this, pane] { fieldChangeWork(pane); });
}

bool TFormEditQuestion::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == MSpeakQ || watched == MAnswer) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return true; // no line breaks here
    }
    if (event->type() == QEvent::MouseButtonDblClick)
        for (int l = 1; l < 3; ++l)
            if (watched == RB[l]) {
                Panel3Click(l + 1);
                gotoProportions();
                return true;
            }
    return QWidget::eventFilter(watched, event);
}

// ---- loading ---------------------------------------------------------------------------

void TFormEditQuestion::LoadQuestion(NodeId question, bool fromAddNew) {
    LibraryTree& tree = main_.tree();
    const DesktopColors& desktop = main_.desktopColors();
    open_ = false;
    ++quiet_;
    for (PaneTab* pane : TSPane)
        pane->stopViewer();

    // 1. The pane tabs go back to their first order.
    for (int d = 0; d < 3; ++d) {
        const int from = PC->indexOf(TSPane[d]);
        if (from != FirstPaneTab + d) PC->tabBar()->moveTab(from, FirstPaneTab + d);
    }
    UpdatePaneTabs();

    // 2.
    QuestionRecord record = QuestionRecord::newRecord(desktop);
    record.proportions = {std::string(), std::string(), std::string(), std::string()};
    if (const Status read = ReadQuestionRecord(tree, question, record, desktop); !read) {
        --quiet_;
        main_.prompts().message(PMain->window(), QStringLiteral("Error"), ErrorText(read),
                                Prompts::Icon::Error);
        close();
        return;
    }

    // 3.
    const std::string_view name = tree.text(question);
    LTitle->setText(QStringLiteral("Editing question: \"") + BytesToDisplay(name) +
                    QLatin1Char('"'));
    EName->setText(BytesToDisplay(name));
    const auto descr = GetObjDescr(QuestionLevel);
    LDescr->setText(QString::fromStdString(descr ? descr.value() : descr.error()));
    MNotes->setPlainText(JoinLines(record.notes, QStringLiteral("\n")));

    // 4. A layout outside 1..3 ticks no button.
    for (QRadioButton* rb : RB) {
        rb->setAutoExclusive(false);
        rb->setChecked(false);
    }
    if (record.layout >= 1 && record.layout <= 3) RB[record.layout - 1]->setChecked(true);
    for (QRadioButton* rb : RB)
        rb->setAutoExclusive(true);

    // 5.
    FormLayout2->loadProportions(BytesToDisplay(record.proportions[2]));
    FormLayout3->loadProportions(BytesToDisplay(record.proportions[3]));

    // 6, 8, 9.
    for (int d = 0; d < 3; ++d)
        TSPane[d]->load(record.panes[d]);

    // 7. A one-line field: several stored lines read as one spoken text, so saving never
    // adds a line of its own.
    MAnswer->setPlainText(BytesToDisplay(record.answer));
    MSpeakQ->setPlainText(JoinLines(record.spokenQuestion, QStringLiteral("\n")));
    MSpeakA->setText(JoinLines(record.spokenAnswer, QStringLiteral(" ")));
    for (QPlainTextEdit* memo : {MNotes, MSpeakQ, MAnswer})
        memo->moveCursor(QTextCursor::Start);
    MSpeakA->setCursorPosition(0);
    EName->setCursorPosition(0);

    // 10.
    RB1Click();

    // 11.
    if (fromAddNew) {
        PC->setCurrentIndex(FirstPaneTab);
        TSPane[0]->PC->setCurrentIndex(TextContent);
    } else {
        const int tab = PC->isTabVisible(rememberedTab_) ? rememberedTab_ : int(GeneralTab);
        PC->setCurrentIndex(tab);
    }
    fieldChangeWork(nullptr);

    // 12.
    open_ = true;
    tabChangeWork();
    PMain->show();
    if (fromAddNew) FocusEdit(TSPane[0]->textEditor().MTextEntered, false);

    // 13.
    --quiet_;
    MarkUnchanged();
    main_.RefreshSelectionViews();
}

// ---- changed state ---------------------------------------------------------------------

void TFormEditQuestion::edited() {
    MarkChanged();
}

void TFormEditQuestion::MarkChanged() {
    if (quiet_ > 0 || !open_) return;
    changed_ = true;
    saveRefused_ = false;
    showChangedState();
}

void TFormEditQuestion::MarkUnchanged() {
    changed_ = false;
    saveRefused_ = false;
    showChangedState();
}

void TFormEditQuestion::showChangedState() {
    showSaveState(changed_);
    if (changed_ && saveRefused_) BSave->setEnabled(false);
}

// ---- tabs ------------------------------------------------------------------------------

void TFormEditQuestion::PCChange(int index) {
    Q_UNUSED(index);
    if (open_) tabChangeWork();
}

void TFormEditQuestion::tabChangeWork() {
    ++quiet_; // whatever the switch does to the controls is no edit
    main_.StopVoice();
    const int current = PC->currentIndex();
    for (int i = 0; i < PC->count(); ++i)
        PC->tabBar()->setTabTextColor(
            i, i == current ? ReadableTint(PC->palette().color(QPalette::Window), QColor(0, 0, 160))
                            : QColor());
    if (PC->currentWidget() == TSProportions) {
        FormLayout2->Splitter1Moved(false);
        FormLayout3->Splitter1Moved(false);
    }
    for (PaneTab* pane : TSPane)
        pane->highlightSubTab();
    UpdatePaneTabs();
    --quiet_;
    showChangedState();
}

void TFormEditQuestion::UpdatePaneTabs() {
    const int i = PC->currentIndex();
    int visible = 0;
    for (int slot = 0; slot < 3; ++slot)
        if (PC->isTabVisible(FirstPaneTab + slot)) ++visible;
    const bool left = (visible == 2 && i == 4) || (visible == 3 && (i == 4 || i == 5));
    const bool right = (visible == 2 && i == 3) || (visible == 3 && (i == 3 || i == 4));
    for (PaneTab* pane : TSPane)
        pane->setMoveStates(left, right);
    for (int slot = 1; slot <= 3; ++slot)
        PC->setTabText(FirstPaneTab + slot - 1, QStringLiteral("Pane %1").arg(slot));
}

PaneTab* TFormEditQuestion::paneAtSlot(int slot) const {
    return qobject_cast<PaneTab*>(PC->widget(FirstPaneTab + slot - 1));
}

void TFormEditQuestion::movePane(PaneTab* pane, int step) {
    const int from = PC->indexOf(pane);
    const int to = from + step;
    if (from < FirstPaneTab || to < FirstPaneTab || to > FirstPaneTab + 2 || !PC->isTabVisible(to))
        return;
    ++quiet_;
    PC->tabBar()->moveTab(from, to);
    PC->setCurrentIndex(to);
    --quiet_;
    applyPaneVisibility(layout_);
    tabChangeWork();
    MarkChanged();
}

void TFormEditQuestion::switchTo(QWidget* tab) {
    if (PC->currentWidget() == tab)
        tabChangeWork();
    else
        PC->setCurrentWidget(tab);
}

void TFormEditQuestion::gotoProportions() {
    if (PC->isTabVisible(ProportionsTab)) switchTo(TSProportions);
}

void TFormEditQuestion::gotoSlot(int slot) {
    if (PaneTab* pane = paneAtSlot(slot); pane && PC->isTabVisible(PC->indexOf(pane)))
        switchTo(pane);
}

// ---- layout ----------------------------------------------------------------------------

int TFormEditQuestion::checkedLayout() const {
    if (RB[1]->isChecked()) return 2;
    if (RB[2]->isChecked()) return 3;
    return 1;
}

void TFormEditQuestion::Panel3Click(int layout) {
    if (layout < 1 || layout > 3) return;
    if (layout_ == layout && RB[layout - 1]->isChecked()) return;
    RB[layout - 1]->setChecked(true);
    RB1Click();
    MarkChanged();
}

void TFormEditQuestion::RB1Click() {
    layout_ = checkedLayout();
    paintLayoutPictures();
    applyPaneVisibility(layout_);
    FormLayout2->PMain->setVisible(RB[1]->isChecked());
    FormLayout3->PMain->setVisible(RB[2]->isChecked());
    UpdatePaneTabs();
}

void TFormEditQuestion::applyPaneVisibility(int layout) {
    PC->setTabVisible(ProportionsTab, layout != 1);
    for (int slot = 1; slot <= 3; ++slot)
        PC->setTabVisible(FirstPaneTab + slot - 1, slot <= layout);
}

void TFormEditQuestion::paintLayoutPictures() {
    const DesktopColorScheme scheme = main_.desktopColors().scheme();
    const QColor window = toQColor(scheme.window);
    const QColor windowText = toQColor(scheme.windowText);
    const QColor highlight = toQColor(scheme.highlight);
    const QColor highlightText = Qt::white;
    for (int l = 0; l < 3; ++l) {
        const bool chosen = RB[l]->isChecked();
        for (CaptionBox* box : PQuestionBoxes[l])
            box->setColors(chosen ? highlight : QColor(Qt::white),
                           chosen ? highlightText : QColor(Qt::black));
        PAnswerBox[l]->setColors(chosen ? highlight : window, chosen ? highlightText : windowText);
    }
}

// ---- panes -----------------------------------------------------------------------------

void TFormEditQuestion::fieldChangeWork(PaneTab* source) {
    for (PaneTab* pane : TSPane) {
        const bool image = !Trim(pane->imageEditor().EImage->text()).isEmpty();
        const bool web = !Trim(pane->websiteEditor().EOther->text()).isEmpty();
        if (pane->imageEditor().BRefreshPic) pane->imageEditor().BRefreshPic->setEnabled(image);
        if (pane->imageEditor().BDefaultImageApp)
            pane->imageEditor().BDefaultImageApp->setEnabled(image);
        if (pane->websiteEditor().BRefresh) pane->websiteEditor().BRefresh->setEnabled(web);
        if (pane->websiteEditor().BDefaultWebApp)
            pane->websiteEditor().BDefaultWebApp->setEnabled(web);
    }
    if (!source) return;
    MarkChanged();
    // A long path or address can be read in full in the hint.
    source->imageEditor().EImage->setToolTip(source->imageEditor().EImage->text());
    source->websiteEditor().EOther->setToolTip(source->websiteEditor().EOther->text());
}

// ---- validation, save, cancel ----------------------------------------------------------

bool TFormEditQuestion::ValidateQuestion() {
    QWidget* tab = nullptr;
    QWidget* control = nullptr;
    QString message;
    if (Trim(EName->text()).isEmpty()) {
        tab = TSGeneral;
        control = EName;
        message = QStringLiteral("No name was entered.");
    } else if (Trim(MAnswer->toPlainText()).isEmpty()) {
        tab = TSAnswer;
        control = MAnswer;
        message = QStringLiteral("No answer was entered.");
    } else {
        for (PaneTab* pane : TSPane) {
            if (!PC->isTabVisible(PC->indexOf(pane))) continue;
            if (QWidget* failed = pane->validate(&message)) {
                tab = pane;
                control = failed;
                break;
            }
        }
    }
    if (!control) return true;
    switchTo(tab);
    ShowValidationError(main_, main_.prompts(), message, control);
    saveRefused_ = true;
    BSave->setEnabled(false);
    return false;
}

QuestionRecord TFormEditQuestion::buildRecord() const {
    QuestionRecord r;
    r.name = DisplayToBytes(Trim(EName->text()));
    r.notes = LinesOf(MNotes->toPlainText());
    r.layout = checkedLayout();
    r.proportions = {"unused", "unused", DisplayToBytes(FormLayout2->proportionsText()),
                     DisplayToBytes(FormLayout3->proportionsText())};
    for (int slot = 1; slot <= 3; ++slot)
        r.panes[slot - 1] = paneAtSlot(slot)->record();
    r.spokenQuestion = LinesOf(MSpeakQ->toPlainText());
    r.answer = DisplayToBytes(Trim(MAnswer->toPlainText()));
    r.spokenAnswer = SplitLines(spokenAnswerText());
    return r;
}

std::string TFormEditQuestion::spokenAnswerText() const {
    return DisplayToBytes(MSpeakA->text());
}

void TFormEditQuestion::BSaveClick() {
    if (!open_) return;
    main_.StopVoice();
    if (!ValidateQuestion()) return;
    LibraryTree& tree = main_.tree();
    const NodeId question = GetObjAtLevel(tree, main_.selectedNode(), QuestionLevel);
    if (question != NoNode) {
        UndoScope undo(main_);
        WriteQuestionRecord(tree, question, buildRecord(), spokenAnswerText(),
                            main_.desktopColors());
        undo.commit(QStringLiteral("edit question"));
    }
    close();
}

void TFormEditQuestion::BCancelClick() {
    if (!open_) return;
    main_.StopVoice();
    if (changed_ && main_.ConfirmBox(QStringLiteral("Cancel changes?")) != Prompts::Yes) return;
    close();
}

void TFormEditQuestion::close() {
    if (open_) rememberedTab_ = PC->currentIndex();
    for (PaneTab* pane : TSPane)
        pane->stopViewer();
    open_ = false;
    MarkUnchanged();
    PMain->hide();
    main_.editorClosed();
}

// ---- preview ---------------------------------------------------------------------------

bool TFormEditQuestion::BPreviewClick() {
    if (!open_ || previewing_) return false;
    previewing_ = true;
    ++quiet_;
    const int layoutBefore = RB[0]->isChecked()   ? 1
                             : RB[1]->isChecked() ? 2
                             : RB[2]->isChecked() ? 3
                                                  : 0;
    for (PaneTab* pane : TSPane)
        pane->setTextNotificationsBlocked(true);
    MSpeakQ->blockSignals(true);
    const QuestionRecord record = buildRecord();
    QPointer<TFormEditQuestion> self(this);
    main_.previewQuestion(record, Trim(EName->text()), [self, layoutBefore] {
        if (self) self->previewClosed(layoutBefore);
    });
    return true;
}

void TFormEditQuestion::previewClosed(int layoutBefore) {
    for (PaneTab* pane : TSPane)
        pane->setTextNotificationsBlocked(false);
    MSpeakQ->blockSignals(false);
    const int ticked = RB[0]->isChecked() ? 1 : RB[1]->isChecked() ? 2 : RB[2]->isChecked() ? 3 : 0;
    if (ticked != layoutBefore) {
        for (QRadioButton* rb : RB) {
            rb->setAutoExclusive(false);
            rb->setChecked(false);
        }
        if (layoutBefore > 0) RB[layoutBefore - 1]->setChecked(true);
        for (QRadioButton* rb : RB)
            rb->setAutoExclusive(true);
        RB1Click();
    }
    --quiet_;
    previewing_ = false;
    showChangedState();
}

} // namespace brenvik
