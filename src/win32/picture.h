#pragma once

// Pictures loaded through the Windows Imaging Component into 32-bit DIB sections, scaled
// once, as they are decoded, to the size they are shown at.

#include <windows.h>

#include <wincodec.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/types.h"
#include "win32/handles.h"

namespace zarn::win32 {

// A picture owning its bitmap, a 32 bits per pixel top-down DIB section; without a bitmap
// it is the empty picture with handle 0. A picture with transparent parts keeps its colours
// premultiplied by their opacity, as layered windows and AlphaBlend take them.
class Win32Picture final : public Picture {
 public:
  Win32Picture() = default;
  explicit Win32Picture(UniqueBitmap bitmap, bool transparent = false)
      : bitmap_(std::move(bitmap)), transparent_(transparent) {}

  [[nodiscard]] Handle handle() const override;
  // Whether any of its pixels is less than opaque.
  [[nodiscard]] bool transparent() const { return transparent_; }
  // A memory DC holding the bitmap, made at the first drawing and kept with the picture, so
  // that a tick copies the face without making a DC each second (under Wine each one also
  // makes and frees an X graphics context). Null for the empty picture.
  [[nodiscard]] HDC source() const;

 private:
  UniqueBitmap bitmap_;
  bool transparent_ = false;
  // Declared after the bitmap, so that it goes first and lets go of the bitmap before the
  // bitmap is deleted.
  mutable UniqueDc source_;
};

// A 32 bits per pixel top-down DIB section of `width` by `height` pixels, its first row at
// `*bits`; an empty owner (and null bits) when the system has no memory for it.
UniqueBitmap createTopDownBitmap(LONG width, LONG height, void** bits);

// Loads any picture format the imaging component decodes (BMP, JPEG, PNG, GIF at least),
// taking the first frame, and decodes it straight to the size in pixels where it will be
// shown, as `shownSize` gives it at each load, so that no full-size copy of a large
// picture stays in memory. A relative name that names nothing in the current directory
// is opened from the program's own folder. Needs COM initialised on the calling thread.
class WicPictureLoader final : public PictureLoader {
 public:
  using ShownSize = std::function<SIZE()>;

  explicit WicPictureLoader(ShownSize shownSize) : shownSize_(std::move(shownSize)) {}

  std::unique_ptr<Picture> loadPicture(const std::string& path) override;

 private:
  IWICImagingFactory& factory(const std::string& path);

  ShownSize shownSize_;
  Microsoft::WRL::ComPtr<IWICImagingFactory> factory_;  // created at the first load, kept
};

// The picture of the Win32 layer behind `picture`; null for the empty picture.
const Win32Picture* win32Picture(const Picture& picture) noexcept;

// Draws the picture into `dc` at (left, top), `width` by `height` pixels: a plain copy when
// it has that size, as the loaders decode it, stretched otherwise, with halftoning unless
// `stretchMode` says another StretchBlt mode, with the device context's stretch mode and
// brush origin put back afterwards. A copy takes the opacity along with the colours; with
// `blend` a picture with transparent parts is blended over what `dc` shows instead. Returns
// whether it was drawn; the empty picture is not.
bool drawPicture(HDC dc, const Picture& picture, int left, int top, int width, int height,
                 int stretchMode = HALFTONE, bool blend = false) noexcept;

}  // namespace zarn::win32
