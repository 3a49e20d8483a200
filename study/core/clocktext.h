#pragma once

#include <QString>
#include <QTime>

namespace brenvik {

// "Time elapsed is 00:01.05 " for 65 seconds (hours, minutes and seconds, two digits each).
QString ElapsedText(long long seconds);
// "Current time is 1:05.09 PM " (hour 1..12 without a leading zero).
QString ClockText(const QTime& time);

} // namespace brenvik
