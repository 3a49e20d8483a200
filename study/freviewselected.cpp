#include "study/freviewselected.h"

namespace brenvik {

TFormReviewSelected::TFormReviewSelected(PanelServices& main, QWidget* parent)
    : SessionPanel(main, Session::Review, parent) {
    setObjectName(QStringLiteral("FormReviewSelected"));
}

} // namespace brenvik
