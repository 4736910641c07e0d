#pragma once

#include <string_view>
#include <vector>

#include "raster.h"

namespace zarn::facegen {

// A character of the faces' own stroke lettering. Its strokes are centre lines in a box
// one unit high (y from 0 at the top to 1 at the baseline) and `advance` units wide.
struct GlyphStroke {
  Vec a;
  Vec b;
  double weight = 1;  // Relative to the text's stroke width; serifs are thinner.
};
struct Glyph {
  double advance = 0;
  std::vector<GlyphStroke> strokes;
};

// The glyph for one of "0123456789IVXZARN"; any other character has no strokes.
Glyph glyphFor(char c);

struct TextStyle {
  double height = 1;      // Pixels from the top of the centre lines to the baseline.
  double halfWidth = 1;   // Pixels, for strokes of weight 1.
  double spacing = 0.18;  // Gap between characters, in units of the height.
};

// The strokes of `text` centred on `centre`, turned clockwise by `degrees` (0 is upright).
Shape textShape(std::string_view text, Vec centre, double degrees, const TextStyle& style);

}  // namespace zarn::facegen
