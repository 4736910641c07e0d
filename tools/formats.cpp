#include "formats.h"

#include <fstream>
#include <stdexcept>
#include <string>
#include <variant>

namespace zarn::facegen {

namespace {

// The file formats are little-endian whatever the machine writing them.
class LittleEndianWriter {
 public:
  explicit LittleEndianWriter(Bytes& out) : out_(out) {}
  void u8(std::uint32_t v) { out_.push_back(static_cast<std::uint8_t>(v)); }
  void u16(std::uint32_t v) {
    u8(v & 0xFF);
    u8(v >> 8);
  }
  void u32(std::uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  }
  void zeros(std::size_t n) { out_.insert(out_.end(), n, 0); }

 private:
  Bytes& out_;
};

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kV5HeaderSize = 124;
constexpr std::uint32_t kIconDirSize = 6;
constexpr std::uint32_t kIconEntrySize = 16;
constexpr std::uint32_t kPaletteSize = 16 * 4;

std::uint32_t paddedRow(std::uint32_t bits) { return (bits + 31) / 32 * 4; }

void infoHeader(LittleEndianWriter& w, int width, int height, int bitCount, std::uint32_t imageSize,
                std::uint32_t coloursUsed, std::uint32_t headerSize = kInfoHeaderSize) {
  w.u32(headerSize);
  w.u32(static_cast<std::uint32_t>(width));
  w.u32(static_cast<std::uint32_t>(height));
  w.u16(1);  // planes
  w.u16(static_cast<std::uint32_t>(bitCount));
  w.u32(headerSize == kV5HeaderSize ? 3 : 0);  // BI_BITFIELDS or BI_RGB
  w.u32(imageSize);
  w.u32(2835);  // 72 dots per inch, in dots per metre
  w.u32(2835);
  w.u32(coloursUsed);
  w.u32(0);  // all colours important
}

int iconSide(const AnyIconImage& image) {
  return std::visit([](const auto& i) { return i.size; }, image);
}

std::uint32_t bitsPerPixel(const AnyIconImage& image) {
  return std::holds_alternative<IconImage>(image) ? 4 : 32;
}

// The colour image and the mask, without the headers and the palette.
std::uint32_t iconPixelBytes(const AnyIconImage& image) {
  const auto s = static_cast<std::uint32_t>(iconSide(image));
  return (paddedRow(s * bitsPerPixel(image)) + paddedRow(s)) * s;
}

std::uint32_t iconImageSize(const AnyIconImage& image) {
  const std::uint32_t palette = std::holds_alternative<IconImage>(image) ? kPaletteSize : 0;
  return kInfoHeaderSize + palette + iconPixelBytes(image);
}

void writeColours(LittleEndianWriter& w, const IconImage& image) {
  const auto s = static_cast<std::uint32_t>(image.size);
  for (const Rgb& c : kVgaPalette) {
    w.u8(c.b);
    w.u8(c.g);
    w.u8(c.r);
    w.u8(0);
  }
  for (int y = image.size - 1; y >= 0; --y) {
    for (int x = 0; x < image.size; x += 2) {
      const auto colour = [&](int px) -> std::uint32_t {
        return px < image.size && !image.clear(px, y) ? image.at(px, y) : vga::kBlack;
      };
      w.u8(colour(x) << 4 | colour(x + 1));
    }
    w.zeros(paddedRow(s * 4) - (s + 1) / 2);
  }
}

void writeColours(LittleEndianWriter& w, const AlphaIconImage& image) {
  for (int y = image.size - 1; y >= 0; --y) {
    for (int x = 0; x < image.size; ++x) {
      const Rgba p = image.at(x, y);
      w.u8(p.b);
      w.u8(p.g);
      w.u8(p.r);
      w.u8(p.a);
    }
  }
}

bool transparentAt(const IconImage& image, int x, int y) { return image.clear(x, y); }
bool transparentAt(const AlphaIconImage& image, int x, int y) { return image.at(x, y).a == 0; }

template <typename Image>
void writeMask(LittleEndianWriter& w, const Image& image) {
  const std::uint32_t andRow = paddedRow(static_cast<std::uint32_t>(image.size));
  for (int y = image.size - 1; y >= 0; --y) {
    for (std::uint32_t byte = 0; byte < andRow; ++byte) {
      std::uint32_t bits = 0;
      for (int bit = 0; bit < 8; ++bit) {
        const int x = int(byte * 8) + bit;
        // Padding beyond the image's width is left transparent as well.
        if (x >= image.size || transparentAt(image, x, y)) bits |= 0x80u >> bit;
      }
      w.u8(bits);
    }
  }
}

void fileHeader(LittleEndianWriter& w, std::uint32_t offset, std::uint32_t pixelBytes) {
  w.u8('B');
  w.u8('M');
  w.u32(offset + pixelBytes);
  w.u32(0);  // reserved
  w.u32(offset);
}

}  // namespace

Bytes encodeBmp(const RgbImage& image) {
  const std::uint32_t rowSize = paddedRow(static_cast<std::uint32_t>(image.width) * 24);
  const std::uint32_t pixelBytes = rowSize * static_cast<std::uint32_t>(image.height);
  const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize;
  Bytes out;
  out.reserve(offset + pixelBytes);
  LittleEndianWriter w(out);
  fileHeader(w, offset, pixelBytes);
  infoHeader(w, image.width, image.height, 24, pixelBytes, 0);
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const Rgb p = image.at(x, y);
      w.u8(p.b);
      w.u8(p.g);
      w.u8(p.r);
    }
    w.zeros(rowSize - static_cast<std::uint32_t>(image.width) * 3);
  }
  return out;
}

