#include "e2e.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <string>

#include "win32/names.h"
#include "win32/system_error.h"
#include "win32/text.h"

namespace zarn::e2e {

namespace {

bool failedSoFar = false;

constexpr wchar_t kZarnKey[] = L"Software\\Zarn";
using win32::kLayoutKey;
constexpr DWORD kPoll = 50;

// The system's reason for a failure, with its number.
std::string systemReason(DWORD error) {
  return std::to_string(error) + " " + win32::systemMessage(error);
}

// The calls that prepare a scenario must work; when one fails, the scenario cannot test
// anything and ends with the system's reason.
void requireSystem(bool worked, std::string_view what,
                   const std::source_location& where = std::source_location::current()) {
  if (!worked) {
    printFailure(what, "error " + systemReason(GetLastError()), "success", where);
    throw ScenarioFailed{};
  }
}

void requireRegistry(LSTATUS status, std::string_view what,
                     const std::source_location& where = std::source_location::current()) {
  if (status != ERROR_SUCCESS) {
    printFailure(what, "error " + systemReason(static_cast<DWORD>(status)), "success", where);
    throw ScenarioFailed{};
  }
}

class Key {
 public:
  Key() = default;
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* out() { return &key_; }
  [[nodiscard]] HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

void writeLayout(const std::wstring& name, DWORD type, const void* data, DWORD size) {
  Key key;
  requireRegistry(RegCreateKeyExW(HKEY_CURRENT_USER, kLayoutKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                                  key.out(), nullptr),
                  "creating HKCU\\Software\\Zarn\\Layout");
  requireRegistry(
      RegSetValueExW(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
      "writing the setting " + win32::narrow(name));
}

struct WindowQuery {
  DWORD pid;
  std::wstring_view className;
  const std::wstring* title;
  std::vector<HWND> found;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM parameter) {
  auto& query = *reinterpret_cast<WindowQuery*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != query.pid) return TRUE;
  if (className(window) != query.className) return TRUE;
  if (query.title != nullptr && windowText(window) != *query.title) return TRUE;
  query.found.push_back(window);
  return TRUE;
}

std::vector<HWND> visibleOnly(std::vector<HWND> windows) {
  std::erase_if(windows, [](HWND w) { return !IsWindowVisible(w); });
  return windows;
}

void sendMouse(int x, int y, DWORD flags) {
  const long long w = GetSystemMetrics(SM_CXSCREEN);
  const long long h = GetSystemMetrics(SM_CYSCREEN);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = static_cast<LONG>(x * 65535LL / (w - 1));
  input.mi.dy = static_cast<LONG>(y * 65535LL / (h - 1));
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof input);
}

std::string escaped(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '"') {
      out += "\\\"";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string printed(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  char buffer[1024];
  std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  return buffer;
}

std::string describe(const std::string& text) { return escaped(text); }
std::string describe(const std::wstring& text) { return escaped(win32::narrow(text)); }
std::string describe(const char* text) { return escaped(text); }
std::string describe(const wchar_t* text) { return escaped(win32::narrow(text)); }
std::string describe(long long value) { return std::to_string(value); }
std::string describe(int value) { return std::to_string(value); }
std::string describe(unsigned long value) { return std::to_string(value); }
std::string describe(bool value) { return value ? "true" : "false"; }
std::string describe(const Rgb& c) {
  char text[32];
  std::snprintf(text, sizeof text, "rgb(%d,%d,%d)", c.r, c.g, c.b);
  return text;
}
std::string describe(const Geometry& g) {
  char text[64];
  std::snprintf(text, sizeof text, "(%d,%d) %dx%d", g.left, g.top, g.width, g.height);
  return text;
}

void printFailure(std::string_view what, std::string_view got, std::string_view expected,
                  const std::source_location& where) {
  failedSoFar = true;
  std::string_view file = where.file_name();
  if (const auto slash = file.find_last_of("/\\"); slash != std::string_view::npos) {
    file.remove_prefix(slash + 1);
  }
  std::printf("%.*s:%u: %.*s: got %.*s expected %.*s\n", static_cast<int>(file.size()), file.data(),
              static_cast<unsigned>(where.line()), static_cast<int>(what.size()), what.data(),
              static_cast<int>(got.size()), got.data(), static_cast<int>(expected.size()),
              expected.data());
  std::fflush(stdout);
}

bool anyFailed() { return failedSoFar; }

bool expectTrue(bool condition, std::string_view what, std::string_view got,
                std::string_view expected, const std::source_location& where) {
  if (!condition) printFailure(what, got, expected, where);
  return condition;
}

void requireTrue(bool condition, std::string_view what, std::string_view got,
                 std::string_view expected, const std::source_location& where) {
  if (!expectTrue(condition, what, got, expected, where)) throw ScenarioFailed{};
}

double twipsPerPixelX() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return 1440.0 / dpi;
}

double twipsPerPixelY() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return 1440.0 / dpi;
}

std::wstring twipsText(double twips) {
  wchar_t text[32];
  std::swprintf(text, std::size(text), L"%.7g", twips);
  return text;
}

std::wstring decimalSeparator() {
  wchar_t separator[8] = {};
  GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator,
                  static_cast<int>(std::size(separator)));
  return separator;
}

