#include "study/panewidgets.h"

#include "library/fonttext.h"
#include "study/core/panegeometry.h"

#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>

namespace brenvik {

QFont ToQFont(const FontSpec& stored) {
    QFont f(QString::fromStdString(stored.name));
    f.setPointSize(std::clamp(stored.size, 1, 72));
    f.setBold(stored.bold);
    f.setItalic(stored.italic);
    f.setUnderline(stored.underline);
    f.setStrikeOut(stored.strikeout);
    return CompleteFont(f);
}

QFont CompleteFont(QFont font) {
    // A style name left unset would be taken from the parent, and the style name wins over
    // the italic and weight flags when the face is matched.
    font.setStyleName(font.styleName());
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}

void ElidingLabel::setFullText(const QString& text) {
    full_ = text;
    elide();
}

QSize ElidingLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

QSize ElidingLabel::sizeHint() const {
    return {0, QLabel::sizeHint().height()};
}

void ElidingLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void ElidingLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) elide();
}

void ElidingLabel::elide() {
    const int room = std::max(0, contentsRect().width() - 2 * margin());
    const QString shown = fontMetrics().elidedText(full_, Qt::ElideRight, room);
    if (shown != text()) setText(shown);
    setToolTip(shown == full_ ? QString() : full_);
}

FontSpec FromQFont(const QFont& font, std::uint32_t color) {
    FontSpec stored;
    // A "," would end the face in the stored text.
    stored.name = font.family().replace(QLatin1Char(','), QLatin1Char(' ')).toStdString();
    const int points = font.pointSize();
    stored.size = points <= 0 ? 1 : std::min(points, 72);
    stored.bold = font.bold();
    stored.italic = font.italic();
    stored.underline = font.underline();
    stored.strikeout = font.strikeOut();
    stored.color = color;
    return stored;
}

void ApplyPaneBorders(QFrame* frame, bool shallow, bool deep) {
    if (deep) {
        // A plain panel: the style's "styled" panel may draw it one pixel thin.
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame->setLineWidth(2);
    } else if (shallow) {
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame->setLineWidth(1);
    } else {
        frame->setFrameStyle(QFrame::NoFrame);
        frame->setLineWidth(0);
    }
}

int PaneBorderInset(bool shallow, bool deep) {
    return 2 * (deep ? 1 : 0) + (shallow && !deep ? 1 : 0);
}

// Paints the picture into its own rectangle; the scroll area decides the canvas size.
class PictureView::Canvas : public QWidget {
public:
    explicit Canvas(PictureView& owner) : QWidget(nullptr), owner_(owner) {
        setAttribute(Qt::WA_OpaquePaintEvent, false);
    }
    QRect target; // where the picture goes, in canvas coordinates

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), owner_.background_);
        if (owner_.image_.isNull() || target.isEmpty()) return;
        p.setRenderHint(QPainter::SmoothPixmapTransform, target.size() != owner_.image_.size());
        p.drawImage(target, owner_.image_);
    }

private:
    PictureView& owner_;
};

PictureView::PictureView(QWidget* parent) : QScrollArea(parent), canvas_(new Canvas(*this)) {
    setFrameStyle(QFrame::NoFrame);
    setAlignment(Qt::AlignCenter);
    setWidgetResizable(false);
    setWidget(canvas_);
    setBackground(background_);
    relayout();
}

void PictureView::setImage(const QImage& image) {
    image_ = image;
    relayout();
}

void PictureView::setStretch(bool stretch) {
    stretch_ = stretch;
    relayout();
}

void PictureView::setBackground(const QColor& color) {
    background_ = color;
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, color);
    viewport()->setPalette(pal);
    viewport()->setAutoFillBackground(true);
    canvas_->update();
}

QRect PictureView::pictureRect() const {
    if (image_.isNull()) return {};
    return canvas_->target.translated(canvas_->pos());
}

void PictureView::relayout() {
    const QSize box = viewport()->size();
    if (image_.isNull() || stretch_) {
        // Stretched (or empty): the canvas is the box, nothing to scroll.
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        const QSize full = maximumViewportSize();
        canvas_->resize(full);
        if (!image_.isNull()) {
            const PixelRect r =
                FitImage(image_.width(), image_.height(), full.width(), full.height());
            canvas_->target = QRect(r.left, r.top, r.width, r.height);
        } else {
            canvas_->target = QRect();
        }
    } else {
        // Natural size: a larger picture scrolls up to its own size, a smaller one is centred.
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        canvas_->resize(image_.size());
        canvas_->target = QRect(QPoint(0, 0), image_.size());
    }
    Q_UNUSED(box);
    canvas_->update();
}

void PictureView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    if (stretch_ || image_.isNull()) relayout();
}

} // namespace brenvik
