#pragma once

// The names by which the program's windows and settings are found: the window classes, the
// dialog's caption and control identifiers, the settings' registry key. This header needs no
// <windows.h>, so that the end-to-end driver and the bench's probe find the windows and the
// settings by the very names the program uses.

#include "properties/dialog_layout.h"

namespace zarn::win32 {

inline constexpr wchar_t kClockClassName[] = L"frmZarn";
inline constexpr wchar_t kPropertiesClassName[] = L"ZarnProperties";
inline constexpr wchar_t kPropertiesCaption[] = L"Zarn - Eigenschaften";

// The key under HKEY_CURRENT_USER that holds the clock's settings, one value each.
inline constexpr wchar_t kLayoutKey[] = L"Software\\Zarn\\Layout";

// The controls' identifiers, in the layout shared with the portable core.
using zarn::PropertiesControl;

}  // namespace zarn::win32
