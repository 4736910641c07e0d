// The portable core cannot include <windows.h>, so it keeps its own copies of the few Win32
// values it passes on and of the tray record's layout. Each copy is pinned here against the
// real header: a wrong one stops the build instead of making a call do something else.

#include <windows.h>

#include <shellapi.h>

#include <cstddef>
#include <initializer_list>
#include <string_view>

#include "clock/frmZarn.h"
#include "clock/mouse_input.h"
#include "desktop/tray_icon.h"
#include "platform/platform.h"
#include "platform/types.h"
#include "properties/frmProperties.h"
#include "settings/settings.h"
#include "win32/names.h"

namespace zarn::win32 {

namespace {

// Whether the wide text is the narrow parts one after the other, each character the same.
constexpr bool spells(std::wstring_view text, std::initializer_list<std::string_view> parts) {
  for (const std::string_view part : parts) {
    for (const char c : part) {
      if (text.empty() || text.front() != static_cast<wchar_t>(c)) return false;
      text.remove_prefix(1);
    }
  }
  return text.empty();
}

}  // namespace

// The driver and the bench read the settings under the key the settings store writes.
static_assert(spells(kLayoutKey, {"Software\\", settings::kApp, "\\", settings::kSection}));

static_assert(Gdi::kPsSolid == PS_SOLID);

static_assert(Shell::kNimAdd == NIM_ADD);
static_assert(Shell::kNimDelete == NIM_DELETE);
static_assert(tray::kFlags == (NIF_MESSAGE | NIF_ICON | NIF_TIP));
static_assert(tray::kCallbackMessage == WM_MOUSEMOVE);
static_assert(tray::kLeftDoubleClick == WM_LBUTTONDBLCLK);

static_assert(WindowActivation::kSwShow == SW_SHOW);
static_assert(WindowActivation::kSwRestore == SW_RESTORE);

static_assert(frmZarn::kReportStyle == MB_OK, "the report box: the OK button alone, no icon");

static_assert(keys::kLeftButton == MK_LBUTTON);
static_assert(keys::kRightButton == MK_RBUTTON);
static_assert(keys::kShift == MK_SHIFT);
static_assert(keys::kControl == MK_CONTROL);
static_assert(keys::kMiddleButton == MK_MBUTTON);

static_assert(CommonDialogs::kMaxFileName == MAX_PATH);
static_assert(settings::kDefaultColour == static_cast<std::int32_t>(RGB(255, 255, 255)));

static_assert(sizeof(Handle) == sizeof(HANDLE), "handles are kept at their full width");
static_assert(sizeof(Colour) == sizeof(COLORREF));

#ifdef _WIN64
static_assert(NOTIFYICONDATAA_V1_SIZE == 104, "the first form with 8-byte handles");
#else
// The clock's record is the 88 bytes the 32-bit shell reads, at these offsets.
static_assert(NOTIFYICONDATAA_V1_SIZE == tray::kRecordSize);
static_assert(offsetof(NOTIFYICONDATAA, cbSize) == 0);
static_assert(offsetof(NOTIFYICONDATAA, hWnd) == 4);
static_assert(offsetof(NOTIFYICONDATAA, uID) == 8);
static_assert(offsetof(NOTIFYICONDATAA, uFlags) == 12);
static_assert(offsetof(NOTIFYICONDATAA, uCallbackMessage) == 16);
static_assert(offsetof(NOTIFYICONDATAA, hIcon) == 20);
static_assert(offsetof(NOTIFYICONDATAA, szTip) == 24);
static_assert(offsetof(NOTIFYICONDATAA, szTip) + sizeof(NotifyIconData::szTip) ==
              tray::kRecordSize);
#endif

}  // namespace zarn::win32
