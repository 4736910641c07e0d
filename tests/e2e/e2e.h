#pragma once

// The driver's toolkit for the end-to-end scenarios: checks that report got/expected with
// the scenario's line, the settings store, the clock's process, its windows, pixels,
// message boxes, the popup menu, the tray icon and mouse and key input.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <source_location>
#include <string>
#include <string_view>
#include <vector>

#include "hands.h"
#include "tools/faces.h"
#include "win32/text.h"

namespace zarn::e2e {

using facegen::Rgb;

// What a scenario is run with: the clock's program and the folder it runs in, both as
// Windows paths, the scenario's name, for a scenario run in phases the phase's number
// from 1 (0 otherwise), and the command line's arguments after the program, for programs
// that take some.
struct Context {
  std::string scenario;
  std::wstring clockExe;
  std::wstring workDir;
  int phase = 0;
  std::wstring arguments = {};
};

// A 32-bit top-down DIB section of width × height pixels, its pixels at *bits; null when
// the system refuses it. The caller deletes it.
HBITMAP createTopDownDib(int width, int height, void** bits);

std::string printed(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));

// Thrown by a failed `require`, after the failure has been printed, so that every owner
// on the way out (the clock's process above all) is released.
struct ScenarioFailed {};

std::string describe(const std::string& text);
std::string describe(const std::wstring& text);
std::string describe(const char* text);
std::string describe(const wchar_t* text);
std::string describe(long long value);
std::string describe(int value);
std::string describe(unsigned long value);
std::string describe(bool value);
std::string describe(const Rgb& colour);
struct Geometry {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Geometry&, const Geometry&) = default;
};
std::string describe(const Geometry& geometry);
template <typename T>
std::string describe(const std::optional<T>& value) {
  return value ? describe(*value) : std::string("(absent)");
}
template <typename T>
std::string describe(const std::vector<T>& values) {
  std::string text = "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += ", ";
    text += describe(values[i]);
  }
  return text + "]";
}

// Prints one failure line: "file:line: what: got G expected E".
void printFailure(std::string_view what, std::string_view got, std::string_view expected,
                  const std::source_location& where);
// Whether any check of this run has failed so far.
bool anyFailed();

// `expect...` records a failure and lets the scenario go on; `require...` ends it.
template <typename Got, typename Expected>
bool expectEqual(const Got& got, const Expected& expected, std::string_view what,
                 const std::source_location& where = std::source_location::current()) {
  if (got == expected) return true;
  printFailure(what, describe(got), describe(expected), where);
  return false;
}

template <typename Got, typename Expected>
void requireEqual(const Got& got, const Expected& expected, std::string_view what,
                  const std::source_location& where = std::source_location::current()) {
  if (!expectEqual(got, expected, what, where)) throw ScenarioFailed{};
}

bool expectTrue(bool condition, std::string_view what, std::string_view got,
                std::string_view expected,
                const std::source_location& where = std::source_location::current());
void requireTrue(bool condition, std::string_view what, std::string_view got,
                 std::string_view expected,
                 const std::source_location& where = std::source_location::current());

// The screen's twips per pixel, 1440 over its DPI in x or in y, as the clock takes them.
double twipsPerPixelX();
double twipsPerPixelY();
// A geometry value in twips as text that the clock reads back as that value: plain digits,
// and a decimal point for a fraction.
std::wstring twipsText(double twips);
// The decimal separator of the locale the driver and the clock run under.
std::wstring decimalSeparator();

// The settings live under HKCU\Software\Zarn\Layout, one value per key.
void deleteZarnSettings();
void writeLayoutText(const std::wstring& name, const std::wstring& value);
void writeLayoutDword(const std::wstring& name, DWORD value);
// The REG_SZ text of a value, or nothing when it is absent. A value of another type is
// reported as such in the text, so that a check on it fails visibly.
std::optional<std::wstring> readLayoutText(const std::wstring& name);
// The names of every value under the Layout key, sorted; empty when the key is absent.
std::vector<std::wstring> layoutValueNames();

