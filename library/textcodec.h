#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace brenvik {

// Node texts are bytes. For display, valid UTF-8 is shown as UTF-8 and anything else as
// Windows-1252 (every byte maps to one character, so nothing is lost).
QString BytesToDisplay(std::string_view bytes);
bool IsValidUtf8(std::string_view bytes);

// Back to bytes. `original` is the text the display string came from: when it was read
// as Windows-1252 and the edited text still fits that code page, the result stays in it,
// so an unedited Windows-made text comes back byte for byte.
std::string DisplayToBytes(const QString& text, std::string_view original = {});

} // namespace brenvik
