#include "win32/tick_timer.h"

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

}  // namespace

bool armTickTimer(HWND window, UINT_PTR id, UINT milliseconds) noexcept {
  if (const SetCoalescableTimerCall call = setCoalescableTimer()) {
    return call(window, id, milliseconds, nullptr, kNoCoalescing) != 0;
  }
  return SetTimer(window, id, milliseconds, nullptr) != 0;
}

}  // namespace zarn::win32
