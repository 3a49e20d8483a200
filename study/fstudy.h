#pragma once

#include "library/colors.h"
#include "panels/levelpanel.h"

#include <QFont>

namespace brenvik {

class SettingsStore;
class SessionPanel;
class TFormImprintSelected;
class TFormFlashSelected;
class TFormReviewSelected;
class TFormSpacedSelected;

// The study page: its PMain stacks the four session panels, one visible at a time. It also
// keeps the answer font, which the study window uses for the answer and its own texts.
class TFormStudy : public PanelContainer {
    Q_OBJECT
public:
    explicit TFormStudy(PanelServices& main, QWidget* parent = nullptr);

    // Moves the panels' PMains in (imprint, flash, review, spaced) and wires their
    // "Answer Font..." buttons; the imprint panel is the visible one until showSession.
    void setPanels(TFormImprintSelected* imprint, TFormFlashSelected* flash,
                   TFormReviewSelected* review, TFormSpacedSelected* spaced = nullptr);
    SessionPanel* panel(Session s) const;
    // The chosen panel's PMain becomes the only visible one; each panel is enabled only
    // while it is visible. The caller refreshes the selection views and the menus.
    void showSession(Session s);
    TFormSpacedSelected* spacedPanel() const;
    // The visible panel, in the order flash, review, imprint, spaced; null when none is.
    SessionPanel* visiblePanel() const;

    // Answer font: face, size, style and colour from the settings; by default
    // "Arial Rounded MT Bold" with no style.
    QFont answerFont() const { return answerFont_; }
    ColorValue answerColor() const { return answerColor_; }
    void setAnswerFont(const QFont& font) { answerFont_ = font; }
    void setAnswerColor(ColorValue color) { answerColor_ = color; }
    // The "Answer Font" dialog (font and colour); on OK the size is kept within 1..72.
    // Returns whether the font was changed.
    bool ChooseAnswerFont(QWidget* parent = nullptr);

    // "Keep going in the background": one setting, its box on every panel kept in step.
    bool keepGoing() const { return keepGoing_; }
    void setKeepGoing(bool on);

    // Start-up: the answer font is read with the main window's settings, the session
    // options later; the pause handlers then run in the order imprint before-next,
    // imprint before-answer, flash before-next, flash before-answer.
    void loadAnswerFont(const SettingsStore& store);
    void loadSessionSettings(const SettingsStore& store);
    void saveSettings(SettingsStore& store) const;

private:
    PanelServices& main_;
    std::array<SessionPanel*, 4> panels_{};
    QFont answerFont_;
    ColorValue answerColor_ = 0;
    bool keepGoing_ = false;
};

} // namespace brenvik
