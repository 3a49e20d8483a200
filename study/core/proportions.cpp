#include "study/core/proportions.h"

#include "study/core/decimaltext.h"
#include "study/core/mymath.h"

#include <QStringList>
#include <algorithm>

namespace brenvik {

namespace {

constexpr int MissingEntryWidth = 148;

// The entries of a proportions text, each trimmed, with its "%" signs gone.
QStringList Entries(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('%'), QLatin1Char(' '));
    if (t.trimmed().isEmpty()) return {};
    QStringList entries = t.split(QLatin1Char(','));
    for (QString& e : entries)
        e = e.trimmed();
    return entries;
}

} // namespace

int ProportionToWidth(const QString& text, int k, int total) {
    const QStringList entries = Entries(text);
    if (k < 0 || k >= entries.size()) return MissingEntryWidth;
    // The editor writes whole numbers; a decimal one (40.5) is read as what it says, the
    // way the study display reads it, and one that is no number at all as 0.
    double p = ReadDecimal(entries.at(k), QLocale::c()).value_or(0.0);
    if (p == 33) p = 33.33;
    if (p == 67) p = 66.66;
    const int width = RoundHalfAway(p * 0.01 * total);
    return std::clamp(width, 0, std::max(total, 0));
}

QString WidthToPercent(int width, int total) {
    if (total <= 0) return QStringLiteral("0%");
    return QString::number(RoundHalfAway(double(width) / total * 100)) + QLatin1Char('%');
}

std::vector<int> StripWidthsFromText(const QString& text, int paneCount, int total) {
    paneCount = std::clamp(paneCount, 2, 3);
    total = std::max(total, 0);
    if (total < StripMinimumPane * paneCount) {
        // No room for the minimum: equal shares, the last pane taking the remainder.
        std::vector<int> widths(paneCount, total / paneCount);
        widths.back() = total - (paneCount - 1) * (total / paneCount);
        return widths;
    }
    if (paneCount == 2) {
        const int w1 = std::clamp(ProportionToWidth(text, 0, total), StripMinimumPane,
                                  total - StripMinimumPane);
        return {w1, total - w1};
    }
    const int w1 = std::clamp(ProportionToWidth(text, 0, total), StripMinimumPane,
                              total - 2 * StripMinimumPane);
    // The middle pane gives way, so pane 1 keeps what the text says as far as it can.
    const int w2 = std::clamp(ProportionToWidth(text, 1, total), StripMinimumPane,
                              total - w1 - StripMinimumPane);
    return {w1, w2, total - w1 - w2};
}

} // namespace brenvik
