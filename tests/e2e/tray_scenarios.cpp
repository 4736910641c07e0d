// Scenarios of the tray icon, dragging and the popup menu, each with real input sent to the
// real clock program and its icon in Wine's stand-alone tray.

#include <windows.h>

#include <shellapi.h>
#include <windowsx.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "e2e.h"
#include "scenarios.h"

namespace zarn::e2e {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr DWORD kPoll = 20;
constexpr DWORD kTimeout = 10000;

std::wstring twips(int pixels) { return std::to_wstring(pixels * kTwipsPerPixel); }

bool waitUntil(const std::function<bool()>& condition, DWORD milliseconds = kTimeout) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  while (!condition()) {
    if (GetTickCount64() >= end) return condition();
    Sleep(kPoll);
  }
  return true;
}

std::string describeHandle(HWND window) {
  if (window == nullptr) return "no window";
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return printed("%p (class %s of process %lu)", static_cast<void*>(window),
                 describe(className(window)).c_str(), static_cast<unsigned long>(pid));
}

POINT cursor() {
  POINT at{};
  GetCursorPos(&at);
  return at;
}

std::string describePoint(POINT p) { return printed("(%ld,%ld)", p.x, p.y); }

// The clock's window once it stands at its stored place.
HWND startClockAt(const ClockProcess& clock, const Geometry& place) {
  const HWND window = requireClockWindow(clock);
  requireTrue(waitUntil([&] { return windowGeometry(window) == place; }),
              "the clock window's rectangle", describe(windowGeometry(window)), describe(place));
  return window;
}

void storeGeometry(const Geometry& place) {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  requireEqual(dpi, 96, "the screen's DPI (15 twips per pixel)");
  deleteZarnSettings();
  writeLayoutText(L"Left", twips(place.left));
  writeLayoutText(L"Top", twips(place.top));
  writeLayoutText(L"Width", twips(place.width));
  writeLayoutText(L"Height", twips(place.height));
}

POINT screenPoint(HWND window, POINT client) {
  ClientToScreen(window, &client);
  return client;
}

// A left press at a client point, moves by `offset` in even steps, and the release.
void leftDrag(HWND window, POINT pressed, POINT offset, int steps) {
  const POINT from = screenPoint(window, pressed);
  mouseMoveTo(from.x, from.y);
  Sleep(kPoll);
  mouseButton(from.x, from.y, true, true);
  for (int i = 1; i <= steps; ++i) {
    Sleep(kPoll);
    mouseMoveTo(from.x + offset.x * i / steps, from.y + offset.y * i / steps);
  }
  Sleep(kPoll);
  mouseButton(from.x + offset.x, from.y + offset.y, true, false);
}

// A steady picture of the client area: two readings in a row that agree.
std::optional<Capture> steadyClient(HWND window, ULONGLONG end) {
  Capture last = captureClient(window);
  while (GetTickCount64() < end) {
    Sleep(40);
    Capture now = captureClient(window);
    if (now == last) return now;
    last = std::move(now);
  }
  return std::nullopt;
}

// The clock's timer comes only when its queue holds no input, so once the face has changed
// twice after the input was sent, the clock has handled all of it.
void requireInputHandled(HWND window,
                         const std::source_location& where = std::source_location::current()) {
  const ULONGLONG end = GetTickCount64() + kTimeout;
  auto last = steadyClient(window, end);
  int changes = 0;
  while (last && changes < 2) {
    auto now = steadyClient(window, end);
    if (now && !(*now == *last)) ++changes;
    last = std::move(now);
  }
  requireEqual(changes, 2, "ticks painted after the input, within 10 s", where);
}

