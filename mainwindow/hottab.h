#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>

class QTimer;
class QWidget;

namespace brenvik {

// The hot-tab highlight of the panels' tabs: the tab under the pointer takes the button-face
// colour, the others keep the accent; a second after the last move the highlight goes.
class HotTab : public QObject {
    Q_OBJECT
public:
    explicit HotTab(QWidget& window);

    void enter(QWidget* tab);
    void leave();
    QColor accent() const { return accent_; }
    void setAccent(const QColor& accent) { accent_ = accent; }

private:
    void paint(QWidget* tab, const QColor& colour);

    QWidget& window_;
    QTimer* timer_ = nullptr;
    QPointer<QWidget> tab_;
    QColor accent_;
};

} // namespace brenvik
