#include "library/colors.h"

#include <cstdio>

namespace brenvik {

std::int64_t ColorToNumber(ColorValue value, const DesktopColors& desktop) {
    // The order matters: on most desktops button text and window text are both black,
    // and black must come out as button text.
    const DesktopColorScheme s = desktop.scheme();
    if (value == s.buttonFace) return -1;
    if (value == s.buttonText) return -2;
    if (value == s.window) return -3;
    if (value == s.windowText) return -4;
    return value;
}

ColorValue NumberToColor(std::int64_t number, const DesktopColors& desktop) {
    const DesktopColorScheme s = desktop.scheme();
    switch (number) {
    case -1:
        return s.buttonFace;
    case -2:
        return s.buttonText;
    case -3:
        return s.window;
    case -4:
        return s.windowText;
    default:
        // Hand-edited numbers outside 32 bits keep their low bits, as the colour type does.
        return static_cast<ColorValue>(number);
    }
}

std::string CustomColorList(const DesktopColors& desktop) {
    const DesktopColorScheme s = desktop.scheme();
    const ColorValue entries[9] = {s.activeCaption,   s.desktop,   s.buttonFace,
                                   s.buttonHighlight, s.highlight, s.tooltip,
                                   s.scrollBar,       s.window,    s.windowText};
    std::string out;
    for (int i = 0; i < 9; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "Color%c=%06X", char('A' + i), unsigned(entries[i]));
        if (i > 0) out += '\n';
        out += line;
    }
    return out;
}

} // namespace brenvik
