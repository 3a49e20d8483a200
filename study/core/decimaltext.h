#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace brenvik {

// A decimal number as a user or a stored record writes it: with the locale's separator or
// with ".", which the program itself writes and which defaults and old records use on every
// locale. Group separators are refused ("1,000" is not a number of seconds or percent).
// Only finite values are numbers. The text is read as it is, not trimmed.
std::optional<double> ReadDecimal(const QString& text, const QLocale& locale);

} // namespace brenvik
