#pragma once

// The properties dialog's controls as laid out in twips, and the two decisions about them
// that need no window: where each control goes in pixels, and how large the dialog font
// may be for every label caption to fit its fixed width.

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

namespace zarn {

// Control identifiers: 100 plus the tab index for the controls that have one, then the
// swatches and the picture area. None is IDOK or IDCANCEL, so the dialog manager's Enter
// and Escape commands reach no button.
enum class PropertiesControl : int {
  cmdOK = 100,
  cmdCancel = 101,
  Label1 = 102,
  Label2 = 103,
  Label3 = 104,
  Label4 = 105,
  txtBG = 106,
  cmdBG = 107,
  cmdColHour = 108,
  cmdColMin = 109,
  cmdColSec = 110,
  shpColHour = 111,
  shpColMin = 112,
  shpColSec = 113,
  imgBG = 114,
};

enum class ControlKind { label, textBox, button, ownerDrawn };

struct ControlLayout {
  PropertiesControl id;
  ControlKind kind;
  const char* text;                 // Windows-1252 characters only, written as UTF-8
  double left, top, width, height;  // twips
};

inline constexpr double kPropertiesClientWidth = 4812;  // twips
inline constexpr double kPropertiesClientHeight = 2172;

// In tab-index order: the dialog manager moves the focus in creation order. The swatches
// and the picture area take no focus and come last.
inline constexpr std::array<ControlLayout, 15> kPropertiesControls{{
    {PropertiesControl::cmdOK, ControlKind::button, "OK", 600, 1680, 1455, 375},
    {PropertiesControl::cmdCancel, ControlKind::button, "Abbrechen", 2760, 1680, 1455, 375},
    {PropertiesControl::Label1, ControlKind::label, "Hintergrundbild", 120, 120, 1215, 255},
    {PropertiesControl::Label2, ControlKind::label, "Farbe Stunden", 120, 480, 1095, 255},
    {PropertiesControl::Label3, ControlKind::label, "Farbe Minuten", 120, 840, 1215, 255},
    {PropertiesControl::Label4, ControlKind::label, "Farbe Sekunden", 120, 1200, 1335, 255},
    {PropertiesControl::txtBG, ControlKind::textBox, "", 1560, 120, 2775, 285},
    {PropertiesControl::cmdBG, ControlKind::button, "...", 4440, 120, 255, 255},
    {PropertiesControl::cmdColHour, ControlKind::button, "...", 2040, 480, 255, 255},
    {PropertiesControl::cmdColMin, ControlKind::button, "...", 2040, 840, 255, 255},
    {PropertiesControl::cmdColSec, ControlKind::button, "...", 2040, 1200, 255, 255},
    {PropertiesControl::shpColHour, ControlKind::ownerDrawn, "", 1560, 480, 375, 255},
    {PropertiesControl::shpColMin, ControlKind::ownerDrawn, "", 1560, 840, 375, 255},
    {PropertiesControl::shpColSec, ControlKind::ownerDrawn, "", 1560, 1200, 375, 255},
    {PropertiesControl::imgBG, ControlKind::ownerDrawn, "", 3240, 480, 1095, 1095},
}};

struct PixelBox {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const PixelBox&, const PixelBox&) = default;
};

// A control's place in client pixels at the screen's twips per pixel.
PixelBox controlBox(const ControlLayout& control, float twipsPerPixelX, float twipsPerPixelY);

// The labels were laid out for a narrow 8-point font; the system's message font may be
// wider and would cut the captions at the right. Starting from `height` (the font's cell
// height in pixels), the largest height down to `smallest` at which `captionWidth(height,
// caption)` fits every label's width; `smallest` when none does.
int fittedFontHeight(int height, int smallest, float twipsPerPixelX,
                     const std::function<int(int height, std::string_view caption)>& captionWidth);

}  // namespace zarn
