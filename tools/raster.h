#pragma once

#include <functional>
#include <vector>

#include "faces.h"

namespace zarn::facegen {

struct Vec {
  double x = 0;
  double y = 0;
};

inline Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
inline Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
inline Vec operator*(Vec a, double s) { return {a.x * s, a.y * s}; }

// The point at `radius` from `centre` in the direction of `degrees`, measured clockwise
// from 12 o'clock as on a dial (y grows downward).
Vec dialPoint(Vec centre, double radius, double degrees);

// A colour with fractional channels on the 0..255 scale, so blending does not lose
// precision before the picture is finally rounded.
struct Tone {
  double r = 0;
  double g = 0;
  double b = 0;
};

Tone toTone(Rgb c);
Tone mix(Tone a, Tone b, double t);

// A picture of whole 8-bit pixels, stored top row first.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;

  RgbImage(int w, int h, Rgb fill) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
  [[nodiscard]] Rgb at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
  Rgb& at(int x, int y) { return pixels[std::size_t(y) * width + x]; }
};

struct Box {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
};

// A shape as a signed distance in pixels: negative inside, positive outside. Painting
// turns the distance at each pixel centre into coverage, which anti-aliases every edge.
struct Shape {
  std::function<double(Vec)> distance;
  Box bounds;
};

Shape disc(Vec centre, double radius);
Shape ring(Vec centre, double radius, double halfWidth);
// How much of the pixel whose centre is `p` lies within `shape`, from 0 to 1.
double coverage(const Shape& shape, Vec p);

// A line segment with round ends.
Shape capsule(Vec a, Vec b, double halfWidth);
// A line segment with square ends cut at a and b.
Shape bar(Vec a, Vec b, double halfWidth);
// A convex polygon, its points in either winding order.
Shape convexPolygon(std::vector<Vec> points);

// Round-ended strokes, each with its own half width, treated as one shape so that their
// joints blend without seams.
struct Stroke {
  Vec a;
  Vec b;
  double halfWidth = 1;
};
Shape strokes(std::vector<Stroke> segments);

class Canvas {
 public:
  Canvas(int width, int height, Tone background);

  [[nodiscard]] int width() const { return width_; }
  [[nodiscard]] int height() const { return height_; }

  // Sets every pixel within `shape` to the tone `shade` gives at the pixel centre,
  // blended by coverage and `opacity`.
  void paint(const Shape& shape, const std::function<Tone(Vec)>& shade, double opacity = 1);
  void paint(const Shape& shape, Tone tone, double opacity = 1);

  [[nodiscard]] RgbImage toImage() const;

 private:
  int width_;
  int height_;
  std::vector<Tone> tones_;
};

}  // namespace zarn::facegen
