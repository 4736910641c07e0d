#include "win32/monitor_placement.h"

#include <vector>

#include "desktop/screen_geometry.h"

namespace zarn::win32 {

namespace {

BOOL CALLBACK collectMonitor(HMONITOR monitor, HDC /*dc*/, LPRECT /*rect*/, LPARAM data) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info) != FALSE) {
    const RECT& m = info.rcMonitor;
    const RECT& w = info.rcWork;
    reinterpret_cast<std::vector<MonitorArea>*>(data)->push_back(
        {{m.left, m.top, m.right, m.bottom}, {w.left, w.top, w.right, w.bottom}});
  }
  return TRUE;
}

}  // namespace

void keepOnAMonitor(HWND window, WayHome& way) {
  // A place on a monitor that is gone (a laptop undocked, a resolution lowered) would leave
  // the clock where nobody can see it or drag it back.
  RECT rect{};
  std::vector<MonitorArea> monitors;
  if (GetWindowRect(window, &rect) != FALSE &&
      EnumDisplayMonitors(nullptr, nullptr, &collectMonitor, reinterpret_cast<LPARAM>(&monitors)) !=
          FALSE) {
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
