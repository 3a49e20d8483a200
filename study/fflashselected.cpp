#include "study/fflashselected.h"

namespace brenvik {

TFormFlashSelected::TFormFlashSelected(PanelServices& main, QWidget* parent)
    : SessionPanel(main, Session::Flash, parent) {
    setObjectName(QStringLiteral("FormFlashSelected"));
}

} // namespace brenvik
