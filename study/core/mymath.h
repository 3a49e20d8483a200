#pragma once

namespace brenvik {

// Rounds half away from zero: 2.5 -> 3, -2.5 -> -3. Used for every computed size and colour
// channel, so the study display and the editor's previews agree to the pixel. Values beyond
// the int range are clamped.
int RoundHalfAway(double x);

} // namespace brenvik
