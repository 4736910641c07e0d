#include "win32/system_error.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "win32/text.h"

namespace zarn::win32 {

namespace {

std::wstring formatSystemMessage(DWORD code) {
  std::array<wchar_t, 1024> buffer{};
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                     buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
  std::wstring_view text(buffer.data(), length);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.remove_suffix(1);
  }
  return std::wstring(text);
}

}  // namespace

std::string systemMessage(DWORD code) {
  std::wstring text = formatSystemMessage(code);
  // An HRESULT that wraps a Win32 error has the Win32 error's text, which not every system
  // finds under the HRESULT itself.
  const auto result = static_cast<HRESULT>(code);
  if (text.empty() && HRESULT_FACILITY(result) == FACILITY_WIN32) {
    text = formatSystemMessage(static_cast<DWORD>(HRESULT_CODE(result)));
  }
  if (!text.empty()) return narrow(text);
  std::array<char, 32> number{};
  if ((code & 0x80000000u) != 0) {
    std::snprintf(number.data(), number.size(), "Fehler 0x%08lX", static_cast<unsigned long>(code));
  } else {
    std::snprintf(number.data(), number.size(), "Fehler %lu", static_cast<unsigned long>(code));
  }
  return number.data();
}

Failure systemFailure(DWORD code, const char* call) {
  std::string description = call != nullptr ? std::string(call) + ": " : std::string();
  description += systemMessage(code);
  return Failure(static_cast<std::int32_t>(code), description);
}

Failure lastErrorFailure(const char* call) { return systemFailure(GetLastError(), call); }

}  // namespace zarn::win32
