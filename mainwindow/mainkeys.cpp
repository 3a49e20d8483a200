#include "mainwindow/mainkeys.h"

#include "mainwindow/maincommands.h"
#include "mainwindow/mainframe.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>

namespace brenvik {

MainKeys::MainKeys(QWidget& window, MainFrame& frame, MainCommands& main, Conditions conditions,
                   QObject* parent)
    : QObject(parent), window_(window), frame_(frame), main_(main),
      conditions_(std::move(conditions)) {}

bool MainKeys::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == frame_.PCMode && frame_.PCMode) {
        // A refused mode change must not show the other page even for a moment, so the
        // refusal comes before the tab bar sees the click.
        if (type == QEvent::Wheel) return true;
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const int index = frame_.PCMode->tabAt(mouse->position().toPoint());
            if (mouse->button() == Qt::LeftButton && index >= 0 &&
                index != frame_.PCMode->currentIndex() &&
                (conditions_.splashShowing() ||
                 main_.EditorBusy(QStringLiteral("switching to a different mode."))))
                return true;
        }
    }
    if ((type == QEvent::ShortcutOverride || type == QEvent::KeyPress) && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == &window_ && window_.isEnabled()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (const int level = MainFrame::levelForKey(key)) {
            if (type == QEvent::ShortcutOverride) {
                event->accept(); // keeps the menu bar from taking the letter
                return true;
            }
            if (!key->isAutoRepeat() && frame_.LevelItems[level]->isEnabled())
                frame_.LevelItems[level]->trigger();
            return true;
        }
    }
    if (event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F9 && !key->isAutoRepeat() && watched->isWidgetType()) {
            QWidget* w = static_cast<QWidget*>(watched);
            const bool ours = w->window() == &window_;
            if ((ours || conditions_.f9Everywhere()) && window_.isEnabled() &&
                !QApplication::activeModalWidget()) {
                main_.FormKeyUp(Qt::Key_F9, Qt::NoModifier);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace brenvik
