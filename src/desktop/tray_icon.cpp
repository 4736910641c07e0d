#include "desktop/tray_icon.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace zarn::tray {
namespace {

void put32(std::array<std::uint8_t, kRecordSize>& bytes, std::size_t offset, std::uint64_t value) {
  for (std::size_t i = 0; i < 4; ++i) {
    bytes[offset + i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFFU);
  }
}

}  // namespace

std::array<char, 64> fixedTip(const char* text) {
  std::array<char, 64> tip{};
  tip.fill(' ');
  // At most 63 characters are kept, so that the NUL which ends the tooltip always fits.
  const std::size_t length = std::min(std::strlen(text), tip.size() - 1);
  std::memcpy(tip.data(), text, length);
  tip[length] = '\0';
  return tip;
}

std::array<std::uint8_t, kRecordSize> recordBytes(const NotifyIconData& data) {
  std::array<std::uint8_t, kRecordSize> bytes{};
  put32(bytes, 0, data.cbSize);
  put32(bytes, 4, data.hWnd);
  put32(bytes, 8, data.uID);
  put32(bytes, 12, data.uFlags);
  put32(bytes, 16, data.uCallbackMessage);
  put32(bytes, 20, data.hIcon);
  static_assert(24 + sizeof data.szTip == kRecordSize);
  std::memcpy(bytes.data() + 24, data.szTip.data(), data.szTip.size());
  return bytes;
}

}  // namespace zarn::tray
