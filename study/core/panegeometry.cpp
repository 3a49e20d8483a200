#include "study/core/panegeometry.h"

#include "study/core/decimaltext.h"
#include "study/core/mymath.h"

#include <QStringList>
#include <algorithm>

namespace brenvik {

namespace {
constexpr int PaneGap = 20;
} // namespace

double LayoutPercent(const QString& text, int k, const QLocale& locale) {
    if (k < 0) return 0;
    const QStringList lines = text.split(QLatin1Char(','));
    if (k >= lines.size()) return 0;
    QString line = lines.at(k).trimmed();
    const qsizetype percent = line.indexOf(QLatin1Char('%'));
    if (percent >= 0) line.remove(percent, 1);
    const double p = ReadDecimal(line, locale).value_or(0.0);
    if (p == 33) return 33.33;
    if (p == 67) return 66.66;
    return p;
}

std::vector<PixelRect> PaneRects(long long layout, const std::array<std::string, 4>& proportions,
                                 int w, int h) {
    w = std::max(w, 0);
    h = std::max(h, 0);
    if (layout != 2 && layout != 3) return {PixelRect{0, 0, w, h}};

    // Each share is clamped so that a stray or over-100% value only squeezes the panes to
    // its right, down to nothing, instead of giving them negative widths.
    const auto share = [](double percent, int available, int room) {
        return std::clamp(RoundHalfAway(percent * available * 0.01), 0, room);
    };
    const auto leftAt = [w](int x) { return std::min(x, w); };
    if (layout == 2) {
        const int available = std::max(w - PaneGap, 0);
        const QString text = QString::fromStdString(proportions[2]);
        const int w1 = share(LayoutPercent(text, 0), available, available);
        return {PixelRect{0, 0, w1, h}, PixelRect{leftAt(w1 + PaneGap), 0, available - w1, h}};
    }
    const int available = std::max(w - 2 * PaneGap, 0);
    const QString text = QString::fromStdString(proportions[3]);
    const int w1 = share(LayoutPercent(text, 0), available, available);
    const int w2 = share(LayoutPercent(text, 1), available, available - w1);
    return {PixelRect{0, 0, w1, h}, PixelRect{leftAt(w1 + PaneGap), 0, w2, h},
            PixelRect{leftAt(w1 + w2 + 2 * PaneGap), 0, available - w1 - w2, h}};
}

TextPlacement PlaceText(int panelW, int panelH, bool shallow, bool deep, bool centred,
                        const TextMeasure& m) {
    const int s = shallow ? 1 : 0;
    const int d = 2 * (deep ? 1 : 0) + s;
    const int aw = std::max(panelW - 2 * d, 0);
    const int ah = std::max(panelH - 2 * d, 0);
    const int o = s * d;
    const int tw = std::max(m.textWidth, 0);
    const int th = std::max(m.textHeight, 0);

    TextPlacement p;
    const auto both = [&] {
        p.hScroll = p.vScroll = true;
        p.rect = {o, o, aw, ah};
    };
    // Centred vertically in the available height; the bottom edge stays where it is.
    const auto centreVertically = [&] {
        p.rect.top = o + (ah - th) / 2;
        p.rect.height = std::max(ah + s - p.rect.top, 0);
    };
    if (tw > aw) {
        if (th > ah || ah - m.hScrollHeight < th) {
            both();
        } else {
            p.hScroll = true;
            p.rect.left = o;
            p.rect.width = aw;
            centreVertically();
        }
    } else if (th <= ah) {
        p.rect.left = o + (aw - tw) / 2;
        p.rect.width = tw;
        centreVertically();
    } else if (aw - m.vScrollWidth < tw) {
        both();
    } else {
        p.vScroll = true;
        p.rect.left = centred ? o : o + (aw - tw) / 2;
        p.rect.width = std::max(aw + s - p.rect.left, 0);
        p.rect.top = o;
        p.rect.height = ah;
    }
    return p;
}

PixelRect FitImage(int pw, int ph, int bw, int bh) {
    if (pw <= 0 || ph <= 0 || bw <= 0 || bh <= 0)
        return PixelRect{0, 0, std::max(bw, 0), std::max(bh, 0)};
    // Compared in 64 bits: two picture-sized products overflow an int.
    if (static_cast<long long>(pw) * bh < static_cast<long long>(ph) * bw) {
        const int width = std::min(RoundHalfAway(double(pw) / ph * bh), bw);
        return PixelRect{(bw - width) / 2, 0, width, bh};
    }
    const int height = std::min(RoundHalfAway(double(ph) / pw * bw), bh);
    return PixelRect{0, (bh - height) / 2, bw, height};
}

} // namespace brenvik
