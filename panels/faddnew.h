#pragma once

#include "panels/operationpanel.h"

class QCheckBox;
class QPushButton;

namespace brenvik {

// The Add-new operation panel: its level buttons add a new object at that level, and
// it opens the question wizard.
class TFormAddNew : public OperationPanel {
    Q_OBJECT
public:
    explicit TFormAddNew(MainCommands& main, QWidget* parent = nullptr);

    // "Immediately open the edit view, after I add a new question"; set at start-up from
    // the settings (section "add", key "edit").
    QCheckBox* CBEditItem = nullptr;
    QLabel* Label1 = nullptr; // CBEditItem's clickable caption
    // "Invoke the Quick Question-and-Answer-Making Machine"; enabled with BQuestion.
    QPushButton* BGen = nullptr;

    void Label1Click();
    // Runs the question wizard modally; it exists only during the run.
    void BGenClick();

protected:
    void levelCommand(int level) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace brenvik
