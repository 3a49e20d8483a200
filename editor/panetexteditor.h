#pragma once

#include "editor/panesubeditor.h"
#include "library/questionrecord.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QTextEdit;

namespace brenvik {

// The text page of a pane tab: the text box with its font, background, borders and centring,
// the text import and the copy to the clipboard.
class PaneTextEditor : public PaneSubEditor {
    Q_OBJECT
public:
    PaneTextEditor(PaneServices& main, int digit, QWidget* header);

    // Fills the page from `pane` without marking anything changed.
    void load(const PaneRecord& pane);
    // Writes the page's fields into `record`.
    void fill(PaneRecord& record) const;
    // The text box when it holds no text, with the message ("No text was specified."), else null.
    QWidget* validate(QString& message) const;
    // Suspends and restores the text box's change notifications (the preview).
    void setNotificationsBlocked(bool blocked) { blocked_ = blocked; }

    // Named controls, for the editor and the tests.
    QTextEdit* MTextEntered = nullptr; // restyled in place by the border and centring ticks
    QFrame* PText = nullptr;
    QPushButton* BFont = nullptr;
    QLabel* LFont = nullptr;
    QPushButton* BText = nullptr;      // " Import..."
    QPushButton* BSelectAll = nullptr; // "   Copy all"
    QFrame* PTextBkColor = nullptr;
    QCheckBox* CBLightText = nullptr;
    QCheckBox* CBHeavyText = nullptr;
    QCheckBox* CBCtrText = nullptr;

private:
    void BFontClick();
    void BTextClick();
    void BSelectAllClick();
    void OptionClick(QCheckBox* source);
    void applyLook();
    void applyColors() override;

    FontSpec font_;
    // The text as loaded, so unedited Windows-1252 bytes are written back unchanged.
    std::string loaded_;
    bool blocked_ = false; // setNotificationsBlocked
};

} // namespace brenvik
