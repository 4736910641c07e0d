#include "win32/clock_window.h"

#include <windowsx.h>

#include <exception>
#include <initializer_list>
#include <optional>
#include <utility>

#include "clock/mouse_input.h"
#include "desktop/screen_geometry.h"
#include "desktop/tray_icon.h"
#include "platform/failure.h"
#include "platform/numeric.h"
#include "win32/dpi.h"
#include "win32/monitor_placement.h"
#include "win32/resource.h"
#include "win32/system_error.h"

namespace zarn::win32 {

namespace {

// No border, no title bar. The window has no taskbar button either: it is restored from
// the notification area and closed from its own menu.
constexpr DWORD kStyle = WS_POPUP;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;

constexpr UINT_PTR kTriggerTimer = 1;
// After the last step of a resize, the face is decoded afresh at the new size: soon enough
// to look like part of the resize, late enough that a turning wheel decodes it once.
constexpr UINT_PTR kRescaleTimer = 3;
constexpr UINT kRescaleDelay = 300;

// A shell that refused the icon (not ready yet at logon) is asked again this often.
constexpr UINT_PTR kTrayRetryTimer = 2;
constexpr UINT kTrayRetryInterval = 3000;

// The menu entries' identifiers are their control-array indexes.
constexpr UINT kMitMini = 2;
constexpr UINT kMitClose = 3;
constexpr UINT kMitProp = 4;

UniqueMenu createRootMenu() {
  UniqueMenu menu(CreatePopupMenu());
  if (!menu) throw lastErrorFailure("CreatePopupMenu");
  AppendMenuW(menu.get(), MF_STRING, kMitMini, L"Minimieren");
  AppendMenuW(menu.get(), MF_STRING, kMitClose, L"Schlie\u00DFen");
  AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu.get(), MF_STRING, kMitProp, L"Eigenschaften");
  return menu;
}

}  // namespace

FrmZarnWindow::FrmZarnWindow(HINSTANCE instance, Win32Screen& screen, TickTimer& ticks)
    : instance_(instance), screen_(screen), ticks_(ticks), buffer_(screen) {}

