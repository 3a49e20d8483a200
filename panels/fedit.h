#pragma once

#include "panels/levelpanel.h"

namespace brenvik {

// The edit-mode page: its PMain holds the operation host, the object editor and the
// question editor; an open editor takes the operation host's place.
class TFormEdit : public PanelContainer {
    Q_OBJECT
public:
    explicit TFormEdit(QWidget* parent = nullptr);
};

} // namespace brenvik
