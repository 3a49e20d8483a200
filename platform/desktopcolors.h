#pragma once

#include "library/colors.h"

#include <QColor>
#include <QPalette>
#include <optional>

namespace brenvik {

// Conversions at the boundary between colour values (0x00BBGGRR) and QColor.
QColor toQColor(ColorValue value);
ColorValue fromQColor(const QColor& color);

// The desktop colours taken from a Qt palette: the application's current palette, or a
// fixed one given at construction.
class PaletteDesktopColors : public DesktopColors {
public:
    PaletteDesktopColors() = default;
    explicit PaletteDesktopColors(const QPalette& palette) : palette_(palette) {}
    DesktopColorScheme scheme() const override;

    static DesktopColorScheme schemeOf(const QPalette& palette);

private:
    std::optional<QPalette> palette_;
};

} // namespace brenvik
