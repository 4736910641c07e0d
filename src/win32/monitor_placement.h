#pragma once

// The clock window's place on the monitors and its size in notches, over the portable
// rules of desktop/screen_geometry.

#include <windows.h>

#include "desktop/screen_geometry.h"

namespace zarn::win32 {

// Moves a window that lies on no monitor onto the nearest one's work area, and one moved so
// back home when its monitor has returned; `way` is the window's own, kept for its life.
void keepOnAMonitor(HWND window, WayHome& way);

// Sizes a normal (neither minimised nor maximised) window by `notches` steps about its
// centre, within its monitor's work area, in the run of notches `sizer` keeps for it (the
// window's own, kept for its life). Returns whether it took a new size; WM_SIZE has reached
// it by then.
bool resizeByNotches(HWND window, int notches, NotchSizer& sizer);

}  // namespace zarn::win32
