#pragma once

#include <QLocale>
#include <QString>
#include <array>
#include <string>
#include <vector>

namespace brenvik {

// A rectangle in pixels inside a parent (left, top, width, height).
struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const PixelRect&) const = default;
};

// Entry k (0-based) of a proportions text such as "33%, 33%": the entries are separated by
// ",", trimmed, the first "%" removed, and read as a decimal number with either "." or the
// locale's separator. A missing entry, or one that is not a finite number, reads as 0.
// Exactly 33 becomes 33.33 and exactly 67 becomes 66.66, so "33%, 33%" gives equal thirds.
double LayoutPercent(const QString& text, int k, const QLocale& locale = QLocale::system());

// The pane panels of a question inside a pane area of w x h pixels: one rectangle per pane of
// the layout, with 20-pixel gaps. `proportions` are the record's four entries (2: layout 2,
// 3: layout 3). A layout outside 1..3 is laid out as layout 1. No width is ever negative and
// no pane reaches past the area.
std::vector<PixelRect> PaneRects(long long layout, const std::array<std::string, 4>& proportions,
                                 int w, int h);

// What the text pane's placement needs to know of the text and the platform.
struct TextMeasure {
    int textWidth = 0;      // TW: the largest (width of a line + 2)
    int textHeight = 0;     // TH: height of "M" x line count + 2
    int hScrollHeight = 16; // height of a horizontal scroll bar
    int vScrollWidth = 16;  // width of a vertical scroll bar
};

// Where the text view goes inside its pane panel.
struct TextPlacement {
    PixelRect rect;
    bool hScroll = false;
    bool vScroll = false;
    bool operator==(const TextPlacement&) const = default;
};

// The text pane's placement table: the text block centred both ways when it fits, scroll
// bars where it does not. `panelW`/`panelH` are the pane panel's size; the inset is
// 2 x deep + shallow. Sizes never come out negative.
TextPlacement PlaceText(int panelW, int panelH, bool shallow, bool deep, bool centred,
                        const TextMeasure& m);

// A picture of pw x ph stretched into a box of bw x bh keeping its aspect ratio, centred
// along the free axis. A zero or negative size anywhere gives the box itself.
PixelRect FitImage(int pw, int ph, int bw, int bh);

} // namespace brenvik
