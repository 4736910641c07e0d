#pragma once

// The texts the open-file dialog is given: its filter list, and the initial name cut to
// its buffer.

#include <cstddef>
#include <string>
#include <string_view>

namespace zarn {

// The filter list of "description|pattern|..." in the dialog's form: description and
// pattern, each ended by a NUL, and one more NUL at the end; empty for an empty filter. A
// description without a pattern of its own also serves as the pattern, so "*.jpg" is both.
std::string filterList(std::string_view filter);

// How many UTF-16 units of `text` a buffer of `capacity` units (capacity > 0) takes with
// its NUL: all that fit, less a high surrogate whose pair would be cut off.
template <typename Unit>
std::size_t truncatedLength(std::basic_string_view<Unit> text, std::size_t capacity) {
  std::size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
  if (length < text.size() && length > 0) {
    const auto last = static_cast<char32_t>(text[length - 1]);
    if (last >= 0xD800 && last <= 0xDBFF) --length;
  }
  return length;
}

}  // namespace zarn
