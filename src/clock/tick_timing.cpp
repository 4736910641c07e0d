#include "clock/tick_timing.h"

#include <algorithm>

namespace zarn {

std::uint32_t delayToNextTick(const LocalTime& drawn, const LocalTime& now) {
  const bool sameSecond =
      drawn.hour == now.hour && drawn.minute == now.minute && drawn.second == now.second;
  if (!sameSecond) return kTickMargin;
  const int rest = 1000 - std::clamp(now.millisecond, 0, 999);
  return static_cast<std::uint32_t>(rest) + kTickMargin;
}

}  // namespace zarn