void deleteZarnSettings() {
  const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, kZarnKey);
  if (status != ERROR_FILE_NOT_FOUND) requireRegistry(status, "deleting HKCU\\Software\\Zarn");
  Key key;
  const LSTATUS open = RegOpenKeyExW(HKEY_CURRENT_USER, kZarnKey, 0, KEY_READ, key.out());
  requireTrue(open == ERROR_FILE_NOT_FOUND, "HKCU\\Software\\Zarn after deleting it", "still there",
              "absent");
}

void writeLayoutText(const std::wstring& name, const std::wstring& value) {
  writeLayout(name, REG_SZ, value.c_str(),
              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void writeLayoutDword(const std::wstring& name, DWORD value) {
  writeLayout(name, REG_DWORD, &value, sizeof value);
}

std::optional<std::wstring> readLayoutText(const std::wstring& name) {
  Key key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kLayoutKey, 0, KEY_READ, key.out()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<BYTE> data(size + sizeof(wchar_t));
  requireRegistry(RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size),
                  "reading the setting " + win32::narrow(name));
  if (type != REG_SZ) return L"(a value of registry type " + std::to_wstring(type) + L")";
  std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

std::vector<std::wstring> layoutValueNames() {
  std::vector<std::wstring> names;
  Key key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kLayoutKey, 0, KEY_READ, key.out()) != ERROR_SUCCESS) {
    return names;
  }
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = static_cast<DWORD>(std::size(name));
    if (RegEnumValueW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.emplace_back(name, length);
  }
  std::sort(names.begin(), names.end());
  return names;
}

ClockProcess::ClockProcess(const Context& context, const std::source_location& where) {
  requireTrue(GetFileAttributesW(context.clockExe.c_str()) != INVALID_FILE_ATTRIBUTES,
              "the clock program", describe(context.clockExe) + " missing", "a built zarn.exe",
              where);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::wstring commandLine = L"\"" + context.clockExe + L"\"";
  if (!context.arguments.empty()) commandLine += L" " + context.arguments;
  // Under load Wine now and then refuses a start with "internal error" (1359) and takes
  // the same start a moment later; any other refusal fails the scenario at once.
  BOOL started = FALSE;
  for (int attempt = 0; attempt < 5; ++attempt) {
    started = CreateProcessW(context.clockExe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                             CREATE_SUSPENDED, nullptr, context.workDir.c_str(), &startup, &info);
    if (started != FALSE || GetLastError() != ERROR_INTERNAL_ERROR) break;
    Sleep(500);
  }
  requireSystem(started, "starting " + win32::narrow(context.clockExe));
  process_ = info.hProcess;
  id_ = info.dwProcessId;
  // This object ends the process in any case; the job ends it also when the driver itself
  // is killed, since the system then closes the job's last handle.
  job_ = CreateJobObjectW(nullptr, nullptr);
  if (job_ != nullptr) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    AssignProcessToJobObject(job_, process_);
  }
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
}

ClockProcess::~ClockProcess() {
  stop();
  if (process_ != nullptr) CloseHandle(process_);
  if (job_ != nullptr) CloseHandle(job_);
}

