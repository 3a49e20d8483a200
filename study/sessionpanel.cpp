#include "study/sessionpanel.h"

#include "library/settingsstore.h"
#include "panels/operationpanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace brenvik {

namespace {

constexpr Session kSessions[] = {Session::Imprint, Session::Flash, Session::Review,
                                 Session::Spaced};

QString LevelHintPrefix(Session s) {
    switch (s) {
    case Session::Imprint:
        return QStringLiteral("Imprint selected");
    case Session::Flash:
        return QStringLiteral("Flash selected");
    case Session::Review:
        return QStringLiteral("Review selected");
    case Session::Spaced:
        return QStringLiteral("Spaced review selected");
    }
    return {};
}

const char* TabName(Session s) {
    switch (s) {
    case Session::Imprint:
        return "PImprint";
    case Session::Flash:
        return "PFlash";
    case Session::Review:
        return "PReview";
    case Session::Spaced:
        return "PSpaced";
    }
    return "";
}

} // namespace

OptionsFrame::OptionsFrame(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("POptions"));
    setFrameShape(QFrame::NoFrame);
}

void OptionsFrame::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    // The palette's base, a little see-through: its labels are the palette's text.
    QColor fill = palette().color(QPalette::Base);
    fill.setAlpha(215);
    p.setPen(QPen(palette().color(QPalette::Mid), 1));
    p.setBrush(fill);
    p.drawRoundedRect(r, 7, 7);
}

QString SessionTabCaption(Session s) {
    switch (s) {
    case Session::Imprint:
        return QStringLiteral("     IMPRINT SELECTED...");
    case Session::Flash:
        return QStringLiteral("     FLASH SELECTED...");
    case Session::Review:
        return QStringLiteral("     REVIEW SELECTED...");
    case Session::Spaced:
        return QStringLiteral("     SPACED REVIEW SELECTED...");
    }
    return {};
}

QString SessionDescription(Session s) {
    switch (s) {
    case Session::Imprint:
        return QStringLiteral(
            "An imprint session sequentially visits each question and answer pair ten times.");
    case Session::Flash:
        return QStringLiteral(
            "A flash session randomly visits each question and answer pair five times.");
    case Session::Review:
        return QStringLiteral("A review session visits each question and answer pair only once.");
    case Session::Spaced:
        return QStringLiteral("A spaced review session visits the due questions, most overdue "
                              "first, then the day's new ones.");
    }
    return {};
}

// SessionPanel

SessionPanel::SessionPanel(PanelServices& main, Session kind, QWidget* parent)
    : LevelPanel(main, QStringLiteral("study.bmp"),
                 OperationPanel::levelHints(LevelHintPrefix(kind)), parent),
      kind_(kind) {
    for (Session s : kSessions) {
        PanelTab* t = addTab(SessionTabCaption(s), QStringLiteral("Operation"), s == kind,
                             [this, s] { PReviewClick(s); });
        t->setObjectName(QString::fromLatin1(TabName(s)));
        sessionTabs_[static_cast<int>(s)] = t;
    }
    // The names are shown for reading only: sessions do not rename.
    for (int level = 1; level <= 8; ++level) {
        QLineEdit* e = rows()->nameEdit(level);
        e->setReadOnly(true);
        e->setToolTip(QString());
    }
    setDescription(SessionDescription(kind));

    if (hasOptions()) buildOptions();

    auto* fontRow = new QHBoxLayout;
    fontRow->setContentsMargins(0, 2, 0, 0);
    BAFont = new QPushButton(QStringLiteral("Answer Font..."), view());
    BAFont->setObjectName(QStringLiteral("BAFont"));
    BAFont->setToolTip(QStringLiteral("Change font"));
    BAFont->setMinimumWidth(120);
    connect(BAFont, &QPushButton::clicked, this, &SessionPanel::answerFontClicked);
    fontRow->addWidget(BAFont);
    fontRow->addSpacing(16);
    // One setting for every kind of session, shown on each panel as the answer font is.
    const QString background = QStringLiteral("Keep going in the background");
    CBBackground = new QCheckBox(view());
    CBBackground->setObjectName(QStringLiteral("CBBackground"));
    CBBackground->setAccessibleName(background);
    CBBackground->setToolTip(
        QStringLiteral("A session goes on speaking and moving on while its window is minimised "
                       "or behind another program's window"));
    LBackground = new ClickLabel(background, CBBackground, view());
    LBackground->setObjectName(QStringLiteral("LBackground"));
    LBackground->setToolTip(CBBackground->toolTip());
    connect(CBBackground, &QCheckBox::toggled, this, &SessionPanel::keepGoingToggled);
    fontRow->addWidget(CBBackground);
    fontRow->addWidget(LBackground);
    fontRow->addStretch(1);
    extrasLayout()->addLayout(fontRow);
}

