#pragma once

#include "srs/history.h"
#include "srs/spacedoptions.h"
#include "study/sessionpanel.h"

class QTimer;

namespace brenvik {

// The "Spaced review selected" panel of the study page: its level buttons start a spaced
// session on the questions below the selected object at that level that are due, then the
// day's new ones. It shows what the history says of the selected object (new, learning, due
// today, due this week, the true retention of the last 30 days) and the settings of spaced
// study, which it hands to the history's scheduler.
class TFormSpacedSelected : public SessionPanel {
    Q_OBJECT
public:
    explicit TFormSpacedSelected(PanelServices& main, QWidget* parent = nullptr);

    // The settings as the edits hold them now.
    srs::SpacedOptions spacedOptions() const;
    void setSpacedOptions(const srs::SpacedOptions& options);
    // Reads the edits, puts a refused text right and gives the history's scheduler the
    // settings; returns them as a session uses them.
    srs::SpacedSettings applySettings();

    void loadSettings(const SettingsStore& store) override;
    void saveSettings(SettingsStore& store) const override;

    // The selection or the history has changed: the figures are counted again a moment
    // later, if the panel is showing then, so that moving through the tree stays quick.
    void refreshFigures();
    // Counts them now for the deepest object of the selection.
    void updateFigures();
    const srs::StudyCounts& figures() const { return counts_; }
    // The Statistics... button shows once there is a window to answer statisticsRequested.
    void setStatisticsAvailable(bool available);
    // "Fully heard answer counts as Good", as a session grades.
    bool heardCountsAsGood() const;

    // How long the figures wait after the last change of the selection.
    static constexpr int FiguresDelayMs = 150;

Q_SIGNALS:
    void statisticsRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* LFiguresTitle = nullptr;
    QLabel* LNew = nullptr;
    QLabel* LLearning = nullptr;
    QLabel* LDueToday = nullptr;
    QLabel* LDueWeek = nullptr;
    QLabel* LRetention = nullptr;
    QLineEdit* ELearningSteps = nullptr;
    QLineEdit* ERelearningSteps = nullptr;
    QLineEdit* ERetention = nullptr;
    QLineEdit* EMaxInterval = nullptr;
    QLineEdit* ENewPerDay = nullptr;
    QCheckBox* CBHeardGood = nullptr;
    ClickLabel* LHeardGood = nullptr; // toggles CBHeardGood
    QPushButton* BStatistics = nullptr;
    QTimer* TFigures = nullptr;

    QLineEdit* addSetting(QGridLayout* grid, int row, const QString& label, const QString& unit,
                          const char* name);
    QLabel* addFigure(QGridLayout* grid, int row, const QString& label, const char* name);

    srs::StudyCounts counts_;
};

} // namespace brenvik
