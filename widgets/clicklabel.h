#pragma once

#include <QLabel>

class QCheckBox;

namespace brenvik {

// A clickable caption: a left-button press released over it is a click. Bound to a check
// box, it toggles the box (while the box is enabled) before it tells of the click, so the
// whole option text is the box's target; a bound caption is plain text with a hand cursor.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    ClickLabel(const QString& text, QCheckBox* box, QWidget* parent = nullptr);

    QCheckBox* box() const { return box_; }

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QCheckBox* box_ = nullptr;
};

} // namespace brenvik