bool ClockProcess::alive() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> ClockProcess::exitCode() const {
  if (alive()) return std::nullopt;
  DWORD code = 0;
  if (!GetExitCodeProcess(process_, &code)) return std::nullopt;
  return code;
}

bool ClockProcess::waitForExit(DWORD milliseconds) const {
  return WaitForSingleObject(process_, milliseconds) == WAIT_OBJECT_0;
}

void ClockProcess::stop() {
  if (process_ == nullptr || !alive()) return;
  TerminateProcess(process_, 0xE2E);
  if (!waitForExit(5000)) {
    std::printf("note: the clock process %lu did not end within 5 s of being terminated\n",
                static_cast<unsigned long>(id_));
  }
}

std::vector<HWND> topLevelWindows(DWORD pid, std::wstring_view wantedClass,
                                  const std::wstring* title) {
  WindowQuery query{pid, wantedClass, title, {}};
  EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

HWND waitForWindow(DWORD pid, std::wstring_view wantedClass, DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  do {
    const auto windows = visibleOnly(topLevelWindows(pid, wantedClass));
    if (!windows.empty()) return windows.front();
    Sleep(kPoll);
  } while (GetTickCount64() < end);
  return nullptr;
}

HWND requireClockWindow(const ClockProcess& clock, DWORD milliseconds,
                        const std::source_location& where) {
  HWND window = nullptr;
  std::vector<HWND> boxes;
  waitUntil(milliseconds, [&] {
    window = waitForWindow(clock.id(), win32::kClockClassName, 0);
    boxes = zarnBoxes(clock.id());
    return window != nullptr || !boxes.empty() || !clock.alive();
  });
  if (window == nullptr || !boxes.empty()) {
    const auto code = clock.exitCode();
    const std::string got = !boxes.empty() ? "a report: " + describe(boxText(boxes.front()))
                            : code         ? "the process ended with exit code " + describe(*code)
                                   : printed("no visible window after %lu ms", milliseconds);
    printFailure("the clock window (class frmZarn)", got, "a visible window of the process", where);
    throw ScenarioFailed{};
  }
  return window;
}

Geometry windowGeometry(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

Geometry clientSize(HWND window) {
  RECT rect{};
  GetClientRect(window, &rect);
  return {0, 0, rect.right, rect.bottom};
}

std::wstring windowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, static_cast<int>(std::size(text)));
  return text;
}

std::vector<std::wstring> loadedModules(DWORD pid) {
  std::vector<std::wstring> modules;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  if (snapshot == INVALID_HANDLE_VALUE) return modules;
  MODULEENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32FirstW(snapshot, &entry); more != FALSE;
       more = Module32NextW(snapshot, &entry)) {
    std::wstring path = entry.szExePath;
    std::transform(path.begin(), path.end(), path.begin(), towlower);
    modules.push_back(std::move(path));
  }
  CloseHandle(snapshot);
  return modules;
}

std::optional<std::wstring> loadedModule(DWORD pid, std::wstring_view fileName) {
  for (const std::wstring& path : loadedModules(pid)) {
    const std::size_t slash = path.find_last_of(L'\\');
    if (std::wstring_view(path).substr(slash == std::wstring::npos ? 0 : slash + 1) == fileName) {
      return path;
    }
  }
  return std::nullopt;
}

std::wstring className(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return name;
}

Capture::Capture(int width, int height)
    : width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

bool Capture::contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

Rgb Capture::at(int x, int y) const {
  const std::uint32_t p = pixels_[static_cast<std::size_t>(y) * width_ + x];
  return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
          static_cast<std::uint8_t>(p)};
}

