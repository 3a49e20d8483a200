#include "study/fstudyquestion.h"

#include "library/colors.h"
#include "platform/desktopcolors.h"
#include "platform/mediacontrols.h"
#include "platform/picture.h"
#include "platform/prompts.h"
#include "platform/webviewer.h"
#include "seams/studywindowservices.h"
#include "srs/history.h"
#include "srs/spacedqueue.h"
#include "study/core/clocktext.h"
#include "study/core/collect.h"
#include "study/core/panegeometry.h"
#include "study/core/sessionoptions.h"
#include "study/core/spokenparts.h"
#include "study/panewidgets.h"
#include "study/spokensequence.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDateTime>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <algorithm>

namespace brenvik {

namespace {

const QColor FrameBlue(60, 90, 120);
const QColor FrameGrey(90, 90, 90);
const QColor BarColor(65, 70, 75);
const QColor BarText(160, 160, 160);

enum class Glyph { Answer, Back, Next, Pause, Close };

// The flat round buttons' pictures, drawn once at the button's size.
QIcon GlyphIcon(Glyph glyph, int size) {
    QPixmap pm(size * 2, size * 2);
    pm.setDevicePixelRatio(2.0);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // The close button sits in the screen's corner, clear of the question box's rounding.
    const double inset = glyph == Glyph::Close ? 4.0 : 1.5;
    const QRectF r(inset, inset, size - 2 * inset, size - 2 * inset);
    QRadialGradient face(r.center() - QPointF(size * 0.15, size * 0.2), size * 0.75);
    face.setColorAt(0, QColor(250, 252, 255));
    face.setColorAt(1, QColor(196, 210, 226));
    p.setPen(QPen(FrameBlue, 2));
    p.setBrush(face);
    p.drawEllipse(r);
    p.setPen(QPen(FrameBlue, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(FrameBlue);
    const double c = size / 2.0, u = size / 7.0;
    switch (glyph) {
    case Glyph::Answer: {
        const QPointF tri[3] = {
            {c - 1.6 * u, c - 0.8 * u}, {c + 1.6 * u, c - 0.8 * u}, {c, c + 1.2 * u}};
        p.drawPolygon(tri, 3);
        break;
    }
    case Glyph::Back: {
        const QPointF tri[3] = {
            {c + 0.8 * u, c - 1.5 * u}, {c + 0.8 * u, c + 1.5 * u}, {c - 1.2 * u, c}};
        p.drawPolygon(tri, 3);
        break;
    }
    case Glyph::Next: {
        const QPointF tri[3] = {
            {c - 0.8 * u, c - 1.5 * u}, {c - 0.8 * u, c + 1.5 * u}, {c + 1.2 * u, c}};
        p.drawPolygon(tri, 3);
        break;
    }
    case Glyph::Pause:
        p.drawRect(QRectF(c - 1.2 * u, c - 1.3 * u, 0.7 * u, 2.6 * u));
        p.drawRect(QRectF(c + 0.5 * u, c - 1.3 * u, 0.7 * u, 2.6 * u));
        break;
    case Glyph::Close:
        p.drawLine(QPointF(c - u, c - u), QPointF(c + u, c + u));
        p.drawLine(QPointF(c + u, c - u), QPointF(c - u, c + u));
        break;
    }
    p.end();
    QIcon icon(pm);
    // Disabled: the same picture faded, so a question being built reads as "wait".
    QPixmap faded(pm.size());
    faded.setDevicePixelRatio(2.0);
    faded.fill(Qt::transparent);
    QPainter f(&faded);
    f.setOpacity(0.35);
    f.drawPixmap(0, 0, pm);
    f.end();
    icon.addPixmap(faded, QIcon::Disabled);
    return icon;
}

QToolButton* MakeButton(QWidget* parent, Glyph glyph, int size, const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setIcon(GlyphIcon(glyph, size));
    b->setIconSize(QSize(size, size));
    b->setFixedSize(size, size);
    b->setCursor(Qt::PointingHandCursor);
    b->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
    return b;
}

// How long the bar shows the grade just given.
constexpr int GradeShownMs = 2500;

const char* GradeName(srs::Grade g) {
    switch (g) {
    case srs::Grade::Again:
        return "Again";
    case srs::Grade::Hard:
        return "Hard";
    case srs::Grade::Good:
        return "Good";
    case srs::Grade::Easy:
        return "Easy";
    case srs::Grade::Seen:
        break;
    }
    return "Seen";
}

QString Trimmed(const std::string& s) {
    return QString::fromStdString(s).trimmed();
}

} // namespace

// The speech tail under the question box: a balloon's pointer, shown while the question is
// being spoken.
class SpeechTail : public QWidget {
public:
    SpeechTail(QWidget* parent, const StudyPhaseMachine& phase) : QWidget(parent), phase_(phase) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const int w = width(), h = height();
        const QPointF pts[3] = {QPointF(w - 3, 0), QPointF(3, h - 3), QPointF(h, 0)};
        p.setPen(Qt::NoPen);
        p.setBrush(palette().color(QPalette::Button));
        p.drawPolygon(pts, 3);
        p.setPen(QPen(IsPaused(phase_.phase()) ? FrameGrey : FrameBlue, 3, Qt::SolidLine,
                      Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(pts, 3);
    }

private:
    const StudyPhaseMachine& phase_;
};

TFormStudyQuestion::TFormStudyQuestion(StudyContext context) : ctx_(std::move(context)) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("Study"));

    PQ = new QWidget(this);
    PQ->setObjectName(QStringLiteral("PQ"));

    spoken_ = new SpokenSequence(
        [this](const SpokenPart& part) {
            if (ctx_.main) ctx_.main->SpeakSide(part.text, spokenSide_, part.voice);
        },
        ctx_.sound, this);
    connect(spoken_, &SpokenSequence::finished, this, [this] { sideDone(true); });
    if (ctx_.media) {
        connect(ctx_.media, &MediaControls::command, this, &TFormStudyQuestion::mediaCommand);
        connect(ctx_.media, &MediaControls::volumeRequested, this,
                [this](double volume) { setMuted(volume <= 0); });
    }

    PB2 = new SpeechTail(this, phase_);
    PB2->resize(202, 101);
    PB2->hide();

    PA = new QFrame(this);
    PA->setObjectName(QStringLiteral("PA"));
    PA->setFrameStyle(QFrame::NoFrame);
    PA->setStyleSheet(QStringLiteral("QFrame#PA { background: rgb(250, 251, 253); border-radius: "
                                     "8px; border: 1px solid rgb(60, 90, 120); }"));
    auto* paLayout = new QHBoxLayout(PA);
    paLayout->setContentsMargins(8, 4, 8, 4);
    REA = new QTextEdit(PA);
    REA->setReadOnly(true);
    REA->setAcceptRichText(false);
    REA->setFrameStyle(QFrame::NoFrame);
    REA->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    REA->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    REA->setFocusPolicy(Qt::NoFocus);
    REA->viewport()->setAutoFillBackground(false);
    REA->setStyleSheet(QStringLiteral("QTextEdit { background: transparent; }"));
    paLayout->addWidget(REA);
    SPABotLine = new QFrame(this);
    SPABotLine->setStyleSheet(QStringLiteral("background: rgba(0, 0, 0, 70);"));
    SPARightLine = new QFrame(this);
    SPARightLine->setStyleSheet(QStringLiteral("background: rgba(0, 0, 0, 70);"));

    BAnswer = MakeButton(this, Glyph::Answer, 36, QStringLiteral("Show answer"));
    BBack = MakeButton(this, Glyph::Back, 34, QStringLiteral("Previous question"));
    BNext = MakeButton(this, Glyph::Next, 34, QStringLiteral("Next question"));
    BPause = MakeButton(this, Glyph::Pause, 33, QStringLiteral("Pause"));
    BClose = MakeButton(this, Glyph::Close, 33, QStringLiteral("Close"));
    // Each step asks the phase itself; Close also ends a question still being built.
    connect(BAnswer, &QToolButton::clicked, this, &TFormStudyQuestion::BAnswerClick);
    connect(BBack, &QToolButton::clicked, this, &TFormStudyQuestion::BBackClick);
    connect(BNext, &QToolButton::clicked, this, &TFormStudyQuestion::BNextClick);
    connect(BPause, &QToolButton::clicked, this, &TFormStudyQuestion::BPauseClick);
    connect(BClose, &QToolButton::clicked, this, &TFormStudyQuestion::BCloseClick);

    PBot = new QWidget(this);
    PBot->setObjectName(QStringLiteral("PBot"));
    PBot->setAutoFillBackground(true);
    QPalette barPal = PBot->palette();
    barPal.setColor(QPalette::Window, BarColor);
    barPal.setColor(QPalette::WindowText, BarText);
    PBot->setPalette(barPal);
    QFont barFont(QStringLiteral("Arial"));
    barFont.setPixelSize(17);
    barFont.setBold(true);
    barFont = CompleteFont(barFont);
    auto* barLayout = new QHBoxLayout(PBot);
    barLayout->setContentsMargins(6, 0, 10, 0);
    // A long title gives way to the clock texts, never the other way round.
    LPosition = new ElidingLabel(PBot);
    LPosition->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    LElapsed = new QLabel(PBot);
    LTime = new QLabel(PBot);
    for (QLabel* l : {static_cast<QLabel*>(LPosition), LElapsed, LTime}) {
        l->setFont(barFont);
        l->setPalette(barPal);
    }
    LElapsed->setAlignment(Qt::AlignCenter);
    LTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    barLayout->addWidget(LPosition, 1);
    // The grade buttons never take the focus: the keys keep reaching the window's filter.
    QFont gradeFont = barFont;
    gradeFont.setPixelSize(14);
    for (int i = 0; i < 4; ++i) {
        const auto grade = srs::Grade(i + 1);
        auto* b = new QToolButton(PBot);
        b->setText(QStringLiteral("%1 %2").arg(i + 1).arg(QLatin1String(GradeName(grade))));
        b->setAccessibleName(QLatin1String(GradeName(grade)));
        b->setToolTip(QStringLiteral("Grade the answer: %1 (key %2)")
                          .arg(QLatin1String(GradeName(grade)))
                          .arg(i + 1));
        b->setFont(gradeFont);
        b->setFocusPolicy(Qt::NoFocus);
        b->setCursor(Qt::PointingHandCursor);
        b->setStyleSheet(QStringLiteral(
            "QToolButton { color: rgb(215, 220, 225); background: rgb(82, 88, 95); border: 1px "
            "solid rgb(120, 126, 133); border-radius: 4px; padding: 1px 8px; }"
            "QToolButton:hover { background: rgb(96, 104, 112); }"
            "QToolButton:disabled { color: rgb(105, 110, 115); background: transparent; border: "
            "1px solid rgb(85, 90, 96); }"));
        b->setEnabled(false);
        connect(b, &QToolButton::clicked, this, [this, grade] { gradeAnswer(grade); });
        BGrade[i] = b;
        barLayout->addWidget(b);
    }
    LGrade = new QLabel(PBot);
    LGrade->setFont(barFont);
    LGrade->setPalette(barPal);
    LGrade->setMinimumWidth(
        QFontMetrics(barFont).horizontalAdvance(QStringLiteral("Graded: Again")) + 12);
    LGrade->setAlignment(Qt::AlignCenter);
    barLayout->addWidget(LGrade);
    barLayout->addWidget(LElapsed, 1);
    barLayout->addWidget(LTime, 1);

    // Takes the focus so that every key reaches the window's filter.
    Button1 = new QPushButton(this);
    Button1->setGeometry(0, 0, 0, 0);
    Button1->setFlat(true);

    TAutoA = new QTimer(this);
    TAutoA->setSingleShot(true);
    connect(TAutoA, &QTimer::timeout, this, &TFormStudyQuestion::TAutoATimer);
    TAutoQ = new QTimer(this);
    TAutoQ->setSingleShot(true);
    connect(TAutoQ, &QTimer::timeout, this, &TFormStudyQuestion::TAutoQTimer);
    TTime = new QTimer(this);
    TTime->setInterval(1000);
    connect(TTime, &QTimer::timeout, this, &TFormStudyQuestion::TTimeTimer);
    gradeShown_ = new QTimer(this);
    gradeShown_->setSingleShot(true);
    gradeShown_->setInterval(GradeShownMs);
    connect(gradeShown_, &QTimer::timeout, LGrade, &QLabel::clear);
    TWait = new QTimer(this);
    TWait->setInterval(1000);
    connect(TWait, &QTimer::timeout, this, &TFormStudyQuestion::TWaitTimer);
    webWait_ = new QTimer(this);
    webWait_->setSingleShot(true);
    connect(webWait_, &QTimer::timeout, this, [this] {
        // A page that never finishes must not hold the session: show what there is.
        if (phase_.is(StudyPhase::Building)) finishShowing();
    });
}

TFormStudyQuestion::~TFormStudyQuestion() {
    qApp->removeEventFilter(this);
}

// ---- starting -----------------------------------------------------------------------------

void TFormStudyQuestion::startSession(std::vector<NodeId> visits, StudyMode mode, bool loop,
                                      bool pauseVisible) {
    visits_ = std::move(visits);
    mode_ = mode;
    loop_ = loop;
    position_ = 0;
    title_.clear();
    visit_ = {};
    spaced_.reset();
    BBack->setVisible(mode != StudyMode::Spaced);
    summary_ = {};
    pausable_ = pauseVisible && autoMode();
    BPause->setVisible(pausable_);
    for (QToolButton* b : BGrade)
        b->setVisible(ctx_.history != nullptr);
    LGrade->setVisible(ctx_.history != nullptr);
    // The pointer goes to the bottom-right pixel, out of the student's sight.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        savedCursor_ = QCursor::pos();
        const QRect g = screen->geometry();
        QCursor::setPos(g.right(), g.bottom());
        cursorMoved_ = true;
    }
}

void TFormStudyQuestion::startSpacedSession(srs::SpacedQueue queue) {
    startSession({}, StudyMode::Spaced, false, false);
    spaced_ = std::make_unique<srs::SpacedQueue>(std::move(queue));
    const NodeId first = spaced_->next(now()).question;
    if (first == NoNode) return; // the window closes at once when shown
    spaced_->take(first);
    visits_.push_back(first);
}

void TFormStudyQuestion::startPreview(const QuestionRecord& record, const QString& title) {
    visits_.clear();
    spaced_.reset();
    BBack->setVisible(true);
    record_ = record;
    title_ = title;
    mode_ = StudyMode::Preview;
    loop_ = false;
    position_ = 0;
    visit_ = {};
    summary_ = {};
    pausable_ = false;
    BPause->setVisible(false);
    // A preview is no visit of a question: nothing to grade.
    for (QToolButton* b : BGrade)
        b->setVisible(false);
    LGrade->setVisible(false);
    cursorMoved_ = false;
}

void TFormStudyQuestion::showOn(QWidget* screenOf) {
    QScreen* screen =
        screenOf && screenOf->screen() ? screenOf->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        setGeometry(screen->geometry());
        if (windowHandle()) windowHandle()->setScreen(screen);
    }
    moveTo(StudyPhase::Starting);
    showFullScreen();
    raise();
    activateWindow();
    // An activation may never come (no window manager): start from a queued call.
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && phase_.is(StudyPhase::Starting)) ShowCurrentQuestion();
    });
}

