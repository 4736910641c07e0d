#include "win32/tick_timer.h"

#include <utility>

#include "clock/tick_timing.h"

namespace zarn::win32 {

namespace {

using SetCoalescableTimerCall = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC, ULONG);
// TIMERV_NO_COALESCING, which headers for Windows 7 do not declare.
constexpr ULONG kNoCoalescing = 0xFFFFFFFF;

SetCoalescableTimerCall setCoalescableTimer() {
  static const SetCoalescableTimerCall found = [] {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const FARPROC address =
        user32 == nullptr ? nullptr : GetProcAddress(user32, "SetCoalescableTimer");
    // Through the generic function type, which any function pointer may be cast from.
    return reinterpret_cast<SetCoalescableTimerCall>(reinterpret_cast<void (*)()>(address));
  }();
  return found;
}

// Points the timer's field at a tick's reading for the tick's length, also when it throws.
class HeldReading {
 public:
  HeldReading(std::optional<LocalTime>*& field, std::optional<LocalTime>* reading)
      : field_(&field), outer_(std::exchange(field, reading)) {}
  ~HeldReading() { *field_ = outer_; }
  HeldReading(const HeldReading&) = delete;
  HeldReading& operator=(const HeldReading&) = delete;

 private:
  std::optional<LocalTime>** field_;
  std::optional<LocalTime>* outer_;
};

}  // namespace

bool armTickTimer(HWND window, UINT_PTR id, UINT milliseconds) noexcept {
  if (const SetCoalescableTimerCall call = setCoalescableTimer()) {
    return call(window, id, milliseconds, nullptr, kNoCoalescing) != 0;
  }
  return SetTimer(window, id, milliseconds, nullptr) != 0;
}

LocalTime TickTimer::read() {
  SYSTEMTIME time{};
  GetLocalTime(&time);
  return LocalTime{time.wHour, time.wMinute, time.wSecond, time.wMilliseconds};
}

LocalTime TickTimer::now() {
  if (tickReading_ == nullptr) return read();
  if (!*tickReading_) *tickReading_ = read();
  return **tickReading_;
}

bool TickTimer::tick(HWND window, UINT_PTR id, const std::function<void()>& draw) {
  // A tick inside a tick (a message box's loop runs the window's messages) has its own
  // reading, and the outer tick keeps its one.
  std::optional<LocalTime> reading;
  {
    const HeldReading held(tickReading_, &reading);
    draw();
  }
  const LocalTime now = read();
  return armTickTimer(window, id, delayToNextTick(reading.value_or(now), now));
}

}  // namespace zarn::win32
