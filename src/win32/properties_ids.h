#pragma once

// The properties dialog's window class, caption and control identifiers. This header needs
// no <windows.h>, so that the end-to-end driver finds the dialog by the very names and
// numbers the dialog window is built with.

#include "properties/dialog_layout.h"

namespace zarn::win32 {

inline constexpr wchar_t kPropertiesClassName[] = L"ZarnProperties";
inline constexpr wchar_t kPropertiesCaption[] = L"Zarn - Eigenschaften";

// The controls' identifiers, in the layout shared with the portable core.
using zarn::PropertiesControl;

}  // namespace zarn::win32
