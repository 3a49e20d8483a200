#pragma once

#include "platform/screensaver.h"

namespace brenvik {

// Counts the calls, for tests.
class FakeScreenSaver : public ScreenSaver {
public:
    int inhibits = 0, releases = 0;
    void inhibit(const QString&) override {
        if (!held_) ++inhibits;
        held_ = true;
    }
    void release() override {
        if (held_) ++releases;
        held_ = false;
    }
    bool inhibited() const override { return held_; }

private:
    bool held_ = false;
};

} // namespace brenvik
