#include "artwork.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "glyphs.h"

namespace zarn::facegen {

namespace {

constexpr Vec kCentre{kFaceSize / 2.0, kFaceSize / 2.0};
constexpr double kDialRadius = 182;
constexpr double kBezelRadius = 196;
// The dial's shading starts a little outside the promised flat centre, so the centre
// stays flat even after the picture is stretched and smoothed.
constexpr double kShadingStart = kCentreFlatRadius * 1.75;

double smoothstep(double t) {
  t = std::clamp(t, 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

struct CaseStyle {
  Tone bezelLight;
  Tone bezelDark;
  Tone dialCentre;
  Tone dialEdge;
};

// Light falls from the upper left; `t` is 1 where a surface faces it.
double facingLight(Vec p) {
  const Vec d = p - kCentre;
  const double len = std::hypot(d.x, d.y);
  if (len == 0) return 0.5;
  return 0.5 + 0.5 * (-d.x - d.y) / (len * std::sqrt(2.0));
}

void drawCaseAndDial(Canvas& canvas, const CaseStyle& style) {
  // A raised outer bevel and a sunken inner one make the bezel read as a turned ring. It
  // reaches a little beyond the opaque face, so the rim fades out in its own colour.
  canvas.paint(disc(kCentre, kBezelRadius + 1.5),
               [&](Vec p) { return mix(style.bezelDark, style.bezelLight, facingLight(p)); });
  canvas.paint(disc(kCentre, kBezelRadius - 7), [&](Vec p) {
    return mix(style.bezelDark, style.bezelLight, 0.15 + 0.7 * (1 - facingLight(p)));
  });
  canvas.paint(disc(kCentre, kDialRadius + 1.5), mix(style.dialEdge, Tone{0, 0, 0}, 0.6));
  canvas.paint(disc(kCentre, kDialRadius), [&](Vec p) {
    const Vec d = p - kCentre;
    const double r = std::hypot(d.x, d.y);
    if (r <= kShadingStart) return style.dialCentre;
    return mix(style.dialCentre, style.dialEdge,
               smoothstep((r - kShadingStart) / (kDialRadius - kShadingStart)));
  });
}

Tone tone(int r, int g, int b) { return {double(r), double(g), double(b)}; }

const std::array<const char*, 12> kArabic{"12", "1", "2", "3", "4",  "5",
                                          "6",  "7", "8", "9", "10", "11"};
const std::array<const char*, 12> kRoman{"XII", "I",   "II",   "III", "IIII", "V",
                                         "VI",  "VII", "VIII", "IX",  "X",    "XI"};

}  // namespace

RgbImage drawFace5() {
  Canvas canvas(kFaceSize, kFaceSize, toTone(kFace5Corner));
  drawCaseAndDial(canvas,
                  {tone(210, 217, 228), tone(58, 66, 82), toTone(kFace5Centre), tone(8, 18, 46)});

  const Tone minuteMark = tone(150, 170, 206);
  const Tone hourMark = tone(228, 235, 248);
  for (int i = 0; i < 60; ++i) {
    if (i % 5 == 0) continue;
    canvas.paint(bar(dialPoint(kCentre, 165, i * 6), dialPoint(kCentre, 176, i * 6), 1.1),
                 minuteMark);
  }
  for (int h = 0; h < 12; ++h) {
    const bool quarter = h % 3 == 0;
    canvas.paint(bar(dialPoint(kCentre, quarter ? 146 : 153, h * 30),
                     dialPoint(kCentre, 176, h * 30), quarter ? 4.6 : 3.2),
                 hourMark);
  }
  const TextStyle numerals{30, 2.7, 0.16};
  for (int h = 0; h < 12; ++h) {
    canvas.paint(textShape(kArabic[h], dialPoint(kCentre, 122, h * 30), 0, numerals),
                 tone(206, 218, 240));
  }
  canvas.paint(textShape("ZARN", kCentre + Vec{0, 70}, 0, {11, 1.1, 0.42}), tone(112, 138, 192));
  return canvas.toImage();
}

RgbImage drawFace1() {
  Canvas canvas(kFaceSize, kFaceSize, toTone(kFace1Corner));
  drawCaseAndDial(canvas,
                  {tone(238, 208, 136), tone(104, 72, 28), toTone(kFace1Centre), tone(48, 8, 18)});

  const Tone gold = tone(224, 188, 112);
  canvas.paint(ring(kCentre, 176, 0.9), gold);
  canvas.paint(ring(kCentre, 163, 0.9), gold);
  for (int i = 0; i < 60; ++i) {
    canvas.paint(bar(dialPoint(kCentre, 163, i * 6), dialPoint(kCentre, 176, i * 6), 0.9), gold);
  }
  for (int h = 0; h < 12; ++h) {
    const double a = h * 30;
    const Vec mid = dialPoint(kCentre, 169.5, a);
    const Vec side = dialPoint({0, 0}, 5.5, a + 90);
    canvas.paint(convexPolygon({dialPoint(kCentre, 156, a), mid + side, dialPoint(kCentre, 183, a),
                                mid - side}),
                 tone(240, 210, 140));
  }
  canvas.paint(ring(kCentre, 112, 0.8), tone(168, 112, 78));
  const TextStyle numerals{26, 2.5, 0.1};
  for (int h = 0; h < 12; ++h) {
    canvas.paint(textShape(kRoman[h], dialPoint(kCentre, 134, h * 30), h * 30, numerals),
                 tone(232, 198, 124));
  }
  return canvas.toImage();
}

std::vector<std::uint8_t> faceOpacity() {
  const Shape face = disc(kCentre, kBezelRadius);
  std::vector<std::uint8_t> opacity(std::size_t(kFaceSize) * kFaceSize);
  for (int y = 0; y < kFaceSize; ++y) {
    for (int x = 0; x < kFaceSize; ++x) {
      opacity[std::size_t(y) * kFaceSize + std::size_t(x)] =
          static_cast<std::uint8_t>(std::lround(255 * coverage(face, {x + 0.5, y + 0.5})));
    }
  }
  return opacity;
}

IconImage drawIcon(int size) {
  IconImage icon(size);
  const bool large = size >= 32;
  // An odd diameter puts the dial's centre on a pixel, so a hand straight up is one
  // column wide and the picture is symmetric.
  const Vec centre{(size - 1) / 2.0, (size - 1) / 2.0};
  const double rimOuter = (size - 1) / 2.0 + 0.1;
  const double rimInner = rimOuter - (large ? 2 : 1);

  // A 4 by 4 ordered dither: more white towards the light at the upper left.
  constexpr std::array<int, 16> kBayer{0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const Vec d = Vec{x + 0.5, y + 0.5} - centre;
      const double r = std::hypot(d.x, d.y);
      if (r > rimOuter) continue;
      if (r > rimInner) {
        icon.set(x, y, vga::kBlack);
        continue;
      }
      const double white = 0.5 + 0.3 * (-d.x - d.y) / (rimInner * std::sqrt(2.0));
      const bool isWhite = (kBayer[(y % 4) * 4 + x % 4] + 0.5) / 16 < white;
      icon.set(x, y, isWhite ? vga::kWhite : vga::kYellow);
    }
  }

  // Every hand has an unbroken centre line of pixels; at the larger size a kite around it,
  // widest at its shoulder, gives the hand the shape the clock itself draws.
  const auto hand = [&](double degrees, double length, double shoulder, double halfWidth,
                        std::uint8_t colour) {
    const Vec tip = dialPoint(centre, length, degrees);
    const int steps = std::max(1, int(std::ceil(length)) * 2);
    for (int i = 0; i <= steps; ++i) {
      const Vec p = centre + (tip - centre) * (double(i) / steps);
      icon.set(int(std::floor(p.x)), int(std::floor(p.y)), colour);
    }
    if (halfWidth <= 0) return;
    const Vec mid = dialPoint(centre, shoulder, degrees);
    const Vec side = dialPoint({0, 0}, halfWidth, degrees + 90);
    const Shape kite =
        convexPolygon({dialPoint(centre, 1, degrees + 180), mid + side, tip, mid - side});
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        if (kite.distance({x + 0.5, y + 0.5}) <= 0) icon.set(x, y, colour);
      }
    }
  };
  if (large) {
    // Short black marks inside the rim at 12, 3, 6 and 9 o'clock.
    for (int h = 0; h < 12; h += 3) {
      const Vec a = dialPoint(centre, rimInner - 1.6, h * 30);
      const Vec b = dialPoint(centre, rimInner - 0.4, h * 30);
      icon.set(int(std::floor(a.x)), int(std::floor(a.y)), vga::kBlack);
      icon.set(int(std::floor(b.x)), int(std::floor(b.y)), vga::kBlack);
    }
    hand(240, 8.5, 2.5, 2.1, vga::kDarkGreen);
    hand(0, 10.5, 4, 1.7, vga::kOlive);
    hand(120, 12, 0, 0, vga::kRed);
    hand(0, 0, 0, 0, vga::kBlack);  // the hub the hands turn on
  } else {
    hand(240, 4.2, 0, 0, vga::kDarkGreen);
    hand(0, 6, 0, 0, vga::kOlive);
    hand(120, 6, 0, 0, vga::kRed);
  }
  return icon;
}