void TFormStudyQuestion::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window brought back from the task bar is shown again by the window system: the
    // session goes on as it was.
    if (!event->spontaneous()) FormShow();
}

void TFormStudyQuestion::FormShow() {
    // The answer font is the answer's and measures the answer area; it is not set on the
    // window, where the panes and the bar would take over what they do not set themselves.
    answerFont_ = ctx_.answerFont ? ctx_.answerFont() : font();
    REA->setFont(answerFont_);
    QPalette rp = REA->palette();
    rp.setColor(QPalette::Text, ctx_.answerColor ? ctx_.answerColor() : QColor(Qt::black));
    REA->setPalette(rp);
    pressedKeys_.clear();
    layoutWindow();
    showAnswerArea(false);
    elapsed_ = 0;
    PB2->hide();
    qApp->installEventFilter(this);
    TTime->start();
    TTimeTimer();
    openMedia();
}

// ---- the question cycle -------------------------------------------------------------------

bool TFormStudyQuestion::moveTo(StudyPhase to) {
    if (!phase_.moveTo(to)) return false;
    updateButtons();
    return true;
}

bool TFormStudyQuestion::nextAllowed() const {
    return IsOnScreen(phase_.phase()) || phase_.is(StudyPhase::Waiting);
}

bool TFormStudyQuestion::backAllowed() const {
    return IsOnScreen(phase_.phase()) && position_ > 0 && mode_ != StudyMode::Spaced;
}

