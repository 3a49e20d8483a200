#include "editor/flayout.h"

#include "panels/levelpanel.h"
#include "study/core/proportions.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <numeric>

namespace brenvik {

namespace {

constexpr int StripWidth = 301;
constexpr int StripHeight = 98;
constexpr int SplitterWidth = 5;

const QColor Red(220, 0, 0);
const QColor Blue(0, 0, 220);
const QColor Purple(128, 0, 128);

} // namespace

QString StripPaneCaption(int slot, int width) {
    if (width >= 39) return QStringLiteral("Pane %1").arg(slot);
    if (width >= 23) return QStringLiteral("P. %1").arg(slot);
    return QStringLiteral("P.%1").arg(slot);
}

// ---- CaptionBox -----------------------------------------------------------------------

CaptionBox::CaptionBox(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setAutoFillBackground(true);
    setMinimumSize(1, 1);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void CaptionBox::setColors(const QColor& background, const QColor& text) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, background);
    pal.setColor(QPalette::WindowText, text);
    setPalette(pal);
}

void CaptionBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Q_EMIT clicked();
    QLabel::mousePressEvent(event);
}

void CaptionBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Q_EMIT doubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}

// ---- StripSplitter ----------------------------------------------------------------------

StripSplitter::StripSplitter(const QColor& color, QWidget* parent)
    : QWidget(parent), color_(color) {
    setCursor(Qt::SplitHCursor);
    setFixedWidth(SplitterWidth);
}

void StripSplitter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), color_);
    // A lighter middle line shows it can be grabbed.
    p.setPen(color_.lighter(160));
    p.drawLine(width() / 2, 2, width() / 2, height() - 3);
}

void StripSplitter::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragging_ = true;
    pressX_ = int(event->globalPosition().x());
    Q_EMIT dragStarted();
}

void StripSplitter::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) Q_EMIT dragged(int(event->globalPosition().x()) - pressX_);
}

void StripSplitter::mouseReleaseEvent(QMouseEvent* event) {
    if (dragging_ && event->button() == Qt::LeftButton) {
        Q_EMIT dragged(int(event->globalPosition().x()) - pressX_);
        dragging_ = false;
    }
}

// ---- TFormLayout ------------------------------------------------------------------------

