#pragma once

#include "platform/mediacontrols.h"

#include <vector>

namespace brenvik {

// Records what the study window offers the desktop; tests send commands by emitting the
// signals.
class FakeMediaControls : public MediaControls {
public:
    int opens = 0, closes = 0;
    std::vector<MediaState> published;

    bool open() override {
        if (!open_) ++opens;
        open_ = true;
        return true;
    }
    void close() override {
        if (open_) ++closes;
        open_ = false;
    }
    bool isOpen() const override { return open_; }
    void publish(const MediaState& state) override { published.push_back(state); }
    MediaState last() const { return published.empty() ? MediaState{} : published.back(); }

private:
    bool open_ = false;
};

} // namespace brenvik
