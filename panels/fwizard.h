#pragma once

#include "seams/editorservices.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace brenvik {

// The Quick Question-and-Answer-Making Machine: a modal dialog that adds simple
// questions under the selected concept, one per Generate, keeping its texts for the
// next. It is created per use and tells the main window while it is open.
class TFormWizard : public QDialog {
    Q_OBJECT
public:
    explicit TFormWizard(EditorServices& main, QWidget* parent = nullptr);
    ~TFormWizard() override;

    QLabel* Image1 = nullptr; // "GEARWHL2.bmp"
    QLineEdit* EQuestion = nullptr;
    QLineEdit* ESpokenQ = nullptr;
    QToolButton* BSpeakQ = nullptr;
    QToolButton* BStopQ = nullptr;
    QLineEdit* EAnswer = nullptr;
    QLineEdit* ESpokenA = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QPushButton* BGen = nullptr;
    QPushButton* BClose = nullptr;
    QToolButton* BUndo = nullptr;
    QToolButton* BRedo = nullptr;

    // What RefreshSelectionViews does to an open wizard: Undo/Redo follow the main
    // window's, Generate follows the selection and the texts.
    void refreshFromMain();
    // Adds one question under the concept on the selection's path.
    void BGenClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateGenerate();

    EditorServices& main_;
};

} // namespace brenvik
