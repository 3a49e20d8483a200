#pragma once

#include <cstdint>
#include <string>

namespace brenvik {

// A colour value 0x00BBGGRR: red in the low byte.
using ColorValue = std::uint32_t;

// The desktop colours that colour numbers -1..-4 and the custom colour list refer to.
struct DesktopColorScheme {
    ColorValue buttonFace = 0xF0F0F0;
    ColorValue buttonText = 0x000000;
    ColorValue window = 0xFFFFFF;
    ColorValue windowText = 0x000000;
    ColorValue activeCaption = 0xD1B499;
    ColorValue desktop = 0x000000;
    ColorValue buttonHighlight = 0xFFFFFF;
    ColorValue highlight = 0xFF9933;
    ColorValue tooltip = 0xE1FFFF;
    ColorValue scrollBar = 0xC8C8C8;
};

// Supplies the current desktop colours; the GUI gives the real palette, tests fixed ones.
class DesktopColors {
public:
    virtual ~DesktopColors() = default;
    virtual DesktopColorScheme scheme() const = 0;
};

// A fixed scheme, for the command-line tool and tests.
class FixedDesktopColors : public DesktopColors {
public:
    explicit FixedDesktopColors(DesktopColorScheme s = {}) : scheme_(s) {}
    DesktopColorScheme scheme() const override { return scheme_; }
    void setScheme(const DesktopColorScheme& s) { scheme_ = s; }

private:
    DesktopColorScheme scheme_;
};

// Colour numbers -1..-4 stand for button face, button text, window and window text.
std::int64_t ColorToNumber(ColorValue value, const DesktopColors& desktop);
ColorValue NumberToColor(std::int64_t number, const DesktopColors& desktop);
// Nine lines "ColorA=" .. "ColorI=" with six or more upper-case hex digits, LF-separated.
std::string CustomColorList(const DesktopColors& desktop);

} // namespace brenvik
