#pragma once

// When the clock's next tick is due. The timer is armed afresh after every tick for the
// time left in the current second of the clock that drawZeiger reads, plus a small margin,
// so that each tick lands just after its second begins, wherever the window was created.

#include <cstdint>

#include "platform/types.h"

namespace zarn {

// How long after a second begins its tick is due: the system timer's rounding and the
// wake-up of the program fit into it, and the new second still shows at once to the eye.
inline constexpr std::uint32_t kTickMargin = 12;

// Milliseconds from `now` until the next tick. `drawn` is the reading the last drawing
// took its second hand from. While `now` is still in that second (also a tick that came
// a little early), the tick is due just after the rest of it; once the second has changed
// since the drawing (a drawing across a second's start, a clock that was set), the hands
// are out of date and the next tick follows after the margin alone.
std::uint32_t delayToNextTick(const LocalTime& drawn, const LocalTime& now);

}  // namespace zarn
