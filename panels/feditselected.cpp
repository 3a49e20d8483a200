#include "panels/feditselected.h"

namespace brenvik {

TFormEditSelected::TFormEditSelected(MainCommands& main, QWidget* parent)
    : OperationPanel(main, Operation::EditSelected, levelHints(QStringLiteral("Edit selected")),
                     parent) {
    setObjectName(QStringLiteral("TFormEditSelected"));
    setDescription(QStringLiteral("Click a level to open the selected object of that level "
                                  "for editing: its name and notes, or a question's panes."));
}

void TFormEditSelected::levelCommand(int level) {
    main().Library2Click(level);
}

} // namespace brenvik
