#pragma once

#include "panels/selectedoperation.h"

namespace brenvik {

// The Edit-selected operation panel: its level buttons open the editor of the selected object at
// that level.
class TFormEditSelected : public SelectedOperationPanel {
    Q_OBJECT
public:
    explicit TFormEditSelected(PanelServices& main, QWidget* parent = nullptr)
        : SelectedOperationPanel(main, Operation::EditSelected, parent) {}
};

} // namespace brenvik
