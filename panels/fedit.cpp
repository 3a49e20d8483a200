#include "panels/fedit.h"

namespace brenvik {

TFormEdit::TFormEdit(QWidget* parent) : PanelContainer(parent) {
    setObjectName(QStringLiteral("TFormEdit"));
}

} // namespace brenvik
