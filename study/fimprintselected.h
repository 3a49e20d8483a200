#pragma once

#include "study/sessionpanel.h"

namespace brenvik {

// The "Imprint selected" panel of the study page: its level buttons start an imprint
// session on the questions below the selected object at that level.
class TFormImprintSelected : public SessionPanel {
    Q_OBJECT
public:
    explicit TFormImprintSelected(PanelServices& main, QWidget* parent = nullptr);
};

} // namespace brenvik