void TFormStudyQuestion::updateButtons() {
    // Close stays live while a question is being built: ending the session then is safe.
    BClose->setEnabled(true);
    BAnswer->setEnabled(answerAllowed());
    BNext->setEnabled(nextAllowed());
    BBack->setEnabled(backAllowed());
    BPause->setEnabled(IsRunning(phase_.phase()));
    const bool grade = gradeAllowed();
    for (QToolButton* b : BGrade)
        b->setEnabled(grade);
}

void TFormStudyQuestion::StopAuto() {
    TAutoA->stop();
    TAutoQ->stop();
    spoken_->stop();
    if (ctx_.main) ctx_.main->StopVoice();
}

void TFormStudyQuestion::showAnswerArea(bool shown) {
    PA->setVisible(shown);
    SPABotLine->setVisible(shown);
    SPARightLine->setVisible(shown);
}

QString TFormStudyQuestion::positionLine() const {
    const QString of =
        QString::number(position_ + 1) + QStringLiteral(" of ") + QString::number(visits_.size());
    switch (mode_) {
    case StudyMode::Preview:
        return QStringLiteral(" Previewing ") + title_;
    case StudyMode::Flash:
        return QStringLiteral(" Flashing question ") + of;
    case StudyMode::Imprint:
        return QStringLiteral(" Imprinting question ") + of;
    case StudyMode::Review:
        return QStringLiteral(" Reviewing question ") + of;
    case StudyMode::Spaced: {
        const int left = spaced_ ? spaced_->remaining() : 0;
        if (phase_.is(StudyPhase::Waiting))
            return QStringLiteral(" Spaced review: %1 waiting").arg(left);
        return QStringLiteral(" Spaced review: question %1 of %2")
            .arg(position_ + 1)
            .arg(int(visits_.size()) + left);
    }
    }
    return {};
}

