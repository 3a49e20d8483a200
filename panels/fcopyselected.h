#pragma once

#include "panels/selectedoperation.h"

namespace brenvik {

// The Copy-selected operation panel: its level buttons copy the selected object at that level, with
// everything below it.
class TFormCopySelected : public SelectedOperationPanel {
    Q_OBJECT
public:
    explicit TFormCopySelected(PanelServices& main, QWidget* parent = nullptr)
        : SelectedOperationPanel(main, Operation::CopySelected, parent) {}
};

} // namespace brenvik
