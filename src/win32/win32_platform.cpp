#include "win32/win32_platform.h"

#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "desktop/tray_icon.h"
#include "platform/failure.h"
#include "platform/numeric.h"
#include "win32/handles.h"
#include "win32/system_error.h"
#include "win32/text.h"

namespace zarn::win32 {

namespace {

template <typename T>
T fromHandle(Handle handle) {
  return reinterpret_cast<T>(handle);
}

template <typename T>
Handle toHandle(T value) {
  return reinterpret_cast<Handle>(value);
}

int toPixels(Twips twips, float twipsPerPixel, std::string_view what) {
  return toInt32(divide(twips, twipsPerPixel, what), what);
}

std::wstring keyPath(const std::string& app, const std::string& section) {
  return L"Software\\" + widen(app) + L"\\" + widen(section);
}

Failure notText(const std::string& key) {
  return Failure(errors::kSettingNotText, "Einstellung \"" + key + "\" ist kein Text");
}

}  // namespace

Win32Screen::Win32Screen() {
  int dpiX = 0;
  int dpiY = 0;
  if (const HDC screen = GetDC(nullptr); screen != nullptr) {
    dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  twipsPerPixelX_ = 1440.0f / static_cast<float>(dpiX > 0 ? dpiX : USER_DEFAULT_SCREEN_DPI);
  twipsPerPixelY_ = 1440.0f / static_cast<float>(dpiY > 0 ? dpiY : USER_DEFAULT_SCREEN_DPI);
}

Twips Win32Screen::width() const {
  return static_cast<float>(GetSystemMetrics(SM_CXSCREEN)) * twipsPerPixelX_;
}

Twips Win32Screen::height() const {
  return static_cast<float>(GetSystemMetrics(SM_CYSCREEN)) * twipsPerPixelY_;
}

Win32ClockWindow::Win32ClockWindow(FrmZarnWindow& window, const Screen& screen)
    : window_(window), screen_(screen) {}

Handle Win32ClockWindow::hWnd() const { return toHandle(window_.hwnd()); }

Handle Win32ClockWindow::icon() const { return toHandle(window_.icon()); }

RECT Win32ClockWindow::windowRect() const {
  RECT rect{};
  if (GetWindowRect(window_.hwnd(), &rect) == FALSE) throw lastErrorFailure();
  return rect;
}

RECT Win32ClockWindow::clientRect() const {
  RECT rect{};
  if (GetClientRect(window_.hwnd(), &rect) == FALSE) throw lastErrorFailure();
  return rect;
}

void Win32ClockWindow::place(int x, int y, int width, int height, UINT flags) {
  if (SetWindowPos(window_.hwnd(), nullptr, x, y, width, height,
                   flags | SWP_NOZORDER | SWP_NOACTIVATE) == FALSE) {
    throw lastErrorFailure();
  }
}

Twips Win32ClockWindow::top() const {
  return static_cast<float>(windowRect().top) * screen_.twipsPerPixelY();
}

Twips Win32ClockWindow::left() const {
  return static_cast<float>(windowRect().left) * screen_.twipsPerPixelX();
}

Twips Win32ClockWindow::width() const {
  const RECT rect = windowRect();
  return static_cast<float>(rect.right - rect.left) * screen_.twipsPerPixelX();
}

Twips Win32ClockWindow::height() const {
  const RECT rect = windowRect();
  return static_cast<float>(rect.bottom - rect.top) * screen_.twipsPerPixelY();
}

void Win32ClockWindow::setTop(Twips value) {
  const int y = toPixels(value, screen_.twipsPerPixelY(), "Top");
  place(windowRect().left, y, 0, 0, SWP_NOSIZE);
}

void Win32ClockWindow::setLeft(Twips value) {
  const int x = toPixels(value, screen_.twipsPerPixelX(), "Left");
  place(x, windowRect().top, 0, 0, SWP_NOSIZE);
}

void Win32ClockWindow::setWidth(Twips value) {
  const int width = toPixels(value, screen_.twipsPerPixelX(), "Width");
  const RECT rect = windowRect();
  place(0, 0, width, rect.bottom - rect.top, SWP_NOMOVE);
}

void Win32ClockWindow::setHeight(Twips value) {
  const int height = toPixels(value, screen_.twipsPerPixelY(), "Height");
  const RECT rect = windowRect();
  place(0, 0, rect.right - rect.left, height, SWP_NOMOVE);
}

Twips Win32ClockWindow::scaleWidth() const {
  return static_cast<float>(clientRect().right) * screen_.twipsPerPixelX();
}

Twips Win32ClockWindow::scaleHeight() const {
  return static_cast<float>(clientRect().bottom) * screen_.twipsPerPixelY();
}

void Win32ClockWindow::show() { ShowWindow(window_.hwnd(), SW_SHOW); }

void Win32ClockWindow::hide() { ShowWindow(window_.hwnd(), SW_HIDE); }

void Win32ClockWindow::unload() { window_.unload(); }

void Win32ClockWindow::popupMenu() { window_.popupMenu(); }

Win32Gdi::Win32Gdi(FrmZarnWindow& window, const Screen& screen)
    : window_(window), screen_(screen) {}

Handle Win32Gdi::createSolidBrush(Colour colour) {
  return toHandle(CreateSolidBrush(static_cast<COLORREF>(colour)));
}

Handle Win32Gdi::createPen(int style, int width, Colour colour) {
  return toHandle(CreatePen(style, width, static_cast<COLORREF>(colour)));
}

Handle Win32Gdi::selectObject(Handle object) {
  const HDC dc = window_.backBuffer();
  if (dc == nullptr) return 0;
  return toHandle(SelectObject(dc, fromHandle<HGDIOBJ>(object)));
}

void Win32Gdi::selectStockObjects() {
  const HDC dc = window_.backBuffer();
  if (dc == nullptr) return;
  // The brush and pen that every new device context starts with.
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  SelectObject(dc, GetStockObject(BLACK_PEN));
}

bool Win32Gdi::deleteObject(Handle object) {
  return DeleteObject(fromHandle<HGDIOBJ>(object)) != FALSE;
}

bool Win32Gdi::polygon(const Point* points, int count) {
  const HDC dc = window_.backBuffer();
  if (dc == nullptr || points == nullptr || count < 0) return false;
  std::vector<POINT> vertices(static_cast<std::size_t>(count));
  std::transform(points, points + count, vertices.begin(), [](const Point& p) {
    return POINT{p.x, p.y};
  });
  return Polygon(dc, vertices.data(), count) != FALSE;
}

void Win32Gdi::paintPicture(const Picture& picture, Twips x, Twips y, Twips width, Twips height) {
  if (picture.handle() == 0) return;
  const HDC dc = window_.backBuffer();
  if (dc == nullptr) return;
  const int left = toPixels(x, screen_.twipsPerPixelX(), "X");
  const int top = toPixels(y, screen_.twipsPerPixelY(), "Y");
  const int destinationWidth = toPixels(width, screen_.twipsPerPixelX(), "Breite");
  const int destinationHeight = toPixels(height, screen_.twipsPerPixelY(), "H\u00F6he");

  const auto bitmap = fromHandle<HBITMAP>(picture.handle());
  BITMAP size{};
  if (GetObjectW(bitmap, sizeof(size), &size) == 0) return;
  const UniqueDc source(CreateCompatibleDC(dc));
  if (!source) return;
  const SelectionGuard selected(source.get(), bitmap);
  // The loader has scaled the face to the client area once, so a tick only copies it; a
  // picture of any other size is stretched.
  if (size.bmWidth == destinationWidth && size.bmHeight == destinationHeight) {
    BitBlt(dc, left, top, destinationWidth, destinationHeight, source.get(), 0, 0, SRCCOPY);
    return;
  }
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, left, top, destinationWidth, destinationHeight, source.get(), 0, 0, size.bmWidth,
             size.bmHeight, SRCCOPY);
}

LocalTime Win32TimeOfDay::now() {
  SYSTEMTIME time{};
  GetLocalTime(&time);
  return LocalTime{time.wHour, time.wMinute, time.wSecond};
}

std::string RegistrySettingsStore::getSetting(const std::string& app, const std::string& section,
                                              const std::string& key,
                                              const std::string& defaultText) {
  HKEY opened = nullptr;
  LSTATUS status =
      RegOpenKeyExW(HKEY_CURRENT_USER, keyPath(app, section).c_str(), 0, KEY_QUERY_VALUE, &opened);
  if (status == ERROR_FILE_NOT_FOUND) return defaultText;
  if (status != ERROR_SUCCESS) throw systemFailure(static_cast<DWORD>(status));
  const UniqueKey sectionKey(opened);
  const std::wstring name = widen(key);

  // The size is asked first; a value that grows before it is read is asked for again.
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    status = RegQueryValueExW(sectionKey.get(), name.c_str(), nullptr, &type, nullptr, &bytes);
    if (status == ERROR_FILE_NOT_FOUND) return defaultText;
    if (status != ERROR_SUCCESS) throw systemFailure(static_cast<DWORD>(status));
    if (type != REG_SZ) throw notText(key);

    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    status = RegQueryValueExW(sectionKey.get(), name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer.data()), &bytes);
    if (status == ERROR_MORE_DATA) continue;
    if (status == ERROR_FILE_NOT_FOUND) return defaultText;
    if (status != ERROR_SUCCESS) throw systemFailure(static_cast<DWORD>(status));
    if (type != REG_SZ) throw notText(key);

