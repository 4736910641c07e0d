#pragma once

// The clock window frmZarn as the window system holds it: its window class, its persistent
// back buffer, its popup menu mnuRoot and its window procedure, which turns each message
// into the call of a clock procedure.

#include <windows.h>

#include <cstdint>
#include <exception>

#include "clock/frmZarn.h"
#include "platform/platform.h"
#include "win32/handles.h"
#include "win32/window_base.h"

namespace zarn::win32 {

inline constexpr wchar_t kClockClassName[] = L"frmZarn";

class FrmZarnWindow : public WindowBase<FrmZarnWindow> {
 public:
  // The design client size, replaced by the restored geometry before the window is shown.
  static constexpr float kDesignClientWidth = 3024;
  static constexpr float kDesignClientHeight = 3000;

  FrmZarnWindow(HINSTANCE instance, const Screen& screen);
  ~FrmZarnWindow();
  FrmZarnWindow(const FrmZarnWindow&) = delete;
  FrmZarnWindow& operator=(const FrmZarnWindow&) = delete;

  // Registers the class and creates the window, hidden, with its timer running; from then
  // on its messages go to `form`. Throws Failure when the window cannot be created.
  void create(frmZarn& form);

  // The window's small icon, the one the notification area shows.
  [[nodiscard]] HICON icon() const { return smallIcon_.get(); }

  // The memory DC of the back buffer, null while the window does not exist. Whatever is
  // drawn into it reaches the screen at the next present().
  [[nodiscard]] HDC backBuffer() const { return buffer_.get(); }
  void present() const;

  // Shows the window for the first time: normal, whatever the launcher asked for, and on a
  // monitor.
  void showFirstTime();

  // Runs Form_Unload once, then destroys the window.
  void unload();
  // Opens mnuRoot at the cursor; the chosen entry arrives later as WM_COMMAND.
  void popupMenu();

 private:
  friend class WindowBase<FrmZarnWindow>;
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

  LRESULT onCreate();
  LRESULT onDestroy();
  LRESULT onSize(WPARAM kind, int width, int height);
  LRESULT onEraseBackground();
  LRESULT onPaint();
  LRESULT onTimer(WPARAM id);
  LRESULT onButtonDown(std::int16_t button, WPARAM keys, LPARAM position);
  LRESULT onLeftButtonUp();
  LRESULT onCaptureChanged();
  LRESULT onMouseMove(WPARAM keys, LPARAM position);
  LRESULT onCommand(WPARAM wParam, LPARAM lParam);
  LRESULT onClose();
  LRESULT onEndSession(WPARAM ending);
  LRESULT onTaskbarCreated();

  [[nodiscard]] static bool altHeld();
  void registerClass();
  void resizeBackBuffer(int width, int height);
  void destroyBackBuffer();

  HINSTANCE instance_;
  const Screen& screen_;
  frmZarn* form_ = nullptr;
  UINT taskbarCreated_ = 0;
  bool unloading_ = false;
  bool leftPressOnClock_ = false;     // from a left press on the window to its release
  std::exception_ptr createFailure_;  // why WM_CREATE refused the window
  bool classRegistered_ = false;      // and the icons loaded
  UniqueIcon bigIcon_;
  UniqueIcon smallIcon_;
  UniqueMenu menu_;
  UniqueDc buffer_;
  UniqueBitmap bufferBitmap_;
  HGDIOBJ bufferOriginalBitmap_ = nullptr;  // the memory DC's own, selected back at the end
  SIZE bufferSize_{};
};

}  // namespace zarn::win32
