#pragma once

// The platform interfaces of the clock's logic over Win32, each method one named call.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "desktop/screen_geometry.h"
#include "platform/platform.h"
#include "platform/types.h"

namespace zarn::win32 {

// Twips per pixel of the monitor the clock window stands on. The system's DPI until the
// clock window says which DPI it has; the window follows its own DPI changes with setDpi.
class Win32Screen final : public Screen {
 public:
  Win32Screen();
  void setDpi(unsigned dpi);
  [[nodiscard]] unsigned dpi() const { return dpi_; }
  [[nodiscard]] float twipsPerPixelX() const override { return twipsPerPixel_; }
  [[nodiscard]] float twipsPerPixelY() const override { return twipsPerPixel_; }
  [[nodiscard]] Twips virtualRight() const override;
  [[nodiscard]] Twips virtualBottom() const override;

 private:
  unsigned dpi_ = 0;
  float twipsPerPixel_ = 0;
};

// HKEY_CURRENT_USER\Software\<app>\<section>, one REG_SZ value per key.
class RegistrySettingsStore final : public SettingsStore {
 public:
  std::string getSetting(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& defaultText) override;
  void saveSetting(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& text) override;
};

class Win32UserLocale final : public UserLocale {
 public:
  [[nodiscard]] std::string decimalSeparator() const override;
};

class Win32MessageBoxes final : public MessageBoxes {
 public:
  // `owner` gives the window that owns each box, the clock window, which is repainted from
  // its back buffer as the box opens; null while there is none.
  explicit Win32MessageBoxes(std::function<HWND()> owner) : owner_(std::move(owner)) {}
  void msgBox(const std::string& text, int style, const std::string& title) override;

 private:
  std::function<HWND()> owner_;
};

class Win32Process final : public Process {
 public:
  void end() override;
};

class Win32Shell final : public Shell {
 public:
  bool shellNotifyIcon(std::uint32_t message, const NotifyIconData& data) override;
};

class Win32WindowActivation final : public WindowActivation {
 public:
  Handle getForegroundWindow() override;
  std::uint32_t getWindowThreadProcessId(Handle window) override;
  bool attachThreadInput(std::uint32_t idAttach, std::uint32_t idAttachTo,
                         std::int32_t attach) override;
  bool setForegroundWindow(Handle window) override;
  bool isIconic(Handle window) override;
  bool showWindow(Handle window, int command) override;
  bool raiseToTop(Handle window) override;
};

}  // namespace zarn::win32
