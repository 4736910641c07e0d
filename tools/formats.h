#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <variant>
#include <vector>

#include "faces.h"
#include "raster.h"

namespace zarn::facegen {

using Bytes = std::vector<std::uint8_t>;

// A Windows bitmap file: file header, 40-byte info header, 24 bits per pixel, bottom row
// first, each row padded to a multiple of four bytes.
Bytes encodeBmp(const RgbImage& image);

// The same picture with an opacity per pixel (0 transparent, 255 opaque, top row first, the
// colours not premultiplied): 32 bits per pixel with a BITMAPV5 header whose bit fields name
// the alpha byte, so the imaging component reads it with its transparency, and programs
// that ignore the alpha show the colours as a plain bitmap.
Bytes encodeBmp(const RgbImage& image, const std::vector<std::uint8_t>& opacity);

// The sixteen colours every Windows display has, in their usual order.
inline constexpr std::array<Rgb, 16> kVgaPalette{{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

namespace vga {
inline constexpr std::uint8_t kBlack = 0;
inline constexpr std::uint8_t kDarkGreen = 2;
inline constexpr std::uint8_t kOlive = 3;
inline constexpr std::uint8_t kSilver = 7;
inline constexpr std::uint8_t kGrey = 8;
inline constexpr std::uint8_t kRed = 9;
inline constexpr std::uint8_t kYellow = 11;
inline constexpr std::uint8_t kWhite = 15;
}  // namespace vga

// One square image of an icon: a palette index per pixel and a transparency flag per
// pixel, both top row first.
struct IconImage {
  int size = 0;
  std::vector<std::uint8_t> index;
  std::vector<bool> transparent;

  explicit IconImage(int s)
      : size(s), index(std::size_t(s) * s, vga::kBlack), transparent(std::size_t(s) * s, true) {}
  [[nodiscard]] std::uint8_t at(int x, int y) const { return index[std::size_t(y) * size + x]; }
  [[nodiscard]] bool clear(int x, int y) const { return transparent[std::size_t(y) * size + x]; }
  void set(int x, int y, std::uint8_t colour) {
    index[std::size_t(y) * size + x] = colour;
    transparent[std::size_t(y) * size + x] = false;
  }
};

// A colour with its opacity: 0 is fully transparent, 255 fully opaque. The colour is not
// premultiplied by the opacity, as icon files keep it.
struct Rgba {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  std::uint8_t a = 0;
  friend constexpr bool operator==(const Rgba&, const Rgba&) = default;
};

// One square image of an icon in 32-bit colour with an opacity per pixel, top row first.
struct AlphaIconImage {
  int size = 0;
  std::vector<Rgba> pixels;

  explicit AlphaIconImage(int s) : size(s), pixels(std::size_t(s) * s) {}
  [[nodiscard]] Rgba at(int x, int y) const { return pixels[std::size_t(y) * size + x]; }
  Rgba& at(int x, int y) { return pixels[std::size_t(y) * size + x]; }
};

using AnyIconImage = std::variant<IconImage, AlphaIconImage>;

// A Windows icon file holding the images in the given order, each with an AND mask. A
// paletted image is 4 bits per pixel with the VGA palette; its transparent pixels get mask
// bit 1 and colour black, so the screen shows through unchanged. A 32-bit image keeps its
// opacity per pixel; pixels of opacity 0 get mask bit 1, for the shells that read the mask.
Bytes encodeIco(const std::vector<AnyIconImage>& images);

// Writes `bytes` to `path`, replacing the file; throws std::runtime_error naming the path.
void writeFile(const std::filesystem::path& path, const Bytes& bytes);

}  // namespace zarn::facegen
