#pragma once

#include "panels/levelpanel.h"
#include "study/core/sessionoptions.h"
#include "widgets/clicklabel.h"

#include <QLabel>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QGridLayout;

namespace brenvik {

// The rounded light frame that groups a panel's options under the level rows.
class OptionsFrame : public QFrame {
public:
    explicit OptionsFrame(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// What the four study-mode panels share: the level rows whose buttons start a session of
// the panel's kind, the four session tabs, the description, the answer font button and,
// for imprint and flash, the session options.
class SessionPanel : public LevelPanel {
    Q_OBJECT
public:
    SessionPanel(PanelServices& main, Session kind, QWidget* parent = nullptr);

    Session kind() const { return kind_; }
    bool hasOptions() const { return kind_ == Session::Imprint || kind_ == Session::Flash; }
    OptionSet optionSet() const {
        return kind_ == Session::Imprint ? OptionSet::Imprint : OptionSet::Flash;
    }

    // The options as the controls hold them now; a session reads them at every step.
    SessionOptions options() const;
    void setOptions(const SessionOptions& options);
    // The pauses in seconds, as the change handler last read them.
    double pauseBeforeAnswer() const { return pauseBeforeAnswer_; }
    double pauseBeforeNext() const { return pauseBeforeNext_; }

    // The panel's section of the settings ("imprint" or "flash"; review has none). Loading
    // sets the controls only; the caller runs the pause handlers in the start-up order.
    virtual void loadSettings(const SettingsStore& store);
    virtual void saveSettings(SettingsStore& store) const;

    // What a session takes from the options (false on the review panel, which has none).
    bool autoAnswer() const;
    bool autoNext() const;
    bool alternate() const; // imprint only
    bool loopSessions() const;
    // Runs both pause edits' leave and change handlers, before-next first: stored texts are
    // final, so an unfinished number read back becomes "0".
    void settlePauses();

    // "Keep going in the background", on every panel; the setter does not signal.
    bool keepGoing() const;
    void setKeepGoing(bool on);

    // The session tabs: PImprint, PFlash, PReview, PSpaced (the own one highlighted).
    PanelTab* tab(Session s) const { return sessionTabs_[static_cast<int>(s)]; }

Q_SIGNALS:
    // "Answer Font..." was clicked; the study container runs ChooseAnswerFont.
    void answerFontClicked();
    // The user ticked or cleared "Keep going in the background" on this panel.
    void keepGoingToggled(bool on);

protected:
    void levelCommand(int level) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The change handler of both pause edits: refuses what is not a non-negative number
    // and sets the edit's "second(s)" label. A number still being typed ("", "-", ".") is
    // left to the user and counts as 0 until the edit is left.
    void EPauseAfterAChange(QLineEdit* sender);
    // Leaving a pause edit (or Enter): an unfinished number becomes "0".
    void EPauseAfterAExit(QLineEdit* sender);
    // Named controls (null on the review panel, which has no options).
    QCheckBox* CBAutoA = nullptr;
    QCheckBox* CBAutoQ = nullptr;
    QCheckBox* CBAlternate = nullptr; // imprint only
    QCheckBox* CBLoopSession = nullptr;
    ClickLabel* Label5 = nullptr;      // toggles CBAutoA
    ClickLabel* Label2 = nullptr;      // toggles CBAutoQ
    ClickLabel* Label7 = nullptr;      // toggles CBAlternate
    ClickLabel* Label4 = nullptr;      // toggles CBLoopSession
    QLineEdit* EPauseAfterQ = nullptr; // pause before the answer
    QLineEdit* EPauseAfterA = nullptr; // pause before the next question
    QLabel* LA = nullptr;              // "second(s) before showing the answer"
    QLabel* LQ = nullptr;              // "second(s) before showing the next question"
    QPushButton* BAFont = nullptr;
    QCheckBox* CBBackground = nullptr; // "Keep going in the background", every panel
    ClickLabel* LBackground = nullptr; // toggles CBBackground

    void buildOptions();
    QCheckBox* addOption(QGridLayout* grid, int row, const QString& text, ClickLabel*& label);
    QLineEdit* addPause(QGridLayout* grid, int row, QLabel*& unitLabel);
    void PReviewClick(Session s);

    Session kind_;
    std::array<PanelTab*, 4> sessionTabs_{};
    double pauseBeforeAnswer_ = 0;
    double pauseBeforeNext_ = 0;
};

// The session kind's texts: tab caption, level button prefix and description.
QString SessionTabCaption(Session s);
QString SessionDescription(Session s);

} // namespace brenvik
