#pragma once

// The platform interfaces of the clock's logic over Win32, each method one named call.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "desktop/screen_geometry.h"
#include "platform/platform.h"
#include "platform/types.h"
#include "win32/clock_window.h"

namespace zarn::win32 {

// Twips per pixel from the screen's logical DPI, read once: the system DPI that GDI
// draws with does not change while the program runs.
class Win32Screen final : public Screen {
 public:
  Win32Screen();
  [[nodiscard]] float twipsPerPixelX() const override { return twipsPerPixelX_; }
  [[nodiscard]] float twipsPerPixelY() const override { return twipsPerPixelY_; }
  [[nodiscard]] Twips virtualRight() const override;
  [[nodiscard]] Twips virtualBottom() const override;

 private:
  float twipsPerPixelX_;
  float twipsPerPixelY_;
};

// The local time with its milliseconds. Each reading the clock takes is also kept until the
// window's tick asks for it: the second hand is drawn from the last one.
class Win32TimeOfDay final : public TimeOfDay {
 public:
  LocalTime now() override;
  // A reading that is not kept.
  static LocalTime read();
  // The last reading since the previous call, if the clock took any; forgets it.
  std::optional<LocalTime> takeLast();

 private:
  std::optional<LocalTime> last_;
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

// Message boxes owned by the clock window.
class Win32MessageBoxes final : public MessageBoxes {
 public:
  explicit Win32MessageBoxes(const FrmZarnWindow& owner) : owner_(owner) {}
  void msgBox(const std::string& text, int style, const std::string& title) override;

 private:
  const FrmZarnWindow& owner_;
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
