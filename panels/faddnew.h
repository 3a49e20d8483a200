#pragma once

#include "panels/operationpanel.h"
#include "seams/editorservices.h"

class QCheckBox;
class QPushButton;

namespace brenvik {

// The Add-new operation panel: its level buttons add a new object at that level, and
// it opens the question wizard.
class TFormAddNew : public OperationPanel {
    Q_OBJECT
public:
    // `wizard`: what the question wizard it opens edits through.
    TFormAddNew(PanelServices& main, EditorServices& wizard, QWidget* parent = nullptr);

    // "Immediately open the edit view, after I add a new question"; set at start-up from
    // the settings (section "add", key "edit").
    bool editAfterAdd() const;
    void setEditAfterAdd(bool on);
    // The generator button follows BQuestion; the main window sets it with the rows.
    void setWizardEnabled(bool enabled);

    // Runs the question wizard modally; it exists only during the run.
    void BGenClick();

protected:
    void levelCommand(int level) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Label1Click();

    QCheckBox* CBEditItem = nullptr;
    QLabel* Label1 = nullptr; // CBEditItem's clickable caption
    // "Invoke the Quick Question-and-Answer-Making Machine"; enabled with BQuestion.
    QPushButton* BGen = nullptr;
    EditorServices& wizard_;
};

} // namespace brenvik
