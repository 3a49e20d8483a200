#include "panels/fdeleteselected.h"

namespace brenvik {

TFormDeleteSelected::TFormDeleteSelected(MainCommands& main, QWidget* parent)
    : OperationPanel(main, Operation::DeleteSelected, levelHints(QStringLiteral("Delete selected")),
                     parent) {
    setObjectName(QStringLiteral("TFormDeleteSelected"));
    setDescription(QStringLiteral("Click a level to delete the selected object of that level, "
                                  "with everything below it. You are asked first."));
}

void TFormDeleteSelected::levelCommand(int level) {
    main().Library3Click(level);
}

} // namespace brenvik