HBITMAP createTopDownDib(int width, int height, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

bool Capture::saveBmp(const std::wstring& path) const {
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width_;
  info.biHeight = height_;
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  const DWORD imageSize = static_cast<DWORD>(pixels_.size() * sizeof(std::uint32_t));
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + imageSize;
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (out == nullptr) return false;
  bool written =
      std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1;
  for (int y = height_ - 1; written && y >= 0; --y) {
    std::vector<std::uint32_t> row(pixels_.begin() + static_cast<std::ptrdiff_t>(y) * width_,
                                   pixels_.begin() + static_cast<std::ptrdiff_t>(y + 1) * width_);
    // Viewers take the fourth byte as opacity.
    for (auto& p : row) p |= 0xFF000000u;
    written = std::fwrite(row.data(), sizeof(std::uint32_t), row.size(), out) == row.size();
  }
  return std::fclose(out) == 0 && written;
}

Capture captureClient(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  Capture capture(client.right, client.bottom);
  if (client.right <= 0 || client.bottom <= 0) return capture;
  // Read from the screen, not the window: a layered window's DC does not show what lies
  // behind its transparent parts.
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  const HBITMAP bitmap = createTopDownDib(client.right, client.bottom, &bits);
  if (bitmap != nullptr) {
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits);
    std::transform(source, source + static_cast<std::size_t>(client.right) * client.bottom,
                   capture.bits(), [](std::uint32_t p) { return p & 0x00FFFFFFu; });
    SelectObject(memory, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return capture;
}

void saveForInspection(const Context& context, const Capture& capture, std::string_view tag) {
  const std::wstring path =
      context.workDir + L"\\" + win32::widen(context.scenario) + L"-" + win32::widen(tag) + L".bmp";
  if (capture.saveBmp(path)) {
    std::printf("saved the clock's client area as %s\n", win32::narrow(path).c_str());
  } else {
    std::printf("could not save %s\n", win32::narrow(path).c_str());
  }
  std::fflush(stdout);
}

bool closeTo(const Rgb& a, const Rgb& b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

std::vector<Vertex> cornersOnDesktop(HWND window, std::vector<Vertex> corners, Rgb corner) {
  RECT tray{};
  const HWND trayWindow = FindWindowW(L"__winex11_standalone_tray", nullptr);
  if (corner != kDesktop || trayWindow == nullptr || GetWindowRect(trayWindow, &tray) == FALSE) {
    return corners;
  }
  std::erase_if(corners, [&](Vertex v) {
    POINT at{v.x, v.y};
    ClientToScreen(window, &at);
    return PtInRect(&tray, at) != FALSE;
  });
  return corners;
}

std::vector<HWND> zarnBoxes(DWORD pid) {
  const std::wstring title = L"Zarn";
  return visibleOnly(topLevelWindows(pid, L"#32770", &title));
}

std::wstring dialogItemText(HWND dialog, int id) {
  wchar_t text[2048] = {};
  GetDlgItemTextW(dialog, id, text, static_cast<int>(std::size(text)));
  return text;
}

std::wstring boxText(HWND box) { return dialogItemText(box, 0xFFFF); }

bool pressOk(HWND box, DWORD milliseconds) {
  const HWND ok = GetDlgItem(box, IDOK);
  if (ok == nullptr) return false;
  PostMessageW(ok, BM_CLICK, 0, 0);
  const ULONGLONG end = GetTickCount64() + milliseconds;
  while (IsWindow(box) && IsWindowVisible(box)) {
    if (GetTickCount64() >= end) return false;
    Sleep(kPoll);
  }
  return true;
}

void expectReport(HWND box, const std::wstring& secondLine,
                  const std::vector<std::wstring>& mentioned, const std::source_location& where) {
  const std::wstring text = boxText(box);
  const auto lineBreak = text.find(L"\r\n");
  if (!expectTrue(lineBreak != std::wstring::npos, "the report's two lines", describe(text),
                  "a text with \"\\r\\n\"", where)) {
    return;
  }
  const std::wstring first = text.substr(0, lineBreak);
  expectEqual(text.substr(lineBreak + 2), secondLine, "the report's second line", where);
  // " 13: ..." or "-2147024894: ...": a sign position, digits, a colon and a blank.
  std::size_t digits = 1;
  while (digits < first.size() && first[digits] >= L'0' && first[digits] <= L'9') ++digits;
  const bool numbered = first.size() > 3 && (first[0] == L' ' || first[0] == L'-') && digits > 1 &&
                        first.compare(digits, 2, L": ") == 0 && first.size() > digits + 2;
  expectTrue(numbered, "the report's first line", describe(first),
             "a blank or \"-\", the error number, \": \" and a description", where);
  for (const auto& word : mentioned) {
    expectTrue(first.find(word) != std::wstring::npos, "the report's description", describe(first),
               "a mention of " + describe(word), where);
  }
}

std::vector<HWND> waitForBoxes(DWORD pid, DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  do {
    auto boxes = zarnBoxes(pid);
    if (!boxes.empty()) return boxes;
    Sleep(kPoll);
  } while (GetTickCount64() < end);
  return {};
}

HWND waitForPopupMenu(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  do {
    for (HWND menu = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); menu != nullptr;
         menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) {
      if (IsWindowVisible(menu)) return menu;
    }
    Sleep(kPoll);
  } while (GetTickCount64() < end);
  return nullptr;
}

HWND waitForTrayIcon(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  do {
    if (const HWND tray = FindWindowW(L"__winex11_standalone_tray", L"Wine System Tray")) {
      if (const HWND icon = FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr)) {
        return icon;
      }
    }
    Sleep(kPoll);
  } while (GetTickCount64() < end);
  return nullptr;
}

void mouseMoveTo(int x, int y) { sendMouse(x, y, 0); }

void mouseButton(int x, int y, bool left, bool down) {
  const DWORD flags = left ? (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP)
                           : (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP);
  sendMouse(x, y, flags);
}

void click(int x, int y, bool left) {
  mouseMoveTo(x, y);
  Sleep(kPoll);
  mouseButton(x, y, left, true);
  Sleep(kPoll);
  mouseButton(x, y, left, false);
}

void doubleClick(int x, int y) {
  click(x, y);
  Sleep(kPoll);
  click(x, y);
}

void keyPress(WORD virtualKey) {
  INPUT keys[2] = {};
  keys[0].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = virtualKey;
  keys[1] = keys[0];
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof keys[0]);
}

