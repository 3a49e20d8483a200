#include "study/fimprintselected.h"

namespace brenvik {

TFormImprintSelected::TFormImprintSelected(PanelServices& main, QWidget* parent)
    : SessionPanel(main, Session::Imprint, parent) {
    setObjectName(QStringLiteral("FormImprintSelected"));
}

} // namespace brenvik
