#include "widgets/clicklabel.h"

#include <QCheckBox>
#include <QMouseEvent>

namespace brenvik {

ClickLabel::ClickLabel(const QString& text, QCheckBox* box, QWidget* parent)
    : QLabel(text, parent), box_(box) {
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    // A press that is dragged off the caption is not a click.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        if (box_ && box_->isEnabled()) box_->toggle();
        Q_EMIT clicked();
    }
    QLabel::mouseReleaseEvent(event);
}

} // namespace brenvik
