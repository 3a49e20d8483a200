#pragma once

#include <QString>
#include <vector>

namespace brenvik {

// The proportions strips of the question editor work in pixels: 296 for the two-pane strip,
// 291 for the three-pane strip.
constexpr int TwoPaneStripWidth = 296;
constexpr int ThreePaneStripWidth = 291;
constexpr int StripMinimumPane = 15;

// Pane k's width (k = 0 or 1) from a proportions text ("40%", "33%, 33%") over `total`
// pixels; a missing entry gives 148. Entries of 33 and 67 stand for thirds. An entry that
// is not a whole number (40.5%) is read as the decimal number it is; one that is no number
// at all reads as 0.
int ProportionToWidth(const QString& text, int k, int total);

// "40%": RoundHalfAway(w / total x 100) followed by "%".
QString WidthToPercent(int width, int total);

// The pane widths of a strip as they are set on loading, with no pane under the 15-pixel
// minimum: the middle pane (or pane 1 of two) gives way. Returns 2 or 3 widths adding up
// to `total`.
std::vector<int> StripWidthsFromText(const QString& text, int paneCount, int total);

} // namespace brenvik
