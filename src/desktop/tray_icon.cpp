#include "desktop/tray_icon.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace zarn::tray {
std::array<char, 64> fixedTip(const char* text) {
  std::array<char, 64> tip{};
  tip.fill(' ');
  // At most 63 characters are kept, so that the NUL which ends the tooltip always fits.
  const std::size_t length = std::min(std::strlen(text), tip.size() - 1);
  std::memcpy(tip.data(), text, length);
  tip[length] = '\0';
  return tip;
}

}  // namespace zarn::tray
