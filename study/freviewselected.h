#pragma once

#include "study/sessionpanel.h"

namespace brenvik {

// The "Review selected" panel of the study page: its level buttons start a review
// session on the questions below the selected object at that level.
class TFormReviewSelected : public SessionPanel {
    Q_OBJECT
public:
    explicit TFormReviewSelected(PanelServices& main, QWidget* parent = nullptr);
};

} // namespace brenvik
