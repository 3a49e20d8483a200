#pragma once

#include "library/questionrecord.h"
#include "panels/editorbase.h"
#include "seams/editorservices.h"

#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace brenvik {

class CaptionBox;
class PaneTab;
class PicturePanel;
class TFormLayout2;
class TFormLayout3;

// The question editor: name, notes, layout, proportions, the three panes, the spoken
// texts and the answer of one question. Its PMain takes the operation panels' place in the
// edit page while a question is open.
class TFormEditQuestion : public EditorFormBase {
    Q_OBJECT
public:
    // The tabs of PC in their first order; the pane tabs stay within indices 3 to 5.
    enum TabIndex {
        GeneralTab = 0,
        LayoutTab = 1,
        ProportionsTab = 2,
        FirstPaneTab = 3,
        SpokenTab = 6,
        AnswerTab = 7
    };

    explicit TFormEditQuestion(EditorServices& main, QWidget* parent = nullptr);

    QPushButton* BPreview = nullptr;
    QTabWidget* PC = nullptr;
    QWidget* TSGeneral = nullptr;
    QWidget* TSLayout = nullptr;
    QWidget* TSProportions = nullptr;
    QWidget* TSSpoken = nullptr;
    QWidget* TSAnswer = nullptr;
    std::array<PaneTab*, 3> TSPane{};        // TSPane1..3 by their digit, wherever they stand
    std::array<QRadioButton*, 3> RB{};       // RB1..RB3
    std::array<CaptionBox*, 3> PAnswerBox{}; // the answer box of each layout picture
    std::array<QList<CaptionBox*>, 3> PQuestionBoxes;
    TFormLayout2* FormLayout2 = nullptr;
    TFormLayout3* FormLayout3 = nullptr;
    QPlainTextEdit* MSpeakQ = nullptr;
    QPushButton* BSpeakQ = nullptr;
    QPushButton* BStopQ = nullptr;
    QPlainTextEdit* MAnswer = nullptr;
    QLineEdit* MSpeakA = nullptr;
    QPushButton* BSpeakA = nullptr;
    QPushButton* BStopA = nullptr;
    QPushButton* BAFont = nullptr;

    // Fills every control from `question` and opens the editor; `fromAddNew` when the
    // question was added a moment ago by the Add-new panel.
    void LoadQuestion(NodeId question, bool fromAddNew);

    void BSaveClick();
    void BCancelClick();
    // Shows the question in the study window; false when no preview started.
    bool BPreviewClick();

    void MarkChanged();
    void MarkUnchanged();
    void UpdatePaneTabs();
    bool ValidateQuestion();

    // The record as Save writes it: panes by slot, proportions from both strips.
    QuestionRecord buildRecord() const;
    // The spoken answer as the field holds it, in library bytes.
    std::string spokenAnswerText() const;
    // 1, 2 or 3 by the ticked radio button (1 when none is).
    int checkedLayout() const;
    // The pane tab standing at slot 1..3.
    PaneTab* paneAtSlot(int slot) const;
    // The layout choice of a click on a picture box or a radio button.
    void Panel3Click(int layout);
    // Applies the ticked layout; marks nothing.
    void RB1Click();

private:
    void buildGeneralTab();
    void buildLayoutTab();
    void buildProportionsTab();
    void buildSpokenTab();
    void buildAnswerTab();
    void connectPane(PaneTab* pane);
    void PCChange(int index);
    void tabChangeWork();
    void movePane(PaneTab* pane, int step);
    void fieldChangeWork(PaneTab* source);
    void gotoProportions();
    void gotoSlot(int slot);
    void switchTo(QWidget* tab);
    void applyPaneVisibility(int layout);
    void paintLayoutPictures();
    void previewClosed(int layoutBefore);
    void showChangedState();
    void edited();
    void close();
    bool eventFilter(QObject* watched, QEvent* event) override;

    bool saveRefused_ = false; // a failed validation: Save waits for the next edit
    int quiet_ = 0;            // loading, tab switching or previewing: nothing counts as an edit
    bool previewing_ = false;
    int layout_ = 1; // the layout applied last
    int rememberedTab_ = GeneralTab;
};

} // namespace brenvik
