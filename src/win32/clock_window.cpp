#include "win32/clock_window.h"

#include <windowsx.h>

#include <algorithm>
#include <exception>
#include <initializer_list>
#include <utility>
#include <vector>

#include "clock/mouse_input.h"
#include "clock/tick_timing.h"
#include "desktop/screen_geometry.h"
#include "desktop/tray_icon.h"
#include "platform/numeric.h"
#include "win32/picture.h"
#include "win32/resource.h"
#include "win32/system_error.h"
#include "win32/tick_timer.h"
#include "win32/win32_platform.h"

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

FrmZarnWindow::FrmZarnWindow(HINSTANCE instance, const Screen& screen, Win32TimeOfDay& time)
    : instance_(instance), screen_(screen), time_(time) {}

FrmZarnWindow::~FrmZarnWindow() {
  // The form is gone by now; a window still standing is destroyed without its unload, and
  // so without the WM_DESTROY handler that would put the back buffer away.
  form_ = nullptr;
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  // The bitmap is deleted only after the memory DC has its own one back: a bitmap deleted
  // while selected stays alive.
  destroyBackBuffer();
}

void FrmZarnWindow::registerClass() {
  if (classRegistered_) return;
  bigIcon_.reset(
      static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_ZARN), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
  smallIcon_.reset(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_ZARN), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXSMICON),
                                                 GetSystemMetrics(SM_CYSMICON), 0)));

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
  // Run as administrator, the clock would otherwise never hear of a restarted shell: the
  // message filter keeps a lower process's broadcast from reaching it.
  ChangeWindowMessageFilterEx(created, taskbarCreated_, MSGFLT_ALLOW, nullptr);
  // Likewise a second start by a process of lower integrity asking the clock to come back.
  ChangeWindowMessageFilterEx(created, comeBack_, MSGFLT_ALLOW, nullptr);
}

namespace {

BOOL CALLBACK collectMonitor(HMONITOR monitor, HDC /*dc*/, LPRECT /*rect*/, LPARAM data) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info) != FALSE) {
    const RECT& m = info.rcMonitor;
    const RECT& w = info.rcWork;
    reinterpret_cast<std::vector<MonitorArea>*>(data)->push_back(
        {{m.left, m.top, m.right, m.bottom}, {w.left, w.top, w.right, w.bottom}});
  }
  return TRUE;
}

}  // namespace

