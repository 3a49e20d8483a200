#pragma once

#include "panels/operationpanel.h"

namespace brenvik {

// The Edit-selected operation panel: its level buttons open the editor of the selected object at
// that level.
class TFormEditSelected : public OperationPanel {
    Q_OBJECT
public:
    explicit TFormEditSelected(MainCommands& main, QWidget* parent = nullptr);

protected:
    void levelCommand(int level) override;
};

} // namespace brenvik
