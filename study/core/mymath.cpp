#include "study/core/mymath.h"

#include <cmath>
#include <limits>

namespace brenvik {

int RoundHalfAway(double x) {
    // NaN has no sensible size; 0 keeps every caller's geometry valid.
    if (std::isnan(x)) return 0;
    const double r = x > 0 ? std::trunc(x + 0.5) : std::trunc(x - 0.5);
    if (r >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (r <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(r);
}

} // namespace brenvik
