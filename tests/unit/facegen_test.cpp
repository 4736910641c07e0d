#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/artwork.h"
#include "tools/faces.h"
#include "tools/formats.h"
#include "tools/glyphs.h"
#include "tools/raster.h"

namespace zarn::facegen {
namespace {

// The files are read back here by code of the tests' own, from the raw bytes, so that a
// fault shared by writer and reader cannot hide.
std::uint32_t le(const Bytes& b, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | b.at(at + std::size_t(i));
  return v;
}

struct BmpFile {
  Bytes bytes;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t offset = 0;
  std::uint32_t rowSize = 0;
  std::uint32_t bytesPerPixel = 3;

  // Pixel (x, y) counted from the top row, as the picture is seen.
  [[nodiscard]] std::size_t at(int x, int y) const {
    return offset + std::size_t(height - 1 - y) * rowSize + std::size_t(x) * bytesPerPixel;
  }
  [[nodiscard]] Rgb pixel(int x, int y) const {
    return {bytes.at(at(x, y) + 2), bytes.at(at(x, y) + 1), bytes.at(at(x, y))};
  }
  [[nodiscard]] std::uint8_t opacity(int x, int y) const {
    return bytesPerPixel == 4 ? bytes.at(at(x, y) + 3) : 255;
  }
};

BmpFile parseBmp(const Bytes& bytes) {
  EXPECT_GE(bytes.size(), 54u);
  EXPECT_EQ(bytes.at(0), 'B');
  EXPECT_EQ(bytes.at(1), 'M');
  EXPECT_EQ(le(bytes, 2, 4), bytes.size()) << "file size field";
  EXPECT_EQ(le(bytes, 6, 4), 0u) << "reserved";
  BmpFile bmp{bytes, std::int32_t(le(bytes, 18, 4)), std::int32_t(le(bytes, 22, 4)),
              le(bytes, 10, 4), 0};
  // A 40-byte header with 24-bit pixels, or a BITMAPV5 header with 32-bit ones whose bit
  // fields put the alpha in the top byte.
  const std::uint32_t header = le(bytes, 14, 4);
  EXPECT_TRUE(header == 40 || header == 124) << "info header size " << header;
  EXPECT_EQ(bmp.offset, 14 + header);
  EXPECT_EQ(le(bytes, 26, 2), 1u) << "planes";
  bmp.bytesPerPixel = header == 124 ? 4 : 3;
  EXPECT_EQ(le(bytes, 28, 2), bmp.bytesPerPixel * 8) << "bits per pixel";
  EXPECT_EQ(le(bytes, 30, 4), header == 124 ? 3u : 0u) << "compression";
  if (header == 124) {
    EXPECT_EQ(le(bytes, 54, 4), 0x00FF0000u) << "red mask";
    EXPECT_EQ(le(bytes, 58, 4), 0x0000FF00u) << "green mask";
    EXPECT_EQ(le(bytes, 62, 4), 0x000000FFu) << "blue mask";
    EXPECT_EQ(le(bytes, 66, 4), 0xFF000000u) << "alpha mask";
    EXPECT_EQ(le(bytes, 70, 4), 0x73524742u) << "colour space sRGB";
  }
  EXPECT_GT(bmp.height, 0) << "a positive height means bottom row first";
  bmp.rowSize = (std::uint32_t(bmp.width) * bmp.bytesPerPixel + 3) / 4 * 4;
  EXPECT_EQ(le(bytes, 34, 4), bmp.rowSize * std::uint32_t(bmp.height)) << "image size";
  EXPECT_EQ(bytes.size(), bmp.offset + bmp.rowSize * std::uint32_t(bmp.height));
  return bmp;
}

struct BmpLayoutCase {
  int width;
  std::uint32_t rowSize;
};

TEST(FacegenBmp, RowsArePaddedToFourBytesWithZeros) {
  for (const BmpLayoutCase& c : {BmpLayoutCase{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}}) {
    SCOPED_TRACE("width " + std::to_string(c.width));
    const BmpFile bmp = parseBmp(encodeBmp(RgbImage(c.width, 2, Rgb{1, 2, 3})));
    EXPECT_EQ(bmp.width, c.width);
    EXPECT_EQ(bmp.height, 2);
    EXPECT_EQ(bmp.rowSize, c.rowSize);
    for (std::uint32_t row = 0; row < 2; ++row) {
      for (std::uint32_t i = std::uint32_t(c.width) * 3; i < c.rowSize; ++i) {
        EXPECT_EQ(bmp.bytes.at(54 + row * c.rowSize + i), 0) << "padding byte " << i;
      }
    }
  }
}

TEST(FacegenBmp, StoresBlueGreenRedWithTheBottomRowFirst) {
  RgbImage image(3, 2, Rgb{0, 0, 0});
  image.at(0, 0) = {10, 20, 30};  // top left
  image.at(2, 1) = {40, 50, 60};  // bottom right
  const BmpFile bmp = parseBmp(encodeBmp(image));
  EXPECT_EQ(bmp.pixel(0, 0), (Rgb{10, 20, 30}));
  EXPECT_EQ(bmp.pixel(2, 1), (Rgb{40, 50, 60}));
  // The first stored row is the bottom one; its last pixel is the bottom right.
  EXPECT_EQ(bmp.bytes.at(54 + 6), 60);
  EXPECT_EQ(bmp.bytes.at(54 + 7), 50);
  EXPECT_EQ(bmp.bytes.at(54 + 8), 40);
}

double luminance(Rgb c) {
  const auto linear = [](std::uint8_t v) {
    const double s = v / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

struct FaceCase {
  const char* name;
  RgbImage (*draw)();
  Rgb centre;
  Rgb corner;
};

const FaceCase kFaces[] = {
    {"clockbg5", drawFace5, kFace5Centre, kFace5Corner},
    {"clockbg1", drawFace1, kFace1Centre, kFace1Corner},
};

// The faces are round: opaque on the dial, transparent in the corners (whose colours a
// program ignoring the alpha still shows), with a rim of partial opacity between.
TEST(FacegenFaces, CentreDiscAndCornerSquaresHaveTheDocumentedColours) {
  for (const FaceCase& f : kFaces) {
    SCOPED_TRACE(f.name);
    const BmpFile bmp = parseBmp(encodeBmp(f.draw(), faceOpacity()));
    ASSERT_EQ(bmp.width, kFaceSize);
    ASSERT_EQ(bmp.height, kFaceSize);
    const double c = kFaceSize / 2.0;
    int flat = 0;
    int rim = 0;
    for (int y = 0; y < kFaceSize; ++y) {
      for (int x = 0; x < kFaceSize; ++x) {
        const double r = std::hypot(x + 0.5 - c, y + 0.5 - c);
        const std::uint8_t a = bmp.opacity(x, y);
        ASSERT_EQ(a, r < c - 6 ? 255 : r > c - 2 ? 0 : a) << "at " << x << "," << y;
        rim += a != 0 && a != 255;
        if (r > kCentreFlatRadius) continue;
        ASSERT_EQ(bmp.pixel(x, y), f.centre) << "at " << x << "," << y;
        ++flat;
      }
    }
    EXPECT_GT(flat, 700);
    // About one pixel in every row and column where the rim crosses it.
    EXPECT_GT(rim, 4 * kFaceSize / 2);
    const int far = kFaceSize - 1;
    for (int y = 0; y < kCornerFlatSize; ++y) {
      for (int x = 0; x < kCornerFlatSize; ++x) {
        ASSERT_EQ(bmp.pixel(x, y), f.corner);
        ASSERT_EQ(bmp.pixel(far - x, y), f.corner);
        ASSERT_EQ(bmp.pixel(x, far - y), f.corner);
        ASSERT_EQ(bmp.pixel(far - x, far - y), f.corner);
      }
    }
  }
}

TEST(FacegenFaces, TheTwoFacesAreClearlyDifferent) {
  EXPECT_NE(kFace5Centre, kFace1Centre);
  EXPECT_NE(kFace5Corner, kFace1Corner);
  const RgbImage a = drawFace5();
  const RgbImage b = drawFace1();
  std::size_t differing = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) differing += a.pixels[i] != b.pixels[i];
  EXPECT_GT(differing, a.pixels.size() * 9 / 10);
}

// White hands must stand out wherever they sweep: the dial between the centre and the
// tip of the longest hand keeps a contrast ratio with white of at least 7 on average.
TEST(FacegenFaces, DialUnderTheHandsIsDarkEnoughForWhiteHands) {
  for (const FaceCase& f : kFaces) {
    SCOPED_TRACE(f.name);
    const RgbImage face = f.draw();
    double sum = 0;
    int n = 0;
    const double c = kFaceSize / 2.0;
    for (int y = 0; y < kFaceSize; ++y) {
      for (int x = 0; x < kFaceSize; ++x) {
        if (std::hypot(x + 0.5 - c, y + 0.5 - c) > kFaceSize * 0.4) continue;
        sum += luminance(face.at(x, y));
        ++n;
      }
    }
    EXPECT_GE(1.05 / (sum / n + 0.05), 7.0);
  }
}

// Walks once round the circle of `radius` and counts the runs of marks brighter than the
// dial, which is how many marks that circle crosses.
int marksCrossed(const RgbImage& face, double radius) {
  const Vec centre{kFaceSize / 2.0, kFaceSize / 2.0};
  const int samples = 7200;
  std::vector<bool> bright;
  for (int i = 0; i < samples; ++i) {
    const Vec p = dialPoint(centre, radius, 360.0 * i / samples);
    bright.push_back(luminance(face.at(int(p.x), int(p.y))) > 0.2);
  }
  int runs = 0;
  for (int i = 0; i < samples; ++i)
    runs += bright[std::size_t(i)] && !bright[std::size_t((i + samples - 1) % samples)];
  return runs;
}

TEST(FacegenFaces, DialsCarryTwelveHourMarksAndSixtyMinuteMarks) {
  struct MarkCase {
    const char* name;
    RgbImage (*draw)();
    double hourRadius;
    double minuteRadius;
  };
  for (const MarkCase& m :
       {MarkCase{"clockbg5", drawFace5, 158, 171}, MarkCase{"clockbg1", drawFace1, 159, 169.5}}) {
    SCOPED_TRACE(m.name);
    const RgbImage face = m.draw();
    EXPECT_EQ(marksCrossed(face, m.hourRadius), 12);
    EXPECT_EQ(marksCrossed(face, m.minuteRadius), 60);
  }
}

TEST(FacegenRaster, DiscIsAntiAliasedAndCoversItsArea) {
  Canvas canvas(40, 40, Tone{0, 0, 0});
  canvas.paint(disc({20, 20}, 10), Tone{255, 255, 255});
  const RgbImage image = canvas.toImage();
  double covered = 0;
  int partial = 0;
  for (const Rgb& p : image.pixels) {
    covered += p.r / 255.0;
    partial += p.r > 0 && p.r < 255;
  }
  EXPECT_NEAR(covered, std::numbers::pi * 100, 3);
  EXPECT_GT(partial, 40) << "edge pixels are blended";
  EXPECT_EQ(image.at(20, 20), (Rgb{255, 255, 255}));
  EXPECT_EQ(image.at(2, 2), (Rgb{0, 0, 0}));
}

TEST(FacegenGlyphs, EveryCharacterTheFacesUseHasStrokesInsideItsBox) {
  for (char c : std::string("0123456789IVXZARN")) {
    SCOPED_TRACE(std::string(1, c));
    const Glyph g = glyphFor(c);
    ASSERT_FALSE(g.strokes.empty());
    for (const GlyphStroke& s : g.strokes) {
      for (const Vec& p : {s.a, s.b}) {
        EXPECT_GE(p.x, -0.15);
        EXPECT_LE(p.x, g.advance + 0.15);
        EXPECT_GE(p.y, -0.01);
        EXPECT_LE(p.y, 1.01);
      }
    }
  }
  EXPECT_TRUE(glyphFor('?').strokes.empty());
}

struct IcoEntry {
  int size;
  int bits;
  std::uint32_t bytes;
  std::uint32_t offset;
};

struct IcoImage {
  int size = 0;
  int bits = 0;
  std::vector<std::uint8_t> index;  // 4-bit images, top row first
  std::vector<Rgba> colour;         // 32-bit images, top row first
  std::vector<bool> transparent;    // the AND mask, top row first
  [[nodiscard]] std::uint8_t at(int x, int y) const { return index[std::size_t(y * size + x)]; }
  [[nodiscard]] Rgba rgba(int x, int y) const { return colour[std::size_t(y * size + x)]; }
  [[nodiscard]] bool clear(int x, int y) const { return transparent[std::size_t(y * size + x)]; }
};

IcoImage parseIcoImage(const Bytes& b, const IcoEntry& e) {
  const std::size_t h = e.offset;
  const bool paletted = e.bits == 4;
  EXPECT_EQ(le(b, h, 4), 40u) << "info header size";
  EXPECT_EQ(le(b, h + 4, 4), std::uint32_t(e.size));
  EXPECT_EQ(le(b, h + 8, 4), std::uint32_t(e.size * 2)) << "height counts the mask too";
  EXPECT_EQ(le(b, h + 12, 2), 1u) << "planes";
  EXPECT_EQ(le(b, h + 14, 2), std::uint32_t(e.bits)) << "bits per pixel";
  EXPECT_EQ(le(b, h + 16, 4), 0u) << "compression";
  EXPECT_EQ(le(b, h + 32, 4), paletted ? 16u : 0u) << "colours used";
  const std::size_t palette = paletted ? 16 * 4 : 0;
  for (std::size_t i = 0; i < palette / 4; ++i) {
    const std::size_t at = h + 40 + i * 4;
    EXPECT_EQ((Rgb{b.at(at + 2), b.at(at + 1), b.at(at)}), kVgaPalette[i]) << "colour " << i;
  }
  const std::size_t xorRow = (std::size_t(e.size) * std::size_t(e.bits) + 31) / 32 * 4;
  const std::size_t andRow = (std::size_t(e.size) + 31) / 32 * 4;
  EXPECT_EQ(e.bytes, 40 + palette + (xorRow + andRow) * std::size_t(e.size));
  IcoImage img{e.size, e.bits, {}, {}, {}};
  const std::size_t xorStart = h + 40 + palette;
  const std::size_t andStart = xorStart + xorRow * std::size_t(e.size);
  for (int y = 0; y < e.size; ++y) {
    const std::size_t row = std::size_t(e.size - 1 - y);
    for (int x = 0; x < e.size; ++x) {
      if (paletted) {
        const std::uint8_t pair = b.at(xorStart + row * xorRow + std::size_t(x / 2));
        img.index.push_back(x % 2 == 0 ? pair >> 4 : pair & 0x0F);
      } else {
        const std::size_t at = xorStart + row * xorRow + std::size_t(x) * 4;
        img.colour.push_back({b.at(at + 2), b.at(at + 1), b.at(at), b.at(at + 3)});
      }
      const std::uint8_t mask = b.at(andStart + row * andRow + std::size_t(x / 8));
      img.transparent.push_back((mask >> (7 - x % 8) & 1) != 0);
    }
  }
  return img;
}

std::vector<IcoImage> parseIco(const Bytes& b) {
  EXPECT_EQ(le(b, 0, 2), 0u) << "reserved";
  EXPECT_EQ(le(b, 2, 2), 1u) << "type icon";
  const std::uint32_t count = le(b, 4, 2);
  std::vector<IcoImage> images;
  std::uint32_t expectedOffset = 6 + 16 * count;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t at = 6 + 16 * i;
    const IcoEntry e{b.at(at), int(le(b, at + 6, 2)), le(b, at + 8, 4), le(b, at + 12, 4)};
    EXPECT_EQ(b.at(at + 1), e.size) << "square";
    EXPECT_TRUE(e.bits == 4 || e.bits == 32) << e.bits << " bits per pixel";
    EXPECT_EQ(b.at(at + 2), e.bits == 4 ? 16 : 0) << "colour count";
    EXPECT_EQ(le(b, at + 4, 2), 1u) << "planes";
    EXPECT_EQ(e.offset, expectedOffset) << "images follow each other";
    expectedOffset += e.bytes;
    images.push_back(parseIcoImage(b, e));
  }
  EXPECT_EQ(expectedOffset, b.size());
  return images;
}

const std::vector<IcoImage>& zarnIcon() {
  static const std::vector<IcoImage> images = parseIco(encodeIco(iconImages()));
  return images;
}

// The first image is the one of 16 colours that older shells and the window's class take;
// the 32-bit ones are there for the sizes the shell asks for at larger display scalings.
TEST(FacegenIcon, StartsWithThe32PixelImageOfSixteenColoursThenTheShellsSizes) {
  struct Layout {
    int size;
    int bits;
  };
  // The small icon at 100 % to 250 % in steps of 25 %, 175 % and 225 % (28 and 36) included.
  const Layout expected[] = {{32, 4},  {16, 4},  {20, 32}, {24, 32}, {28, 32},
                             {36, 32}, {40, 32}, {48, 32}, {64, 32}};
  ASSERT_EQ(zarnIcon().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE("image " + std::to_string(i));
    EXPECT_EQ(zarnIcon()[i].size, expected[i].size);
    EXPECT_EQ(zarnIcon()[i].bits, expected[i].bits);
  }
}

TEST(FacegenIcon, IsARoundFaceWithTransparentCorners) {
  for (const IcoImage& img : zarnIcon()) {
    const int s = img.size;
    SCOPED_TRACE("size " + std::to_string(s));
    const int last = s - 1;
    for (const auto& [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}}) {
      EXPECT_TRUE(img.clear(x, y)) << x << "," << y;
    }
    EXPECT_FALSE(img.clear(s / 2, s / 2));
    double opaque = 0;
    int edge = 0;
    for (int y = 0; y < s; ++y) {
      for (int x = 0; x < s; ++x) {
        if (img.bits == 32) {
          const Rgba p = img.rgba(x, y);
          EXPECT_EQ(img.clear(x, y), p.a == 0) << "the mask marks the fully transparent pixels";
          if (p.a == 0) {
            EXPECT_EQ(p, Rgba{}) << x << "," << y;
          }
          opaque += p.a / 255.0;
          edge += p.a > 0 && p.a < 255;
        } else if (img.clear(x, y)) {
          EXPECT_EQ(img.at(x, y), vga::kBlack) << "so the screen shows through unchanged";
        } else {
          ++opaque;
        }
      }
    }
    const double circle = std::numbers::pi * (s - 1) * (s - 1) / 4;
    EXPECT_NEAR(opaque, circle, circle * 0.08);
    if (img.bits == 32) {
      EXPECT_EQ(img.rgba(s / 2, s / 2).a, 255);
      EXPECT_GE(edge, 2 * s) << "the edge fades into the corners";
    }
    // The rim is black: the topmost (at least half) opaque pixel of the middle column.
    int top = 0;
    while (img.bits == 32 ? img.rgba(s / 2 - 1, top).a < 128 : img.clear(s / 2 - 1, top)) ++top;
    if (img.bits == 32) {
      const Rgba rim = img.rgba(s / 2 - 1, top);
      EXPECT_LT(std::max({rim.r, rim.g, rim.b}), 64);
    } else {
      EXPECT_EQ(img.at(s / 2 - 1, top), vga::kBlack);
    }
  }
}

// The colour of the 16 that lies nearest to `c`, among those the icon is drawn with.
std::uint8_t nearestIconColour(Rgba c) {
  std::uint8_t best = 0;
  int bestDistance = 1 << 30;
  for (std::uint8_t i :
       {vga::kBlack, vga::kDarkGreen, vga::kOlive, vga::kRed, vga::kYellow, vga::kWhite}) {
    const Rgb v = kVgaPalette[i];
    const int dr = c.r - v.r;
    const int dg = c.g - v.g;
    const int db = c.b - v.b;
    if (dr * dr + dg * dg + db * db < bestDistance) {
      bestDistance = dr * dr + dg * dg + db * db;
      best = i;
    }
  }
  return best;
}

TEST(FacegenIcon, FaceIsYellowAndWhiteAndHandsPointToTwelveEightAndFour) {
  for (const IcoImage& icon : zarnIcon()) {
    const int s = icon.size;
    SCOPED_TRACE("size " + std::to_string(s));
    if (icon.bits == 4) {
      int yellow = 0;
      int white = 0;
      for (std::uint8_t i : icon.index) {
        yellow += i == vga::kYellow;
        white += i == vga::kWhite;
      }
      EXPECT_GT(yellow, s * s / 8);
      EXPECT_GT(white, s * s / 8);
    } else {
      // Pale yellow throughout, whiter towards the light at the upper left.
      const Vec centre{s / 2.0, s / 2.0};
      const Vec light = dialPoint(centre, 0.3 * s, 315);
      const Vec shade = dialPoint(centre, 0.3 * s, 135);
      const Rgba upper = icon.rgba(int(light.x), int(light.y));
      const Rgba lower = icon.rgba(int(shade.x), int(shade.y));
      for (const Rgba& p : {upper, lower}) EXPECT_GE(std::min(p.r, p.g), 240);
      EXPECT_GT(upper.b, lower.b + 60);
    }

    // The 16-colour images put the dial's centre on a pixel, the 32-bit ones between four.
    const double c = icon.bits == 4 ? (s - 1) / 2.0 : s / 2.0;
    // The hand's colour in the pixel at `fraction` of the icon's half size; a 32-bit image
    // blends its edges with the face, so there one of the pixels around it will do.
    const auto showsColour = [&](double degrees, double fraction, std::uint8_t colour) {
      const Vec p = dialPoint({c, c}, fraction * s / 2, degrees);
      const int px = int(std::floor(p.x));
      const int py = int(std::floor(p.y));
      if (icon.bits == 4) return icon.at(px, py) == colour;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          if (nearestIconColour(icon.rgba(px + dx, py + dy)) == colour) return true;
        }
      }
      return false;
    };
    EXPECT_TRUE(showsColour(0, 0.4, vga::kOlive));
    EXPECT_TRUE(showsColour(240, 0.35, vga::kDarkGreen));
    EXPECT_TRUE(showsColour(120, 0.4, vga::kRed));
    EXPECT_FALSE(showsColour(180, 0.4, vga::kOlive)) << "the hand to 12 does not run through";
    EXPECT_FALSE(showsColour(60, 0.4, vga::kRed)) << "the red hand points to 4, not 2";
  }
}

