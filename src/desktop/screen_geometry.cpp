#include "desktop/screen_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "platform/numeric.h"

namespace zarn {
namespace {

bool overlaps(const PixelRect& a, const PixelRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// How far apart two rectangles are along one axis; 0 where they overlap along it.
std::int64_t gap(std::int32_t lowA, std::int32_t highA, std::int32_t lowB, std::int32_t highB) {
  if (highA <= lowB) return static_cast<std::int64_t>(lowB) - highA;
  if (highB <= lowA) return static_cast<std::int64_t>(lowA) - highB;
  return 0;
}

// The start that puts an extent of `size` inside [low, high), moving it as little as it
// takes; a larger extent starts at `low`.
std::int32_t fitted(std::int32_t start, std::int32_t size, std::int32_t low, std::int32_t high) {
  const std::int64_t latest = static_cast<std::int64_t>(high) - size;
  if (latest < low) return low;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(start, low, latest));
}

std::int64_t overlapArea(const PixelRect& a, const PixelRect& b) {
  if (!overlaps(a, b)) return 0;
  const std::int64_t width =
      static_cast<std::int64_t>(std::min(a.right, b.right)) - std::max(a.left, b.left);
  const std::int64_t height =
      static_cast<std::int64_t>(std::min(a.bottom, b.bottom)) - std::max(a.top, b.top);
  return width * height;
}

// The shift that brings the midpoint of [low, high) into [areaLow, areaHigh).
std::int32_t shiftIntoArea(std::int32_t low, std::int32_t high, std::int32_t areaLow,
                           std::int32_t areaHigh) {
  const std::int64_t middle = (static_cast<std::int64_t>(low) + high) / 2;
  if (middle < areaLow) return static_cast<std::int32_t>(areaLow - middle);
  if (middle >= areaHigh) return static_cast<std::int32_t>(areaHigh - 1 - middle);
  return 0;
}

}  // namespace

float twipsPerPixel(unsigned dpi) {
  return 1440.0F / static_cast<float>(dpi > 0 ? dpi : kDefaultDpi);
}

std::int32_t pixelsAtDpi(Twips twips, unsigned dpi) {
  return twipsToPixels(twips, twipsPerPixel(dpi), "Bildpunkte");
}

unsigned dpiForStoredCorner(Twips left, Twips top, const std::vector<MonitorArea>& monitors,
                            unsigned systemDpi) {
  for (const MonitorArea& area : monitors) {
    const double factor = twipsPerPixel(area.dpi);
    const double x = roundHalfEven(left / factor);
    const double y = roundHalfEven(top / factor);
    if (x >= area.monitor.left && x < area.monitor.right && y >= area.monitor.top &&
        y < area.monitor.bottom) {
      return area.dpi;
    }
  }
  return systemDpi;
}

StoredPlace placeStored(Twips left, Twips top, Twips width, Twips height,
                        const std::vector<MonitorArea>& monitors, unsigned systemDpi) {
  const unsigned dpi = dpiForStoredCorner(left, top, monitors, systemDpi);
  const std::int32_t x = pixelsAtDpi(left, dpi);
  const std::int32_t y = pixelsAtDpi(top, dpi);
  return {{x, y, x + pixelsAtDpi(width, dpi), y + pixelsAtDpi(height, dpi)}, dpi};
}

PixelRect rectForDpiChange(const PixelRect& suggested, unsigned dpi,
                           const std::optional<DragAnchor>& drag,
                           const std::vector<MonitorArea>& monitors) {
  if (!drag) return suggested;
  const std::int32_t width = suggested.right - suggested.left;
  const std::int32_t height = suggested.bottom - suggested.top;
  const std::int32_t left = drag->cursorX - pixelsAtDpi(drag->grabX, dpi);
  const std::int32_t top = drag->cursorY - pixelsAtDpi(drag->grabY, dpi);
  PixelRect placed{left, top, left + width, top + height};
  const MonitorArea* target = nullptr;
  std::int64_t largest = 0;
  for (const MonitorArea& area : monitors) {
    const std::int64_t shared = overlapArea(suggested, area.monitor);
    if (area.dpi == dpi && shared > largest) {
      target = &area;
      largest = shared;
    }
  }
  if (target == nullptr) return placed;
  const std::int32_t dx =
      shiftIntoArea(placed.left, placed.right, target->monitor.left, target->monitor.right);
  const std::int32_t dy =
      shiftIntoArea(placed.top, placed.bottom, target->monitor.top, target->monitor.bottom);
  return {placed.left + dx, placed.top + dy, placed.right + dx, placed.bottom + dy};
}

std::optional<PixelRect> placeOnNearestMonitor(const PixelRect& window,
                                               const std::vector<MonitorArea>& monitors) {
  const MonitorArea* nearest = nullptr;
  std::int64_t nearestDistance = std::numeric_limits<std::int64_t>::max();
  for (const MonitorArea& area : monitors) {
    if (overlaps(window, area.monitor)) return std::nullopt;
    const std::int64_t dx = gap(window.left, window.right, area.monitor.left, area.monitor.right);
    const std::int64_t dy = gap(window.top, window.bottom, area.monitor.top, area.monitor.bottom);
    const std::int64_t distance = dx * dx + dy * dy;
    if (distance < nearestDistance) {
      nearest = &area;
      nearestDistance = distance;
    }
  }
  if (nearest == nullptr) return std::nullopt;
  const std::int32_t width = window.right - window.left;
  const std::int32_t height = window.bottom - window.top;
  const std::int32_t left = fitted(window.left, width, nearest->work.left, nearest->work.right);
  const std::int32_t top = fitted(window.top, height, nearest->work.top, nearest->work.bottom);
  return PixelRect{left, top, left + width, top + height};
}

std::optional<PixelRect> WayHome::afterMonitorsChanged(const PixelRect& window,
                                                       const std::vector<MonitorArea>& monitors) {
  if (home_ && window != placed_) home_.reset();
  // A home on no monitor still is one that placeOnNearestMonitor would move.
  if (home_ && !monitors.empty() && !placeOnNearestMonitor(*home_, monitors)) {
    return std::exchange(home_, std::nullopt);
  }
  const std::optional<PixelRect> placed = placeOnNearestMonitor(window, monitors);
  if (placed) {
    if (!home_) home_ = window;
    placed_ = *placed;
  }
  return placed;
}

namespace {

double widthOf(const PixelRect& r) { return static_cast<double>(r.right) - r.left; }
double heightOf(const PixelRect& r) { return static_cast<double>(r.bottom) - r.top; }

// `start` after `steps` notches within `workArea`, as NotchSizer::resized describes it.
PixelRect scaledByNotches(const PixelRect& start, int steps, const PixelRect& workArea) {
  const double width = widthOf(start);
  const double height = heightOf(start);
  const double smallest = kSmallestClock / std::max(width, height);
  const double largest = std::min(widthOf(workArea) / width, heightOf(workArea) / height);
  double factor = 1;
  if (steps > 0 && smallest > 1) {
    // A clock below the smallest grows to it with its first notch and on from there.
    factor = smallest * std::pow(kNotchFactor, steps - 1);
  } else if (steps != 0) {
    factor = std::max(std::pow(kNotchFactor, steps), smallest);
  }
  factor = std::min(factor, largest);
  const double newWidth = roundHalfEven(width * factor);
  const double newHeight = roundHalfEven(height * factor);
  if (newWidth == width && newHeight == height) return start;
  const auto w = static_cast<std::int32_t>(newWidth);
  const auto h = static_cast<std::int32_t>(newHeight);
  const auto left = static_cast<std::int32_t>(start.left + roundHalfEven((width - newWidth) / 2));
  const auto top = static_cast<std::int32_t>(start.top + roundHalfEven((height - newHeight) / 2));
  const std::int32_t x = fitted(left, w, workArea.left, workArea.right);
  const std::int32_t y = fitted(top, h, workArea.top, workArea.bottom);
  return PixelRect{x, y, x + w, y + h};
}

}  // namespace

PixelRect NotchSizer::resized(const PixelRect& window, int notches, const PixelRect& workArea) {
  const double width = widthOf(window);
  const double height = heightOf(window);
  if (notches == 0 || width <= 0 || height <= 0 || widthOf(workArea) <= 0 ||
      heightOf(workArea) <= 0) {
    return window;
  }
  if (last_ != window) {
    start_ = window;
    steps_ = 0;
  }
  const PixelRect next = scaledByNotches(start_, steps_ + notches, workArea);
  const bool against = notches > 0 ? widthOf(next) < width || heightOf(next) < height
                                   : widthOf(next) > width || heightOf(next) > height;
  if (against || next == window) return window;
  steps_ += notches;
  last_ = next;
  return next;
}

}  // namespace zarn
