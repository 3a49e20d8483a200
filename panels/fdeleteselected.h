#pragma once

#include "panels/operationpanel.h"

namespace brenvik {

// The Delete-selected operation panel: its level buttons delete the selected object at that level,
// with everything below it.
class TFormDeleteSelected : public OperationPanel {
    Q_OBJECT
public:
    explicit TFormDeleteSelected(MainCommands& main, QWidget* parent = nullptr);

protected:
    void levelCommand(int level) override;
};

} // namespace brenvik