// A window of the driver on a thread of its own, which keeps serving its messages while
// the scenario waits: something for the clock to be in front of or behind, and the owner
// of the driver's own popup menus.
class DriverWindow {
 public:
  explicit DriverWindow(const Geometry& place) : place_(place) {
    ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, &DriverWindow::run, this, 0, nullptr);
    WaitForSingleObject(ready_, kTimeout);
    requireTrue(hwnd_ != nullptr, "the driver's own window", "not created", "a window");
  }
  ~DriverWindow() {
    if (hwnd_ != nullptr) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    if (thread_ != nullptr) {
      WaitForSingleObject(thread_, 5000);
      CloseHandle(thread_);
    }
    if (ready_ != nullptr) CloseHandle(ready_);
  }
  DriverWindow(const DriverWindow&) = delete;
  DriverWindow& operator=(const DriverWindow&) = delete;

  [[nodiscard]] HWND hwnd() const { return hwnd_; }

  void bringToFront(const std::source_location& where = std::source_location::current()) const {
    SendMessageW(hwnd_, kFront, 0, 0);
    requireTrue(waitUntil([&] { return GetForegroundWindow() == hwnd_; }),
                "the foreground window after the driver's window asked for it",
                describeHandle(GetForegroundWindow()), describeHandle(hwnd_), where);
  }

  // The menu runs on the window's thread; the call returns at once.
  void openMenu(HMENU menu, POINT at) const {
    PostMessageW(hwnd_, kMenu, reinterpret_cast<WPARAM>(menu), MAKELPARAM(at.x, at.y));
  }

 private:
  static constexpr UINT kFront = WM_APP;
  static constexpr UINT kMenu = WM_APP + 1;

  static DWORD WINAPI run(void* parameter) {
    auto& self = *static_cast<DriverWindow*>(parameter);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &DriverWindow::windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH));
    windowClass.lpszClassName = L"ZarnE2eDriverWindow";
    RegisterClassW(&windowClass);  // fails harmlessly when an earlier window registered it
    self.hwnd_ =
        CreateWindowExW(0, windowClass.lpszClassName, L"Zarn e2e driver", WS_POPUP | WS_VISIBLE,
                        self.place_.left, self.place_.top, self.place_.width, self.place_.height,
                        nullptr, nullptr, windowClass.hInstance, nullptr);
    SetEvent(self.ready_);
    MSG message{};
    while (self.hwnd_ != nullptr && GetMessageW(&message, nullptr, 0, 0) > 0) {
      DispatchMessageW(&message);
    }
    return 0;
  }

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case kFront:
        SetForegroundWindow(hwnd);
        return 0;
      case kMenu:
        SetForegroundWindow(hwnd);
        TrackPopupMenu(reinterpret_cast<HMENU>(wParam), 0, GET_X_LPARAM(lParam),
                       GET_Y_LPARAM(lParam), 0, hwnd, nullptr);
        return 0;
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
      default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
  }

  Geometry place_;
  HWND hwnd_ = nullptr;
  HANDLE ready_ = nullptr;
  HANDLE thread_ = nullptr;
};

// Whether `upper` lies above `lower` in the z-order of the top-level windows.
bool above(HWND upper, HWND lower) {
  for (HWND w = GetWindow(upper, GW_HWNDNEXT); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == lower) return true;
  }
  return false;
}

HWND visiblePopupMenuOf(DWORD pid) {
  for (HWND menu = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); menu != nullptr;
       menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(menu, &owner);
    if (owner == pid && IsWindowVisible(menu)) return menu;
  }
  return nullptr;
}

// A right press and release at a point of the clock window; returns the popup menu.
HWND openClockMenu(const ClockProcess& clock, POINT at,
                   const std::source_location& where = std::source_location::current()) {
  mouseMoveTo(at.x, at.y);
  Sleep(kPoll);
  mouseButton(at.x, at.y, false, true);
  Sleep(kPoll);
  mouseButton(at.x, at.y, false, false);
  HWND menu = nullptr;
  requireTrue(waitUntil([&] { return (menu = visiblePopupMenuOf(clock.id())) != nullptr; }),
              "the clock's popup menu after a right press at " + describePoint(at), "none",
              "a visible #32768 window of the clock's process", where);
  return menu;
}

// Chooses an entry of the open menu with the keyboard: `downs` times Down, then Return.
void chooseEntry(HWND menu, int downs, std::string_view entry,
                 const std::source_location& where = std::source_location::current()) {
  for (int i = 0; i < downs; ++i) keyPress(VK_DOWN);
  keyPress(VK_RETURN);
  requireTrue(waitUntil([&] { return !IsWindowVisible(menu); }),
              "the popup menu after choosing " + std::string(entry), "still open", "closed", where);
}

// The icon windows that Wine's stand-alone tray shows now.
std::vector<HWND> trayIcons() {
  std::vector<HWND> icons;
  const HWND tray = FindWindowW(L"__winex11_standalone_tray", L"Wine System Tray");
  if (tray == nullptr || !IsWindowVisible(tray)) return icons;
  for (HWND icon = FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr); icon != nullptr;
       icon = FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr)) {
    if (IsWindowVisible(icon)) icons.push_back(icon);
  }
  return icons;
}

// The one icon in the tray, which only the clock adds in this prefix.
HWND requireOneTrayIcon(std::string_view when,
                        const std::source_location& where = std::source_location::current()) {
  waitUntil([] { return !trayIcons().empty(); });
  const auto icons = trayIcons();
  requireEqual(static_cast<int>(icons.size()), 1, "icons in the tray " + std::string(when), where);
  return icons.front();
}

void requireNoTrayIcon(std::string_view when,
                       const std::source_location& where = std::source_location::current()) {
  waitUntil([] { return trayIcons().empty(); });
  requireEqual(static_cast<int>(trayIcons().size()), 0, "icons in the tray " + std::string(when),
               where);
}

POINT centreOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void minimiseFromMenu(const ClockProcess& clock, HWND window) {
  chooseEntry(openClockMenu(clock, screenPoint(window, {100, 100})), 1, "Minimieren");
  requireTrue(waitUntil([&] { return !IsWindowVisible(window); }),
              "the clock window after \"Minimieren\"", "visible", "hidden");
  requireTrue(clock.alive(), "the clock after \"Minimieren\"", "ended", "running");
}

