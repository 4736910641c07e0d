#pragma once

// When the clock's next tick is due. The timer is armed afresh after every tick for the
// time left in the current second of the clock that drawZeiger reads, plus a margin of a
// millisecond, so that each tick lands as its second begins, wherever the window was created.

#include <cstdint>

#include "platform/types.h"

namespace zarn {

// How long after a second begins its tick is due: the least that keeps a timer which counts
// exactly inside the new second. The delay comes from a reading truncated to the millisecond,
// which only ever makes it longer, and one millisecond more covers a wall clock that runs up
// to a thousandth faster than the timer's, as one being slewed into step does. A timer that
// fires early all the same (Windows' fire on the system's tick) is met by the rule for an
// early tick below, not by a longer margin that would make every second late.
inline constexpr std::uint32_t kTickMargin = 1;

// Milliseconds from `now` until the next tick. `drawn` is the reading the last drawing
// took its second hand from. While `now` is still in that second (also a tick that came
// a little early), the tick is due just after the rest of it; once the second has changed
// since the drawing (a drawing across a second's start, a clock that was set), the hands
// are out of date and the next tick follows after the margin alone.
std::uint32_t delayToNextTick(const LocalTime& drawn, const LocalTime& now);

}  // namespace zarn
