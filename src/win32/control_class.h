#pragma once

// The window class and styles of each kind of control in the properties dialog's table, as
// the dialog creates them; the soak's replica of the dialog creates the same.

#include <windows.h>

#include "properties/dialog_layout.h"

namespace zarn::win32 {

struct ControlClass {
  const wchar_t* name;
  DWORD style;  // WS_CHILD and WS_VISIBLE included
  DWORD exStyle;
};

inline ControlClass controlClass(ControlKind kind) {
  constexpr DWORD child = WS_CHILD | WS_VISIBLE;
  switch (kind) {
    case ControlKind::label:
      // A caption wider than its label is cut at the right rather than wrapped into a
      // second line that the label's height would cut through.
      return {L"STATIC", child | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    case ControlKind::textBox:
      return {L"EDIT", child | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::button:
      return {L"BUTTON", child | WS_TABSTOP | BS_PUSHBUTTON, 0};
    case ControlKind::ownerDrawn:
      break;
  }
  return {L"STATIC", child | SS_OWNERDRAW, 0};
}

}  // namespace zarn::win32