// `bringBack` while a window of the driver is in front, over the clock's place; the clock
// window must come back, in front of it and as the foreground window.
void expectBroughtBack(HWND window, const Geometry& place, const std::function<void()>& bringBack,
                       const std::string& how,
                       const std::source_location& where = std::source_location::current()) {
  DriverWindow cover({place.left - 20, place.top - 20, place.width + 40, place.height + 40});
  cover.bringToFront(where);
  bringBack();
  const bool restored =
      waitUntil([&] { return IsWindowVisible(window) && GetForegroundWindow() == window; });
  expectTrue(IsWindowVisible(window), "the clock window " + how, "hidden", "visible", where);
  expectEqual(describeHandle(GetForegroundWindow()), describeHandle(window),
              "the foreground window " + how, where);
  if (restored) {
    expectTrue(above(window, cover.hwnd()), "the clock window in the z-order " + how,
               "behind the driver's window", "in front of it", where);
  }
  expectEqual(windowGeometry(window), place, "the clock window's rectangle " + how, where);
}

void expectRestoredFromTray(HWND window, HWND icon, const Geometry& place,
                            const std::source_location& where = std::source_location::current()) {
  const POINT at = centreOf(icon);
  expectBroughtBack(
      window, place, [&] { doubleClick(at.x, at.y); }, "after a double-click on the tray icon",
      where);
}

// The client area once it holds still, as the screen shows it.
Capture stillPicture(HWND window) {
  auto steady = steadyClient(window, GetTickCount64() + 2000);
  return steady ? std::move(*steady) : captureClient(window);
}

// A tray icon draws into a window of its own that another process reads as black, so its
// picture is taken from the screen.
Capture screenPicture(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  Capture capture(r.right - r.left, r.bottom - r.top);
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  if (const HBITMAP bitmap = createTopDownDib(capture.width(), capture.height(), &bits)) {
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, capture.width(), capture.height(), screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < capture.width() * capture.height(); ++i) {
      capture.bits()[i] = source[i] & 0x00FFFFFFu;
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return capture;
}

std::string describeDifference(const Capture& got, const Capture& expected) {
  if (got.width() != expected.width() || got.height() != expected.height()) {
    return printed("%dx%d pixels against %dx%d", got.width(), got.height(), expected.width(),
                   expected.height());
  }
  int differing = 0;
  POINT first{};
  for (int y = 0; y < got.height(); ++y) {
    for (int x = 0; x < got.width(); ++x) {
      if (got.at(x, y) == expected.at(x, y)) continue;
      if (differing++ == 0) first = {x, y};
    }
  }
  return printed("%d pixels differing, the first at ", differing) + describePoint(first);
}

// The driver's own menu of these entries (null for a separator), drawn by the same system
// at the same point, as the screen shows it.
Capture referenceMenu(const std::vector<const wchar_t*>& entries, POINT at) {
  const HMENU menu = CreatePopupMenu();
  UINT id = 1;
  for (const wchar_t* entry : entries) {
    AppendMenuW(menu, entry != nullptr ? MF_STRING : MF_SEPARATOR, entry != nullptr ? id++ : 0,
                entry);
  }
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  DriverWindow owner({screenWidth - 10, screenHeight - 10, 10, 10});
  owner.openMenu(menu, at);
  HWND shown = nullptr;
  const bool opened =
      waitUntil([&] { return (shown = visiblePopupMenuOf(GetCurrentProcessId())) != nullptr; });
  Capture capture = opened ? stillPicture(shown) : Capture();
  PostMessageW(owner.hwnd(), WM_CANCELMODE, 0, 0);
  const bool closed = opened && waitUntil([&] { return !IsWindowVisible(shown); });
  DestroyMenu(menu);
  requireTrue(opened && closed, "the driver's reference menu", opened ? "not closed" : "not shown",
              "opened and closed again");
  return capture;
}

std::wstring environment(const wchar_t* name) {
  wchar_t value[512] = {};
  const DWORD n = GetEnvironmentVariableW(name, value, static_cast<DWORD>(std::size(value)));
  return n < std::size(value) ? std::wstring(value, n) : std::wstring();
}

std::string fileText(const std::wstring& path) {
  std::string text;
  if (FILE* in = _wfopen(path.c_str(), L"rb")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) text.append(buffer, n);
    std::fclose(in);
  }
  return text;
}

// The messages (NIM_ADD 0, NIM_DELETE 2, ...) of the Shell_NotifyIcon calls in a trace.
std::vector<int> shellCalls(const std::string& trace) {
  constexpr std::string_view kCall = "Shell_NotifyIconW dwMessage = ";
  std::vector<int> messages;
  for (auto at = trace.find(kCall); at != std::string::npos; at = trace.find(kCall, at + 1)) {
    messages.push_back(std::atoi(trace.c_str() + at + kCall.size()));
  }
  return messages;
}

// Shift+F10, the keyboard's other way to a window's context menu.
void shiftF10() {
  INPUT keys[4] = {};
  for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
  keys[0].ki.wVk = VK_SHIFT;
  keys[1].ki.wVk = VK_F10;
  keys[2].ki.wVk = VK_F10;
  keys[2].ki.dwFlags = KEYEVENTF_KEYUP;
  keys[3].ki.wVk = VK_SHIFT;
  keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(4, keys, sizeof keys[0]);
}