    // The text ends at its first NUL, whether the stored value carries one or not.
    std::wstring_view text(buffer.data(),
                           std::min<std::size_t>(bytes / sizeof(wchar_t), buffer.size()));
    text = text.substr(0, text.find(L'\0'));
    return narrow(text);
  }
  throw systemFailure(ERROR_MORE_DATA);
}

void RegistrySettingsStore::saveSetting(const std::string& app, const std::string& section,
                                        const std::string& key, const std::string& text) {
  HKEY created = nullptr;
  LSTATUS status =
      RegCreateKeyExW(HKEY_CURRENT_USER, keyPath(app, section).c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &created, nullptr);
  if (status != ERROR_SUCCESS) throw systemFailure(static_cast<DWORD>(status));
  const UniqueKey sectionKey(created);
  const std::wstring value = widen(text);
  status = RegSetValueExW(sectionKey.get(), widen(key).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  if (status != ERROR_SUCCESS) throw systemFailure(static_cast<DWORD>(status));
}

std::string Win32UserLocale::decimalSeparator() const {
  std::array<wchar_t, 16> separator{};
  const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator.data(),
                                     static_cast<int>(separator.size()));
  if (length == 0) throw lastErrorFailure();
  return narrow(std::wstring_view(separator.data(), static_cast<std::size_t>(length - 1)));
}

