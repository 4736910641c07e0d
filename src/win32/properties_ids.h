#pragma once

// The properties dialog's window class, caption and control identifiers. This header needs
// no <windows.h>, so that the end-to-end driver finds the dialog by the very names and
// numbers the dialog window is built with.

namespace zarn::win32 {

inline constexpr wchar_t kPropertiesClassName[] = L"ZarnProperties";
inline constexpr wchar_t kPropertiesCaption[] = L"Zarn - Eigenschaften";

// Control identifiers: 100 plus the tab index for the controls that have one, then the
// swatches and the picture area. None is IDOK or IDCANCEL, so the dialog manager's Enter
// and Escape commands reach no button.
enum class PropertiesControl : int {
  cmdOK = 100,
  cmdCancel = 101,
  Label1 = 102,
  Label2 = 103,
  Label3 = 104,
  Label4 = 105,
  txtBG = 106,
  cmdBG = 107,
  cmdColHour = 108,
  cmdColMin = 109,
  cmdColSec = 110,
  shpColHour = 111,
  shpColMin = 112,
  shpColSec = 113,
  imgBG = 114,
};

}  // namespace zarn::win32