int visiblePopupMenusOf(DWORD pid) {
  int count = 0;
  for (HWND menu = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); menu != nullptr;
       menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(menu, &owner);
    if (owner == pid && IsWindowVisible(menu)) ++count;
  }
  return count;
}

// Closes the open menu with Escape; no second menu may follow it.
void escapeMenu(const ClockProcess& clock, HWND menu, std::string_view opened,
                const std::source_location& where = std::source_location::current()) {
  keyPress(VK_ESCAPE);
  requireTrue(waitUntil([&] { return !IsWindowVisible(menu); }),
              "the popup menu opened " + std::string(opened) + " after Escape", "still open",
              "closed", where);
  waitUntil([&] { return visiblePopupMenusOf(clock.id()) > 0; }, 700);
  expectEqual(visiblePopupMenusOf(clock.id()), 0,
              "menus open after Escape closed the one opened " + std::string(opened), where);
}

// A second start of the clock program as `context` says, which must end at once with
// code 0, never showing a window of its own; returns how long it ran.
ULONGLONG secondStart(const Context& context,
                      const std::source_location& where = std::source_location::current()) {
  const ULONGLONG started = GetTickCount64();
  ClockProcess second(context, where);
  bool ownWindow = false;
  const bool ended = waitUntil([&] {
    ownWindow = ownWindow || !topLevelWindows(second.id(), L"frmZarn").empty() ||
                !zarnBoxes(second.id()).empty();
    return !second.alive();
  });
  const ULONGLONG ran = GetTickCount64() - started;
  requireTrue(ended, "the second start", "still running after 10 s", "ended", where);
  expectEqual(second.exitCode(), std::optional<DWORD>(0), "the second start's exit code", where);
  expectTrue(!ownWindow, "the second start's windows", "a clock window or a box", "none", where);
  return ran;
}

// The values under the Layout key, by name.
std::vector<std::wstring> layoutValues() {
  std::vector<std::wstring> values;
  for (const std::wstring& name : layoutValueNames()) {
    values.push_back(name + L"=" + readLayoutText(name).value_or(L"(absent)"));
  }
  return values;
}
}  // namespace

std::string dragMovesWindow(const Context& context) {
  const Geometry start{200, 300, 600, 200};
  storeGeometry(start);
  ClockProcess clock(context);
  const HWND window = startClockAt(clock, start);

  // Each drag starts where the last one ended. Every move of the second one reaches the
  // window as client point (515, 0) with the left button held, the very parameters of a
  // tray double-click's notification; the third leaves the window in one jump.
  struct Drag {
    POINT pressed;
    POINT offset;
    int steps;
  };
  const Drag drags[] = {
      {{100, 80}, {150, -75}, 10}, {{535, 0}, {-120, 0}, 6}, {{20, 20}, {400, 300}, 1}};
  for (const Drag& d : drags) {
    Geometry expected = windowGeometry(window);
    expected.left += d.offset.x;
    expected.top += d.offset.y;
    leftDrag(window, d.pressed, d.offset, d.steps);
    const std::string what =
        "after a drag from " + describePoint(d.pressed) + " by " + describePoint(d.offset);
    waitUntil([&] { return windowGeometry(window) == expected; });
    expectEqual(windowGeometry(window), expected, "the window's rectangle " + what);
    const Geometry now = windowGeometry(window);
    const POINT at = cursor();
    expectEqual(describePoint({at.x - now.left, at.y - now.top}), describePoint(d.pressed),
                "the window point under the cursor " + what);
  }

  // With the button up again, a move is no drag.
  const Geometry released = windowGeometry(window);
  const POINT at = cursor();
  mouseMoveTo(at.x - 30, at.y - 20);
  requireInputHandled(window);
  expectEqual(windowGeometry(window), released,
              "the window's rectangle after a move with no button");
  return "three drags moved the window by the mouse's offsets to " + describe(released);
}