void TFormStudyQuestion::ShowCurrentQuestion() {
    if (phase_.is(StudyPhase::Ended) || phase_.is(StudyPhase::Building)) return;
    StopAuto();
    moveTo(StudyPhase::Building);
    PB2->hide();
    TWait->stop();
    update();

    LPosition->setFullText(positionLine());
    showAnswerArea(false);

    if (mode_ != StudyMode::Preview) {
        if (position_ < 0 || position_ >= int(visits_.size()) || !ctx_.main) {
            close();
            return;
        }
        if (!visit_.open) {
            // Up and the resume after a pause show the same visit again; Next, Back and the
            // end start another.
            visit_ = {.open = true, .question = visits_[position_]};
            // The grade stays in the bar for its moment: with short pauses the next question
            // is up before the student has read it.
        }
        QuestionRecord fresh;
        const Status read = ReadFreshQuestionRecord(ctx_.main->tree(), visits_[position_], fresh,
                                                    ctx_.main->desktopColors());
        record_ = std::move(fresh);
        if (!read) showError(ErrorText(read));
    }

    // A one-line answer stands on the second line.
    const QString answer = QString::fromStdString(record_.answer);
    REA->setPlainText(answer);
    if (REA->document()->blockCount() < 2) REA->setPlainText(QStringLiteral("\n") + answer);
    QTextCursor all(REA->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    all.mergeBlockFormat(centred);
    QTextCursor start = REA->textCursor();
    start.movePosition(QTextCursor::Start);
    REA->setTextCursor(start);

    loaded_ = {false, false, false};
    const std::vector<PixelRect> rects =
        PaneRects(record_.layout, record_.proportions, PQ->width(), PQ->height());
    const int serial = ++buildSerial_;
    for (int i = 0; i < int(rects.size()); ++i) {
        auto* panel = new QFrame(PQ);
        panel->hide();
        panel->setGeometry(rects[i].left, rects[i].top, rects[i].width, rects[i].height);
        current_.panels.emplace_back(panel);
        RenderPane(panel, record_.panes[i], i + 1);
        // An error box lets events run: the session may have ended meanwhile.
        if (serial != buildSerial_ || !phase_.is(StudyPhase::Building)) return;
    }
    webWait_->start(std::max(1, ctx_.webWaitMs));
    checkPanesLoaded();
}

void TFormStudyQuestion::checkPanesLoaded() {
    if (!phase_.is(StudyPhase::Building)) return;
    for (int i = 0; i < 3; ++i) {
        WebViewer* v = current_.viewers[i];
        if (v && (!loaded_[i] || v->busy())) return;
    }
    // Finish on a fresh turn of the event loop: a viewer's own signal is no place to
    // delete the previous question's viewers.
    const int serial = buildSerial_;
    QTimer::singleShot(0, this, [this, serial] {
        if (phase_.is(StudyPhase::Building) && serial == buildSerial_) finishShowing();
    });
}

void TFormStudyQuestion::finishShowing() {
    // The build is over: a finish still queued for it (a box below may let one run) is stale.
    ++buildSerial_;
    webWait_->stop();
    for (QWidget* p : current_.panels)
        if (p) p->show();
    ReleaseOldPanes(false);
    ++visitsShown_;
    if (!visit_.shown && mode_ != StudyMode::Preview) summary_.addVisit(visit_.question);
    visit_.shown = true;

    const StudyTiming t = timing();
    const bool autoA = autoMode() && t.autoAnswer;
    if (autoA) TAutoA->setInterval(PauseMilliseconds(t.pauseBeforeAnswer));

    // A side's end comes on a later turn of the event loop, never from within its start.
    const bool speaking = startSpokenSide(record_.spokenQuestion, SpeechSide::Question);
    moveTo(speaking ? StudyPhase::QuestionSpoken : StudyPhase::Question);
    if (speaking) {
        PB2->show();
        PB2->raise();
    } else if (autoA) {
        TAutoA->start();
    }
    update();
    Button1->setFocus(Qt::OtherFocusReason);
    publishMedia();
}

void TFormStudyQuestion::BAnswerClick() {
    if (!answerAllowed()) return;
    StopAuto();
    PB2->hide();
    showAnswerArea(true);
    update();

    const StudyTiming t = timing();
    const bool autoNext = autoMode() && t.autoNext;
    if (autoNext) TAutoQ->setInterval(PauseMilliseconds(t.pauseBeforeNext));
    const bool speaking = startSpokenSide(record_.spokenAnswer, SpeechSide::Answer);
    moveTo(speaking ? StudyPhase::AnswerSpoken : StudyPhase::Answer);
    if (!speaking && autoNext) TAutoQ->start();
    Button1->setFocus(Qt::OtherFocusReason);
}

bool TFormStudyQuestion::gradeAllowed() const {
    return ctx_.history && mode_ != StudyMode::Preview && IsAnswerUp(phase_.phase()) &&
           visit_.open && !visit_.graded;
}

bool TFormStudyQuestion::gradeAnswer(srs::Grade grade) {
    if (grade == srs::Grade::Seen || !gradeAllowed()) return false;
    visit_.graded = true;
    updateButtons();
    LGrade->setText(QStringLiteral("Graded: ") + QLatin1String(GradeName(grade)));
    gradeShown_->start();
    summary_.addGrade(grade);
    record(visit_.question, grade);
    return true;
}

void TFormStudyQuestion::endVisit() {
    if (!visit_.open) return;
    visit_.open = false;
    bool graded = visit_.graded;
    if (visit_.shown && !visit_.graded && ctx_.history) {
        // A hands-free student who heard the answer out may let that stand for Good.
        graded = mode_ == StudyMode::Spaced && visit_.heard && ctx_.session.heardCountsAsGood;
        if (graded) {
            LGrade->setText(QStringLiteral("Graded: Good"));
            gradeShown_->start();
            summary_.addGrade(srs::Grade::Good);
        }
        record(visit_.question, graded ? srs::Grade::Good : srs::Grade::Seen);
    }
    if (spaced_ && ctx_.history)
        spaced_->visited(visit_.question, graded, ctx_.history->card(visit_.question));
}

srs::UnixSeconds TFormStudyQuestion::now() const {
    return ctx_.now ? ctx_.now() : QDateTime::currentSecsSinceEpoch();
}

void TFormStudyQuestion::record(NodeId question, srs::Grade grade) {
    // The history reports a failure once and goes on without recording; so does the session.
    if (const Status recorded = ctx_.history->record(question, grade, now()); !recorded)
        showError(ErrorText(recorded));
}

// ---- the spaced session's steps ---------------------------------------------------------

void TFormStudyQuestion::spacedNext() {
    const srs::SpacedQueue::Step step = spaced_->next(now());
    if (step.question != NoNode) {
        showSpaced(step.question);
    } else if (step.wait != 0) {
        startWaiting(step.wait);
    } else {
        close();
    }
}

void TFormStudyQuestion::showSpaced(NodeId question) {
    spaced_->take(question);
    visits_.push_back(question);
    position_ = int(visits_.size()) - 1;
    ShowCurrentQuestion();
}

void TFormStudyQuestion::startWaiting(srs::UnixSeconds until) {
    StopAuto();
    moveTo(StudyPhase::Waiting);
    waitUntil_ = until;
    // The last question leaves the screen: what shows now is the wait.
    for (QWidget* p : previous_.panels)
        if (p) p->hide();
    PB2->hide();
    REA->setPlainText(QStringLiteral("The next question is due at %1.\nNext asks it now.")
                          .arg(QDateTime::fromSecsSinceEpoch(until).toLocalTime().toString(
                              QStringLiteral("HH:mm:ss"))));
    QTextCursor all(REA->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    all.mergeBlockFormat(centred);
    showAnswerArea(true);
    LPosition->setFullText(positionLine());
    TWait->start();
    update();
    publishMedia();
}

void TFormStudyQuestion::TWaitTimer() {
    if (phase_.is(StudyPhase::Waiting) && now() >= waitUntil_) spacedNext();
}

bool TFormStudyQuestion::startSpokenSide(const std::vector<std::string>& lines, SpeechSide side) {
    // A muted voice mutes the sounds as well: whoever silences the program does not want
    // it to play files either, and the session then runs as for a question with nothing to
    // say.
    if (ctx_.muted && ctx_.muted()) return false;
    const StudyFolders folders = ctx_.main ? ctx_.main->studyFolders() : StudyFolders{};
    spokenSide_ = side;
    return spoken_->start(SpokenParts(lines), folders);
}

bool TFormStudyQuestion::spokenSideRunning() const {
    return spoken_->running();
}

void TFormStudyQuestion::speechDone() {
    spoken_->speechDone();
}

void TFormStudyQuestion::sideDone(bool heard) {
    // Only a side under way ends: a stopped one reports nothing (SpokenSequence::stop).
    switch (phase_.phase()) {
    case StudyPhase::QuestionSpoken:
        moveTo(StudyPhase::Question);
        PB2->hide();
        if (timing().autoAnswer) TAutoA->start();
        return;
    case StudyPhase::AnswerSpoken:
        if (heard) visit_.heard = true;
        moveTo(StudyPhase::Answer);
        if (timing().autoNext) TAutoQ->start();
        return;
    default:
        return;
    }
}

void TFormStudyQuestion::TAutoATimer() {
    TAutoA->stop();
    if (phase_.is(StudyPhase::Question)) BAnswerClick();
}

void TFormStudyQuestion::TAutoQTimer() {
    TAutoQ->stop();
    if (phase_.is(StudyPhase::Answer)) BNextClick();
}

void TFormStudyQuestion::BNextClick() {
    if (!nextAllowed()) return;
    // What the run was about to do is no longer due; an error box while the visit is
    // recorded would otherwise let it, or a side ending meanwhile, take a second step.
    haltRun();
    if (mode_ == StudyMode::Preview) {
        close();
        return;
    }
    if (mode_ == StudyMode::Spaced && spaced_) {
        if (phase_.is(StudyPhase::Waiting)) {
            // Next during the wait asks the waiting question ahead of its time.
            const NodeId early = spaced_->earliestWaiting();
            if (early != NoNode) {
                showSpaced(early);
            } else {
                close();
            }
            return;
        }
        endVisit();
        spacedNext();
        return;
    }
    endVisit();
    ++position_;
    if (position_ < int(visits_.size())) {
        ShowCurrentQuestion();
    } else if (loop_ && !visits_.empty()) {
        position_ = 0;
        ShowCurrentQuestion();
    } else {
        position_ = std::max(0, int(visits_.size()) - 1);
        close();
    }
}

void TFormStudyQuestion::BBackClick() {
    if (!backAllowed()) return;
    haltRun();
    endVisit();
    --position_;
    ShowCurrentQuestion();
}

void TFormStudyQuestion::BPauseClick() {
    const StudyPhase from = phase_.phase();
    if (!IsRunning(from)) return;
    StopAuto();
    moveTo(IsAnswerUp(from) ? StudyPhase::AnswerPaused : StudyPhase::QuestionPaused);
    PB2->update();
    update();
    publishMedia();
}

void TFormStudyQuestion::BCloseClick() {
    close();
}

StudyTiming TFormStudyQuestion::timing() const {
    if (!autoMode()) return {};
    return ctx_.session.timing;
}

bool TFormStudyQuestion::answerVisible() const {
    return PA->isVisible();
}

QList<QWidget*> TFormStudyQuestion::currentPanes() const {
    // Once shown, the question's panes have been handed over as the set to release next.
    QList<QWidget*> out;
    for (QWidget* p : (phase_.is(StudyPhase::Building) ? current_ : previous_).panels)
        if (p) out << p;
    return out;
}

// ---- keys, activation, closing --------------------------------------------------------

bool TFormStudyQuestion::keyAction(int key) {
    if (const std::optional<MediaCommand> media = MediaKeyCommand(key)) {
        mediaCommand(*media);
        return true;
    }
    if (key == Qt::Key_M) {
        if (ctx_.muted) setMuted(!ctx_.muted());
        return true;
    }
    // Waiting for the panes is a phase, not a loop: Esc may end the session then, every other
    // key waits for the question.
    const StudyPhase phase = phase_.phase();
    switch (key) {
    case Qt::Key_Escape:
        if (phase != StudyPhase::Ended) {
            StopAuto();
            close();
        }
        return true;
    case Qt::Key_Left:
        if (backAllowed()) BBackClick();
        return true;
    case Qt::Key_Right:
        if (nextAllowed()) BNextClick();
        return true;
    case Qt::Key_Down:
        if (answerAllowed()) BAnswerClick();
        return true;
    case Qt::Key_Up:
        if (IsOnScreen(phase)) ShowCurrentQuestion();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (IsQuestionUp(phase))
            BAnswerClick();
        else if (IsAnswerUp(phase) || phase == StudyPhase::Waiting)
            BNextClick();
        return true;
    case Qt::Key_1:
    case Qt::Key_2:
    case Qt::Key_3:
    case Qt::Key_4:
        gradeAnswer(srs::Grade(key - Qt::Key_1 + 1));
        return true;
    case Qt::Key_Pause:
        if (!pausable_) return true;
        if (IsRunning(phase))
            BPauseClick();
        else if (IsPaused(phase))
            ShowCurrentQuestion(); // resume
        return true;
    default:
        return false;
    }
}

bool TFormStudyQuestion::eventFilter(QObject* watched, QEvent* event) {
    // Every key of the window, whichever child (a web page) has the focus, comes here first.
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    auto* w = qobject_cast<QWidget*>(watched);
    // The window system's own window object passes the key on to a widget: judge it there.
    if (!w || w->window() != this || !isVisible()) return false;
    if (QApplication::activeModalWidget() && QApplication::activeModalWidget() != this)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    static const int handled[] = {Qt::Key_Escape, Qt::Key_Left,   Qt::Key_Right, Qt::Key_Down,
                                  Qt::Key_Up,     Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space,
                                  Qt::Key_Pause,  Qt::Key_1,      Qt::Key_2,     Qt::Key_3,
                                  Qt::Key_4,      Qt::Key_M};
    if (std::find(std::begin(handled), std::end(handled), key->key()) == std::end(handled) &&
        !MediaKeyCommand(key->key()))
        return false;
    // The window acts when a key is released; the press is swallowed so that no child
    // (a web page, a focused button) acts on it as well. A release whose press went
    // elsewhere (to a message box that closed on it) is not the window's.
    if (key->isAutoRepeat()) return true;
    if (event->type() == QEvent::KeyPress) {
        pressedKeys_.insert(key->key());
    } else if (pressedKeys_.remove(key->key())) {
        keyAction(key->key());
    }
    return true;
}

void TFormStudyQuestion::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow()) {
            if (phase_.is(StudyPhase::Starting) && isVisible()) ShowCurrentQuestion();
        } else {
            // Keys held now are released where the focus went.
            pressedKeys_.clear();
            FormDeactivate();
        }
    }
}

