#include "win32/win32_platform.h"

#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "desktop/tray_icon.h"
#include "platform/failure.h"
#include "platform/numeric.h"
#include "win32/dpi.h"
#include "win32/handles.h"
#include "win32/system_error.h"
#include "win32/text.h"

namespace zarn::win32 {

namespace {

std::wstring keyPath(const std::string& app, const std::string& section) {
  return L"Software\\" + widen(app) + L"\\" + widen(section);
}

Failure notText(const std::string& key) {
  return Failure(errors::kSettingNotText, "Einstellung \"" + key + "\" ist kein Text");
}

}  // namespace

Win32Screen::Win32Screen() { setDpi(systemDpi()); }

void Win32Screen::setDpi(unsigned dpi) {
  dpi_ = dpi;
  twipsPerPixel_ = twipsPerPixel(dpi);
}

Twips Win32Screen::virtualRight() const {
  const int right = GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN);
  return static_cast<float>(right) * twipsPerPixel_;
}

Twips Win32Screen::virtualBottom() const {
  const int bottom = GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN);
  return static_cast<float>(bottom) * twipsPerPixel_;
}

std::string RegistrySettingsStore::getSetting(const std::string& app, const std::string& section,
                                              const std::string& key,
                                              const std::string& defaultText) {
  const std::wstring path = keyPath(app, section);
  const std::wstring name = widen(key);
  // Without RRF_NOEXPAND this also takes REG_EXPAND_SZ, as deployment tools write paths,
  // and hands it back expanded; any other type is refused as ERROR_UNSUPPORTED_TYPE.
  constexpr DWORD kFlags = RRF_RT_REG_SZ;
  std::vector<wchar_t> buffer;
  // A value that grows between asking its size and reading it is asked for again.
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), kFlags,
                                        nullptr, buffer.empty() ? nullptr : buffer.data(), &bytes);
    if (status == ERROR_FILE_NOT_FOUND) return defaultText;
    if (status == ERROR_UNSUPPORTED_TYPE) throw notText(key);
    const bool sizeOnly = buffer.empty() && status == ERROR_SUCCESS;
    if (status == ERROR_MORE_DATA || sizeOnly) {
      buffer.assign(bytes / sizeof(wchar_t) + 1, L'\0');
      continue;
    }
    if (status != ERROR_SUCCESS) throw systemFailure(static_cast<DWORD>(status), "RegGetValueW");
    // The text ends at its first NUL, whether the stored value carries more or not.
    std::wstring_view text(buffer.data(),
                           std::min<std::size_t>(bytes / sizeof(wchar_t), buffer.size()));
    text = text.substr(0, text.find(L'\0'));
    return narrow(text);
  }
  throw systemFailure(ERROR_MORE_DATA, "RegGetValueW");
}

void RegistrySettingsStore::saveSetting(const std::string& app, const std::string& section,
                                        const std::string& key, const std::string& text) {
  UniqueKey sectionKey;
  LSTATUS status =
      RegCreateKeyExW(HKEY_CURRENT_USER, keyPath(app, section).c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, sectionKey.put(), nullptr);
  if (status != ERROR_SUCCESS) throw systemFailure(static_cast<DWORD>(status), "RegCreateKeyExW");
  const std::wstring value = widen(text);
  status = RegSetValueExW(sectionKey.get(), widen(key).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  if (status != ERROR_SUCCESS) throw systemFailure(static_cast<DWORD>(status), "RegSetValueExW");
}

std::string Win32UserLocale::decimalSeparator() const {
  std::array<wchar_t, 16> separator{};
  const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator.data(),
                                     static_cast<int>(separator.size()));
  if (length == 0) throw lastErrorFailure("GetLocaleInfoEx");
  return narrow(std::wstring_view(separator.data(), static_cast<std::size_t>(length - 1)));
}

void Win32MessageBoxes::msgBox(const std::string& text, int style, const std::string& title) {
  const HWND owner = owner_();
  // What a failed tick drew before its failure is on the screen while the box is open.
  if (owner != nullptr) InvalidateRect(owner, nullptr, FALSE);
  // The box comes to the front: the report of a tick behind other windows would otherwise
  // leave a clock that looks frozen for no visible reason.
  MessageBoxW(owner, widen(text).c_str(), widen(title).c_str(),
              static_cast<UINT>(style) | MB_SETFOREGROUND);
}

void Win32Process::end() { ExitProcess(0); }

bool Win32Shell::shellNotifyIcon(std::uint32_t message, const NotifyIconData& data) {
  // The record's first, single-byte form: 88 bytes on 32-bit, where it is exactly the
  // layout the clock fills, and the same fields with 8-byte handles (104 bytes) on 64-bit.
  NOTIFYICONDATAA record{};
  static_assert(sizeof(record.szTip) >= sizeof(NotifyIconData::szTip));
  record.cbSize = data.cbSize == tray::kRecordSize ? NOTIFYICONDATAA_V1_SIZE : data.cbSize;
  record.hWnd = fromHandle<HWND>(data.hWnd);
  record.uID = data.uID;
  record.uFlags = data.uFlags;
  record.uCallbackMessage = data.uCallbackMessage;
  record.hIcon = fromHandle<HICON>(data.hIcon);
  std::memcpy(record.szTip, data.szTip.data(), data.szTip.size());
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

bool Win32WindowActivation::raiseToTop(Handle window) {
  return SetWindowPos(fromHandle<HWND>(window), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE) !=
         FALSE;
}

}  // namespace zarn::win32