std::string popupMenuEntries(const Context& context) {
  const Geometry place{300, 200, 200, 200};
  storeGeometry(place);
  ClockProcess clock(context);
  const HWND window = startClockAt(clock, place);

  const POINT at = screenPoint(window, {60, 50});
  const HWND menu = openClockMenu(clock, at);
  const Geometry shown = windowGeometry(menu);
  expectEqual(describePoint({shown.left, shown.top}), describePoint(at),
              "the popup menu's top left corner");
  const Capture got = stillPicture(menu);
  keyPress(VK_ESCAPE);
  requireTrue(waitUntil([&] { return !IsWindowVisible(menu); }), "the popup menu after Escape",
              "still open", "closed");
  expectTrue(clock.alive() && IsWindowVisible(window), "the clock after Escape", "ended or hidden",
             "running and visible");
  expectEqual(visiblePopupMenusOf(clock.id()), 0, "menus open after Escape closed the first");

  // The menu key and Shift+F10 on the focused clock open the same menu at its top-left
  // corner; a right press opens exactly one, at the cursor. The cursor rests on the clock,
  // clear of where the menu opens, for the reference as for the clock's menus.
  const POINT corner = screenPoint(window, {0, 0});
  const POINT focus = screenPoint(window, {150, 150});
  mouseMoveTo(focus.x, focus.y);
  const Capture atCorner =
      referenceMenu({L"Minimieren", L"Schlie\u00DFen", nullptr, L"Eigenschaften"}, corner);
  struct KeyWay {
    const char* name;
    void (*press)();
  };
  const KeyWay ways[] = {{"by the menu key", [] { keyPress(VK_APPS); }},
                         {"by Shift+F10", [] { shiftF10(); }}};
  for (const KeyWay& way : ways) {
    // A click gives the clock the keyboard.
    click(focus.x, focus.y);
    requireTrue(waitUntil([&] { return GetForegroundWindow() == window; }),
                "the foreground window before the keys", describeHandle(GetForegroundWindow()),
                describeHandle(window));
    way.press();
    HWND byKey = nullptr;
    requireTrue(waitUntil([&] { return (byKey = visiblePopupMenuOf(clock.id())) != nullptr; }),
                std::string("the clock's popup menu opened ") + way.name, "none",
                "a visible #32768 window of the clock's process");
    const Geometry keyMenu = windowGeometry(byKey);
    expectEqual(describePoint({keyMenu.left, keyMenu.top}), describePoint(corner),
                std::string("the top left corner of the menu opened ") + way.name);
    expectEqual(visiblePopupMenusOf(clock.id()), 1, std::string("menus open ") + way.name);
    Capture keyPicture;
    waitUntil([&] { return (keyPicture = captureClient(byKey)) == atCorner; }, 3000);
    expectTrue(keyPicture == atCorner, std::string("the menu opened ") + way.name,
               describeDifference(keyPicture, atCorner), "the pixels of the clock's menu");
    escapeMenu(clock, byKey, way.name);
    expectTrue(clock.alive() && IsWindowVisible(window), "the clock after Escape",
               "ended or hidden", "running and visible");
  }
  const HWND again = openClockMenu(clock, at);
  expectEqual(visiblePopupMenusOf(clock.id()), 1, "menus open after a right press");
  escapeMenu(clock, again, "by a right press");

  // The cursor has stayed at the menu's corner, so no entry is lit in either menu.
  const Capture expected =
      referenceMenu({L"Minimieren", L"Schlie\u00DFen", nullptr, L"Eigenschaften"}, at);
  if (!expectTrue(got == expected, "the clock's popup menu on the screen",
                  describeDifference(got, expected),
                  "the pixels of a menu \"Minimieren\", \"Schlie\u00DFen\", a separator, "
                  "\"Eigenschaften\"")) {
    saveForInspection(context, got, "menu");
    saveForInspection(context, expected, "expected-menu");
  }
  // The comparison tells one letter apart: a menu that differs in the "ß" alone differs.
  const Capture other =
      referenceMenu({L"Minimieren", L"Schliessen", nullptr, L"Eigenschaften"}, at);
  expectTrue(!(other == expected), "a reference menu with \"Schliessen\"",
             "the same pixels as with \"Schlie\u00DFen\"", "different pixels");
  return printed("a %dx%d menu at ", got.width(), got.height()) + describePoint(at) +
         ", equal to the reference in every pixel; the menu key and Shift+F10 open it at " +
         describePoint(corner) + ", a right press exactly once";
}

std::string minimiseAndRestoreFromTray(const Context& context) {
  const Geometry place{400, 300, 200, 200};
  storeGeometry(place);
  ClockProcess clock(context);
  const HWND window = startClockAt(clock, place);
  requireOneTrayIcon("after start-up");

  minimiseFromMenu(clock, window);
  const HWND icon = requireOneTrayIcon("after \"Minimieren\"");

  // A single click and a right click on the icon are no double-click; the pause after them
  // also keeps the next click from joining them.
  const POINT at = centreOf(icon);
  click(at.x, at.y);
  click(at.x, at.y, false);
  waitUntil([&] { return IsWindowVisible(window); }, 1000);
  expectTrue(!IsWindowVisible(window),
             "the clock window after a click and a right click on the icon", "visible",
             "still hidden");
  expectRestoredFromTray(window, icon, place);
  // Shown already but behind another window, the clock is still brought to the front: the
  // show alone does nothing then, so this is the foreground pull's own doing.
  expectRestoredFromTray(window, icon, place);
  requireOneTrayIcon("after the clock came back");

  // At the corner where it opens by default, the clock lies under Wine's own tray, so it
  // comes back under the cursor while the double-click's second press is still held. The
  // moves that follow with the button held, and the release, belong to no press on the
  // clock and must not drag it.
  leftDrag(window, {150, 150}, {-place.left, -place.top}, 1);
  const Geometry corner{0, 0, place.width, place.height};
  requireTrue(waitUntil([&] { return windowGeometry(window) == corner; }),
              "the clock window after a drag to the corner", describe(windowGeometry(window)),
              describe(corner));
  minimiseFromMenu(clock, window);
  const POINT on = centreOf(requireOneTrayIcon("with the clock hidden at the corner"));
  mouseMoveTo(on.x, on.y);
  Sleep(kPoll);
  mouseButton(on.x, on.y, true, true);
  Sleep(kPoll);
  mouseButton(on.x, on.y, true, false);
  Sleep(kPoll);
  mouseButton(on.x, on.y, true, true);
  const bool shown = waitUntil([&] { return IsWindowVisible(window) != FALSE; });
  for (int i = 1; i <= 6; ++i) {
    Sleep(kPoll);
    mouseMoveTo(on.x + 15 * i, on.y + 10 * i);
  }
  Sleep(kPoll);
  mouseButton(on.x + 90, on.y + 60, true, false);
  requireTrue(shown, "the clock window after a double-click held on the tray icon", "hidden",
              "visible");
  requireInputHandled(window);
  expectEqual(windowGeometry(window), corner,
              "the clock window's rectangle after moves with the double-click's press held");
  return "hidden by \"Minimieren\" with the icon kept, back in front after a double-click on it, "
         "in front again from behind another window, and unmoved by a held double-click over "
         "it at the corner";
}

