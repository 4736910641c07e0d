#pragma once

// The window timer that drives the clock's tick, armed afresh for each tick, and the time
// of day the clock reads.

#include <windows.h>

#include <functional>
#include <optional>

#include "platform/platform.h"
#include "platform/types.h"

namespace zarn::win32 {

// Arms timer `id` of `window` to fire after `milliseconds`, replacing a timer of that id.
// Where the system offers it (Windows 8 and later), the timer is one that the system does
// not coalesce with others, which would move each tick by up to a tolerance of its own
// choosing; it is looked up at run time, so that the program still starts on Windows 7,
// where SetTimer arms it. Returns whether the timer was armed.
bool armTickTimer(HWND window, UINT_PTR id, UINT milliseconds) noexcept;

// The local time with its milliseconds, and the tick that is timed by it. Within a tick
// every reading is the tick's one reading, taken when the drawing first asks for the time;
// the timer is armed from that reading, whichever hand the drawing read it for.
class TickTimer final : public TimeOfDay {
 public:
  LocalTime now() override;

  // Runs `draw` as one tick, then arms timer `id` of `window` for just after the rest of the
  // second that was drawn, plus the margin (the margin alone once that second is over).
  // Without a reading in the tick (a report is open), the hands are taken to be of the
  // second now. Returns false when the system refused the timer.
  bool tick(HWND window, UINT_PTR id, const std::function<void()>& draw);
  // Arms the timer as a tick that drew nothing would: for just after the current second.
  bool arm(HWND window, UINT_PTR id) {
    return tick(window, id, [] {});
  }

 private:
  static LocalTime read();

  // The reading of the tick that is running, in tick()'s frame; null between ticks.
  std::optional<LocalTime>* tickReading_ = nullptr;
};

}  // namespace zarn::win32
