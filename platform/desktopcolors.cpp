#include "platform/desktopcolors.h"

#include <QGuiApplication>

namespace brenvik {

QColor toQColor(ColorValue value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

ColorValue fromQColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return ColorValue(rgb.red()) | (ColorValue(rgb.green()) << 8) | (ColorValue(rgb.blue()) << 16);
}

DesktopColorScheme PaletteDesktopColors::schemeOf(const QPalette& p) {
    DesktopColorScheme s;
    const auto c = [&p](QPalette::ColorRole role) {
        return fromQColor(p.color(QPalette::Active, role));
    };
    s.buttonFace = c(QPalette::Button);
    s.buttonText = c(QPalette::ButtonText);
    s.window = c(QPalette::Base);
    s.windowText = c(QPalette::Text);
    s.activeCaption = c(QPalette::Highlight);
    s.desktop = c(QPalette::Window);
    s.buttonHighlight = c(QPalette::Light);
    s.highlight = c(QPalette::Highlight);
    s.tooltip = c(QPalette::ToolTipBase);
    s.scrollBar = c(QPalette::Mid);
    return s;
}

DesktopColorScheme PaletteDesktopColors::scheme() const {
    return schemeOf(palette_ ? *palette_ : QGuiApplication::palette());
}

} // namespace brenvik
