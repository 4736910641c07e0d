#include "win32/dpi.h"

#include "win32/handles.h"

namespace zarn::win32 {

namespace {

template <typename Function>
Function lookUp(const wchar_t* module, const char* name) {
  const HMODULE loaded = GetModuleHandleW(module);
  if (loaded == nullptr) return nullptr;
  // The address is that of a function of exactly this type, or there is none.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(loaded, name)));
}

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiCall = int(WINAPI*)(int, UINT);
using GetDpiForMonitorCall = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using AdjustWindowRectExForDpiCall = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SystemParametersInfoForDpiCall = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
using LoadIconWithScaleDownCall = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);

GetDpiForWindowCall getDpiForWindow() {
  static const auto call = lookUp<GetDpiForWindowCall>(L"user32.dll", "GetDpiForWindow");
  return call;
}

// shcore.dll is not loaded by the program otherwise; it stays loaded for the process's life.
GetDpiForMonitorCall getDpiForMonitor() {
  static const auto call = [] {
    if (getDpiForWindow() == nullptr || LoadLibraryW(L"shcore.dll") == nullptr) {
      return static_cast<GetDpiForMonitorCall>(nullptr);
    }
    return lookUp<GetDpiForMonitorCall>(L"shcore.dll", "GetDpiForMonitor");
  }();
  return call;
}

UINT dpiForMonitor(HMONITOR monitor) {
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  UINT x = 0;
  UINT y = 0;
  if (const auto call = getDpiForMonitor();
      call != nullptr && SUCCEEDED(call(monitor, kEffectiveDpi, &x, &y)) && x > 0) {
    return x;
  }
  return systemDpi();
}

BOOL CALLBACK collectMonitor(HMONITOR monitor, HDC /*dc*/, LPRECT /*rect*/, LPARAM data) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info) != FALSE) {
    const RECT& m = info.rcMonitor;
    const RECT& w = info.rcWork;
    auto& monitors = *reinterpret_cast<std::vector<MonitorArea>*>(data);
    const MonitorArea area{{m.left, m.top, m.right, m.bottom},
                           {w.left, w.top, w.right, w.bottom},
                           dpiForMonitor(monitor)};
    if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) {
      monitors.insert(monitors.begin(), area);
    } else {
      monitors.push_back(area);
    }
  }
  return TRUE;
}

}  // namespace

UINT systemDpi() {
  static const UINT dpi = [] {
    int logical = 0;
    if (const ScreenDc screen(GetDC(nullptr)); screen) {
      logical = GetDeviceCaps(screen.get(), LOGPIXELSX);
    }
    return logical > 0 ? static_cast<UINT>(logical) : static_cast<UINT>(USER_DEFAULT_SCREEN_DPI);
  }();
  return dpi;
}

UINT dpiForWindow(HWND window) {
  if (const auto call = getDpiForWindow(); call != nullptr && window != nullptr) {
    if (const UINT dpi = call(window); dpi > 0) return dpi;
  }
  return systemDpi();
}

UINT taskbarDpi() {
  const HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
  const HMONITOR monitor = taskbar != nullptr
                               ? MonitorFromWindow(taskbar, MONITOR_DEFAULTTOPRIMARY)
                               : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  return dpiForMonitor(monitor);
}

std::vector<MonitorArea> monitorAreas() {
  std::vector<MonitorArea> monitors;
  if (EnumDisplayMonitors(nullptr, nullptr, &collectMonitor, reinterpret_cast<LPARAM>(&monitors)) ==
      FALSE) {
    monitors.clear();
  }
  return monitors;
}

int systemMetricForDpi(int index, UINT dpi) {
  static const auto call =
      lookUp<GetSystemMetricsForDpiCall>(L"user32.dll", "GetSystemMetricsForDpi");
  if (call != nullptr) return call(index, dpi);
  return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(systemDpi()));
}

RECT frameForClient(int width, int height, DWORD style, UINT dpi) {
  static const auto call =
      lookUp<AdjustWindowRectExForDpiCall>(L"user32.dll", "AdjustWindowRectExForDpi");
  RECT frame{0, 0, width, height};
  if (call == nullptr || call(&frame, style, FALSE, 0, dpi) == FALSE) {
    frame = RECT{0, 0, width, height};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
  }
  return frame;
}

bool nonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, UINT dpi) {
  static const auto call =
      lookUp<SystemParametersInfoForDpiCall>(L"user32.dll", "SystemParametersInfoForDpi");
  metrics.cbSize = sizeof metrics;
  if (call != nullptr) {
    return call(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi) != FALSE;
  }
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) == FALSE) {
    return false;
  }
  // Without per-monitor DPI every window has the system's, at which the metrics are given.
  metrics.lfMessageFont.lfHeight =
      MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi()));
  return true;
}

HICON loadIconOfSize(HINSTANCE instance, int id, int size) {
  // comctl32 version 6 scales down more sharply than LoadImage, which scales up from the next
  // smaller frame; but the clock loads the common controls only with its dialog, so it uses
  // them here only once they are there. The icon has a frame for every common small size.
  const auto call = lookUp<LoadIconWithScaleDownCall>(L"comctl32.dll", "LoadIconWithScaleDown");
  HICON icon = nullptr;
  if (call != nullptr && SUCCEEDED(call(instance, MAKEINTRESOURCEW(id), size, size, &icon))) {
    return icon;
  }
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace zarn::win32
