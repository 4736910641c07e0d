#include "win32/common_dialogs.h"

#include <commdlg.h>

#include <cstddef>
#include <cwchar>
#include <string_view>
#include <utility>

#include "win32/system_error.h"
#include "win32/text.h"

namespace zarn::win32 {
namespace {

// The common dialog's filter list: description and pattern, each ended by a NUL, and one
// more NUL at the end.
std::wstring filterList(const std::string& filter) {
  const std::wstring wide = widen(filter);
  std::wstring list;
  std::wstring_view rest = wide;
  while (!rest.empty()) {
    const std::size_t bar = rest.find(L'|');
    const std::wstring_view description = rest.substr(0, bar);
    rest = bar == std::wstring_view::npos ? std::wstring_view() : rest.substr(bar + 1);
    std::wstring_view pattern = description;
    if (bar != std::wstring_view::npos) {
      const std::size_t next = rest.find(L'|');
      pattern = rest.substr(0, next);
      rest = next == std::wstring_view::npos ? std::wstring_view() : rest.substr(next + 1);
    }
    list.append(description).push_back(L'\0');
    list.append(pattern).push_back(L'\0');
  }
  if (!list.empty()) list.push_back(L'\0');
  return list;
}

// Copies `text` into the buffer, cut short where needed so that the NUL fits and no
// surrogate pair is split.
template <std::size_t N>
void copyTruncated(std::wstring_view text, std::array<wchar_t, N>& buffer) {
  std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
  if (length < text.size() && length > 0 && IS_HIGH_SURROGATE(text[length - 1])) --length;
  text.copy(buffer.data(), length);
  buffer[length] = L'\0';
}

std::wstring currentDirectory() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return {};
  std::wstring directory(size, L'\0');
  const DWORD length = GetCurrentDirectoryW(size, directory.data());
  directory.resize(length < size ? length : 0);
  return directory;
}

}  // namespace

Win32CommonDialogs::Win32CommonDialogs(std::function<HWND()> owner) : owner_(std::move(owner)) {
  customColours_.fill(RGB(255, 255, 255));
}

template <typename Function>
Function Win32CommonDialogs::dialogFunction(const char* name) {
  if (commonDialogs_ == nullptr) {
    commonDialogs_ = LoadLibraryW(L"comdlg32.dll");
    if (commonDialogs_ == nullptr) throw lastErrorFailure("LoadLibraryW");
  }
  const FARPROC address = GetProcAddress(commonDialogs_, name);
  if (address == nullptr) throw lastErrorFailure("GetProcAddress");
  return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

bool Win32CommonDialogs::chooseColor(Colour& colour) {
  const auto chooseColorW = dialogFunction<BOOL(WINAPI*)(CHOOSECOLORW*)>("ChooseColorW");
  CHOOSECOLORW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_ ? owner_() : nullptr;
  dialog.lpCustColors = customColours_.data();
  dialog.Flags = 0;
  if (!chooseColorW(&dialog)) return false;
  colour = static_cast<Colour>(dialog.rgbResult);
  return true;
}

bool Win32CommonDialogs::getOpenFileName(const std::string& filter, std::string& fileName) {
  const auto getOpenFileNameW = dialogFunction<BOOL(WINAPI*)(OPENFILENAMEW*)>("GetOpenFileNameW");
  const std::wstring filters = filterList(filter);
  std::array<wchar_t, kMaxFileName> buffer{};
  copyTruncated(widen(fileName), buffer);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_ ? owner_() : nullptr;
  dialog.lpstrFilter = filters.empty() ? nullptr : filters.c_str();
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.Flags = OFN_EXPLORER;

  // The dialog moves the current directory while the user browses; relative picture paths
  // are meant from the program's own current directory, so it is put back.
  const std::wstring directory = currentDirectory();
  const BOOL confirmed = getOpenFileNameW(&dialog);
  if (!directory.empty()) SetCurrentDirectoryW(directory.c_str());
  if (!confirmed) return false;
  buffer.back() = L'\0';
  fileName = narrow(std::wstring_view(buffer.data(), std::wcslen(buffer.data())));
  return true;
}

}  // namespace zarn::win32
