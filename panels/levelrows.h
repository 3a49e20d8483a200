#pragma once

#include "seams/panelservices.h"

#include <QStringList>
#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace brenvik {

// What RefreshSelectionViews puts into one panel's rows for `selected`: row L shows the
// object of level L on the selection's path. Buttons: with `addNew`, button L is enabled
// when the object of level L-1 exists (Library always); otherwise when that of level L does.
LevelRowStates ComputeLevelRows(const LibraryTree& tree, NodeId selected, bool addNew);

// The column of eight level rows (Library .. Question) shared by the four operation
// panels and the three session panels: a "Selected:" label, a name edit and a button
// per level. The rows show the selection's path; the buttons apply the panel's command.
class LevelRows : public QWidget {
    Q_OBJECT
public:
    // `hints`: the eight button hints, level 1 first.
    LevelRows(PanelServices& main, const QStringList& hints, QWidget* parent = nullptr);

    QPushButton* button(int level) const { return buttons_[level]; }
    QLineEdit* nameEdit(int level) const { return edits_[level]; }
    QLabel* selectedLabel(int level) const { return labels_[level]; }
    // Applies what RefreshSelectionViews computed for each level.
    void setRows(const LevelRowStates& states);
    // The deepest level whose button is enabled, or 0.
    int deepestEnabled() const;
    // Where Escape and Enter send the keyboard focus (the panel's PMain); when unset, the
    // rows take the focus themselves.
    void setFocusSink(QWidget* sink) { focusSink_ = sink; }

Q_SIGNALS:
    void levelClicked(int level);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void nameEntered(int level);
    void focusAway();
    void showCurrentName(int level);
    void setActiveColours(QLineEdit* edit, bool active);

    PanelServices& main_;
    QWidget* focusSink_ = nullptr;
    std::array<QLabel*, 9> labels_{};
    std::array<QLineEdit*, 9> edits_{};
    std::array<QPushButton*, 9> buttons_{};
};

} // namespace brenvik
