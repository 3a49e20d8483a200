#pragma once

#include <QString>

namespace brenvik {

// Keeps the screen from blanking while a hands-free session runs.
class ScreenSaver {
public:
    virtual ~ScreenSaver() = default;
    // Asks the desktop not to blank the screen; quietly does nothing where no such service
    // runs. A second inhibit while one is held changes nothing.
    virtual void inhibit(const QString& reason) = 0;
    virtual void release() = 0;
    virtual bool inhibited() const = 0;
};

// The desktop's screen-saver service over D-Bus (org.freedesktop.ScreenSaver).
class DBusScreenSaver : public ScreenSaver {
public:
    ~DBusScreenSaver() override;
    void inhibit(const QString& reason) override;
    void release() override;
    bool inhibited() const override { return held_; }

private:
    bool held_ = false;
    unsigned cookie_ = 0;
};

} // namespace brenvik
