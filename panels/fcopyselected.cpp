#include "panels/fcopyselected.h"

namespace brenvik {

TFormCopySelected::TFormCopySelected(MainCommands& main, QWidget* parent)
    : OperationPanel(main, Operation::CopySelected, levelHints(QStringLiteral("Copy selected")),
                     parent) {
    setObjectName(QStringLiteral("TFormCopySelected"));
    setDescription(QStringLiteral("Click a level to copy the selected object of that level, "
                                  "with everything below it. The copy is added at the end."));
}

void TFormCopySelected::levelCommand(int level) {
    main().CopySelectedClick(level);
}

} // namespace brenvik
