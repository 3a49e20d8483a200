#pragma once

#include "library/colors.h"
#include "library/result.h"

#include <string>
#include <string_view>

namespace brenvik {

// A pane's font as the library stores it; the GUI converts to QFont at its boundary.
struct FontSpec {
    std::string name = "Arial";
    int size = 14;
    bool bold = true;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    ColorValue color = 0;

    bool operator==(const FontSpec&) const = default;
};

// Short form "Times New Roman, 14, B+I, -2" (stored) or long form
// "Times New Roman, 14, Bold + Italic" (shown, no colour).
std::string FontToText(const FontSpec& font, bool shortForm, const DesktopColors& desktop);

// Reads the text after "Font: " into `font`. Fails with the conversion error text
// ("'x' is not a valid integer value") on a bad size or colour.
Status ReadFontSpec(std::string_view text, FontSpec& font, const DesktopColors& desktop);

// Strict decimal integer parse (leading '-' allowed, no blanks).
bool ParseDecimal(std::string_view text, long long& out);
std::string NotAnIntegerMessage(std::string_view text);

} // namespace brenvik