// The running clock. The process is ended when this object goes, whatever happens in the
// scenario, and it sits in a job that ends it with the driver should the driver be killed.
class ClockProcess {
 public:
  explicit ClockProcess(const Context& context,
                        const std::source_location& where = std::source_location::current());
  ~ClockProcess();
  ClockProcess(const ClockProcess&) = delete;
  ClockProcess& operator=(const ClockProcess&) = delete;

  [[nodiscard]] DWORD id() const { return id_; }
  [[nodiscard]] bool alive() const;
  // The exit code once the process has ended.
  [[nodiscard]] std::optional<DWORD> exitCode() const;
  // Waits for the process to end; true when it did within the time.
  bool waitForExit(DWORD milliseconds) const;
  void stop();

 private:
  HANDLE process_ = nullptr;
  HANDLE job_ = nullptr;
  DWORD id_ = 0;
};

// The full paths of the modules loaded in process `pid`, in lower case.
std::vector<std::wstring> loadedModules(DWORD pid);
// The loaded module of `pid` whose file name is `fileName` (lower case), if there is one.
std::optional<std::wstring> loadedModule(DWORD pid, std::wstring_view fileName);

// Visible or not, the top-level windows of process `pid` with this class and, when given,
// this exact title.
std::vector<HWND> topLevelWindows(DWORD pid, std::wstring_view className,
                                  const std::wstring* title = nullptr);
// Waits for a visible top-level window of `pid` with this class.
HWND waitForWindow(DWORD pid, std::wstring_view className, DWORD milliseconds);
// The clock window of the process, visible, within the time; the scenario fails without it.
HWND requireClockWindow(const ClockProcess& clock, DWORD milliseconds = 15000,
                        const std::source_location& where = std::source_location::current());
// The window's outer rectangle in screen pixels.
Geometry windowGeometry(HWND window);
// The client area's width and height (left and top 0).
Geometry clientSize(HWND window);
std::wstring windowText(HWND window);
std::wstring className(HWND window);

class Capture {
 public:
  Capture() = default;
  Capture(int width, int height);
  [[nodiscard]] int width() const { return width_; }
  [[nodiscard]] int height() const { return height_; }
  [[nodiscard]] bool contains(int x, int y) const;
  [[nodiscard]] Rgb at(int x, int y) const;
  std::uint32_t* bits() { return pixels_.data(); }
  // Writes a 32-bit bottom-up BMP; returns whether it worked.
  bool saveBmp(const std::wstring& path) const;
  friend bool operator==(const Capture&, const Capture&) = default;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;  // 0x00RRGGBB, top row first
};

// The client area as it is on the screen now.
Capture captureClient(HWND window);
// Saves a capture beside the scenario's files and says where.
void saveForInspection(const Context& context, const Capture& capture, std::string_view tag);
// Whether two colours differ by at most `tolerance` in every channel.
bool closeTo(const Rgb& a, const Rgb& b, int tolerance);

// The colour of the desktop (the X root window, coloured by tools/wine_env.sh), which shows
// through the transparent corners of the default faces.
inline constexpr Rgb kDesktop{0x40, 0x80, 0x60};
// The corners among `corners` (client pixels of `window`) that Wine's tray window in the
// screen's corner does not lie behind; all of them for a face that shows its own corners.
std::vector<Vertex> cornersOnDesktop(HWND window, std::vector<Vertex> corners, Rgb corner);

// The clock reports failures in message boxes titled "Zarn".
std::vector<HWND> zarnBoxes(DWORD pid);
std::wstring boxText(HWND box);
// Checks a failure report's text: the first line " <number>: <description>" with the
// description naming every one of `mentioned`, the second line exactly as given.
void expectReport(HWND box, const std::wstring& secondLine,
                  const std::vector<std::wstring>& mentioned,
                  const std::source_location& where = std::source_location::current());
