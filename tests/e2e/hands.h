#pragma once

// The driver's own account of where the clock draws its hands, worked out from the hand
// formulas independently of the clock's code, and the plane geometry that picks pixels
// safely inside or outside the drawn shapes. Portable: the unit tests hold it to the
// worked examples natively.

#include <array>
#include <span>
#include <vector>

namespace zarn::e2e {

struct Vertex {
  int x = 0;
  int y = 0;
  friend bool operator==(const Vertex&, const Vertex&) = default;
};

struct ClockTime {
  int hour = 0;
  int minute = 0;
  int second = 0;
  friend bool operator==(const ClockTime&, const ClockTime&) = default;
};

struct HandShapes {
  std::array<Vertex, 4> hour;    // centre, shoulder, tip, shoulder
  std::array<Vertex, 4> minute;  // centre, shoulder, tip, shoulder
  Vertex secondTip;
  Vertex centre;
  friend bool operator==(const HandShapes&, const HandShapes&) = default;
};

// Rounds to the nearest integer, an exact half to the even neighbour.
int roundHalfEven(double value);
int hourPosition(int hour, int minute);
// The three hands of a W x H pixel clock at a time of day.
HandShapes handShapes(int width, int height, ClockTime time);
// A window's size in pixels as the clock takes it for its hands: its twips over the
// unrounded twips per pixel, rounded once.
int pixelSize(double twips, double twipsPerPixel);
// The pixel one step further out than a hand's tip, along the hand's main direction. Each
// vertex of a hand is a pixel of its outline, and this one is none, so the two together
// tell where the tip lies to the pixel.
Vertex beyondTip(Vertex centre, Vertex tip);

// The whole seconds whose hands a clock may be showing when its screen was read between
// `before` and `after` (seconds of the day): the last tick can be up to about a second
// and a half old.
std::vector<ClockTime> shownTimes(double before, double after);
ClockTime timeOfDay(int secondsOfDay);

// Pixel positions are the integer coordinates of the pixels themselves, the lattice on
// which GDI places polygon vertices and line end points.
double distanceToSegment(double x, double y, Vertex a, Vertex b);
// Distance from the point to the polygon's outline: positive inside, negative outside.
double polygonMargin(double x, double y, std::span<const Vertex> polygon);

// A pixel counts as inside a hand when it lies this deep inside its outline, and as clear
// of a hand when it is at least this far outside: the 1-pixel pens reach half a pixel
// (a little more on slanted edges) beyond the outline.
inline constexpr double kInside = 0.9;
inline constexpr double kClear = 1.5;

struct ClockPixels {
  std::vector<Vertex> hour;    // inside the hour hand, clear of the later hands
  std::vector<Vertex> minute;  // inside the minute hand, clear of the second hand
  std::vector<Vertex> centre;  // on the face's flat centre disc, clear of every hand
};

// The pixels of a W x H clock whose colour is known at every one of `times`, which share
// their hour and minute.
ClockPixels clockPixels(int width, int height, const std::vector<ClockTime>& times);

}  // namespace zarn::e2e
