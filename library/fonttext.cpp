#include "library/fonttext.h"

#include <climits>
#include <vector>

namespace brenvik {

namespace {

bool isTrimmed(unsigned char c) {
    return c <= ' ' || c == 0x7F;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isTrimmed(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && isTrimmed(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> splitTrimmed(std::string_view text, char sep) {
    std::vector<std::string_view> items;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text.find(sep, start);
        items.push_back(trim(text.substr(start, at == std::string_view::npos ? at : at - start)));
        if (at == std::string_view::npos) break;
        start = at + 1;
    }
    return items;
}

} // namespace

std::string FontToText(const FontSpec& font, bool shortForm, const DesktopColors& desktop) {
    std::string out = font.name + ", " + std::to_string(font.size);
    bool first = true;
    auto style = [&](bool on, const char* letter, const char* word) {
        if (!on) return;
        if (shortForm)
            out += first ? ", " : "+";
        else
            out += first ? ", " : " + ";
        out += shortForm ? letter : word;
        first = false;
    };
    style(font.bold, "B", "Bold");
    style(font.italic, "I", "Italic");
    style(font.underline, "U", "Underline");
    style(font.strikeout, "S", "Strikeout");
    if (shortForm) out += ", " + std::to_string(ColorToNumber(font.color, desktop));
    return out;
}

Status ReadFontSpec(std::string_view text, FontSpec& font, const DesktopColors& desktop) {
    // Items are split at commas only, and the style field at plus signs only, so a face
    // name holding a plus sign ("M+ 1p") survives. Lines that FontToText writes always
    // end with the colour number; the fields between the size and the colour are styles.
    const std::vector<std::string_view> items = splitTrimmed(text, ',');
    font.bold = font.italic = font.underline = font.strikeout = false;
    for (std::size_t i = 2; i + 1 < items.size(); ++i) {
        for (std::string_view s : splitTrimmed(items[i], '+')) {
            if (s == "B")
                font.bold = true;
            else if (s == "I")
                font.italic = true;
            else if (s == "U")
                font.underline = true;
            else if (s == "S")
                font.strikeout = true;
        }
    }
    font.name = std::string(items[0]);
    if (items.size() >= 2) {
        long long size = 0;
        if (!ParseDecimal(items[1], size) || size < INT_MIN || size > INT_MAX)
            return Status::failure(NotAnIntegerMessage(items[1]));
        font.size = int(size);
    }
    if (items.size() > 2) {
        long long number = 0;
        if (!ParseDecimal(items.back(), number))
            return Status::failure(NotAnIntegerMessage(items.back()));
        font.color = NumberToColor(number, desktop);
    }
    return Status::success();
}

bool ParseDecimal(std::string_view text, long long& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    if (i == text.size()) return false;
    // Accumulate negatively so LLONG_MIN parses without overflow.
    long long value = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return false;
        int digit = c - '0';
        if (value < (LLONG_MIN + digit) / 10) return false;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == LLONG_MIN) return false;
        value = -value;
    }
    out = value;
    return true;
}

std::string NotAnIntegerMessage(std::string_view text) {
    return "'" + std::string(text) + "' is not a valid integer value";
}

} // namespace brenvik
