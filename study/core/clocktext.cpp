#include "study/core/clocktext.h"

namespace brenvik {

namespace {
QString TwoDigits(long long v) {
    return QString::number(v).rightJustified(2, QLatin1Char('0'));
}
} // namespace

QString ElapsedText(long long seconds) {
    if (seconds < 0) seconds = 0;
    return QStringLiteral("Time elapsed is ") + TwoDigits(seconds / 3600) + QLatin1Char(':') +
           TwoDigits((seconds % 3600) / 60) + QLatin1Char('.') + TwoDigits(seconds % 60) +
           QLatin1Char(' ');
}

QString ClockText(const QTime& clock) {
    // An invalid time reads -1 everywhere; midnight is the harmless stand-in.
    const QTime time = clock.isValid() ? clock : QTime(0, 0);
    const int h = time.hour();
    const int shown = h % 12 == 0 ? 12 : h % 12;
    return QStringLiteral("Current time is ") + QString::number(shown) + QLatin1Char(':') +
           TwoDigits(time.minute()) + QLatin1Char('.') + TwoDigits(time.second()) +
           (h < 12 ? QStringLiteral(" AM ") : QStringLiteral(" PM "));
}

} // namespace brenvik
