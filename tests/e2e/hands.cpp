#include "hands.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "tools/faces.h"

namespace zarn::e2e {

namespace {

constexpr double kCircle = 6.283185307;

// One kite hand: centre, shoulders at a sixth of the size either side of the direction,
// the tip at `tipDivisor` of the size, in the order and arithmetic of the clock.
std::array<Vertex, 4> kite(int width, int height, double position, double spread,
                           double tipDivisor) {
  const double w = width;
  const double h = height;
  const double a = position * kCircle / 60;
  return {{
      {roundHalfEven(w / 2), roundHalfEven(h / 2)},
      {roundHalfEven((w / 6) * std::sin(a - spread) / 2 + w / 2),
       roundHalfEven(h / 2 - (h / 6) * std::cos(a - spread) / 2)},
      {roundHalfEven((w / tipDivisor) * std::sin(a) / 2 + w / 2),
       roundHalfEven(h / 2 - (h / tipDivisor) * std::cos(a) / 2)},
      {roundHalfEven((w / 6) * std::sin(a + spread) / 2 + w / 2),
       roundHalfEven(h / 2 - (h / 6) * std::cos(a + spread) / 2)},
  }};
}

}  // namespace

int roundHalfEven(double value) {
  // The floating-point environment's default rounding is to nearest, ties to even.
  return static_cast<int>(std::nearbyint(value));
}

int hourPosition(int hour, int minute) { return roundHalfEven((hour % 12) * 5 + minute / 12.0); }

HandShapes handShapes(int width, int height, ClockTime time) {
  HandShapes shapes;
  shapes.hour = kite(width, height, hourPosition(time.hour, time.minute), 0.15, 1.7);
  shapes.minute = kite(width, height, time.minute, 0.09, 1.3);
  const double w = width;
  const double h = height;
  const double a = time.second * kCircle / 60;
  shapes.secondTip = {roundHalfEven(w * std::sin(a) / 2.5 + w / 2),
                      roundHalfEven(h / 2 - h * std::cos(a) / 2.5)};
  shapes.centre = {roundHalfEven(w / 2), roundHalfEven(h / 2)};
  return shapes;
}

int pixelSize(double twips, double twipsPerPixel) { return roundHalfEven(twips / twipsPerPixel); }

Vertex beyondTip(Vertex centre, Vertex tip) {
  const int dx = tip.x - centre.x;
  const int dy = tip.y - centre.y;
  if (std::abs(dx) >= std::abs(dy)) return {tip.x + (dx > 0) - (dx < 0), tip.y};
  return {tip.x, tip.y + (dy > 0) - (dy < 0)};
}

ClockTime timeOfDay(int secondsOfDay) {
  constexpr int kDay = 24 * 3600;
  const int s = ((secondsOfDay % kDay) + kDay) % kDay;
  return {s / 3600, s / 60 % 60, s % 60};
}

std::vector<ClockTime> shownTimes(double before, double after) {
  std::vector<ClockTime> times;
  const int first = static_cast<int>(std::floor(before - 1.6));
  const int last = static_cast<int>(std::floor(std::max(before, after)));
  for (int s = first; s <= last; ++s) times.push_back(timeOfDay(s));
  return times;
}

double distanceToSegment(double x, double y, Vertex a, Vertex b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double lengthSquared = dx * dx + dy * dy;
  double t = 0;
  if (lengthSquared > 0)
    t = std::clamp(((x - a.x) * dx + (y - a.y) * dy) / lengthSquared, 0.0, 1.0);
  return std::hypot(x - (a.x + t * dx), y - (a.y + t * dy));
}

double polygonMargin(double x, double y, std::span<const Vertex> polygon) {
  double nearest = std::numeric_limits<double>::infinity();
  bool inside = false;
  for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
    const Vertex a = polygon[i];
    const Vertex b = polygon[j];
    nearest = std::min(nearest, distanceToSegment(x, y, a, b));
    if ((a.y > y) != (b.y > y)) {
      const double crossX = a.x + (y - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y);
      if (x < crossX) inside = !inside;
    }
  }
  return inside ? nearest : -nearest;
}

ClockPixels clockPixels(int width, int height, const std::vector<ClockTime>& times) {
  std::vector<HandShapes> shapes;
  for (const ClockTime t : times) shapes.push_back(handShapes(width, height, t));
  const HandShapes& hands = shapes.front();
  const double radius =
      0.75 * facegen::kCentreFlatRadius * std::min(width, height) / facegen::kFaceSize;
  ClockPixels found;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double second = std::numeric_limits<double>::infinity();
      for (const HandShapes& s : shapes) {
        second = std::min(second, distanceToSegment(x, y, s.secondTip, s.centre));
      }
      if (second < kClear) continue;
      const double inHour = polygonMargin(x, y, hands.hour);
      const double inMinute = polygonMargin(x, y, hands.minute);
      if (inHour >= kInside && -inMinute >= kClear) found.hour.push_back({x, y});
      if (inMinute >= kInside) found.minute.push_back({x, y});
      if (-inHour >= kClear && -inMinute >= kClear &&
          std::hypot(x - hands.centre.x, y - hands.centre.y) <= radius) {
        found.centre.push_back({x, y});
      }
    }
  }
  return found;
}

}  // namespace zarn::e2e
