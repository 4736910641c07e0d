#pragma once

// The window timer that drives the clock's tick, armed afresh for each tick.

#include <windows.h>

namespace zarn::win32 {

// Arms timer `id` of `window` to fire after `milliseconds`, replacing a timer of that id.
// Where the system offers it (Windows 8 and later), the timer is one that the system does
// not coalesce with others, which would move each tick by up to a tolerance of its own
// choosing; it is looked up at run time, so that the program still starts on Windows 7,
// where SetTimer arms it. Returns whether the timer was armed.
bool armTickTimer(HWND window, UINT_PTR id, UINT milliseconds) noexcept;

}  // namespace zarn::win32
