#include "glyphs.h"

#include <cmath>
#include <numbers>

namespace zarn::facegen {

namespace {

class GlyphBuilder {
 public:
  explicit GlyphBuilder(double advance) { glyph_.advance = advance; }

  GlyphBuilder& line(std::vector<Vec> points, double weight = 1) {
    for (std::size_t i = 1; i < points.size(); ++i) {
      glyph_.strokes.push_back({points[i - 1], points[i], weight});
    }
    return *this;
  }

  // An elliptical arc sampled finely enough to look smooth at the sizes the faces use.
  // Angles are degrees clockwise from 3 o'clock, as y grows downward.
  GlyphBuilder& arc(Vec centre, double rx, double ry, double fromDeg, double toDeg,
                    double weight = 1) {
    const int steps = std::max(4, int(std::abs(toDeg - fromDeg) / 10));
    std::vector<Vec> points;
    for (int i = 0; i <= steps; ++i) {
      const double t = (fromDeg + (toDeg - fromDeg) * i / steps) * std::numbers::pi / 180;
      points.push_back({centre.x + rx * std::cos(t), centre.y + ry * std::sin(t)});
    }
    return line(points, weight);
  }

  // A Roman letter's hairline foot or head, centred on x at height y.
  GlyphBuilder& serif(double x, double y) { return line({{x - 0.13, y}, {x + 0.13, y}}, 0.45); }

  [[nodiscard]] Glyph build() const { return glyph_; }

 private:
  Glyph glyph_;
};

Glyph turnedHalfRound(const Glyph& g) {
  Glyph turned = g;
  for (GlyphStroke& s : turned.strokes) {
    s.a = {g.advance - s.a.x, 1 - s.a.y};
    s.b = {g.advance - s.b.x, 1 - s.b.y};
  }
  return turned;
}

Glyph six() {
  return GlyphBuilder(0.56)
      .arc({0.28, 0.68}, 0.28, 0.32, 0, 360)
      .arc({0.56, 0.68}, 0.56, 0.68, 180, 255)
      .build();
}

}  // namespace

Glyph glyphFor(char c) {
  switch (c) {
    case '0':
      return GlyphBuilder(0.56).arc({0.28, 0.5}, 0.28, 0.5, 0, 360).build();
    case '1':
      return GlyphBuilder(0.34).line({{0.02, 0.2}, {0.26, 0}, {0.26, 1}}).build();
    case '2':
      return GlyphBuilder(0.56)
          .arc({0.28, 0.28}, 0.27, 0.28, 195, 400)
          .line({{0.28 + 0.27 * 0.766, 0.28 + 0.28 * 0.643}, {0, 1}, {0.56, 1}})
          .build();
    case '3':
      return GlyphBuilder(0.56)
          .arc({0.28, 0.25}, 0.25, 0.24, 200, 450)
          .arc({0.28, 0.745}, 0.28, 0.255, 270, 520)
          .build();
    case '4':
      return GlyphBuilder(0.56).line({{0.42, 1}, {0.42, 0}, {0, 0.7}, {0.56, 0.7}}).build();
    case '5':
      return GlyphBuilder(0.56)
          .line({{0.52, 0}, {0.1, 0}, {0.082, 0.454}})
          .arc({0.28, 0.68}, 0.28, 0.32, 225, 500)
          .build();
    case '6':
      return six();
    case '7':
      return GlyphBuilder(0.56).line({{0, 0}, {0.56, 0}, {0.18, 1}}).build();
    case '8':
      return GlyphBuilder(0.56)
          .arc({0.28, 0.245}, 0.23, 0.245, 0, 360)
          .arc({0.28, 0.745}, 0.28, 0.255, 0, 360)
          .build();
    case '9':
      return turnedHalfRound(six());
    case 'I':
      return GlyphBuilder(0.3).line({{0.15, 0}, {0.15, 1}}).serif(0.15, 0).serif(0.15, 1).build();
    case 'V':
      return GlyphBuilder(0.7)
          .line({{0.05, 0}, {0.35, 1}})
          .line({{0.35, 1}, {0.65, 0}}, 0.55)
          .serif(0.05, 0)
          .serif(0.65, 0)
          .build();
    case 'X':
      return GlyphBuilder(0.68)
          .line({{0.06, 0}, {0.62, 1}})
          .line({{0.62, 0}, {0.06, 1}}, 0.55)
          .serif(0.06, 0)
          .serif(0.62, 0)
          .serif(0.06, 1)
          .serif(0.62, 1)
          .build();
    case 'Z':
      return GlyphBuilder(0.58).line({{0.04, 0}, {0.56, 0}, {0, 1}, {0.58, 1}}).build();
    case 'A':
      return GlyphBuilder(0.64)
          .line({{0, 1}, {0.32, 0}, {0.64, 1}})
          .line({{0.11, 0.66}, {0.53, 0.66}})
          .build();
    case 'R':
      return GlyphBuilder(0.56)
          .line({{0, 1}, {0, 0}, {0.3, 0}})
          .arc({0.3, 0.25}, 0.25, 0.25, 270, 450)
          .line({{0.3, 0.5}, {0, 0.5}})
          .line({{0.28, 0.5}, {0.56, 1}})
          .build();
    case 'N':
      return GlyphBuilder(0.56).line({{0, 1}, {0, 0}, {0.56, 1}, {0.56, 0}}).build();
    default:
      return {};
  }
}

Shape textShape(std::string_view text, Vec centre, double degrees, const TextStyle& style) {
  std::vector<Glyph> glyphs;
  double width = 0;
  for (char c : text) {
    glyphs.push_back(glyphFor(c));
    width += glyphs.back().advance;
  }
  if (!glyphs.empty()) width += style.spacing * double(glyphs.size() - 1);

  const double a = degrees * std::numbers::pi / 180;
  const double cosA = std::cos(a);
  const double sinA = std::sin(a);
  const auto place = [&](Vec local) {
    const Vec v = local * style.height;
    return Vec{centre.x + v.x * cosA - v.y * sinA, centre.y + v.x * sinA + v.y * cosA};
  };

  std::vector<Stroke> segments;
  double x = -width / 2;
  for (const Glyph& g : glyphs) {
    for (const GlyphStroke& s : g.strokes) {
      segments.push_back({place({x + s.a.x, s.a.y - 0.5}), place({x + s.b.x, s.b.y - 0.5}),
                          style.halfWidth * s.weight});
    }
    x += g.advance + style.spacing;
  }
  if (segments.empty()) return {[](Vec) { return 1e9; }, {centre.x, centre.y, centre.x, centre.y}};
  return strokes(std::move(segments));
}

}  // namespace zarn::facegen