Bytes encodeBmp(const RgbImage& image, const std::vector<std::uint8_t>& opacity) {
  if (opacity.size() != image.pixels.size()) {
    throw std::invalid_argument("one opacity per pixel");
  }
  const std::uint32_t pixelBytes =
      static_cast<std::uint32_t>(image.width) * static_cast<std::uint32_t>(image.height) * 4;
  const std::uint32_t offset = kFileHeaderSize + kV5HeaderSize;
  Bytes out;
  out.reserve(offset + pixelBytes);
  LittleEndianWriter w(out);
  fileHeader(w, offset, pixelBytes);
  infoHeader(w, image.width, image.height, 32, pixelBytes, 0, kV5HeaderSize);
  w.u32(0x00FF0000);  // red
  w.u32(0x0000FF00);  // green
  w.u32(0x000000FF);  // blue
  w.u32(0xFF000000);  // alpha
  w.u32(0x73524742);  // the colours are sRGB ('sRGB')
  w.zeros(36 + 12);   // no end points and gammas: sRGB has its own
  w.u32(4);           // LCS_GM_IMAGES
  w.zeros(12);        // no profile, reserved
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const Rgb p = image.at(x, y);
      w.u8(p.b);
      w.u8(p.g);
      w.u8(p.r);
      w.u8(opacity[std::size_t(y) * std::size_t(image.width) + std::size_t(x)]);
    }
  }
  return out;
}

Bytes encodeIco(const std::vector<AnyIconImage>& images) {
  Bytes out;
  LittleEndianWriter w(out);
  w.u16(0);  // reserved
  w.u16(1);  // an icon, not a cursor
  w.u16(static_cast<std::uint32_t>(images.size()));

  std::uint32_t offset = kIconDirSize + kIconEntrySize * static_cast<std::uint32_t>(images.size());
  for (const AnyIconImage& image : images) {
    const auto size = static_cast<std::uint32_t>(iconSide(image));
    w.u8(size % 256);  // 256 is written as 0
    w.u8(size % 256);
    w.u8(bitsPerPixel(image) == 4 ? 16 : 0);  // colours in the palette
    w.u8(0);                                  // reserved
    w.u16(1);                                 // planes
    w.u16(bitsPerPixel(image));
    w.u32(iconImageSize(image));
    w.u32(offset);
    offset += iconImageSize(image);
  }

  for (const AnyIconImage& image : images) {
    const int size = iconSide(image);
    // The height counts the colour image and the mask stacked on each other.
    infoHeader(w, size, size * 2, int(bitsPerPixel(image)), iconPixelBytes(image),
               bitsPerPixel(image) == 4 ? 16 : 0);
    std::visit(
        [&](const auto& i) {
          writeColours(w, i);
          writeMask(w, i);
        },
        image);
  }
  return out;
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) throw std::runtime_error("cannot create " + path.string());
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!file.flush()) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace zarn::facegen