void keyState(WORD virtualKey, bool down) {
  INPUT key{};
  key.type = INPUT_KEYBOARD;
  key.ki.wVk = virtualKey;
  key.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &key, sizeof key);
}

void mouseWheel(int x, int y, int delta) {
  mouseMoveTo(x, y);
  Sleep(kPoll);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.mouseData = static_cast<DWORD>(delta);
  input.mi.dwFlags = MOUSEEVENTF_WHEEL;
  SendInput(1, &input, sizeof input);
}

namespace {

// The system clock in seconds, to the microsecond under Wine. The second's boundaries are
// those of the local time, whose zone differs by whole minutes.
double systemSeconds() {
  using PreciseCall = void(WINAPI*)(LPFILETIME);
  static const auto precise = reinterpret_cast<PreciseCall>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
  FILETIME time{};
  if (precise != nullptr) {
    precise(&time);
  } else {
    GetSystemTimeAsFileTime(&time);
  }
  const ULONGLONG ticks = (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return static_cast<double>(ticks % (10000000ULL * 86400 * 365)) / 1e7;
}

struct Appearance {
  double after;   // the start of the last reading that did not show it
  double before;  // the end of the first reading that did
  int second;
};

// Which second a picture's hand in `colour` points at, from the mean direction of its
// pixels; -1 when too few of them show.
int secondShown(const std::uint32_t* pixels, int width, int height, Rgb colour) {
  double sumX = 0;
  double sumY = 0;
  int count = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
      const Rgb rgb{static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                    static_cast<std::uint8_t>(p)};
      const double dx = x - width / 2.0;
      const double dy = y - height / 2.0;
      if (!closeTo(rgb, colour, 8) || dx * dx + dy * dy < 16) continue;
      sumX += dx;
      sumY += dy;
      ++count;
    }
  }
  if (count < std::min(width, height) / 10) return -1;
  constexpr double kSixtieth = 6.283185307179586 / 60;
  const long position = std::lround(std::atan2(sumX, -sumY) / kSixtieth);
  return static_cast<int>(((position % 60) + 60) % 60);
}

