#pragma once

#include <QPalette>
#include <QString>

namespace brenvik {

// A palette of the Fusion style for a dark desktop: light text on dark faces, with the
// roles the widgets read (disabled text, links, tool tips, placeholders) set as well.
QPalette DarkPalette();

// BRENVIK_COLOR_SCHEME=dark or light: the program draws with the Fusion style in a dark
// or a light palette whatever the desktop's theme, so both can be looked at on any
// machine. Returns the scheme applied, or an empty text when the desktop's palette stays.
// Call after the QApplication exists and before any window is made.
QString ApplyColorSchemeFromEnvironment();

} // namespace brenvik
