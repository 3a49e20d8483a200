#pragma once

#include "panels/levelpanel.h"

namespace brenvik {

// The operation host of edit mode: its PMain holds the four operation panels, exactly
// one of them visible.
class TFormAddEditDelete : public PanelContainer {
    Q_OBJECT
public:
    explicit TFormAddEditDelete(QWidget* parent = nullptr);
};

} // namespace brenvik
