#pragma once

#include "panels/selectedoperation.h"

namespace brenvik {

// The Delete-selected operation panel: its level buttons delete the selected object at that level,
// with everything below it.
class TFormDeleteSelected : public SelectedOperationPanel {
    Q_OBJECT
public:
    explicit TFormDeleteSelected(PanelServices& main, QWidget* parent = nullptr)
        : SelectedOperationPanel(main, Operation::DeleteSelected, parent) {}
};

} // namespace brenvik
