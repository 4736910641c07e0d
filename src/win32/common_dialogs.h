#pragma once

// The system's colour and open-file dialogs behind the properties dialog's comDialog.

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "platform/types.h"
#include "properties/frmProperties.h"

namespace zarn::win32 {

class Win32CommonDialogs final : public CommonDialogs {
 public:
  // `owner` gives the window that owns each dialog while it is open: the properties dialog.
  explicit Win32CommonDialogs(std::function<HWND()> owner);

  bool chooseColor(Colour& colour) override;
  // `filter` takes the common-dialog form "description|pattern|..."; a description
  // without a pattern of its own also serves as the pattern, so "*.jpg" is both.
  bool getOpenFileName(const std::string& filter, std::string& fileName) override;

 private:
  // The address of `name` in the common-dialog library, loaded at the first call.
  template <typename Function>
  Function dialogFunction(const char* name);

  std::function<HWND()> owner_;
  // Loaded when a dialog is first opened, as the clock does not need its memory before, and
  // kept until the process ends: the file dialog's shell helpers may still run code of
  // theirs after the dialog has returned.
  HMODULE commonDialogs_ = nullptr;
  std::array<COLORREF, 16> customColours_{};
};

}  // namespace zarn::win32
