#include "properties/dialog_layout.h"

#include "platform/numeric.h"

namespace zarn {

PixelBox controlBox(const ControlLayout& control, float twipsPerPixelX, float twipsPerPixelY) {
  return {twipsToPixels(control.left, twipsPerPixelX, "Links"),
          twipsToPixels(control.top, twipsPerPixelY, "Oben"),
          twipsToPixels(control.width, twipsPerPixelX, "Breite"),
          twipsToPixels(control.height, twipsPerPixelY, "H\u00F6he")};
}

int fittedFontHeight(int height, int smallest, float twipsPerPixelX,
                     const std::function<int(int height, std::string_view caption)>& captionWidth) {
  for (; height > smallest; --height) {
    bool fits = true;
    for (const ControlLayout& control : kPropertiesControls) {
      if (control.kind != ControlKind::label) continue;
      const std::int32_t width = twipsToPixels(control.width, twipsPerPixelX, "Breite");
      if (captionWidth(height, control.text) > width) fits = false;
    }
    if (fits) return height;
  }
  return smallest;
}

}  // namespace zarn