// Presses the box's OK button and waits until the box is gone.
bool pressOk(HWND box, DWORD milliseconds = 5000);
// Waits until the process shows at least one box; returns them all (empty on time-out).
std::vector<HWND> waitForBoxes(DWORD pid, DWORD milliseconds);
// A dialog control's text, which another process can read only through the dialog.
std::wstring dialogItemText(HWND dialog, int id);

// The visible popup menu window (class #32768), if one appears within the time.
HWND waitForPopupMenu(DWORD milliseconds);
// The icon window inside Wine's stand-alone tray, if one appears within the time.
HWND waitForTrayIcon(DWORD milliseconds);

// Real input at screen pixels, as the system delivers a user's: SendInput with absolute
// coordinates.
void mouseMoveTo(int x, int y);
void mouseButton(int x, int y, bool left, bool down);
void click(int x, int y, bool left = true);
void doubleClick(int x, int y);
void keyPress(WORD virtualKey);
// A key pressed or released alone, as for holding Ctrl around other input.
void keyState(WORD virtualKey, bool down);
// A turn of the wheel by `delta` (120 a notch) with the pointer at (x, y).
void mouseWheel(int x, int y, int delta);

// Seconds since midnight, local time, with milliseconds.
double secondsOfDayNow();

// How a clock window's second hand kept time with the system clock, watched on the screen:
// each new second shown, when it first appeared after that second began (its lateness).
struct SecondsKept {
  int shown = 0;  // new seconds that appeared
  int timed = 0;  // of them, those whose appearance was seen to within kTimedWithin
  double medianMs = 0;
  double p90Ms = 0;
  double maxMs = 0;
  int skipped = 0;   // seconds never shown
  int repeated = 0;  // seconds shown for two ticks or more
  int unread = 0;    // changed pictures whose second hand could not be read
};
// An appearance is timed between the last reading of the screen that did not show it and
// the first that did; a second is timed when those two lie at most twice this apart and
// the watcher read the screen at least that often from the second's start on, that is,
// when the watcher itself was not held up.
inline constexpr double kTimedWithinMs = 10;
// Watches the windows' client areas on the screen side by side for `milliseconds`: every
// millisecond or two around the start of each second, every 10 ms in between. Each window
// draws its second hand in `secondColour`, a colour found nowhere else in it, and must lie
// uncovered on the screen.
std::vector<SecondsKept> watchSeconds(const std::vector<HWND>& windows, Rgb secondColour,
                                      DWORD milliseconds);
std::string describe(const SecondsKept& kept);
// The share of the machine's processor time that was busy between two readings of
// /proc/stat, 0 when they cannot be read.
double processorsBusy(const std::string& before, const std::string& after);
// Returns at `millisecond` (0..999) into a second of the system clock.
void waitForMillisecond(int millisecond);
void pause(DWORD milliseconds);

// Linux's /proc, which Wine shows on drive Z:. A file read whole, empty when it cannot be
// read; `path` is below /proc, with backslashes.
std::string readProc(const std::string& path);
// The numeric entries of a /proc folder ("" or "<pid>\\task\\"): process or thread ids.
std::vector<std::string> procIds(const std::string& folder);
// The number after "label:" at the start of a line of a /proc file, 0 when it is absent.
long long procValue(const std::string& text, const std::string& label);
// Wine runs each Windows process as a Linux process whose command line starts with the
// Windows one's arguments; of those, the one in this run's prefix. Empty when there is
// none.
std::string linuxPid(const std::vector<std::wstring>& arguments);

// Asks `condition` every `poll` milliseconds until it holds; false when the time ran out.
template <typename Condition>
bool waitUntil(DWORD milliseconds, Condition condition, DWORD poll = 20) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  while (!condition()) {
    if (GetTickCount64() >= end) return false;
    pause(poll);
  }
  return true;
}

// A window that has been destroyed or hidden.
bool gone(HWND window);
// The middle of a window's outer rectangle, in screen pixels.
POINT centreOnScreen(HWND window);

}  // namespace zarn::e2e