std::string closeFromMenu(const Context& context) {
  const Geometry start{300, 200, 300, 250};
  storeGeometry(start);
  // Wine drops the icons of a window that is destroyed, so only the clock's own calls of
  // the shell show that it deletes its icon. Wine traces them to the standard error that
  // the clock shares with the driver, which the harness keeps as driver.log.
  const std::wstring log = context.workDir + L"\\driver.log";
  const std::size_t logStart = fileText(log).size();
  const std::wstring debug = environment(L"WINEDEBUG");
  SetEnvironmentVariableW(L"WINEDEBUG", L"-all,trace+systray");
  ClockProcess clock(context);
  SetEnvironmentVariableW(L"WINEDEBUG", debug.empty() ? nullptr : debug.c_str());
  const HWND window = startClockAt(clock, start);
  requireOneTrayIcon("after start-up");

  // A drag first, so that what is stored is where the window stands, not what was read.
  leftDrag(window, {50, 50}, {40, 30}, 1);
  const Geometry moved{340, 230, 300, 250};
  requireTrue(waitUntil([&] { return windowGeometry(window) == moved; }),
              "the window's rectangle after a drag", describe(windowGeometry(window)),
              describe(moved));

  chooseEntry(openClockMenu(clock, screenPoint(window, {150, 120})), 2, "Schlie\u00DFen");
  requireTrue(clock.waitForExit(kTimeout), "the clock after \"Schlie\u00DFen\"", "still running",
              "ended within 10 s");
  expectEqual(clock.exitCode(), std::optional<DWORD>(0), "the clock's exit code");
  requireNoTrayIcon("after \"Schlie\u00DFen\"");
  const std::string trace = fileText(log).substr(logStart);
  expectEqual(shellCalls(trace), std::vector<int>{NIM_ADD, NIM_DELETE},
              "the clock's calls of Shell_NotifyIcon, as Wine traced them in driver.log");
  expectEqual(layoutValueNames(), std::vector<std::wstring>{L"Height", L"Left", L"Top", L"Width"},
              "the settings written");
  expectEqual(readLayoutText(L"Top"), twips(moved.top), "the stored Top");
  expectEqual(readLayoutText(L"Left"), twips(moved.left), "the stored Left");
  expectEqual(readLayoutText(L"Width"), twips(moved.width), "the stored Width");
  expectEqual(readLayoutText(L"Height"), twips(moved.height), "the stored Height");
  return "ended with code 0, icon gone, stored " + describe(moved);
}

std::string decimalSeparatorRoundTrip(const Context& context) {
  // At 192 DPI a pixel is 7.5 twips, so a window at (41, 23) stands at 307.5 and 172.5
  // twips; the locale of each phase writes them with its own separator, and the next phase
  // reads them under the other one.
  requireEqual(twipsText(twipsPerPixelY()), std::wstring(L"7.5"),
               "the screen's twips per pixel (192 DPI)");
  const std::wstring separator = decimalSeparator();
  // The default size, 3000 twips, is 400 pixels at 192 DPI.
  const Geometry place{41, 23, 400, 400};
  const std::wstring top = L"172" + separator + L"5";
  if (context.phase <= 1) {
    deleteZarnSettings();
  } else {
    const auto stored = readLayoutText(L"Top");
    requireTrue(stored && *stored != top, "the Top stored by the phase before",
                describe(stored) + " with " + describe(separator),
                "172.5 written with the other separator");
  }
  ClockProcess clock(context);
  const HWND window = requireClockWindow(clock);
  if (context.phase <= 1) {
    requireEqual(windowGeometry(window), Geometry{0, 0, 400, 400}, "the window at first start");
    leftDrag(window, {100, 100}, {place.left, place.top}, 1);
  }
  requireTrue(waitUntil([&] { return windowGeometry(window) == place; }),
              "the clock window's rectangle", describe(windowGeometry(window)), describe(place));
  // A value the clock cannot read would be reported now, and its first tick would end it.
  pause(2500);
  requireTrue(clock.alive() && zarnBoxes(clock.id()).empty(), "the clock after start-up",
              "ended or reporting", "running, no report");
  PostMessageW(window, WM_CLOSE, 0, 0);
  requireTrue(clock.waitForExit(kTimeout), "the clock after WM_CLOSE", "still running", "ended");
  expectEqual(readLayoutText(L"Top"), std::optional(top), "the stored Top");
  expectEqual(readLayoutText(L"Left"), std::optional(L"307" + separator + L"5"), "the stored Left");
  expectEqual(readLayoutText(L"Width"), std::optional<std::wstring>(L"3000"), "the stored Width");
  return printed("phase %d: the clock at ", context.phase) + describe(place) +
         " stored its place with " + describe(separator);
}

