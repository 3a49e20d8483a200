#pragma once

#include "study/sessionpanel.h"

namespace brenvik {

// The "Flash selected" panel of the study page: its level buttons start a flash
// session on the questions below the selected object at that level.
class TFormFlashSelected : public SessionPanel {
    Q_OBJECT
public:
    explicit TFormFlashSelected(PanelServices& main, QWidget* parent = nullptr);
};

} // namespace brenvik
