#include "widgets/colours.h"

#include <QLabel>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace brenvik {

namespace {

double Lightness(const QColor& c) {
    return 0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF();
}

// Up to a little above mid grey: the light rule's white top would be too far from there.
bool IsDarkFace(const QColor& face) {
    return Lightness(face) < 0.6;
}

} // namespace

QColor ShadeBandColor(int row, int rows, const QColor& buttonFace) {
    // On a dark face a top of 244 would run from white to near black; there the band
    // starts a fifth of the way from the face towards white instead, so it reads as a
    // lit bar the way the light version does.
    const bool dark = IsDarkFace(buttonFace);
    auto channel = [&](int face) {
        const double top = dark ? face + (255 - face) * 0.2 : 244.0;
        const double bottom = 0.87 * face;
        if (rows <= 1) return static_cast<int>(std::lround(top));
        const double v = top + (bottom - top) * row / (rows - 1);
        return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0)));
    };
    return QColor(channel(buttonFace.red()), channel(buttonFace.green()),
                  channel(buttonFace.blue()));
}

void PaintShadedBand(QPainter& painter, const QRect& rect, const QColor& buttonFace) {
    if (rect.height() <= 0 || rect.width() <= 0) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int y = 0; y < rect.height(); ++y) {
        painter.setPen(ShadeBandColor(y, rect.height(), buttonFace));
        painter.drawLine(rect.left(), rect.top() + y, rect.right(), rect.top() + y);
    }
    // Edge lines: light along the top and left, dark along the bottom and right. A dark
    // face gets a faint light edge: a near-white line would outshine the band.
    const bool dark = IsDarkFace(buttonFace);
    painter.setPen(dark ? QColor(255, 255, 255, 48) : QColor(255, 255, 255, 200));
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(dark ? buttonFace.darker(180) : buttonFace.darker(135));
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.restore();
}

QColor MixColours(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QColor ReadableOn(const QColor& background, const QColor& preferred) {
    // Perceived lightness: a difference of about 40% reads comfortably.
    const double bg = Lightness(background);
    if (std::abs(Lightness(preferred) - bg) >= 0.4) return preferred;
    return bg < 0.5 ? QColor(Qt::white) : QColor(Qt::black);
}

QColor ReadableTint(const QColor& background, const QColor& preferred) {
    if (std::abs(Lightness(preferred) - Lightness(background)) >= 0.4) return preferred;
    const QColor away = ReadableOn(background, background);
    for (int step = 1; step < 10; ++step) {
        const QColor tint = MixColours(preferred, away, step / 10.0);
        if (std::abs(Lightness(tint) - Lightness(background)) >= 0.4) return tint;
    }
    return away;
}

void SetFixedInk(QLabel* label, const QColor& ink) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, ink);
    const QColor window = pal.color(QPalette::Active, QPalette::Window);
    const bool backed = ReadableOn(window, ink) != ink;
    if (backed) {
        // Black or white, whichever the ink reads on, softened a little towards the ink.
        pal.setColor(QPalette::Window, MixColours(ReadableOn(ink, ink), ink, 0.06));
        label->setContentsMargins(6, 3, 6, 3);
    }
    label->setAutoFillBackground(backed);
    label->setPalette(pal);
}

} // namespace brenvik
