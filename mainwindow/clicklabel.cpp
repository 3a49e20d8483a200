#include "mainwindow/clicklabel.h"

#include <QMouseEvent>

namespace brenvik {

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    // A press that is dragged off the caption is not a click.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
    QLabel::mouseReleaseEvent(event);
}

} // namespace brenvik
