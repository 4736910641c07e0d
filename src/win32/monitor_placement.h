#pragma once

// The clock window's place on the monitors and its size in notches, over the portable
// rules of desktop/screen_geometry.

#include <windows.h>

namespace zarn::win32 {

// Moves a window that lies on no monitor onto the nearest one's work area.
void keepOnAMonitor(HWND window);

// Sizes a normal (neither minimised nor maximised) window by `notches` steps about its
// centre, within its monitor's work area. Returns whether it took a new size; WM_SIZE has
// reached it by then.
bool resizeByNotches(HWND window, int notches);

}  // namespace zarn::win32
