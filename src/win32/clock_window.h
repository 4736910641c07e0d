#pragma once

// The clock window frmZarn as the window system holds it: its window class, its popup menu
// mnuRoot and its window procedure, which turns each message into the call of a clock
// procedure. It is also the window the clock's procedures see (ClockWindow), in twips, and
// it keeps the back buffer that is their drawing surface.

#include <windows.h>

#include <cstdint>
#include <exception>
#include <optional>

#include "clock/frmZarn.h"
#include "clock/mouse_input.h"
#include "desktop/screen_geometry.h"
#include "platform/platform.h"
#include "platform/types.h"
#include "win32/back_buffer.h"
#include "win32/handles.h"
#include "win32/names.h"
#include "win32/tick_timer.h"
#include "win32/win32_platform.h"
#include "win32/window_base.h"

namespace zarn::win32 {

// Its outer rectangle is its client area, as it has no frame. Top, Left, Width and Height are
// those of the normal (restored) rectangle, also while a launcher's show state or the system
// has the window minimised or maximised, and read back as last assigned while the window
// stands where the assignment put it. They are twips of the monitor the window stands on;
// until the window is first placed, of the monitor the assigned top-left corner points into.
class FrmZarnWindow final : public WindowBase<FrmZarnWindow>, public ClockWindow {
 public:
  // The design client size, replaced by the restored geometry before the window is shown.
  static constexpr float kDesignClientWidth = 3024;
  static constexpr float kDesignClientHeight = 3000;

  // `ticks` is the clock the form reads, and it times the tick by its readings.
  // `screen` is told the window's DPI whenever it changes.
  FrmZarnWindow(HINSTANCE instance, Win32Screen& screen, TickTimer& ticks);
  ~FrmZarnWindow() override;
  FrmZarnWindow(const FrmZarnWindow&) = delete;
  FrmZarnWindow& operator=(const FrmZarnWindow&) = delete;

  // Registers the class and creates the window, hidden, with its timer running; from then
  // on its messages go to `form`. Throws Failure when the window cannot be created. The
  // first frame is drawn as the window is first shown.
  void create(frmZarn& form);

  // The drawing surface of the clock's procedures.
  [[nodiscard]] Gdi& backBuffer() { return buffer_; }

  // Shows the window for the first time: normal, whatever the launcher asked for, and on a
  // monitor.
  void showFirstTime();

  // The client area in pixels; the geometry assigned so far is placed first.
  SIZE clientSize();

  // Runs the retry timer of the tray icon while the shell refuses the icon, and stops it
  // once the shell has taken it.
  void followTrayIcon();

  // ClockWindow. The icon is the one the notification area shows, drawn for the taskbar's DPI.
  [[nodiscard]] Handle hWnd() const override;
  [[nodiscard]] Handle icon() const override;
  [[nodiscard]] Twips top() const override;
  [[nodiscard]] Twips left() const override;
  [[nodiscard]] Twips width() const override;
  [[nodiscard]] Twips height() const override;
  void setTop(Twips value) override;
  void setLeft(Twips value) override;
  void setWidth(Twips value) override;
  void setHeight(Twips value) override;
  [[nodiscard]] Twips scaleWidth() const override;
  [[nodiscard]] Twips scaleHeight() const override;
  void show() override;
  void hide() override;
  // Runs Form_Unload once, then destroys the window.
  void unload() override;
  // Opens mnuRoot at the cursor; the chosen entry arrives later as WM_COMMAND.
  void popupMenu() override;

 private:
  friend class WindowBase<FrmZarnWindow>;
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

  LRESULT onCreate();
  LRESULT onDestroy();
  LRESULT onSize(WPARAM kind, int width, int height);
  LRESULT onEraseBackground();
  LRESULT onPaint();
  LRESULT onTimer(WPARAM id);
  LRESULT onShowWindow(WPARAM shown, LPARAM status);
  LRESULT onTimeChange();
  LRESULT onTimeZoneChange(LPARAM area);
  LRESULT onPowerBroadcast(WPARAM event);
  LRESULT onButtonDown(std::int16_t button, WPARAM keys, LPARAM position);
  LRESULT onLeftButtonUp();
  LRESULT onCaptureChanged();
  LRESULT onMouseMove(WPARAM keys, LPARAM position);
  LRESULT onCommand(WPARAM wParam, LPARAM lParam);
  LRESULT onClose();
  LRESULT onEndSession(WPARAM ending);
  LRESULT onTaskbarCreated();
  LRESULT onTrayRetryTimer();
  LRESULT onComeBack();
  LRESULT onContextMenu(LPARAM position);
  LRESULT onDisplayChange();
  LRESULT onWorkAreaChange(WPARAM action);
  LRESULT onMouseWheel(WPARAM wParam, LPARAM lParam);
  LRESULT onKeyDown(WPARAM key);
  LRESULT onRescaleTimer();
  LRESULT onGetDpiScaledSize(WPARAM dpi, LPARAM size);
  LRESULT onDpiChanged(WPARAM dpi, LPARAM suggested);

  // Runs Trigger_Timer, presents the back buffer and arms the timer for the next tick.
  void tick();
  [[nodiscard]] static bool altHeld();
  void registerClass();
  // Opens mnuRoot with its top-left corner at a screen point.
  void openMenuAt(POINT at);
  // Sizes the window by `notches` steps about its centre, then draws the clock at once at
  // the new size, the face stretched plainly until the rescale timer decodes it afresh.
  void resizeAndRedraw(int notches);
  [[nodiscard]] RECT windowRect() const;
  [[nodiscard]] RECT clientRect() const;
  void place(int x, int y, int width, int height, UINT flags);
  // Until the first placement the geometry is only noted, so that the window is placed once,
  // at the DPI of the monitor the restored place points into; the factor is that DPI's.
  struct PendingPlace {
    Twips top;
    Twips left;
    Twips width;
    Twips height;
  };
  void notePending(Twips PendingPlace::*side, Twips value, const char* what);
  void placeAsRestored();
  // Gives the window its icons drawn for `dpi`; the class keeps those of the system's DPI.
  void useIconsFor(UINT dpi);

  HINSTANCE instance_;
  Win32Screen& screen_;
  TickTimer& ticks_;
  std::optional<PendingPlace> pending_;  // from create() to the first placement
  bool placing_ = false;                 // inside that placement's SetWindowPos
  frmZarn* form_ = nullptr;
  UINT taskbarCreated_ = 0;
  UINT comeBack_ = 0;
  bool unloading_ = false;
  bool leftPressOnClock_ = false;     // from a left press on the window to its release
  bool firstFrameDrawn_ = false;      // by showFirstTime, until the WM_SHOWWINDOW it causes
  WheelNotches wheel_;                // Ctrl + wheel deltas not yet a whole notch
  NotchSizer notchSizer_;             // the run of notches, so that one down undoes one up
  WayHome wayHome_;                   // where a clock moved off a monitor that went away stood
  std::exception_ptr createFailure_;  // why WM_CREATE refused the window
  bool classRegistered_ = false;      // and the icons loaded
  UniqueIcon bigIcon_;
  UniqueIcon smallIcon_;
  UniqueIcon trayIconImage_;
  UniqueIcon dpiBigIcon_;  // set on the window for its DPI, from a DPI change on
  UniqueIcon dpiSmallIcon_;
  UniqueMenu menu_;
  BackBuffer buffer_;  // open from WM_CREATE to WM_DESTROY
  RememberedTwips top_;
  RememberedTwips left_;
  RememberedTwips width_;
  RememberedTwips height_;
};

}  // namespace zarn::win32