void Win32MessageBoxes::msgBox(const std::string& text, int style, const std::string& title) {
  // What a failed tick drew before its failure is on the screen while the box is open.
  owner_.present();
  MessageBoxW(owner_.hwnd(), widen(text).c_str(), widen(title).c_str(), static_cast<UINT>(style));
}

void Win32Process::end() { ExitProcess(0); }

bool Win32Shell::shellNotifyIcon(std::uint32_t message, const NotifyIconData& data) {
  NOTIFYICONDATAA record{};
#ifdef _WIN64
  // The 64-bit shell reads the same first form with 8-byte handles and their padding.
  static_assert(NOTIFYICONDATAA_V1_SIZE == 104, "first-form record of the 64-bit shell");
  static_assert(sizeof(record.szTip) >= sizeof(NotifyIconData::szTip));
  record.cbSize = data.cbSize == tray::kRecordSize ? NOTIFYICONDATAA_V1_SIZE : data.cbSize;
  record.hWnd = fromHandle<HWND>(data.hWnd);
  record.uID = data.uID;
  record.uFlags = data.uFlags;
  record.uCallbackMessage = data.uCallbackMessage;
  record.hIcon = fromHandle<HICON>(data.hIcon);
  std::memcpy(record.szTip, data.szTip.data(), data.szTip.size());
#else
  static_assert(NOTIFYICONDATAA_V1_SIZE == tray::kRecordSize, "the 88-byte record");
  const std::array<std::uint8_t, tray::kRecordSize> bytes = tray::recordBytes(data);
  static_assert(sizeof(record) >= sizeof(bytes));
  std::memcpy(&record, bytes.data(), bytes.size());
#endif
  return Shell_NotifyIconA(message, &record) != FALSE;
}

Handle Win32WindowActivation::getForegroundWindow() { return toHandle(GetForegroundWindow()); }

std::uint32_t Win32WindowActivation::getWindowThreadProcessId(Handle window) {
  return GetWindowThreadProcessId(fromHandle<HWND>(window), nullptr);
}

bool Win32WindowActivation::attachThreadInput(std::uint32_t idAttach, std::uint32_t idAttachTo,
                                              std::int32_t attach) {
  return AttachThreadInput(idAttach, idAttachTo, attach) != FALSE;
}

bool Win32WindowActivation::setForegroundWindow(Handle window) {
  return SetForegroundWindow(fromHandle<HWND>(window)) != FALSE;
}

bool Win32WindowActivation::isIconic(Handle window) {
  return IsIconic(fromHandle<HWND>(window)) != FALSE;
}

bool Win32WindowActivation::showWindow(Handle window, int command) {
  return ShowWindow(fromHandle<HWND>(window), command) != FALSE;
}

}  // namespace zarn::win32