FrmZarnWindow::~FrmZarnWindow() {
  // The form is gone by now; a window still standing is destroyed without its unload, and
  // so without the WM_DESTROY handler that would put the back buffer away: its own
  // destructor does.
  form_ = nullptr;
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

void FrmZarnWindow::registerClass() {
  if (classRegistered_) return;
  bigIcon_.reset(loadIconOfSize(instance_, IDI_ZARN, GetSystemMetrics(SM_CXICON)));
  smallIcon_.reset(loadIconOfSize(instance_, IDI_ZARN, GetSystemMetrics(SM_CXSMICON)));
  // The notification area shows the icon at the taskbar's DPI, whichever monitor the clock
  // stands on.
  trayIconImage_.reset(
      loadIconOfSize(instance_, IDI_ZARN, systemMetricForDpi(SM_CXSMICON, taskbarDpi())));

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  // The second press of a double-click then arrives as its own message; the window
  // procedure hands it on as the press it also is.
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = &FrmZarnWindow::windowProc;
  windowClass.hInstance = instance_;
  windowClass.hIcon = bigIcon_.get();
  windowClass.hIconSm = smallIcon_.get();
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClockClassName;
  registerWindowClass(windowClass);
  classRegistered_ = true;
}

void FrmZarnWindow::create(frmZarn& form) {
  registerClass();
  if (!menu_) menu_ = createRootMenu();
  taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
  comeBack_ = RegisterWindowMessageW(kComeBackMessageName);
  form_ = &form;

  RECT rect{
      0, 0, twipsToPixels(kDesignClientWidth, screen_.twipsPerPixelX(), "Breite in Bildpunkten"),
      twipsToPixels(kDesignClientHeight, screen_.twipsPerPixelY(), "H\u00F6he in Bildpunkten")};
  AdjustWindowRectEx(&rect, kStyle, FALSE, kExStyle);
  const HWND created = CreateWindowExW(kExStyle, kClockClassName, L"", kStyle, CW_USEDEFAULT,
                                       CW_USEDEFAULT, rect.right - rect.left,
                                       rect.bottom - rect.top, nullptr, nullptr, instance_, this);
  if (created == nullptr) {
    if (createFailure_) std::rethrow_exception(std::exchange(createFailure_, nullptr));
    throw lastErrorFailure("CreateWindowExW");
  }
  // The restored geometry is noted until the window is first placed, at the default place
  // and the design size until then.
  const RECT placed = windowRect();
  pending_ = PendingPlace{static_cast<float>(placed.top) * screen_.twipsPerPixelY(),
                          static_cast<float>(placed.left) * screen_.twipsPerPixelX(),
                          kDesignClientWidth, kDesignClientHeight};
  screen_.setDpi(dpiForStoredCorner(pending_->left, pending_->top, monitorAreas(), systemDpi()));
  // Run as administrator, the clock would otherwise never hear of a restarted shell: the
  // message filter keeps a lower process's broadcast from reaching it.
  ChangeWindowMessageFilterEx(created, taskbarCreated_, MSGFLT_ALLOW, nullptr);
  // Likewise a second start by a process of lower integrity asking the clock to come back.
  ChangeWindowMessageFilterEx(created, comeBack_, MSGFLT_ALLOW, nullptr);
}

void FrmZarnWindow::showFirstTime() {
  if (hwnd_ == nullptr) return;
  try {
    placeAsRestored();
  } catch (const Failure&) {
    // A refused placement leaves the window where it was created, shown all the same.
  }
  keepOnAMonitor(hwnd_, wayHome_);
  // The first frame also gives the window its shape, layered or not, before it shows.
  tick();
  firstFrameDrawn_ = true;
  // The first ShowWindow of a process takes the launcher's show state instead of its own
  // (a shortcut's "Minimiert" or "Maximiert"); the clock always opens normal, so a state
  // that came from there is undone at once by the second call.
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  if (IsIconic(hwnd_) != FALSE || IsZoomed(hwnd_) != FALSE) ShowWindow(hwnd_, SW_RESTORE);
}

void FrmZarnWindow::followTrayIcon() {
  if (hwnd_ == nullptr || form_ == nullptr) return;
  if (form_->trayIconRefused()) {
    SetTimer(hwnd_, kTrayRetryTimer, kTrayRetryInterval, nullptr);
  } else {
    KillTimer(hwnd_, kTrayRetryTimer);
  }
}

void FrmZarnWindow::unload() {
  if (hwnd_ == nullptr || unloading_ || form_ == nullptr) return;
  unloading_ = true;
  // The clock never cancels its unload; the argument is there for the procedure's signature.
  std::int16_t cancel = 0;
  form_->Form_Unload(cancel);
  DestroyWindow(hwnd_);
}

void FrmZarnWindow::popupMenu() {
  POINT cursor{};
  GetCursorPos(&cursor);
  openMenuAt(cursor);
}

void FrmZarnWindow::openMenuAt(POINT at) {
  // The menu closes on a click elsewhere only while its owner is the foreground window, and
  // the message posted afterwards lets a second opening work at once.
  SetForegroundWindow(hwnd_);
  TrackPopupMenu(menu_.get(), 0, at.x, at.y, 0, hwnd_, nullptr);
  PostMessageW(hwnd_, WM_NULL, 0, 0);
}

LRESULT FrmZarnWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (form_ == nullptr) return DefWindowProcW(hwnd_, message, wParam, lParam);
  if (taskbarCreated_ != 0 && message == taskbarCreated_) return onTaskbarCreated();
  if (comeBack_ != 0 && message == comeBack_) return onComeBack();
  switch (message) {
    case WM_CREATE:
      return onCreate();
    case WM_DESTROY:
      return onDestroy();
    case WM_SIZE:
      return onSize(wParam, LOWORD(lParam), HIWORD(lParam));
    case WM_ERASEBKGND:
      return onEraseBackground();
    case WM_PAINT:
      return onPaint();
    case WM_TIMER:
      return onTimer(wParam);
    case WM_SHOWWINDOW:
      return onShowWindow(wParam, lParam);
    case WM_TIMECHANGE:
      return onTimeChange();
    case WM_SETTINGCHANGE:
      // One broadcast for every kind of setting: the time zone and the work area are ours.
      onTimeZoneChange(lParam);
      return onWorkAreaChange(wParam);
    case WM_POWERBROADCAST:
      return onPowerBroadcast(wParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      return onButtonDown(buttons::kLeft, wParam, lParam);
    case WM_LBUTTONUP:
      return onLeftButtonUp();
    case WM_CAPTURECHANGED:
      return onCaptureChanged();
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      return onButtonDown(buttons::kRight, wParam, lParam);
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      return onButtonDown(buttons::kMiddle, wParam, lParam);
    case WM_MOUSEMOVE:
      return onMouseMove(wParam, lParam);
    case WM_COMMAND:
      return onCommand(wParam, lParam);
    case WM_CLOSE:
      return onClose();
    case WM_ENDSESSION:
      return onEndSession(wParam);
    case WM_CONTEXTMENU:
      return onContextMenu(lParam);
    case WM_DISPLAYCHANGE:
      return onDisplayChange();
    case WM_MOUSEWHEEL:
      return onMouseWheel(wParam, lParam);
    case WM_KEYDOWN:
      return onKeyDown(wParam);
    case kWmGetDpiScaledSize:
      return onGetDpiScaledSize(wParam, lParam);
    case WM_DPICHANGED:
      return onDpiChanged(wParam, lParam);
    default:
      return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

namespace {

// A change of the time zone reaches the windows as a setting change of the time zone or,
// from the regional settings, of the international settings; a frame drawn too many on
// another change of those costs nothing visible.
bool namesTimeZone(LPARAM area) {
  const auto* name = reinterpret_cast<const wchar_t*>(area);
  if (name == nullptr) return false;
  for (const wchar_t* zoneArea : {L"TimeZone", L"intl"}) {
    if (CompareStringOrdinal(name, -1, zoneArea, -1, TRUE) == CSTR_EQUAL) return true;
  }
  return false;
}

}  // namespace

LRESULT FrmZarnWindow::onCreate() {
  if (!buffer_.open(hwnd_)) {
    createFailure_ = std::make_exception_ptr(lastErrorFailure("CreateCompatibleDC"));
    return -1;
  }
  // A clock whose timer never ticks would look frozen without saying why.
  if (!ticks_.arm(hwnd_, kTriggerTimer)) {
    createFailure_ = std::make_exception_ptr(lastErrorFailure("SetTimer"));
    return -1;
  }
  return 0;
}

LRESULT FrmZarnWindow::onDestroy() {
  KillTimer(hwnd_, kTriggerTimer);
  KillTimer(hwnd_, kTrayRetryTimer);
  KillTimer(hwnd_, kRescaleTimer);
  // An icon that a failed Form_Unload left added would stay in the notification area.
  form_->Form_Destroyed();
  // Form_Unload has deleted the hands' objects by now, so the back buffer can go.
  buffer_.close();
  // The program ends when its last window is gone.
  PostQuitMessage(0);
  return 0;
}

LRESULT FrmZarnWindow::onSize(WPARAM kind, int width, int height) {
  if (kind != SIZE_MINIMIZED) buffer_.resize(width, height);
  return 0;
}

LRESULT FrmZarnWindow::onEraseBackground() {
  // Every pixel comes from the back buffer at WM_PAINT; erasing first would only flicker.
  return 1;
}

LRESULT FrmZarnWindow::onPaint() {
  buffer_.paint();
  return 0;
}

LRESULT FrmZarnWindow::onTimer(WPARAM id) {
  if (id == kTrayRetryTimer) return onTrayRetryTimer();
  if (id == kRescaleTimer) return onRescaleTimer();
  if (id != kTriggerTimer) return 0;
  tick();
  return 0;
}

LRESULT FrmZarnWindow::onShowWindow(WPARAM shown, LPARAM status) {
  // Drawn into the back buffer before the window becomes visible, so that its first paint,
  // also when it comes back from the notification area, shows the time of now and not the
  // time at which it was hidden.
  if (shown != FALSE && status == 0 && !std::exchange(firstFrameDrawn_, false)) tick();
  return 0;
}

LRESULT FrmZarnWindow::onTimeChange() {
  tick();
  return 0;
}

LRESULT FrmZarnWindow::onTimeZoneChange(LPARAM area) {
  if (namesTimeZone(area)) tick();
  return 0;
}

LRESULT FrmZarnWindow::onPowerBroadcast(WPARAM event) {
  // A tick due during the sleep comes late or not at all, and the hands still show the
  // moment the system went to sleep.
  if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) tick();
  return TRUE;
}

void FrmZarnWindow::tick() {
  // A refusal leaves the timer armed as it was, so the clock ticks on, if later.
  static_cast<void>(ticks_.tick(hwnd_, kTriggerTimer, [this] {
    form_->Trigger_Timer();
    // One repaint per tick, once the face and all three hands are in the back buffer.
    buffer_.present();
  }));
}

LRESULT FrmZarnWindow::onButtonDown(std::int16_t button, WPARAM keys, LPARAM position) {
  // While the left button is held the window keeps the mouse, so a fast drag that leaves
  // the window for a moment keeps moving it.
  if (button == buttons::kLeft) {
    SetCapture(hwnd_);
    leftPressOnClock_ = true;
  }
  form_->Form_MouseDown(button, shiftState(static_cast<std::uint32_t>(keys), altHeld()),
                        static_cast<float>(GET_X_LPARAM(position)) * screen_.twipsPerPixelX(),
                        static_cast<float>(GET_Y_LPARAM(position)) * screen_.twipsPerPixelY());
  return 0;
}

LRESULT FrmZarnWindow::onLeftButtonUp() {
  leftPressOnClock_ = false;
  if (GetCapture() == hwnd_) ReleaseCapture();
  return 0;
}

LRESULT FrmZarnWindow::onCaptureChanged() {
  // Whoever took the mouse, the press that began on the clock no longer drags it.
  leftPressOnClock_ = false;
  return 0;
}

bool FrmZarnWindow::altHeld() { return GetKeyState(VK_MENU) < 0; }

LRESULT FrmZarnWindow::onMouseMove(WPARAM keys, LPARAM position) {
  const DWORD messagePosition = GetMessagePos();
  POINT cursor{GET_X_LPARAM(messagePosition), GET_Y_LPARAM(messagePosition)};
  ScreenToClient(hwnd_, &cursor);
  MouseMoveMessage message;
  message.keys = static_cast<std::uint32_t>(keys);
  message.position = static_cast<std::uint32_t>(static_cast<DWORD_PTR>(position));
  message.sentFromAnotherThread = InSendMessageEx(nullptr) != ISMEX_NOSEND;
  message.cursorX = cursor.x;
  message.cursorY = cursor.y;
  message.altHeld = altHeld();
  message.leftPressOnClock = leftPressOnClock_ && GetCapture() == hwnd_;
  const MouseMoveCall call = interpretMouseMove(message);
  form_->Form_MouseMove(call.button, call.shift,
                        static_cast<float>(call.x) * screen_.twipsPerPixelX(),
                        static_cast<float>(call.y) * screen_.twipsPerPixelY(), call.source);
  return 0;
}

LRESULT FrmZarnWindow::onCommand(WPARAM wParam, LPARAM lParam) {
  // Only the menu's entries: a notification from a control or an accelerator is no command.
  if (HIWORD(wParam) != 0 || lParam != 0) return 0;
  switch (LOWORD(wParam)) {
    case kMitMini:
      form_->mitMini_Click(static_cast<std::int16_t>(kMitMini));
      break;
    case kMitClose:
      form_->mitClose_Click(static_cast<std::int16_t>(kMitClose));
      break;
    case kMitProp:
      form_->mitProp_Click(static_cast<std::int16_t>(kMitProp));
      // A new face may have another shape, which should not wait for the next second.
      tick();
      break;
    default:
      break;
  }
  return 0;
}

LRESULT FrmZarnWindow::onClose() {
  unload();
  return 0;
}

LRESULT FrmZarnWindow::onEndSession(WPARAM ending) {
  // The session ends without WM_CLOSE; unloading here stores the geometry all the same.
  if (ending != FALSE) unload();
  return 0;
}

LRESULT FrmZarnWindow::onTaskbarCreated() {
  form_->TaskbarCreated();
  followTrayIcon();
  return 0;
}

LRESULT FrmZarnWindow::onTrayRetryTimer() {
  form_->TrayRetry_Timer();
  followTrayIcon();
  return 0;
}

LRESULT FrmZarnWindow::onComeBack() {
  // A second start of the program asks for this clock: it comes back as from a
  // double-click on its tray icon, through the very call that double-click makes.
  form_->Form_MouseMove(0, 0, static_cast<float>(tray::kLeftDoubleClick) * screen_.twipsPerPixelX(),
                        0, MoveSource::tray);
  return 0;
}

LRESULT FrmZarnWindow::onContextMenu(LPARAM position) {
  // A right press has opened the menu at the cursor already; the WM_CONTEXTMENU that the
  // system sends after its release would open a second one. Only the keyboard's (the menu
  // key, Shift+F10), which carries -1 for both coordinates, opens it here, at the clock's
  // top-left corner.
  if (GET_X_LPARAM(position) != -1 || GET_Y_LPARAM(position) != -1) return 0;
  RECT rect{};
  GetWindowRect(hwnd_, &rect);
  openMenuAt({rect.left, rect.top});
  return 0;
}

LRESULT FrmZarnWindow::onDisplayChange() {
  keepOnAMonitor(hwnd_, wayHome_);
  return 0;
}

LRESULT FrmZarnWindow::onWorkAreaChange(WPARAM action) {
  if (action == SPI_SETWORKAREA) keepOnAMonitor(hwnd_, wayHome_);
  return 0;
}

LRESULT FrmZarnWindow::onMouseWheel(WPARAM wParam, LPARAM lParam) {
  // The focused clock also hears a wheel turned over other windows, also over one that
  // covers it; only Ctrl + wheel with the pointer over the clock where it shows sizes it.
  const POINT pointer{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if ((GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) == 0 ||
      GetAncestor(WindowFromPoint(pointer), GA_ROOT) != hwnd_) {
    wheel_.reset();
    return 0;
  }
  resizeAndRedraw(wheel_.add(GET_WHEEL_DELTA_WPARAM(wParam)));
  return 0;
}

LRESULT FrmZarnWindow::onKeyDown(WPARAM key) {
  // Ctrl + Alt is AltGr on many keyboards, which types other characters on these keys.
  if (GetKeyState(VK_CONTROL) >= 0 || altHeld()) return 0;
  switch (key) {
    case VK_OEM_PLUS:
    case VK_ADD:
      resizeAndRedraw(1);
      break;
    case VK_OEM_MINUS:
    case VK_SUBTRACT:
      resizeAndRedraw(-1);
      break;
    default:
      break;
  }
  return 0;
}

LRESULT FrmZarnWindow::onRescaleTimer() {
  KillTimer(hwnd_, kRescaleTimer);
  buffer_.stretchPlainly(false);
  form_->rescaleFace();
  tick();
  return 0;
}

void FrmZarnWindow::resizeAndRedraw(int notches) {
  // WM_SIZE has given the back buffer the new size before the frame is drawn into it.
  if (!resizeByNotches(hwnd_, notches, notchSizer_)) return;
  buffer_.stretchPlainly(true);
  tick();
  SetTimer(hwnd_, kRescaleTimer, kRescaleDelay, nullptr);
}

Handle FrmZarnWindow::hWnd() const { return toHandle(hwnd_); }

Handle FrmZarnWindow::icon() const { return toHandle(trayIconImage_.get()); }

void FrmZarnWindow::show() {
  ShowWindow(hwnd_, SW_SHOW);
  // The frame drawn as the window was shown reaches it before anything else runs, so that
  // no picture from before the window was hidden stays on the screen.
  UpdateWindow(hwnd_);
}

void FrmZarnWindow::hide() { ShowWindow(hwnd_, SW_HIDE); }

}  // namespace zarn::win32
