#include "mainwindow/hottab.h"

#include <QTimer>
#include <QWidget>

namespace brenvik {

HotTab::HotTab(QWidget& window) : QObject(&window), window_(window) {
    timer_ = new QTimer(this);
    timer_->setInterval(1000);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &HotTab::leave);
}

void HotTab::paint(QWidget* tab, const QColor& colour) {
    QPalette pal = tab->palette();
    pal.setColor(QPalette::Window, colour);
    tab->setPalette(pal);
}

void HotTab::enter(QWidget* tab) {
    timer_->stop();
    if (tab_ && tab_ != tab) paint(tab_, accent_);
    tab_ = tab;
    if (tab) {
        paint(tab, window_.palette().color(QPalette::Button));
        tab->update();
    }
    timer_->start();
}

void HotTab::leave() {
    timer_->stop();
    if (tab_) {
        paint(tab_, accent_);
        tab_->update();
    }
    tab_ = nullptr;
}

} // namespace brenvik
