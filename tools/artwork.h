#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "formats.h"
#include "raster.h"

namespace zarn::facegen {

// The default face, "clockbg5.bmp", kFaceSize pixels square.
RgbImage drawFace5();

// The fallback face, "clockbg1.bmp", kFaceSize pixels square.
RgbImage drawFace1();

// The opacity of both faces, one byte per pixel, top row first: opaque within the bezel,
// transparent in the corners, over about a pixel of anti-aliased rim.
std::vector<std::uint8_t> faceOpacity();

// The program's icon at 32 or 16 pixels: a round clock face with a black rim, yellow and
// white dithered, its hands showing eight o'clock and twenty seconds.
IconImage drawIcon(int size);

// The same icon in 32-bit colour with an anti-aliased edge that fades into transparent
// corners, at any size from 20 pixels up.
AlphaIconImage drawAlphaIcon(int size);

// Every image of zarn.ico in the file's order: first the 32 and 16 pixel images of 16
// colours, then the 32-bit ones the shell picks at larger display scalings.
std::vector<AnyIconImage> iconImages();

// Writes clockbg5.bmp, clockbg1.bmp and zarn.ico into `dir`, creating it if needed, and
// returns the paths written.
std::vector<std::filesystem::path> writeAssets(const std::filesystem::path& dir);

}  // namespace zarn::facegen