void TFormStudyQuestion::FormDeactivate() {
    // Another window took over: the automatic run stops; the user continues by hand. Asked
    // to, a session goes on behind another program or minimised, but a window of this
    // program's own (a message) still stops it.
    const bool elsewhere = !QApplication::activeWindow() || isMinimized();
    if (elsewhere && mode_ != StudyMode::Preview && ctx_.session.keepGoing) return;
    if (!isVisible() || phase_.is(StudyPhase::Building)) return;
    haltRun();
}

void TFormStudyQuestion::haltRun() {
    StopAuto();
    // The voice is stopped: the phase says so, and the user goes on by hand.
    if (phase_.is(StudyPhase::QuestionSpoken)) moveTo(StudyPhase::Question);
    if (phase_.is(StudyPhase::AnswerSpoken)) moveTo(StudyPhase::Answer);
}

void TFormStudyQuestion::closeEvent(QCloseEvent* event) {
    if (phase_.is(StudyPhase::Ended)) {
        event->accept();
        return;
    }
    // The player's last word still names what was on screen.
    closeMedia();
    moveTo(StudyPhase::Ended);
    endVisit();
    ++buildSerial_;
    webWait_->stop();
    TTime->stop();
    TWait->stop();
    StopAuto();
    // The current set is handed over, then everything still held is freed.
    ReleaseOldPanes(false);
    ReleaseOldPanes(true);
    qApp->removeEventFilter(this);
    if (cursorMoved_) {
        cursorMoved_ = false;
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect g = screen->geometry();
            const QPoint now = QCursor::pos();
            if (now.x() >= g.right() - 100 && now.y() >= g.bottom() - 100)
                QCursor::setPos(savedCursor_);
        }
    }
    event->accept();
    QTimer::singleShot(0, this, [this] { Q_EMIT closed(); });
}