double nearestRank(const std::vector<double>& sorted, double share) {
  if (sorted.empty()) return 0;
  const auto rank = static_cast<std::size_t>(std::ceil(share * static_cast<double>(sorted.size())));
  return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

// The longest time between two readings of the screen from `from` to `to`, in ms.
double longestGap(const std::vector<double>& readings, double from, double to) {
  double longest = 0;
  auto next = std::lower_bound(readings.begin(), readings.end(), from);
  double previous = next == readings.begin() ? from : *std::prev(next);
  for (; next != readings.end() && *next <= to; ++next) {
    longest = std::max(longest, *next - previous);
    previous = *next;
  }
  return std::max(longest, to - previous) * 1000;
}

SecondsKept keptTime(int initial, const std::vector<Appearance>& appearances,
                     const std::vector<double>& readings, double end, int unread) {
  SecondsKept kept;
  kept.unread = unread;
  std::vector<double> lateness;
  int previous = initial;
  for (std::size_t i = 0; i < appearances.size(); ++i) {
    const Appearance& a = appearances[i];
    const int step = (a.second - previous + 60) % 60;
    if (previous >= 0 && step >= 2 && step <= 30) kept.skipped += step - 1;
    previous = a.second;
    ++kept.shown;
    const double at = (a.after + a.before) / 2;
    // The start of the second shown: the last one with its number, or the next one should
    // the clock show it ahead of time.
    const auto whole = static_cast<long long>(std::floor(at));
    const int back = static_cast<int>(((whole % 60) - a.second + 60) % 60);
    const double began = static_cast<double>(back <= 30 ? whole - back : whole + 60 - back);
    // Timed only when the watcher looked often enough from the second's start until the
    // hand showed: on a machine too busy to let the watcher run, the clock waits as well.
    if ((a.before - a.after) * 1000 <= 2 * kTimedWithinMs &&
        longestGap(readings, began, a.before) <= 2 * kTimedWithinMs) {
      lateness.push_back((at - began) * 1000);
    }
    const double until = i + 1 < appearances.size()
                             ? (appearances[i + 1].after + appearances[i + 1].before) / 2
                             : end;
    if (until - at >= 1.5) ++kept.repeated;
  }
  std::sort(lateness.begin(), lateness.end());
  kept.timed = static_cast<int>(lateness.size());
  kept.medianMs = nearestRank(lateness, 0.5);
  kept.p90Ms = nearestRank(lateness, 0.9);
  kept.maxMs = lateness.empty() ? 0 : lateness.back();
  return kept;
}

}  // namespace

std::vector<SecondsKept> watchSeconds(const std::vector<HWND>& windows, Rgb secondColour,
                                      DWORD milliseconds) {
  struct Watched {
    HWND window = nullptr;
    HDC screen = nullptr;  // the screen's, as a layered window's own shows nothing behind it
    POINT origin{};        // the client area's top-left corner on the screen
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ original = nullptr;
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> last;
    double lastStart = 0;
    int initial = -1;
    int shown = -1;
    std::vector<Appearance> appearances;
    int unread = 0;
  };
  std::vector<Watched> watched;
  for (const HWND window : windows) {
    RECT client{};
    GetClientRect(window, &client);
    Watched w{};
    w.window = window;
    w.screen = GetDC(nullptr);
    ClientToScreen(window, &w.origin);
    w.width = client.right;
    w.height = client.bottom;
    w.memory = CreateCompatibleDC(w.screen);
    void* bits = nullptr;
    w.bitmap = createTopDownDib(w.width, w.height, &bits);
    w.bits = static_cast<std::uint32_t*>(bits);
    w.original = SelectObject(w.memory, w.bitmap);
    watched.push_back(std::move(w));
  }
  const double end = systemSeconds() + milliseconds / 1000.0;
  std::vector<double> readings;  // when each round of readings began
  for (bool first = true;; first = false) {
    readings.push_back(systemSeconds());
    for (Watched& w : watched) {
      if (w.bits == nullptr) continue;
      const double start = systemSeconds();
      BitBlt(w.memory, 0, 0, w.width, w.height, w.screen, w.origin.x, w.origin.y, SRCCOPY);
      GdiFlush();
      const double done = systemSeconds();
      const std::size_t size = static_cast<std::size_t>(w.width) * w.height;
      if (first || !std::equal(w.bits, w.bits + size, w.last.begin())) {
        w.last.assign(w.bits, w.bits + size);
        const int second = secondShown(w.bits, w.width, w.height, secondColour);
        if (first) {
          w.initial = w.shown = second;
        } else if (second < 0) {
          ++w.unread;
        } else if (second != w.shown) {
          w.appearances.push_back({w.lastStart, done, second});
          w.shown = second;
        }
      }
      w.lastStart = start;
    }
    const double now = systemSeconds();
    if (now >= end) break;
    const double fraction = now - std::floor(now);
    pause(fraction > 0.93 || fraction < 0.17 ? 1 : 10);
  }
  std::vector<SecondsKept> kept;
  for (Watched& w : watched) {
    kept.push_back(keptTime(w.initial, w.appearances, readings, end, w.unread));
    SelectObject(w.memory, w.original);
    DeleteObject(w.bitmap);
    DeleteDC(w.memory);
    ReleaseDC(nullptr, w.screen);
  }
  return kept;
}

