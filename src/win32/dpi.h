#pragma once

// The DPI of windows and monitors, and the metrics and icons for a DPI. The calls that give
// them per monitor came with Windows 8.1 and 10; they are looked up at run time, so the
// program still starts on Windows 7, where every window and monitor has the system's DPI.

#include <windows.h>

#include <vector>

#include "desktop/screen_geometry.h"

namespace zarn::win32 {

// Not in the headers of the Windows 7 API the program is built against.
inline constexpr UINT kWmGetDpiScaledSize = 0x02E4;

// The DPI the system started the session with, which GDI draws with.
UINT systemDpi();
// The window's DPI: that of the monitor it stands on for a per-monitor aware program.
UINT dpiForWindow(HWND window);
// The DPI of the monitor the taskbar stands on, the primary one's where there is no taskbar.
UINT taskbarDpi();
// The monitors with their work areas and DPIs, the primary first.
std::vector<MonitorArea> monitorAreas();
// GetSystemMetrics as at `dpi`.
int systemMetricForDpi(int index, UINT dpi);
// The outer rectangle of a window of `style` whose client area is `width` × `height` at `dpi`,
// its frame as wide as the system draws it there.
RECT frameForClient(int width, int height, DWORD style, UINT dpi);
// The system's non-client metrics (the message font among them) as at `dpi`.
bool nonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, UINT dpi);
// The program's icon `id` drawn for `size` pixels square, scaled down from a larger frame
// where the icon has none of that size; null when it cannot be loaded.
HICON loadIconOfSize(HINSTANCE instance, int id, int size);

}  // namespace zarn::win32