std::string genuineMoveAt515DoesNothing(const Context& context) {
  const Geometry place{300, 300, 600, 200};
  storeGeometry(place);
  ClockProcess clock(context);
  const HWND window = startClockAt(clock, place);

  // The driver's window lies in front and over the clock's left end, clear of x = 515 and
  // of the hands, so the clock is visible there but not the foreground window.
  DriverWindow front({200, 250, 250, 150});
  front.bringToFront();
  const POINT top = screenPoint(window, {515, 0});
  mouseMoveTo(top.x, top.y - 10);
  for (const int y : {0, 1, 2, 50, 100, 150, 199}) {
    Sleep(kPoll);
    mouseMoveTo(top.x, top.y + y);
  }
  for (const int x : {510, 514, 515, 516, 520, 515}) {
    Sleep(kPoll);
    const POINT p = screenPoint(window, {x, 100});
    mouseMoveTo(p.x, p.y);
  }
  requireInputHandled(window);

  expectEqual(describeHandle(GetForegroundWindow()), describeHandle(front.hwnd()),
              "the foreground window after moves at x = 515");
  expectTrue(above(front.hwnd(), window), "the clock window in the z-order", "in front",
             "still behind the driver's window");
  expectTrue(IsWindowVisible(window), "the clock window", "hidden", "visible");
  expectEqual(windowGeometry(window), place, "the clock window's rectangle");
  return "13 moves at or near x = 515 on a 600-pixel window changed nothing";
}

std::string taskbarCreatedAddsIconAgain(const Context& context) {
  const Geometry place{400, 300, 200, 200};
  storeGeometry(place);
  ClockProcess clock(context);
  const HWND window = startClockAt(clock, place);
  const HWND first = requireOneTrayIcon("after start-up");
  Capture picture;
  const auto drawn = [&] {
    picture = screenPicture(first);
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        if (!(picture.at(x, y) == picture.at(0, 0))) return true;
      }
    }
    return false;
  };
  requireTrue(waitUntil(drawn), "the icon's picture on the screen", "one colour", "an icon");
  minimiseFromMenu(clock, window);

  // As a restarted shell would have it: the icon gone, then the broadcast.
  using NotifyIcon = BOOL(WINAPI*)(DWORD, NOTIFYICONDATAA*);
  const HMODULE shell = LoadLibraryW(L"shell32.dll");
  const auto notify = reinterpret_cast<NotifyIcon>(
      reinterpret_cast<void*>(GetProcAddress(shell, "Shell_NotifyIconA")));
  requireTrue(notify != nullptr, "Shell_NotifyIconA in shell32.dll", "not found", "found");
  NOTIFYICONDATAA record{};
  record.cbSize = sizeof record;
  record.hWnd = window;
  record.uID = 1;
  requireTrue(notify(NIM_DELETE, &record) != FALSE, "deleting the clock's icon (its window, id 1)",
              "refused", "done");
  requireNoTrayIcon("after deleting the clock's icon");
  PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  const HWND icon = requireOneTrayIcon("after the TaskbarCreated broadcast");
  Capture again;
  waitUntil([&] { return (again = screenPicture(icon)) == picture; }, 5000);
  expectTrue(again == picture, "the icon added again", describeDifference(again, picture),
             "the picture of the first icon");
  expectTrue(clock.alive() && !IsWindowVisible(window), "the clock after the broadcast",
             "ended or shown", "running and hidden");
  expectRestoredFromTray(window, icon, place);
  FreeLibrary(shell);
  return "the icon came back after TaskbarCreated and brought the hidden clock back";
}

