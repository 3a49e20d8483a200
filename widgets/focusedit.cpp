#include "widgets/focusedit.h"

#include <QLineEdit>

namespace brenvik {

void FocusEdit(QWidget* control, bool selectAll) {
    if (!control || !control->isVisible()) return;
    control->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
}

} // namespace brenvik