Bytes readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FacegenAssets, WritesTheThreeFilesIntoANewFolder) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("zarn-facegen-" + std::to_string(::getpid())) / "a";
  std::filesystem::remove_all(dir.parent_path());
  const auto paths = writeAssets(dir);
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_EQ(paths[0].filename(), "clockbg5.bmp");
  EXPECT_EQ(paths[1].filename(), "clockbg1.bmp");
  EXPECT_EQ(paths[2].filename(), "zarn.ico");
  EXPECT_EQ(readFile(paths[0]), encodeBmp(drawFace5(), faceOpacity()));
  EXPECT_EQ(readFile(paths[1]), encodeBmp(drawFace1(), faceOpacity()));
  EXPECT_EQ(readFile(paths[2]), encodeIco(iconImages()));
  EXPECT_EQ(parseBmp(readFile(paths[0])).pixel(kFaceSize / 2, kFaceSize / 2), kFace5Centre);
  EXPECT_EQ(parseBmp(readFile(paths[1])).pixel(kFaceSize / 2, kFaceSize / 2), kFace1Centre);
  std::filesystem::remove_all(dir.parent_path());
}

TEST(FacegenAssets, UnwritablePathIsReportedWithItsName) {
  const std::filesystem::path bad = "/nonexistent-zarn-folder/clockbg5.bmp";
  try {
    writeFile(bad, Bytes{1, 2, 3});
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(bad.string()), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace zarn::facegen
