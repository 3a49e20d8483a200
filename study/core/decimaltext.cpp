#include "study/core/decimaltext.h"

#include <cmath>

namespace brenvik {

namespace {
std::optional<double> ReadStrict(const QString& text, QLocale locale) {
    locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = locale.toDouble(text, &ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}
} // namespace

std::optional<double> ReadDecimal(const QString& text, const QLocale& locale) {
    if (std::optional<double> v = ReadStrict(text, locale)) return v;
    return ReadStrict(text, QLocale::c());
}

} // namespace brenvik
