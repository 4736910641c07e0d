#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "faces.h"
#include "raster.h"

namespace zarn::facegen {

using Bytes = std::vector<std::uint8_t>;

// A Windows bitmap file: file header, 40-byte info header, 24 bits per pixel, bottom row
// first, each row padded to a multiple of four bytes.
Bytes encodeBmp(const RgbImage& image);

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

// A Windows icon file holding the images in the given order, each 4 bits per pixel with
// the VGA palette and an AND mask. Transparent pixels get mask bit 1 and colour black, so
// the screen shows through unchanged.
Bytes encodeIco(const std::vector<IconImage>& images);

// Writes `bytes` to `path`, replacing the file; throws std::runtime_error naming the path.
void writeFile(const std::filesystem::path& path, const Bytes& bytes);

}  // namespace zarn::facegen
