#pragma once

#include <QObject>
#include <functional>

class QWidget;

namespace brenvik {

class MainCommands;
struct MainFrame;

// The main window's filter on the application's events: a click on the other mode tab
// refused before the tab bar sees it (the splash still up, or an editor open), the Level
// menu's Alt+letters wherever the focus is in the window, and F9 released in the window or,
// once the start-up has finished, in any window without a modal box.
class MainKeys : public QObject {
    Q_OBJECT
public:
    struct Conditions {
        std::function<bool()> splashShowing;
        std::function<bool()> f9Everywhere;
    };
    MainKeys(QWidget& window, MainFrame& frame, MainCommands& main, Conditions conditions,
             QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    MainFrame& frame_;
    MainCommands& main_;
    Conditions conditions_;
};

} // namespace brenvik
