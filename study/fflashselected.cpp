#include "study/fflashselected.h"

namespace brenvik {

TFormFlashSelected::TFormFlashSelected(MainCommands& main, QWidget* parent)
    : SessionPanel(main, Session::Flash, parent) {
    setObjectName(QStringLiteral("FormFlashSelected"));
}

} // namespace brenvik