void SessionPanel::buildOptions() {
    auto* frame = new OptionsFrame(view());
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(12, 8, 12, 8);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    grid->setColumnMinimumWidth(0, 18);
    grid->setColumnStretch(2, 1);

    int row = 0;
    CBAutoA = addOption(grid, row++,
                        QStringLiteral("Automatically show the answer, after a question is fully "
                                       "spoken"),
                        Label5);
    CBAutoA->setObjectName(QStringLiteral("CBAutoA"));
    Label5->setObjectName(QStringLiteral("Label5"));
    EPauseAfterQ = addPause(grid, row++, LA);
    EPauseAfterQ->setObjectName(QStringLiteral("EPauseAfterQ"));
    EPauseAfterQ->setAccessibleName(QStringLiteral("Pause before the answer, in seconds"));
    LA->setObjectName(QStringLiteral("LA"));

    CBAutoQ = addOption(grid, row++,
                        QStringLiteral("Automatically show the next question, after an answer is "
                                       "fully spoken"),
                        Label2);
    CBAutoQ->setObjectName(QStringLiteral("CBAutoQ"));
    Label2->setObjectName(QStringLiteral("Label2"));
    EPauseAfterA = addPause(grid, row++, LQ);
    EPauseAfterA->setObjectName(QStringLiteral("EPauseAfterA"));
    EPauseAfterA->setAccessibleName(QStringLiteral("Pause before the next question, in seconds"));
    LQ->setObjectName(QStringLiteral("LQ"));

    if (kind_ == Session::Imprint) {
        CBAlternate =
            addOption(grid, row++, QStringLiteral("Alternate between every two questions"), Label7);
        CBAlternate->setObjectName(QStringLiteral("CBAlternate"));
        Label7->setObjectName(QStringLiteral("Label7"));
    }
    CBLoopSession = addOption(
        grid, row++, QStringLiteral("Loop sessions (repeat questions indefinitely)"), Label4);
    CBLoopSession->setObjectName(QStringLiteral("CBLoopSession"));
    Label4->setObjectName(QStringLiteral("Label4"));

    connect(EPauseAfterQ, &QLineEdit::textChanged, this,
            [this] { EPauseAfterAChange(EPauseAfterQ); });
    connect(EPauseAfterA, &QLineEdit::textChanged, this,
            [this] { EPauseAfterAChange(EPauseAfterA); });
    connect(EPauseAfterQ, &QLineEdit::editingFinished, this,
            [this] { EPauseAfterAExit(EPauseAfterQ); });
    connect(EPauseAfterA, &QLineEdit::editingFinished, this,
            [this] { EPauseAfterAExit(EPauseAfterA); });
    // Qt reports a left edit only after a change; an untouched "-" left behind counts too.
    EPauseAfterQ->installEventFilter(this);
    EPauseAfterA->installEventFilter(this);

    extrasLayout()->addWidget(frame);
    setOptions(SessionOptions::defaults(optionSet()));
    EPauseAfterAChange(EPauseAfterA);
    EPauseAfterAChange(EPauseAfterQ);
}

QCheckBox* SessionPanel::addOption(QGridLayout* grid, int row, const QString& text,
                                   ClickLabel*& label) {
    auto* box = new QCheckBox(grid->parentWidget());
    // The caption is a label of its own beside the box: a screen reader reads the box by it.
    box->setAccessibleName(text);
    label = new ClickLabel(text, box, grid->parentWidget());
    grid->addWidget(box, row, 0);
    grid->addWidget(label, row, 1, 1, 2);
    return box;
}

