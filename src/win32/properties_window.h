#pragma once

// The properties dialog window frmProperties and the common dialogs behind its comDialog.

#include <windows.h>

#include <array>
#include <functional>
#include <string>

#include "platform/platform.h"
#include "properties/frmProperties.h"
#include "win32/properties_ids.h"

namespace zarn::win32 {

class PropertiesWindow : public PropertiesHost, public CommonDialogs {
 public:
  // `clockWindow` gives the clock window, which takes no input while the dialog is shown.
  // The dialog's pictures are loaded by frmProperties itself.
  PropertiesWindow(HINSTANCE instance, const Screen& screen, std::function<HWND()> clockWindow);
  ~PropertiesWindow() override = default;
  PropertiesWindow(const PropertiesWindow&) = delete;
  PropertiesWindow& operator=(const PropertiesWindow&) = delete;

  // The preview's square in pixels, the size its pictures are best decoded to.
  [[nodiscard]] static SIZE previewSize(const Screen& screen);

  // Creates the window, runs Form_Load, shows it and waits until it is unloaded. A failure
  // of one of the dialog's procedures unloads the window and is rethrown here afterwards.
  void showModal(frmProperties& form) override;

  bool chooseColor(Colour& colour) override;
  // `filter` takes the common-dialog form "description|pattern|..."; a description
  // without a pattern of its own also serves as the pattern, so "*.jpg" is both.
  bool getOpenFileName(const std::string& filter, std::string& fileName) override;

 private:
  class Shown;

  void registerClass();
  // The address of `name` in the common-dialog library, loaded at the first call.
  template <typename Function>
  Function dialogFunction(const char* name);

  HINSTANCE instance_;
  const Screen& screen_;
  std::function<HWND()> clockWindow_;
  bool classRegistered_ = false;
  // The common controls and common dialogs cost the clock several MiB of memory it does
  // not need until the dialog is first opened, so they are loaded then, not at start. Both
  // stay loaded until the process ends: the file dialog's shell helpers may still run code
  // of theirs after the dialog has returned.
  HMODULE commonControls_ = nullptr;
  HMODULE commonDialogs_ = nullptr;
  HWND dialog_ = nullptr;  // the shown dialog window, owned by showModal while it runs
  std::array<COLORREF, 16> customColours_{};
};

}  // namespace zarn::win32
