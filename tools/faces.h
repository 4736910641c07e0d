#pragma once

#include <cstdint>

// The known colours of the generated clock faces, so that tests which only see the screen
// can tell which face is shown. This header depends on nothing else, so the Windows test
// driver can include it as well.
namespace zarn::facegen {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

// The platform's RGB colour value: red in the lowest byte, then green, then blue.
constexpr std::uint32_t colourValue(Rgb c) {
  return static_cast<std::uint32_t>(c.r) | (static_cast<std::uint32_t>(c.g) << 8) |
         (static_cast<std::uint32_t>(c.b) << 16);
}

// Both faces are square pictures of this many pixels a side.
inline constexpr int kFaceSize = 400;

// The default face "clockbg5.bmp": a deep navy dial with silver bars and Arabic numerals.
inline constexpr Rgb kFace5Centre{20, 42, 92};
inline constexpr Rgb kFace5Corner{24, 29, 40};

// The fallback face "clockbg1.bmp": a burgundy dial with a gold track and Roman numerals.
inline constexpr Rgb kFace1Centre{98, 22, 38};
inline constexpr Rgb kFace1Corner{38, 27, 24};

// Within this radius of the centre a face is exactly its centre colour. Drawn at
// kFaceSize, this is 8 pixels when the face is shown stretched to 200 by 200 pixels.
inline constexpr int kCentreFlatRadius = 16;

// A square of this side in every corner of a face is exactly its corner colour; 16 pixels
// when the face is shown at 200 by 200.
inline constexpr int kCornerFlatSize = 32;

}  // namespace zarn::facegen
