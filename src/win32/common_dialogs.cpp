#include "win32/common_dialogs.h"

#include <commdlg.h>

#include <cstddef>
#include <cwchar>
#include <string_view>
#include <utility>

#include "properties/file_dialog.h"
#include "win32/system_error.h"
#include "win32/text.h"

namespace zarn::win32 {
namespace {

// Copies `text` into the buffer, cut short where needed so that the NUL fits and no
// surrogate pair is split.
template <std::size_t N>
void copyTruncated(std::wstring_view text, std::array<wchar_t, N>& buffer) {
  const std::size_t length = truncatedLength(text, N);
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
  const std::wstring filters = widen(filterList(filter));
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
