#pragma once

// The platform interfaces that the clock's logic calls. Each method stands for one call
// of the real platform, named after it; the Win32 layer implements them one call each,
// and the unit tests implement them with a recording fake. Every method may throw
// Failure where the real call can fail in a way the program reports.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/types.h"

namespace zarn {

// A loaded picture. Owns its platform bitmap; the handle 0 is the empty picture.
class Picture {
 public:
  virtual ~Picture() = default;
  [[nodiscard]] virtual Handle handle() const = 0;
};

// Loads picture files (bitmap and JPEG at least). The empty path gives the empty picture;
// a path that names no usable picture throws Failure.
class PictureLoader {
 public:
  virtual ~PictureLoader() = default;
  virtual std::unique_ptr<Picture> loadPicture(const std::string& path) = 0;
};

// The clock window itself, in the window's own unit (twips).
class ClockWindow {
 public:
  virtual ~ClockWindow() = default;
  [[nodiscard]] virtual Handle hWnd() const = 0;
  // The window's own icon (also shown in the notification area).
  [[nodiscard]] virtual Handle icon() const = 0;
  // Outer rectangle in screen twips; each assignment moves or sizes the window at once.
  [[nodiscard]] virtual Twips top() const = 0;
  [[nodiscard]] virtual Twips left() const = 0;
  [[nodiscard]] virtual Twips width() const = 0;
  [[nodiscard]] virtual Twips height() const = 0;
  virtual void setTop(Twips value) = 0;
  virtual void setLeft(Twips value) = 0;
  virtual void setWidth(Twips value) = 0;
  virtual void setHeight(Twips value) = 0;
  // Client area in twips.
  [[nodiscard]] virtual Twips scaleWidth() const = 0;
  [[nodiscard]] virtual Twips scaleHeight() const = 0;
  // Shows the window modeless; nothing changes if it is already visible.
  virtual void show() = 0;
  virtual void hide() = 0;
  // Unloads the window: the window system runs Form_Unload, then destroys the window.
  virtual void unload() = 0;
  // Opens the popup menu mnuRoot at the cursor, no alignment flags, no default item.
  virtual void popupMenu() = 0;
};

class Screen {
 public:
  virtual ~Screen() = default;
  [[nodiscard]] virtual float twipsPerPixelX() const = 0;
  [[nodiscard]] virtual float twipsPerPixelY() const = 0;
  // The right and bottom edges of the virtual screen, the rectangle of all monitors, in
  // screen twips. With one monitor they are the screen's width and height.
  [[nodiscard]] virtual Twips virtualRight() const = 0;
  [[nodiscard]] virtual Twips virtualBottom() const = 0;
};

// GDI on the clock window's device context (its persistent back buffer).
class Gdi {
 public:
  static constexpr int kPsSolid = 0;

  virtual ~Gdi() = default;
  virtual Handle createSolidBrush(Colour colour) = 0;
  virtual Handle createPen(int style, int width, Colour colour) = 0;
  // Selects into the window's device context; returns the object it replaced.
  virtual Handle selectObject(Handle object) = 0;
  // Selects the stock brush and pen back, so that the hands' objects can be deleted.
  virtual void selectStockObjects() = 0;
  virtual bool deleteObject(Handle object) = 0;
  virtual bool polygon(const Point* points, int count) = 0;
  // Stretches the picture onto the rectangle (twips of the client area), plain copy.
  virtual void paintPicture(const Picture& picture, Twips x, Twips y, Twips width,
                            Twips height) = 0;
};

class TimeOfDay {
 public:
  virtual ~TimeOfDay() = default;
  // One reading of the current local time.
  virtual LocalTime now() = 0;
};

// Per-user store of texts addressed by application, section and key.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::string getSetting(const std::string& app, const std::string& section,
                                 const std::string& key, const std::string& defaultText) = 0;
  virtual void saveSetting(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& text) = 0;
};

class UserLocale {
 public:
  virtual ~UserLocale() = default;
  // The user locale's decimal separator, for example "." or ",".
  [[nodiscard]] virtual std::string decimalSeparator() const = 0;
};

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Modal; returns after the user has closed the box.
  virtual void msgBox(const std::string& text, int style, const std::string& title) = 0;
};

class Process {
 public:
  virtual ~Process() = default;
  // Ends the program at once, without unloading anything.
  virtual void end() = 0;
};

// The first, single-byte form of the notification-area record, in the program's terms.
struct NotifyIconData {
  std::uint32_t cbSize = 0;
  Handle hWnd = 0;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  Handle hIcon = 0;
  std::array<char, 64> szTip{};  // fixed-length text, Windows-1252
};

class Shell {
 public:
  static constexpr std::uint32_t kNimAdd = 0;
  static constexpr std::uint32_t kNimDelete = 2;

  virtual ~Shell() = default;
  virtual bool shellNotifyIcon(std::uint32_t message, const NotifyIconData& data) = 0;
};

// The user-interface calls that bring a window to the foreground.
class WindowActivation {
 public:
  static constexpr int kSwShow = 5;
  static constexpr int kSwRestore = 9;

  virtual ~WindowActivation() = default;
  virtual Handle getForegroundWindow() = 0;
  virtual std::uint32_t getWindowThreadProcessId(Handle window) = 0;
  virtual bool attachThreadInput(std::uint32_t idAttach, std::uint32_t idAttachTo,
                                 std::int32_t attach) = 0;
  virtual bool setForegroundWindow(Handle window) = 0;
  virtual bool isIconic(Handle window) = 0;
  virtual bool showWindow(Handle window, int command) = 0;
  // SetWindowPos with HWND_TOP, SWP_NOMOVE and SWP_NOSIZE.
  virtual bool raiseToTop(Handle window) = 0;
};

// Everything the clock window calls, handed to it once.
struct Platform {
  ClockWindow& window;
  Screen& screen;
  Gdi& gdi;
  PictureLoader& pictures;
  TimeOfDay& time;
  SettingsStore& settings;
  UserLocale& locale;
  MessageBoxes& messages;
  Process& process;
  Shell& shell;
  WindowActivation& activation;
};

}  // namespace zarn
