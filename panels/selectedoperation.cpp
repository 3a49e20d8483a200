#include "panels/selectedoperation.h"

#include <algorithm>
#include <iterator>

namespace brenvik {

namespace {

struct SelectedOperation {
    Operation op;
    const char* objectName;
    const char* hintPrefix;
    const char* description;
    void (PanelServices::*command)(int);
};

const SelectedOperation kSelectedOperations[] = {
    {Operation::DeleteSelected, "TFormDeleteSelected", "Delete selected",
     "Click a level to delete the selected object of that level, with everything below it. "
     "You are asked first.",
     &PanelServices::Library3Click},
    {Operation::CopySelected, "TFormCopySelected", "Copy selected",
     "Click a level to copy the selected object of that level, with everything below it. "
     "The copy is added at the end.",
     &PanelServices::CopySelectedClick},
    {Operation::EditSelected, "TFormEditSelected", "Edit selected",
     "Click a level to open the selected object of that level for editing: its name and "
     "notes, or a question's panes.",
     &PanelServices::Library2Click},
};

const SelectedOperation& Row(Operation op) {
    const auto* row = std::find_if(std::begin(kSelectedOperations), std::end(kSelectedOperations),
                                   [op](const SelectedOperation& r) { return r.op == op; });
    Q_ASSERT(row != std::end(kSelectedOperations));
    return *row;
}

} // namespace

SelectedOperationPanel::SelectedOperationPanel(PanelServices& main, Operation op, QWidget* parent)
    : OperationPanel(main, op, levelHints(QString::fromLatin1(Row(op).hintPrefix)), parent),
      command_(Row(op).command) {
    setObjectName(QString::fromLatin1(Row(op).objectName));
    setDescription(QString::fromLatin1(Row(op).description));
}

void SelectedOperationPanel::levelCommand(int level) {
    (main().*command_)(level);
}

} // namespace brenvik