std::string secondStartBringsClockBack(const Context& context) {
  const Geometry place{400, 300, 200, 200};
  storeGeometry(place);
  ClockProcess clock(context);
  const HWND window = startClockAt(clock, place);
  requireOneTrayIcon("after start-up");

  // Values the running clock does not read again: a start that read them would report the
  // colour, and one that wrote would change them.
  writeLayoutText(L"HourColor", L"abc");
  writeLayoutText(L"Top", twips(123));
  const std::vector<std::wstring> before = layoutValues();

  // Another copy of the program in another folder, started from there; it finds no face
  // there, so a start that loaded one would report it.
  Context elsewhere = context;
  const std::wstring folder = context.workDir + L"\\elsewhere";
  CreateDirectoryW(folder.c_str(), nullptr);
  elsewhere.clockExe = folder + L"\\zarn.exe";
  elsewhere.workDir = folder;
  requireTrue(CopyFileW(context.clockExe.c_str(), elsewhere.clockExe.c_str(), FALSE) != FALSE,
              "a copy of zarn.exe in another folder", "not made", "made");

  struct Start {
    const char* beside;
    const Context* from;
    bool hidden;
  };
  const Start starts[] = {{"a shown clock", &context, false},
                          {"a hidden clock", &elsewhere, true},
                          {"a shown clock, from another folder", &elsewhere, false}};
  std::string ran;
  for (const Start& start : starts) {
    const std::string when = std::string("after a second start beside ") + start.beside;
    if (start.hidden) minimiseFromMenu(clock, window);
    expectBroughtBack(
        window, place,
        [&] {
          const ULONGLONG ms = secondStart(*start.from);
          ran += printed("%s%llu", ran.empty() ? "" : ", ", static_cast<unsigned long long>(ms));
        },
        when);
    expectTrue(clock.alive() && zarnBoxes(clock.id()).empty(), "the running clock " + when,
               "ended or reporting", "running, no report");
    requireOneTrayIcon(when);
    expectEqual(layoutValues(), before, "the settings " + when);
  }

  // Two starts at once, as an autostart entry and a double-click at logon: one clock stays,
  // whichever of the two it is, so both find the faces now.
  for (const wchar_t* face : {L"clockbg5.bmp", L"clockbg1.bmp"}) {
    CopyFileW((context.workDir + L"\\" + face).c_str(), (folder + L"\\" + face).c_str(), FALSE);
  }
  clock.stop();
  requireNoTrayIcon("after the first clock was stopped");
  storeGeometry(place);
  ClockProcess first(context);
  ClockProcess second(elsewhere);
  waitUntil([&] { return !first.alive() || !second.alive(); }, 15000);
  pause(1000);
  const int running = (first.alive() ? 1 : 0) + (second.alive() ? 1 : 0);
  expectEqual(running, 1, "clocks running after two starts at once");
  const ClockProcess& kept = first.alive() ? first : second;
  requireClockWindow(kept);
  requireOneTrayIcon("after two starts at once");
  return "three second starts ended at once (" + ran +
         " ms) and brought the running clock back, shown or hidden, writing nothing; two "
         "starts at once left one clock";
}

std::string displayChangeBringsClockBack(const Context& context) {
  const Geometry place{400, 300, 200, 200};
  storeGeometry(place);
  ClockProcess clock(context);
  const HWND window = startClockAt(clock, place);

  // Wine shows one monitor and never removes it, so the driver puts the clock where a
  // removed monitor or a lowered resolution would leave it, and tells it of the change.
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  struct Change {
    const char* name;
    POINT at;
    UINT message;
    WPARAM wParam;
    Geometry expected;
  };
  const Change changes[] = {
      {"partly visible after a display change",
       {-100, 50},
       WM_DISPLAYCHANGE,
       0,
       {-100, 50, 200, 200}},
      {"off screen after a settings change that is not the work area's",
       {screenWidth + 500, 300},
       WM_SETTINGCHANGE,
       SPI_SETDESKWALLPAPER,
       {screenWidth + 500, 300, 200, 200}},
      {"off screen after a work-area change",
       {screenWidth + 500, 300},
       WM_SETTINGCHANGE,
       SPI_SETWORKAREA,
       {screenWidth - 200, 300, 200, 200}},
      {"off screen after a display change",
       {-900, screenHeight + 700},
       WM_DISPLAYCHANGE,
       0,
       {0, screenHeight - 200, 200, 200}},
  };
  for (const Change& change : changes) {
    SetWindowPos(window, nullptr, change.at.x, change.at.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const Geometry moved{change.at.x, change.at.y, 200, 200};
    requireTrue(waitUntil([&] { return windowGeometry(window) == moved; }),
                std::string("the clock put ") + change.name, describe(windowGeometry(window)),
                describe(moved));
    SendMessageW(window, change.message, change.wParam, 0);
    waitUntil([&] { return windowGeometry(window) == change.expected; }, 2000);
    expectEqual(windowGeometry(window), change.expected,
                std::string("the clock's rectangle ") + change.name);
  }
  PostMessageW(window, WM_CLOSE, 0, 0);
  requireTrue(clock.waitForExit(kTimeout), "the clock after WM_CLOSE", "still running", "ended");
  const Geometry last = changes[std::size(changes) - 1].expected;
  expectEqual(readLayoutText(L"Left"), std::optional(twips(last.left)), "the stored Left");
  expectEqual(readLayoutText(L"Top"), std::optional(twips(last.top)), "the stored Top");
  return "moved onto the screen after a display and a work-area change, left partly visible "
         "and after another settings change, and stored at " +
         describe(last);
}

}  // namespace zarn::e2e
