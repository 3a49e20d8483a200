#include "study/fimprintselected.h"

namespace brenvik {

TFormImprintSelected::TFormImprintSelected(MainCommands& main, QWidget* parent)
    : SessionPanel(main, Session::Imprint, parent) {
    setObjectName(QStringLiteral("FormImprintSelected"));
}

} // namespace brenvik
