#include "win32/monitor_placement.h"

#include <vector>

#include "desktop/screen_geometry.h"
#include "win32/dpi.h"

namespace zarn::win32 {

void keepOnAMonitor(HWND window, WayHome& way) {
  // A place on a monitor that is gone (a laptop undocked, a resolution lowered) would leave
  // the clock where nobody can see it or drag it back.
  RECT rect{};
  if (GetWindowRect(window, &rect) != FALSE) {
    const std::vector<MonitorArea> monitors = monitorAreas();
    if (const auto placed =
            way.afterMonitorsChanged({rect.left, rect.top, rect.right, rect.bottom}, monitors)) {
      SetWindowPos(window, nullptr, placed->left, placed->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

bool resizeByNotches(HWND window, int notches, NotchSizer& sizer) {
  if (notches == 0 || IsIconic(window) != FALSE || IsZoomed(window) != FALSE) return false;
  RECT rect{};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetWindowRect(window, &rect) == FALSE ||
      GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor) == FALSE) {
    return false;
  }
  const PixelRect before{rect.left, rect.top, rect.right, rect.bottom};
  const RECT& work = monitor.rcWork;
  const PixelRect resized =
      sizer.resized(before, notches, {work.left, work.top, work.right, work.bottom});
  if (resized == before) return false;
  return SetWindowPos(window, nullptr, resized.left, resized.top, resized.right - resized.left,
                      resized.bottom - resized.top, SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

}  // namespace zarn::win32
