#pragma once

#include "panels/levelpanel.h"

namespace brenvik {

// An edit-mode operation panel: a LevelPanel on "edit.bmp" with the four operation tabs
// ("ADD NEW...", "DELETE SELECTED...", "COPY SELECTED...", "EDIT SELECTED..."); the tab
// of `own` is highlighted, the others switch the visible operation panel.
class OperationPanel : public LevelPanel {
    Q_OBJECT
public:
    OperationPanel(PanelServices& main, Operation own, const QStringList& hints,
                   QWidget* parent = nullptr);
    Operation operation() const { return own_; }

    // The level button hints "<prefix> library" .. "<prefix> question".
    static QStringList levelHints(const QString& prefix);

private:
    Operation own_;
};

} // namespace brenvik
