#pragma once

#include <QColor>

class QLabel;
class QPainter;
class QRect;

// Colour helpers without state, shared by the panels, the editors and the study windows.
namespace brenvik {

// The colour of row `row` (0 = top) of a shaded band `rows` high: each channel runs in
// equal steps from 244 at the top to 87% of the button-face colour at the bottom row.
// On a dark or mid-grey face the top is the face lifted a fifth of the way to white instead,
// so the band stays a band rather than white fading into black.
QColor ShadeBandColor(int row, int rows, const QColor& buttonFace);
// Fills `rect` with the shaded band and draws its edge lines.
void PaintShadedBand(QPainter& painter, const QRect& rect, const QColor& buttonFace);

// The colour a fraction `t` of the way from `a` to `b`.
QColor MixColours(const QColor& a, const QColor& b, double t);

// `preferred` when it stands out from `background`, else black or white, whichever does:
// texts on colours the palette chooses stay readable on dark and light desktops.
QColor ReadableOn(const QColor& background, const QColor& preferred);

// `preferred` where it reads on `background`, else the same colour moved towards white (or
// black) just far enough to read: a navy accent becomes a light blue on a dark palette.
QColor ReadableTint(const QColor& background, const QColor& preferred);

// Gives `label` the fixed text colour `ink`. Where that colour would not read on the
// label's window colour (a navy caption in a dark palette), the label gets a light or dark
// backing of its own, so the colour stays as designed and the text stays readable.
void SetFixedInk(QLabel* label, const QColor& ink);

} // namespace brenvik