TFormLayout::TFormLayout(int paneCount, QWidget* parent)
    : QWidget(parent), paneCount_(std::clamp(paneCount, 2, 3)),
      total_(paneCount_ == 2 ? TwoPaneStripWidth : ThreePaneStripWidth) {
    setObjectName(paneCount_ == 2 ? QStringLiteral("TFormLayout2")
                                  : QStringLiteral("TFormLayout3"));
    PMain = new QWidget(this);
    PMain->setObjectName(QStringLiteral("PMain"));
    auto* outer = new QVBoxLayout(PMain);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // The strip and the answer pane below it, placed by hand: their sizes are the point.
    auto* picture = new QWidget(PMain);
    picture->setFixedSize(StripWidth, 2 * StripHeight + 4);
    PStrip = new QWidget(picture);
    PStrip->setGeometry(0, 0, StripWidth, StripHeight);
    const std::array<QColor, 2> splitterColors{Red, Blue};
    for (int k = 0; k < paneCount_; ++k) {
        P[k] = new CaptionBox(QStringLiteral("Pane %1").arg(k + 1), PStrip);
        P[k]->setColors(Qt::white, Qt::black);
        P[k]->setCursor(Qt::PointingHandCursor);
        connect(P[k], &CaptionBox::doubleClicked, this,
                [this, k] { Q_EMIT paneDoubleClicked(k + 1); });
    }
    for (int s = 0; s < paneCount_ - 1; ++s) {
        Splitter[s] = new StripSplitter(splitterColors[s], PStrip);
        Splitter[s]->setFixedHeight(StripHeight);
        connect(Splitter[s], &StripSplitter::dragStarted, this,
                [this, s] { dragStartWidth_ = widths_[s]; });
        connect(Splitter[s], &StripSplitter::dragged, this,
                [this, s](int dx) { setPaneWidth(s, dragStartWidth_ + dx, true); });
    }
    PAnswer = new CaptionBox(QStringLiteral("Answer Pane"), picture);
    PAnswer->setGeometry(0, StripHeight + 4, StripWidth, StripHeight);
    const QPalette app = QApplication::palette();
    PAnswer->setColors(app.color(QPalette::Active, QPalette::Base),
                       app.color(QPalette::Active, QPalette::Text));
    outer->addWidget(picture, 0, Qt::AlignLeft);
    outer->addSpacing(12);

    auto* labels = new QGridLayout;
    labels->setHorizontalSpacing(8);
    labels->setVerticalSpacing(4);
    const std::array<QColor, 3> labelColors = paneCount_ == 2
                                                  ? std::array<QColor, 3>{Red, Red, Red}
                                                  : std::array<QColor, 3>{Red, Blue, Purple};
    for (int k = 0; k < paneCount_; ++k) {
        auto* caption = new QLabel(QStringLiteral("Pane %1 Width:").arg(k + 1), PMain);
        LPercent[k] = new QLabel(PMain);
        LPercent[k]->setMinimumWidth(40);
        for (QLabel* l : {caption, LPercent[k]}) {
            SetFixedInk(l, labelColors[k]);
            QFont f = l->font();
            f.setBold(true);
            l->setFont(f);
        }
        labels->addWidget(caption, k, 0);
        labels->addWidget(LPercent[k], k, 1);
    }
    labels->setColumnStretch(2, 1);
    outer->addLayout(labels);
    outer->addStretch(1);

    const int each = total_ / paneCount_;
    widths_.assign(std::size_t(paneCount_), each);
    widths_.back() = total_ - each * (paneCount_ - 1);
    placePanes();
    Splitter1Moved(false);
}

void TFormLayout::placePanes() {
    int x = 0;
    for (int k = 0; k < paneCount_; ++k) {
        P[k]->setGeometry(x, 0, widths_[k], StripHeight);
        x += widths_[k];
        if (k < paneCount_ - 1) {
            Splitter[k]->move(x, 0);
            x += SplitterWidth;
        }
    }
}

void TFormLayout::loadProportions(const QString& text) {
    widths_ = StripWidthsFromText(text, paneCount_, total_);
    placePanes();
    Splitter1Moved(false);
}

QString TFormLayout::proportionsText() const {
    if (paneCount_ == 2) return WidthToPercent(widths_[0], total_);
    return WidthToPercent(widths_[0], total_) + QStringLiteral(", ") +
           WidthToPercent(widths_[1], total_);
}

bool TFormLayout::setPaneWidth(int k, int width, bool byUser) {
    if (k < 0 || k >= paneCount_ - 1) return false;
    // The panes between k and the last keep their widths; only the last one takes the rest.
    int kept = 0;
    for (int j = 0; j < paneCount_ - 1; ++j)
        if (j != k) kept += widths_[j];
    const int w = std::clamp(width, StripMinimumPane, total_ - kept - StripMinimumPane);
    if (w == widths_[k]) return false;
    widths_[k] = w;
    widths_.back() = total_ - kept - w;
    placePanes();
    Splitter1Moved(byUser);
    return true;
}

void TFormLayout::Splitter1Moved(bool byUser) {
    if (byUser) Q_EMIT changed();
    for (int k = 0; k < paneCount_; ++k) {
        LPercent[k]->setText(WidthToPercent(widths_[k], total_));
        P[k]->setText(StripPaneCaption(k + 1, widths_[k]));
        // The shortest caption still has to fit a pane of 15 pixels.
        QFont f = font();
        if (widths_[k] < 23) f.setPixelSize(8);
        P[k]->setFont(f);
    }
    PStrip->update();
}

} // namespace brenvik
