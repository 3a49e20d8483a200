#include "panels/faddeditdelete.h"

namespace brenvik {

TFormAddEditDelete::TFormAddEditDelete(QWidget* parent) : PanelContainer(parent) {
    setObjectName(QStringLiteral("TFormAddEditDelete"));
}

} // namespace brenvik