QLineEdit* SessionPanel::addPause(QGridLayout* grid, int row, QLabel*& unitLabel) {
    QWidget* parent = grid->parentWidget();
    auto* line = new QHBoxLayout;
    line->setContentsMargins(0, 0, 0, 2);
    line->setSpacing(6);
    auto* pauseBy = new QLabel(QStringLiteral("Pause by"), parent);
    auto* edit = new QLineEdit(parent);
    edit->setFixedWidth(52);
    edit->setAlignment(Qt::AlignRight);
    edit->setMaxLength(12);
    unitLabel = new QLabel(parent);
    unitLabel->setTextFormat(Qt::PlainText);
    line->addWidget(pauseBy);
    line->addWidget(edit);
    line->addWidget(unitLabel);
    line->addStretch(1);
    grid->addLayout(line, row, 1, 1, 2);
    return edit;
}

SessionOptions SessionPanel::options() const {
    SessionOptions o;
    if (!hasOptions()) {
        o.autoAnswer = o.autoNext = o.alternate = o.loop = false;
        return o;
    }
    o.autoAnswer = CBAutoA->isChecked();
    o.pauseBeforeAnswer = EPauseAfterQ->text();
    o.autoNext = CBAutoQ->isChecked();
    o.pauseBeforeNext = EPauseAfterA->text();
    o.alternate = CBAlternate && CBAlternate->isChecked();
    o.loop = CBLoopSession->isChecked();
    return o;
}

void SessionPanel::setOptions(const SessionOptions& o) {
    if (!hasOptions()) return;
    CBAutoA->setChecked(o.autoAnswer);
    EPauseAfterQ->setText(o.pauseBeforeAnswer);
    CBAutoQ->setChecked(o.autoNext);
    EPauseAfterA->setText(o.pauseBeforeNext);
    if (CBAlternate) CBAlternate->setChecked(o.alternate);
    CBLoopSession->setChecked(o.loop);
}

bool SessionPanel::autoAnswer() const {
    return CBAutoA && CBAutoA->isChecked();
}

bool SessionPanel::autoNext() const {
    return CBAutoQ && CBAutoQ->isChecked();
}

bool SessionPanel::alternate() const {
    return CBAlternate && CBAlternate->isChecked();
}

bool SessionPanel::loopSessions() const {
    return CBLoopSession && CBLoopSession->isChecked();
}

void SessionPanel::settlePauses() {
    if (!hasOptions()) return;
    EPauseAfterAExit(EPauseAfterA);
    EPauseAfterAChange(EPauseAfterA);
    EPauseAfterAExit(EPauseAfterQ);
    EPauseAfterAChange(EPauseAfterQ);
}

bool SessionPanel::keepGoing() const {
    return CBBackground->isChecked();
}

void SessionPanel::setKeepGoing(bool on) {
    if (CBBackground->isChecked() == on) return;
    const QSignalBlocker quiet(CBBackground);
    CBBackground->setChecked(on);
}

void SessionPanel::loadSettings(const SettingsStore& store) {
    if (hasOptions()) setOptions(LoadSessionOptions(store, optionSet()));
}

void SessionPanel::saveSettings(SettingsStore& store) const {
    if (hasOptions()) SaveSessionOptions(store, optionSet(), options());
}

bool SessionPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == EPauseAfterQ || watched == EPauseAfterA))
        EPauseAfterAExit(static_cast<QLineEdit*>(watched));
    return LevelPanel::eventFilter(watched, event);
}

void SessionPanel::EPauseAfterAExit(QLineEdit* sender) {
    if (!sender || (sender != EPauseAfterQ && sender != EPauseAfterA)) return;
    const PauseValue v = ParsePause(sender->text());
    if (v.replaced && sender->text() != v.text) sender->setText(v.text); // runs the change
}

void SessionPanel::EPauseAfterAChange(QLineEdit* sender) {
    if (!sender || (sender != EPauseAfterQ && sender != EPauseAfterA)) return;
    const PauseValue v = ParsePauseTyping(sender->text());
    if (v.replaced && sender->text() != v.text)
        sender->setText(v.text); // runs this handler again with "0"
    const bool beforeAnswer = sender == EPauseAfterQ;
    (beforeAnswer ? pauseBeforeAnswer_ : pauseBeforeNext_) = v.seconds;
    (beforeAnswer ? LA : LQ)->setText(PauseLabel(v.seconds, beforeAnswer));
}

void SessionPanel::levelCommand(int level) {
    main().sessionLevelClick(kind_, level);
}

void SessionPanel::PReviewClick(Session s) {
    main().showSession(s);
}

} // namespace brenvik