// ---- panes ----------------------------------------------------------------------------

void TFormStudyQuestion::RenderPane(QFrame* panel, const PaneRecord& pane, int n) {
    switch (pane.content) {
    case ImageContent:
        renderImage(panel, pane);
        break;
    case WebsiteContent:
        renderWebsite(panel, pane, n);
        break;
    default:
        renderText(panel, pane);
        break;
    }
}

void TFormStudyQuestion::renderText(QFrame* panel, const PaneRecord& pane) {
    const DesktopColors& desktop = ctx_.main->desktopColors();
    ApplyPaneBorders(panel, pane.textShallowBorder, pane.textDeepBorder);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    const QColor bg = toQColor(NumberToColor(pane.textBackground, desktop));
    pal.setColor(QPalette::Window, bg);
    pal.setColor(QPalette::Base, bg);
    pal.setColor(QPalette::Text, toQColor(pane.font.color));
    panel->setPalette(pal);

    auto* view = new QTextEdit(panel);
    view->setAcceptRichText(false);
    view->setReadOnly(true);
    view->setFrameStyle(QFrame::NoFrame);
    view->setLineWrapMode(QTextEdit::NoWrap);
    view->setFocusPolicy(Qt::NoFocus);
    view->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const QFont f = ToQFont(pane.font);
    view->setFont(f);
    view->setPalette(pal);
    view->viewport()->setPalette(pal);
    view->viewport()->setAutoFillBackground(true);

    QStringList lines;
    lines.reserve(int(pane.textLines.size()));
    for (const std::string& l : pane.textLines)
        lines << QString::fromStdString(l);
    view->setPlainText(lines.join(QLatin1Char('\n')));
    if (pane.centredText) {
        QTextCursor all(view->document());
        all.select(QTextCursor::Document);
        QTextBlockFormat centred;
        centred.setAlignment(Qt::AlignHCenter);
        all.mergeBlockFormat(centred);
    }
    view->document()->setDocumentMargin(1);

    const QFontMetrics fm(f);
    TextMeasure m;
    int widest = 0;
    for (const QString& l : lines)
        widest = std::max(widest, fm.horizontalAdvance(l) + 2);
    m.textWidth = widest + 2;
    m.textHeight = fm.lineSpacing() * std::max<int>(1, int(lines.size())) + 4;
    m.hScrollHeight = view->horizontalScrollBar()->sizeHint().height();
    m.vScrollWidth = view->verticalScrollBar()->sizeHint().width();
    const bool deep = pane.textDeepBorder;
    const bool shallow = pane.textShallowBorder && !deep;
    const TextPlacement place =
        PlaceText(panel->width(), panel->height(), shallow, deep, pane.centredText, m);
    view->setHorizontalScrollBarPolicy(place.hScroll ? Qt::ScrollBarAsNeeded
                                                     : Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(place.vScroll ? Qt::ScrollBarAsNeeded
                                                   : Qt::ScrollBarAlwaysOff);
    // The placement counts inside the sunken frame's client area; a Qt frame is drawn
    // inside the widget, so the deep frame's two pixels are added here.
    const int frameShift = deep ? 2 : 0;
    view->setGeometry(place.rect.left + frameShift, place.rect.top + frameShift, place.rect.width,
                      place.rect.height);
    view->moveCursor(QTextCursor::Start);
}

void TFormStudyQuestion::renderImage(QFrame* panel, const PaneRecord& pane) {
    const DesktopColors& desktop = ctx_.main->desktopColors();
    ApplyPaneBorders(panel, pane.imageShallowBorder, pane.imageDeepBorder);
    auto* box = new PictureView(panel);
    box->setBackground(toQColor(NumberToColor(pane.imageBackground, desktop)));
    box->setStretch(pane.stretchToFit);
    const int inset = PaneBorderInset(pane.imageShallowBorder, pane.imageDeepBorder);
    box->setGeometry(panel->rect().adjusted(inset, inset, -inset, -inset));
    const QString path = ResolveStudyPath(Trimmed(pane.imageFile), ctx_.main->studyFolders());
    // A file gone since the session was prepared leaves the pane empty without a word.
    if (path.isEmpty() || !QFileInfo(path).isFile()) return;
    const PictureResult picture = LoadPicture(path);
    if (!picture.ok()) {
        showError(ErrorText(picture));
        return;
    }
    box->setImage(picture.value());
}

void TFormStudyQuestion::renderWebsite(QFrame* panel, const PaneRecord& pane, int n) {
    ApplyPaneBorders(panel, pane.webShallowBorder, pane.webDeepBorder);
    const QString address = QString::fromStdString(pane.webAddress).trimmed();
    if (address.isEmpty()) return;
    WebViewer* viewer = ctx_.main->webViewers().create(panel);
    const int inset = PaneBorderInset(pane.webShallowBorder, pane.webDeepBorder);
    viewer->setGeometry(panel->rect().adjusted(inset, inset, -inset, -inset));
    viewer->setFocusPolicy(Qt::NoFocus);
    current_.viewers[n - 1] = viewer;
    const int serial = buildSerial_;
    connect(viewer, &WebViewer::downloadComplete, this, [this, n, serial] {
        if (serial != buildSerial_) return;
        loaded_[n - 1] = true;
        checkPanesLoaded();
    });
    const Status started = viewer->navigate(
        ResolveWebAddress(QString::fromStdString(pane.webAddress), ctx_.main->studyFolders()));
    if (!started) {
        // Refused outright: nothing will load, so the pane does not hold the wait.
        loaded_[n - 1] = true;
        current_.viewers[n - 1] = nullptr;
        viewer->deleteLater();
        showError(ErrorText(started));
    }
}

void TFormStudyQuestion::ReleaseOldPanes(bool closing) {
    for (QPointer<WebViewer>& v : previous_.viewers)
        if (v) {
            v->disconnect(this);
            v->stop();
            v->deleteLater();
            v = nullptr;
        }
    for (QPointer<QWidget>& p : previous_.panels)
        if (p) {
            p->hide();
            p->deleteLater();
        }
    previous_.panels.clear();
    if (!closing) {
        previous_ = std::move(current_);
        current_ = PaneSet{};
    }
}

// ---- clock, layout, painting ----------------------------------------------------------

void TFormStudyQuestion::TTimeTimer() {
    ++elapsed_;
    LElapsed->setText(ElapsedText(elapsed_));
    LTime->setText(ClockText(QTime::currentTime()));
}

void TFormStudyQuestion::layoutWindow() {
    const int W = width(), H = height();
    const int barH = 29;
    const QFontMetrics fm(answerFont_);
    const int paH = 3 * fm.height() + 16;
    const int sqTop = 20;
    const int sqH = std::max(60, H - paH - sqTop - BAnswer->height() - barH - 60);
    SQ = QRect(20, sqTop, std::max(0, W - 40), sqH);
    const int pqLeft = 102;
    PQ->setGeometry(pqLeft, SQ.top() + 20, std::max(0, W - 2 * pqLeft), std::max(0, sqH - 40));
    const int sqBottom = SQ.top() + SQ.height();
    PB2->move(PQ->x() - PB2->width() / 2 + (PQ->width() / 3 - PB2->width() / 2 - 10) / 2,
              sqBottom - 3);
    BAnswer->move((W - BAnswer->width()) / 2, sqBottom + 18);
    BBack->move(BAnswer->x() - BBack->width() - 18, sqBottom + 9);
    BNext->move(BAnswer->x() + BAnswer->width() + 18, sqBottom + 9);
    const int paW = int(SQ.width() * 0.79);
    const QRect oldPA = PA->geometry();
    PA->setGeometry((W - paW) / 2, BAnswer->y() + BAnswer->height() + 14, paW, paH);
    const int paRight =
        oldPA.isValid() && oldPA.width() > 0 ? oldPA.right() + 1 : PA->geometry().right() + 1;
    BPause->move(paRight + ((SQ.right() + 1 - paRight) / 2) / 4 - 2, BNext->y());
    BClose->move(W - BClose->width(), 0);
    SPABotLine->setGeometry(PA->x(), PA->y() + PA->height(), PA->width() + 1, 1);
    SPARightLine->setGeometry(PA->x() + PA->width(), PA->y(), 1, PA->height());
    PBot->setGeometry(0, H - barH, W, barH);
    for (QWidget* w : std::initializer_list<QWidget*>{BAnswer, BBack, BNext, BPause, BClose})
        w->raise();
    PB2->raise();
}

void TFormStudyQuestion::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutWindow();
}