AlphaIconImage drawAlphaIcon(int size) {
  const double s = size;
  // The dial fills the square, centred on its middle; straight hands then fall on whole
  // pixel columns when their width is even.
  const Vec centre{s / 2, s / 2};
  const double rimOuter = s / 2 - 0.3;
  const double rimInner = rimOuter - s / 15;
  const Shape dial = disc(centre, rimOuter);

  // Transparent pixels stay black, so the edge fades through the rim's own colour.
  Canvas canvas(size, size, toTone(kVgaPalette[vga::kBlack]));
  const Tone yellow = toTone(kVgaPalette[vga::kYellow]);
  const Tone white = toTone(kVgaPalette[vga::kWhite]);
  canvas.paint(disc(centre, rimInner), [&](Vec p) {
    // Whiter towards the light at the upper left, as the dithered images are.
    const Vec d = p - centre;
    return mix(yellow, white, 0.5 + 0.4 * (-d.x - d.y) / (rimInner * std::sqrt(2.0)));
  });

  const auto colour = [](std::uint8_t index) { return toTone(kVgaPalette[index]); };
  const auto kite = [&](double degrees, double length, double shoulder, double halfWidth,
                        std::uint8_t index) {
    const Vec mid = dialPoint(centre, shoulder * rimInner, degrees);
    const Vec side = dialPoint({0, 0}, halfWidth * rimInner, degrees + 90);
    canvas.paint(convexPolygon({dialPoint(centre, 0.07 * rimInner, degrees + 180), mid + side,
                                dialPoint(centre, length * rimInner, degrees), mid - side}),
                 colour(index));
  };
  if (size >= 24) {
    for (int h = 0; h < 12; h += 3) {
      canvas.paint(
          bar(dialPoint(centre, rimInner * 0.84, h * 30), dialPoint(centre, rimInner, h * 30), 1),
          colour(vga::kBlack));
    }
  }
  // The proportions of the 32-pixel paletted image, measured against the dial's radius.
  kite(240, 0.63, 0.19, 0.16, vga::kDarkGreen);
  kite(0, 0.77, 0.3, 0.13, vga::kOlive);
  canvas.paint(capsule(centre, dialPoint(centre, 0.88 * rimInner, 120), std::max(0.7, s / 64)),
               colour(vga::kRed));
  canvas.paint(disc(centre, std::max(1.0, s / 22)), colour(vga::kBlack));

  const RgbImage drawn = canvas.toImage();
  AlphaIconImage icon(size);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const auto alpha =
          static_cast<std::uint8_t>(std::lround(255 * coverage(dial, {x + 0.5, y + 0.5})));
      if (alpha == 0) continue;
      const Rgb c = drawn.at(x, y);
      icon.at(x, y) = {c.r, c.g, c.b, alpha};
    }
  }
  return icon;
}

std::vector<AnyIconImage> iconImages() {
  std::vector<AnyIconImage> images{drawIcon(32), drawIcon(16)};
  for (int size : {20, 24, 28, 36, 40, 48, 64}) images.emplace_back(drawAlphaIcon(size));
  return images;
}

std::vector<std::filesystem::path> writeAssets(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  const std::vector<std::filesystem::path> paths{dir / "clockbg5.bmp", dir / "clockbg1.bmp",
                                                 dir / "zarn.ico"};
  writeFile(paths[0], encodeBmp(drawFace5(), faceOpacity()));
  writeFile(paths[1], encodeBmp(drawFace1(), faceOpacity()));
  writeFile(paths[2], encodeIco(iconImages()));
  return paths;
}

}  // namespace zarn::facegen
