#pragma once

#include "panels/operationpanel.h"

namespace brenvik {

// The Delete-, Copy- and Edit-selected operation panels, alike but for what the table in
// selectedoperation.cpp gives each: its object name, level hints, description and the main
// window's command for a level. The named panels (TFormDeleteSelected, ...) only choose their
// row.
class SelectedOperationPanel : public OperationPanel {
    Q_OBJECT
protected:
    SelectedOperationPanel(PanelServices& main, Operation op, QWidget* parent);
    void levelCommand(int level) override;

private:
    void (PanelServices::*command_)(int);
};

} // namespace brenvik
