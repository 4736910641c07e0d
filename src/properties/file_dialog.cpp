#include "properties/file_dialog.h"

namespace zarn {

std::string filterList(std::string_view filter) {
  std::string list;
  std::string_view rest = filter;
  while (!rest.empty()) {
    const std::size_t bar = rest.find('|');
    const std::string_view description = rest.substr(0, bar);
    rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
    std::string_view pattern = description;
    if (bar != std::string_view::npos) {
      const std::size_t next = rest.find('|');
      pattern = rest.substr(0, next);
      rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
    }
    list.append(description).push_back('\0');
    list.append(pattern).push_back('\0');
  }
  if (!list.empty()) list.push_back('\0');
  return list;
}

}  // namespace zarn
