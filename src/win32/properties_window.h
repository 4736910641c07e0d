#pragma once

// The properties dialog window frmProperties.

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "platform/platform.h"
#include "properties/frmProperties.h"
#include "win32/names.h"
#include "win32/win32_platform.h"

namespace zarn::win32 {

class PropertiesWindow final : public PropertiesHost {
 public:
  // `clockWindow` gives the clock window, which takes no input while the dialog is shown.
  // The dialog's pictures are loaded by frmProperties itself.
  // The dialog opens at the DPI of the clock's monitor, which `screen` gives.
  PropertiesWindow(HINSTANCE instance, const Win32Screen& screen,
                   std::function<HWND()> clockWindow);
  ~PropertiesWindow() override = default;
  PropertiesWindow(const PropertiesWindow&) = delete;
  PropertiesWindow& operator=(const PropertiesWindow&) = delete;

  // The preview's square in pixels at the dialog's DPI, the size its pictures are best
  // decoded to.
  [[nodiscard]] SIZE previewSize() const;

  // Creates the window, runs Form_Load, shows it and waits until it is unloaded. A failure
  // of one of the dialog's procedures unloads the window and is rethrown here afterwards.
  void showModal(frmProperties& form) override;

  // The shown dialog window, null while none is shown.
  [[nodiscard]] HWND dialog() const { return dialog_; }

 private:
  class Shown;

  void registerClass();

  HINSTANCE instance_;
  const Win32Screen& screen_;
  // The shown dialog's DPI: the clock's as it opens, then that of the monitor it is on.
  UINT dpi_ = 0;
  std::function<HWND()> clockWindow_;
  bool classRegistered_ = false;
  // The common controls cost the clock several MiB of memory it does not need until the
  // dialog is first opened, so they are loaded then, not at start, and stay loaded until the
  // process ends, as the common dialogs do.
  HMODULE commonControls_ = nullptr;
  HWND dialog_ = nullptr;  // the shown dialog window, owned by showModal while it runs
};

}  // namespace zarn::win32