void TFormStudyQuestion::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The backgrounds: deep blue while studying, grey while paused.
    QLinearGradient bg(0, 0, 0, height());
    const bool paused = IsPaused(phase_.phase());
    if (paused) {
        bg.setColorAt(0, QColor(120, 124, 128));
        bg.setColorAt(1, QColor(72, 75, 78));
    } else {
        bg.setColorAt(0, QColor(38, 78, 128));
        bg.setColorAt(0.6, QColor(22, 52, 92));
        bg.setColorAt(1, QColor(14, 34, 62));
    }
    p.fillRect(rect(), bg);
    // The question box.
    const QColor face = palette().color(QPalette::Button);
    p.setPen(QPen(paused ? FrameGrey : FrameBlue, 3));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(SQ).adjusted(1.5, 1.5, -1.5, -1.5), 24, 24);
    // Soft shading behind the answer.
    if (PA->isVisible()) {
        const QRectF a = QRectF(PA->geometry()).adjusted(-6, -6, 6, 6);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 60));
        p.drawRoundedRect(a.translated(3, 3), 10, 10);
    }
}

void TFormStudyQuestion::showError(const QString& text) {
    if (!ctx_.main) return;
    ctx_.main->prompts().message(this, QStringLiteral("Error"), text, Prompts::Icon::Error);
}

} // namespace brenvik
