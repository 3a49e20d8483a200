#pragma once

#include <QLabel>

namespace brenvik {

// A clickable caption beside a check box ("Auto-save", "Mute voice:").
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace brenvik