void FrmZarnWindow::keepOnAMonitor() {
  // A place on a monitor that is gone (a laptop undocked, a resolution lowered) would leave
  // the clock where nobody can see it or drag it back.
  RECT rect{};
  std::vector<MonitorArea> monitors;
  if (GetWindowRect(hwnd_, &rect) != FALSE &&
      EnumDisplayMonitors(nullptr, nullptr, &collectMonitor, reinterpret_cast<LPARAM>(&monitors)) !=
          FALSE) {
    if (const auto placed =
            placeOnNearestMonitor({rect.left, rect.top, rect.right, rect.bottom}, monitors)) {
      SetWindowPos(hwnd_, nullptr, placed->left, placed->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

void FrmZarnWindow::showFirstTime() {
  if (hwnd_ == nullptr) return;
  keepOnAMonitor();
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

void FrmZarnWindow::present() const {
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
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
  buffer_.reset(CreateCompatibleDC(nullptr));
  if (!buffer_) {
    createFailure_ = std::make_exception_ptr(lastErrorFailure("CreateCompatibleDC"));
    return -1;
  }
  RECT client{};
  GetClientRect(hwnd_, &client);
  resizeBackBuffer(client.right, client.bottom);
  // A clock whose timer never ticks would look frozen without saying why.
  if (!armTrigger()) {
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
  destroyBackBuffer();
  // The program ends when its last window is gone.
  PostQuitMessage(0);
  return 0;
}

LRESULT FrmZarnWindow::onSize(WPARAM kind, int width, int height) {
  if (kind != SIZE_MINIMIZED) resizeBackBuffer(width, height);
  return 0;
}

LRESULT FrmZarnWindow::onEraseBackground() {
  // Every pixel comes from the back buffer at WM_PAINT; erasing first would only flicker.
  return 1;
}

LRESULT FrmZarnWindow::onPaint() {
  PAINTSTRUCT paint{};
  const HDC dc = BeginPaint(hwnd_, &paint);
  if (dc != nullptr && buffer_) {
    const RECT& r = paint.rcPaint;
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, buffer_.get(), r.left, r.top,
           SRCCOPY);
  }
  EndPaint(hwnd_, &paint);
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
  if (shown != FALSE && status == 0) tick();
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
  form_->Trigger_Timer();
  // One repaint per tick, once the face and all three hands are in the back buffer.
  present();
  // A refusal leaves the timer armed as it was, so the clock ticks on, if later.
  static_cast<void>(armTrigger());
}

bool FrmZarnWindow::armTrigger() {
  const LocalTime now = Win32TimeOfDay::read();
  // Without a drawing in this tick (a report is open), the hands are of the second now.
  const LocalTime drawn = time_.takeLast().value_or(now);
  return armTickTimer(hwnd_, kTriggerTimer, delayToNextTick(drawn, now));
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
  keepOnAMonitor();
  return 0;
}

LRESULT FrmZarnWindow::onWorkAreaChange(WPARAM action) {
  if (action == SPI_SETWORKAREA) keepOnAMonitor();
  return 0;
}

LRESULT FrmZarnWindow::onMouseWheel(WPARAM wParam, LPARAM lParam) {
  // The focused clock also hears a wheel turned over other windows; only Ctrl + wheel with
  // the pointer over the clock sizes it.
  const POINT pointer{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  RECT rect{};
  if ((GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) == 0 || GetWindowRect(hwnd_, &rect) == FALSE ||
      PtInRect(&rect, pointer) == FALSE) {
    wheel_.reset();
    return 0;
  }
  resizeByNotches(wheel_.add(GET_WHEEL_DELTA_WPARAM(wParam)));
  return 0;
}

LRESULT FrmZarnWindow::onKeyDown(WPARAM key) {
  // Ctrl + Alt is AltGr on many keyboards, which types other characters on these keys.
  if (GetKeyState(VK_CONTROL) >= 0 || altHeld()) return 0;
  switch (key) {
    case VK_OEM_PLUS:
    case VK_ADD:
      resizeByNotches(1);
      break;
    case VK_OEM_MINUS:
    case VK_SUBTRACT:
      resizeByNotches(-1);
      break;
    default:
      break;
  }
  return 0;
}

LRESULT FrmZarnWindow::onRescaleTimer() {
  KillTimer(hwnd_, kRescaleTimer);
  rescalePending_ = false;
  form_->rescaleFace();
  tick();
  return 0;
}

void FrmZarnWindow::resizeByNotches(int notches) {
  if (notches == 0 || IsIconic(hwnd_) != FALSE || IsZoomed(hwnd_) != FALSE) return;
  RECT rect{};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetWindowRect(hwnd_, &rect) == FALSE ||
      GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor) == FALSE) {
    return;
  }
  const PixelRect window{rect.left, rect.top, rect.right, rect.bottom};
  const RECT& work = monitor.rcWork;
  const PixelRect resized =
      resizedByNotches(window, notches, {work.left, work.top, work.right, work.bottom});
  if (resized == window) return;
  // WM_SIZE gives the back buffer the new size before the frame is drawn into it.
  if (SetWindowPos(hwnd_, nullptr, resized.left, resized.top, resized.right - resized.left,
                   resized.bottom - resized.top, SWP_NOZORDER | SWP_NOACTIVATE) == FALSE) {
    return;
  }
  rescalePending_ = true;
  tick();
  SetTimer(hwnd_, kRescaleTimer, kRescaleDelay, nullptr);
}

Handle FrmZarnWindow::hWnd() const { return toHandle(hwnd_); }

Handle FrmZarnWindow::icon() const { return toHandle(smallIcon_.get()); }

RECT FrmZarnWindow::windowRect() const {
  if (IsIconic(hwnd_) || IsZoomed(hwnd_)) {
    // A tool window's normal rectangle is in screen coordinates, like GetWindowRect's.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(hwnd_, &placement) == FALSE) {
      throw lastErrorFailure("GetWindowPlacement");
    }
    return placement.rcNormalPosition;
  }
  RECT rect{};
  if (GetWindowRect(hwnd_, &rect) == FALSE) throw lastErrorFailure("GetWindowRect");
  return rect;
}

RECT FrmZarnWindow::clientRect() const {
  RECT rect{};
  if (GetClientRect(hwnd_, &rect) == FALSE) throw lastErrorFailure("GetClientRect");
  return rect;
}

void FrmZarnWindow::place(int x, int y, int width, int height, UINT flags) {
  if (SetWindowPos(hwnd_, nullptr, x, y, width, height, flags | SWP_NOZORDER | SWP_NOACTIVATE) ==
      FALSE) {
    throw lastErrorFailure("SetWindowPos");
  }
}

Twips FrmZarnWindow::top() const { return top_.read(windowRect().top, screen_.twipsPerPixelY()); }

Twips FrmZarnWindow::left() const {
  return left_.read(windowRect().left, screen_.twipsPerPixelX());
}

Twips FrmZarnWindow::width() const {
  const RECT rect = windowRect();
  return width_.read(rect.right - rect.left, screen_.twipsPerPixelX());
}

Twips FrmZarnWindow::height() const {
  const RECT rect = windowRect();
  return height_.read(rect.bottom - rect.top, screen_.twipsPerPixelY());
}

void FrmZarnWindow::setTop(Twips value) {
  const int y = twipsToPixels(value, screen_.twipsPerPixelY(), "Top");
  place(windowRect().left, y, 0, 0, SWP_NOSIZE);
  top_.assign(value, windowRect().top);
}

void FrmZarnWindow::setLeft(Twips value) {
  const int x = twipsToPixels(value, screen_.twipsPerPixelX(), "Left");
  place(x, windowRect().top, 0, 0, SWP_NOSIZE);
  left_.assign(value, windowRect().left);
}

void FrmZarnWindow::setWidth(Twips value) {
  const int width = twipsToPixels(value, screen_.twipsPerPixelX(), "Width");
  const RECT rect = windowRect();
  place(0, 0, width, rect.bottom - rect.top, SWP_NOMOVE);
  const RECT placed = windowRect();
  width_.assign(value, placed.right - placed.left);
}

void FrmZarnWindow::setHeight(Twips value) {
  const int height = twipsToPixels(value, screen_.twipsPerPixelY(), "Height");
  const RECT rect = windowRect();
  place(0, 0, rect.right - rect.left, height, SWP_NOMOVE);
  const RECT placed = windowRect();
  height_.assign(value, placed.bottom - placed.top);
}

Twips FrmZarnWindow::scaleWidth() const {
  return static_cast<float>(clientRect().right) * screen_.twipsPerPixelX();
}

Twips FrmZarnWindow::scaleHeight() const {
  return static_cast<float>(clientRect().bottom) * screen_.twipsPerPixelY();
}

void FrmZarnWindow::show() {
  ShowWindow(hwnd_, SW_SHOW);
  // The frame drawn as the window was shown reaches it before anything else runs, so that
  // no picture from before the window was hidden stays on the screen.
  UpdateWindow(hwnd_);
}

void FrmZarnWindow::hide() { ShowWindow(hwnd_, SW_HIDE); }

Handle FrmZarnWindow::createSolidBrush(Colour colour) {
  return toHandle(CreateSolidBrush(static_cast<COLORREF>(colour)));
}

Handle FrmZarnWindow::createPen(int style, int width, Colour colour) {
  return toHandle(CreatePen(style, width, static_cast<COLORREF>(colour)));
}

Handle FrmZarnWindow::selectObject(Handle object) {
  const HDC dc = buffer_.get();
  if (dc == nullptr) return 0;
  return toHandle(SelectObject(dc, fromHandle<HGDIOBJ>(object)));
}

void FrmZarnWindow::selectStockObjects() {
  const HDC dc = buffer_.get();
  if (dc == nullptr) return;
  // The brush and pen that every new device context starts with.
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  SelectObject(dc, GetStockObject(BLACK_PEN));
}

bool FrmZarnWindow::deleteObject(Handle object) {
  return DeleteObject(fromHandle<HGDIOBJ>(object)) != FALSE;
}

bool FrmZarnWindow::polygon(const Point* points, int count) {
  const HDC dc = buffer_.get();
  if (dc == nullptr || points == nullptr || count < 0) return false;
  std::vector<POINT> vertices(static_cast<std::size_t>(count));
  std::transform(points, points + count, vertices.begin(), [](const Point& p) {
    return POINT{p.x, p.y};
  });
  return Polygon(dc, vertices.data(), count) != FALSE;
}

void FrmZarnWindow::paintPicture(const Picture& picture, Twips x, Twips y, Twips width,
                                 Twips height) {
  if (picture.handle() == 0) return;
  const HDC dc = buffer_.get();
  if (dc == nullptr) return;
  const int left = twipsToPixels(x, screen_.twipsPerPixelX(), "X");
  const int top = twipsToPixels(y, screen_.twipsPerPixelY(), "Y");
  const int destinationWidth = twipsToPixels(width, screen_.twipsPerPixelX(), "Breite");
  const int destinationHeight = twipsToPixels(height, screen_.twipsPerPixelY(), "H\u00F6he");

  // The loader has scaled the face to the client area once, so a tick only copies it. While
  // the clock is being resized, the face of the old size is stretched plainly: the sharp one
  // follows within moments, and halftoning took Wine's 32-bit GDI 120 to 340 ms a frame.
  drawPicture(dc, picture, left, top, destinationWidth, destinationHeight,
              rescalePending_ ? COLORONCOLOR : HALFTONE);
}

void FrmZarnWindow::resizeBackBuffer(int width, int height) {
  if (!buffer_ || width <= 0 || height <= 0) return;
  if (width == bufferSize_.cx && height == bufferSize_.cy) return;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(buffer_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  // Without a new bitmap the old one stays, drawn at its old size.
  if (!bitmap) return;

  // The new buffer starts as the window's background with the old picture in its corner, so
  // a resize shows nothing undrawn until the next tick paints the whole face.
  {
    UniqueDc scratch(CreateCompatibleDC(buffer_.get()));
    if (scratch) {
      const SelectionGuard selected(scratch.get(), bitmap.get());
      const RECT whole{0, 0, width, height};
      FillRect(scratch.get(), &whole, GetSysColorBrush(COLOR_BTNFACE));
      if (bufferBitmap_) {
        BitBlt(scratch.get(), 0, 0, std::min<LONG>(width, bufferSize_.cx),
               std::min<LONG>(height, bufferSize_.cy), buffer_.get(), 0, 0, SRCCOPY);
      }
    }
  }

  // Only the bitmap is swapped: the brush and pen the clock selected stay selected.
  const HGDIOBJ previous = SelectObject(buffer_.get(), bitmap.get());
  if (bufferOriginalBitmap_ == nullptr) bufferOriginalBitmap_ = previous;
  bufferBitmap_ = std::move(bitmap);
  bufferSize_ = SIZE{width, height};
  present();
}

void FrmZarnWindow::destroyBackBuffer() {
  if (buffer_ && bufferOriginalBitmap_ != nullptr) {
    SelectObject(buffer_.get(), bufferOriginalBitmap_);
  }
  bufferOriginalBitmap_ = nullptr;
  bufferBitmap_.reset();
  buffer_.reset();
  bufferSize_ = SIZE{};
}

}  // namespace zarn::win32
