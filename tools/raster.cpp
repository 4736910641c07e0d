#include "raster.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace zarn::facegen {

namespace {

double length(Vec v) { return std::hypot(v.x, v.y); }
double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }

double segmentDistance(Vec p, Vec a, Vec b) {
  const Vec ab = b - a;
  const double len2 = dot(ab, ab);
  const double t = len2 > 0 ? std::clamp(dot(p - a, ab) / len2, 0.0, 1.0) : 0.0;
  return length(p - (a + ab * t));
}

Box boxAround(const std::vector<Vec>& points, double margin) {
  Box box{points.front().x, points.front().y, points.front().x, points.front().y};
  for (const Vec& p : points) {
    box.left = std::min(box.left, p.x);
    box.top = std::min(box.top, p.y);
    box.right = std::max(box.right, p.x);
    box.bottom = std::max(box.bottom, p.y);
  }
  return {box.left - margin, box.top - margin, box.right + margin, box.bottom + margin};
}

std::uint8_t toByte(double channel) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(channel, 0.0, 255.0)));
}

}  // namespace

Vec dialPoint(Vec centre, double radius, double degrees) {
  const double a = degrees * std::numbers::pi / 180;
  return {centre.x + radius * std::sin(a), centre.y - radius * std::cos(a)};
}

Tone toTone(Rgb c) { return {double(c.r), double(c.g), double(c.b)}; }

Tone mix(Tone a, Tone b, double t) {
  return {a.r * (1 - t) + b.r * t, a.g * (1 - t) + b.g * t, a.b * (1 - t) + b.b * t};
}

double coverage(const Shape& shape, Vec p) { return std::clamp(0.5 - shape.distance(p), 0.0, 1.0); }

Shape disc(Vec centre, double radius) {
  return {[=](Vec p) { return length(p - centre) - radius; },
          {centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius}};
}

Shape ring(Vec centre, double radius, double halfWidth) {
  const double outer = radius + halfWidth;
  return {[=](Vec p) { return std::abs(length(p - centre) - radius) - halfWidth; },
          {centre.x - outer, centre.y - outer, centre.x + outer, centre.y + outer}};
}

Shape capsule(Vec a, Vec b, double halfWidth) {
  return {[=](Vec p) { return segmentDistance(p, a, b) - halfWidth; },
          boxAround({a, b}, halfWidth)};
}

Shape bar(Vec a, Vec b, double halfWidth) {
  const Vec ab = b - a;
  const double len = length(ab);
  const Vec along = ab * (1 / len);
  const Vec across{-along.y, along.x};
  const Vec mid = (a + b) * 0.5;
  const Vec c = across * halfWidth;
  return {[=](Vec p) {
            const Vec d = p - mid;
            return std::max(std::abs(dot(d, along)) - len / 2,
                            std::abs(dot(d, across)) - halfWidth);
          },
          boxAround({a + c, a - c, b + c, b - c}, 0)};
}

Shape convexPolygon(std::vector<Vec> points) {
  // Orient the points clockwise on screen so that every edge's outward normal is on its left.
  double area = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Vec& p = points[i];
    const Vec& q = points[(i + 1) % points.size()];
    area += p.x * q.y - q.x * p.y;
  }
  if (area < 0) std::reverse(points.begin(), points.end());
  const Box bounds = boxAround(points, 0);
  return {[points = std::move(points)](Vec p) {
            double d = -1e9;
            for (std::size_t i = 0; i < points.size(); ++i) {
              const Vec a = points[i];
              const Vec edge = points[(i + 1) % points.size()] - a;
              const Vec normal = Vec{edge.y, -edge.x} * (1 / length(edge));
              d = std::max(d, dot(p - a, normal));
            }
            return d;
          },
          bounds};
}

Shape strokes(std::vector<Stroke> segments) {
  std::vector<Vec> corners;
  for (const Stroke& s : segments) {
    const Vec r{s.halfWidth, s.halfWidth};
    corners.insert(corners.end(), {s.a - r, s.a + r, s.b - r, s.b + r});
  }
  const Box bounds = boxAround(corners, 0);
  return {[segments = std::move(segments)](Vec p) {
            double d = 1e9;
            for (const Stroke& s : segments) {
              d = std::min(d, segmentDistance(p, s.a, s.b) - s.halfWidth);
            }
            return d;
          },
          bounds};
}

Canvas::Canvas(int width, int height, Tone background)
    : width_(width), height_(height), tones_(std::size_t(width) * height, background) {}

void Canvas::paint(const Shape& shape, const std::function<Tone(Vec)>& shade, double opacity) {
  const int x0 = std::max(0, int(std::floor(shape.bounds.left)) - 1);
  const int y0 = std::max(0, int(std::floor(shape.bounds.top)) - 1);
  const int x1 = std::min(width_ - 1, int(std::ceil(shape.bounds.right)) + 1);
  const int y1 = std::min(height_ - 1, int(std::ceil(shape.bounds.bottom)) + 1);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const Vec p{x + 0.5, y + 0.5};
      const double covered = coverage(shape, p) * opacity;
      if (covered <= 0) continue;
      Tone& tone = tones_[std::size_t(y) * width_ + x];
      tone = covered >= 1 ? shade(p) : mix(tone, shade(p), covered);
    }
  }
}

void Canvas::paint(const Shape& shape, Tone tone, double opacity) {
  paint(
      shape, [tone](Vec) { return tone; }, opacity);
}

RgbImage Canvas::toImage() const {
  RgbImage image(width_, height_, Rgb{});
  for (std::size_t i = 0; i < tones_.size(); ++i) {
    image.pixels[i] = {toByte(tones_[i].r), toByte(tones_[i].g), toByte(tones_[i].b)};
  }
  return image;
}

}  // namespace zarn::facegen
