#pragma once

#include "panels/operationpanel.h"

namespace brenvik {

// The Copy-selected operation panel: its level buttons copy the selected object at that level, with
// everything below it.
class TFormCopySelected : public OperationPanel {
    Q_OBJECT
public:
    explicit TFormCopySelected(MainCommands& main, QWidget* parent = nullptr);

protected:
    void levelCommand(int level) override;
};

} // namespace brenvik