std::string describe(const SecondsKept& kept) {
  return printed(
      "%d new seconds, %d timed: lateness median %.0f, p90 %.0f, max %.0f ms; %d skipped, %d "
      "shown twice, %d unread",
      kept.shown, kept.timed, kept.medianMs, kept.p90Ms, kept.maxMs, kept.skipped, kept.repeated,
      kept.unread);
}

void waitForMillisecond(int millisecond) {
  const double target = millisecond / 1000.0;
  for (;;) {
    const double now = systemSeconds();
    const double fraction = now - std::floor(now);
    const double wait = fraction <= target ? target - fraction : 1 - fraction + target;
    if (wait < 0.002) return;
    // The last milliseconds are waited for in short steps: a sleep may take longer.
    pause(wait > 0.02 ? static_cast<DWORD>((wait - 0.015) * 1000) : 1);
  }
}

double processorsBusy(const std::string& before, const std::string& after) {
  // The first line of /proc/stat: user, nice, system, idle, iowait, irq, softirq, steal.
  const auto times = [](const std::string& stat) {
    std::vector<long long> values;
    const char* p = stat.c_str();
    if (stat.rfind("cpu ", 0) != 0) return values;
    p += 4;
    char* next = nullptr;
    for (long long v = std::strtoll(p, &next, 10); next != p && values.size() < 8;
         v = std::strtoll(p, &next, 10)) {
      values.push_back(v);
      p = next;
    }
    return values;
  };
  const std::vector<long long> a = times(before);
  const std::vector<long long> b = times(after);
  if (a.size() < 5 || b.size() != a.size()) return 0;
  long long total = 0;
  long long idle = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    total += b[i] - a[i];
    if (i == 3 || i == 4) idle += b[i] - a[i];
  }
  return total > 0 ? static_cast<double>(total - idle) / static_cast<double>(total) : 0;
}

double secondsOfDayNow() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
}

void pause(DWORD milliseconds) { Sleep(milliseconds); }

bool gone(HWND window) { return IsWindow(window) == FALSE || IsWindowVisible(window) == FALSE; }

POINT centreOnScreen(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

std::string readProc(const std::string& path) {
  const HANDLE file =
      CreateFileA(("Z:\\proc\\" + path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string text;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) != FALSE && got > 0) {
    text.append(chunk, got);
  }
  CloseHandle(file);
  return text;
}

std::vector<std::string> procIds(const std::string& folder) {
  std::vector<std::string> ids;
  WIN32_FIND_DATAA entry{};
  const HANDLE search = FindFirstFileA(("Z:\\proc\\" + folder + "*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return ids;
  do {
    const std::string name = entry.cFileName;
    if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) {
      ids.push_back(name);
    }
  } while (FindNextFileA(search, &entry) != FALSE);
  FindClose(search);
  return ids;
}

long long procValue(const std::string& text, const std::string& label) {
  const std::size_t at = text.find("\n" + label + ":");
  if (at == std::string::npos) return 0;
  return std::atoll(text.c_str() + at + label.size() + 2);
}

std::string linuxPid(const std::vector<std::wstring>& arguments) {
  std::string start;
  for (const std::wstring& argument : arguments) start += win32::narrow(argument) + '\0';
  char prefix[1024] = {};
  GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
  std::string prefixEntry(1, '\0');
  prefixEntry.append("WINEPREFIX=").append(prefix).push_back('\0');
  for (const std::string& pid : procIds("")) {
    if (readProc(pid + "\\cmdline").compare(0, start.size(), start) != 0) continue;
    // A NUL in front, so that the prefix's entry matches the first variable too.
    std::string environment(1, '\0');
    environment += readProc(pid + "\\environ");
    if (environment.find(prefixEntry) != std::string::npos) return pid;
  }
  return {};
}

}  // namespace zarn::e2e
