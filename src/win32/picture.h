#pragma once

// Pictures loaded through the Windows Imaging Component into 32-bit DIB sections.

#include <windows.h>

#include <wincodec.h>

#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/types.h"
#include "win32/handles.h"

namespace zarn::win32 {

// A picture owning its bitmap, a 32 bits per pixel top-down DIB section; without a bitmap
// it is the empty picture with handle 0.
class Win32Picture final : public Picture {
 public:
  Win32Picture() = default;
  Win32Picture(UniqueBitmap bitmap, int width, int height);

  [[nodiscard]] Handle handle() const override;
  [[nodiscard]] HBITMAP bitmap() const { return bitmap_.get(); }
  [[nodiscard]] int width() const { return width_; }
  [[nodiscard]] int height() const { return height_; }

 private:
  UniqueBitmap bitmap_;
  int width_ = 0;
  int height_ = 0;
};

// Loads any picture format the imaging component decodes (BMP, JPEG, PNG, GIF at least),
// taking the first frame. Needs COM initialised on the calling thread.
class WicPictureLoader final : public PictureLoader {
 public:
  // Pictures larger than this on a side are refused before any memory is taken for them.
  static constexpr UINT kMaxSide = 16384;

  std::unique_ptr<Picture> loadPicture(const std::string& path) override;

 private:
  IWICImagingFactory& factory(const std::string& path);

  ComPtr<IWICImagingFactory> factory_;  // created at the first load, kept for the next ones
};

}  // namespace zarn::win32
