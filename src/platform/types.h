#pragma once

#include <compare>
#include <cstdint>

namespace zarn {

// A platform handle (window, GDI object, icon) held at the platform's full width; 0 is none.
using Handle = std::uintptr_t;

// A platform RGB colour: red in the lowest byte, then green, then blue.
using Colour = std::int32_t;

// Window geometry and mouse coordinates are single-precision twips (1/1440 inch).
using Twips = float;

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct LocalTime {
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
  int second = 0;  // 0..59
  // 0..999; the drawing reads whole seconds only, the tick's timing the milliseconds too.
  int millisecond = 0;
};

}  // namespace zarn
