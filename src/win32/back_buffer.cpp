#include "win32/back_buffer.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "platform/numeric.h"
#include "win32/picture.h"

namespace zarn::win32 {

bool BackBuffer::open(HWND window) {
  dc_.reset(CreateCompatibleDC(nullptr));
  if (!dc_) return false;
  window_ = window;
  RECT client{};
  GetClientRect(window_, &client);
  resize(client.right, client.bottom);
  return true;
}

void BackBuffer::resize(int width, int height) {
  if (!dc_ || width <= 0 || height <= 0) return;
  if (width == size_.cx && height == size_.cy) return;

  void* bits = nullptr;
  UniqueBitmap bitmap = createTopDownBitmap(width, height, &bits);
  // Without a new bitmap the old one stays, drawn at its old size.
  if (!bitmap || bits == nullptr) return;

  // The new buffer starts as the window's background with the old picture in its corner, so
  // a resize shows nothing undrawn until the next tick paints the whole face.
  {
    UniqueDc scratch(CreateCompatibleDC(dc_.get()));
    if (scratch) {
      const SelectionGuard selected(scratch.get(), bitmap.get());
      const RECT whole{0, 0, width, height};
      // A layered window's new part stays transparent (the new bitmap's zeros) instead.
      if (!transparentFace_) FillRect(scratch.get(), &whole, GetSysColorBrush(COLOR_BTNFACE));
      if (bitmap_) {
        BitBlt(scratch.get(), 0, 0, std::min<LONG>(width, size_.cx),
               std::min<LONG>(height, size_.cy), dc_.get(), 0, 0, SRCCOPY);
      }
    }
  }

  // Only the bitmap is swapped: the brush and pen the clock selected stay selected.
  selected_.reset();
  selected_.emplace(dc_.get(), bitmap.get());
  bitmap_ = std::move(bitmap);
  bits_ = static_cast<std::uint32_t*>(bits);
  size_ = SIZE{width, height};
  wholeChanged_ = true;
  present();
}

void BackBuffer::close() {
  selected_.reset();
  bitmap_.reset();
  bits_ = nullptr;
  dc_.reset();
  size_ = SIZE{};
  window_ = nullptr;
}

void BackBuffer::present() {
  if (window_ == nullptr) return;
  if (transparentFace_ != layered_) {
    wholeChanged_ = true;
    const LONG_PTR style = GetWindowLongPtrW(window_, GWL_EXSTYLE);
    SetWindowLongPtrW(window_, GWL_EXSTYLE,
                      transparentFace_ ? style | WS_EX_LAYERED : style & ~LONG_PTR{WS_EX_LAYERED});
    layered_ = transparentFace_;
  }
  if (!layered_) {
    InvalidateRect(window_, nullptr, FALSE);
    return;
  }
  if (!dc_ || bits_ == nullptr) return;
  GdiFlush();
  POINT origin{0, 0};
  SIZE size = size_;
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  // The window keeps its place; the size is the client area's, which the buffer has.
  RECT dirty{};
  UnionRect(&dirty, &drawn_, &drawnBefore_);
  if (wholeChanged_) dirty = RECT{0, 0, size.cx, size.cy};
  UPDATELAYEREDWINDOWINFO update{};
  update.cbSize = sizeof update;
  update.psize = &size;
  update.hdcSrc = dc_.get();
  update.pptSrc = &origin;
  update.pblend = &blend;
  update.dwFlags = ULW_ALPHA;
  update.prcDirty = &dirty;
  if (UpdateLayeredWindowIndirect(window_, &update) != FALSE) {
    wholeChanged_ = false;
    drawnBefore_ = drawn_;
    drawn_ = RECT{};
  }
}

void BackBuffer::paint() const {
  PAINTSTRUCT paint{};
  const HDC dc = BeginPaint(window_, &paint);
  if (dc != nullptr && dc_) {
    const RECT& r = paint.rcPaint;
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, dc_.get(), r.left, r.top,
           SRCCOPY);
  }
  EndPaint(window_, &paint);
}

Handle BackBuffer::createSolidBrush(Colour colour) {
  return toHandle(CreateSolidBrush(static_cast<COLORREF>(colour)));
}

Handle BackBuffer::createPen(int style, int width, Colour colour) {
  return toHandle(CreatePen(style, width, static_cast<COLORREF>(colour)));
}

Handle BackBuffer::selectObject(Handle object) {
  const HDC dc = dc_.get();
  if (dc == nullptr) return 0;
  return toHandle(SelectObject(dc, fromHandle<HGDIOBJ>(object)));
}

void BackBuffer::selectStockObjects() {
  const HDC dc = dc_.get();
  if (dc == nullptr) return;
  // The brush and pen that every new device context starts with.
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  SelectObject(dc, GetStockObject(BLACK_PEN));
}

bool BackBuffer::deleteObject(Handle object) {
  return DeleteObject(fromHandle<HGDIOBJ>(object)) != FALSE;
}

bool BackBuffer::polygon(const Point* points, int count) {
  const HDC dc = dc_.get();
  if (dc == nullptr || points == nullptr || count < 0) return false;
  std::vector<POINT> vertices(static_cast<std::size_t>(count));
  std::transform(points, points + count, vertices.begin(), [](const Point& p) {
    return POINT{p.x, p.y};
  });
  if (transparentFace_ && bits_ != nullptr && count > 0) {
    const RECT touched = reach(points, count);
    UnionRect(&drawn_, &drawn_, &touched);
    return polygonOpaque(vertices.data(), count, touched);
  }
  return Polygon(dc, vertices.data(), count) != FALSE;
}

RECT BackBuffer::reach(const Point* points, int count) const {
  RECT box{points[0].x, points[0].y, points[0].x, points[0].y};
  for (int i = 1; i < count; ++i) {
    box.left = std::min<LONG>(box.left, points[i].x);
    box.top = std::min<LONG>(box.top, points[i].y);
    box.right = std::max<LONG>(box.right, points[i].x);
    box.bottom = std::max<LONG>(box.bottom, points[i].y);
  }
  // The pen is one pixel wide; a pixel more on each side covers how GDI rounds its ends.
  return RECT{std::max<LONG>(box.left - 1, 0), std::max<LONG>(box.top - 1, 0),
              std::min<LONG>(box.right + 2, size_.cx), std::min<LONG>(box.bottom + 2, size_.cy)};
}

bool BackBuffer::polygonOpaque(const POINT* vertices, int count, RECT reach) {
  constexpr std::uint32_t kOpacity = 0xFF000000u;
  // A fully transparent pixel is 0 in every channel, premultiplied; opacity 1 marks it for
  // the moment, so that whatever GDI draws on it shows as opacity 0.
  constexpr std::uint32_t kMarked = 0x01000000u;
  const auto eachPixel = [&](auto&& change) {
    for (LONG y = reach.top; y < reach.bottom; ++y) {
      std::uint32_t* row = bits_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(size_.cx);
      for (LONG x = reach.left; x < reach.right; ++x) row[x] = change(row[x]);
    }
  };
  GdiFlush();
  eachPixel([](std::uint32_t p) { return p == 0 ? kMarked : p; });
  const bool drawn = Polygon(dc_.get(), vertices, count) != FALSE;
  GdiFlush();
  eachPixel([](std::uint32_t p) {
    if (p == kMarked) return std::uint32_t{0};
    return (p & kOpacity) == 0 ? p | kOpacity : p;
  });
  return drawn;
}

void BackBuffer::paintPicture(const Picture& picture, Twips x, Twips y, Twips width, Twips height) {
  if (picture.handle() == 0) return;
  const HDC dc = dc_.get();
  if (dc == nullptr) return;
  const int left = twipsToPixels(x, screen_.twipsPerPixelX(), "X");
  const int top = twipsToPixels(y, screen_.twipsPerPixelY(), "Y");
  const int destinationWidth = twipsToPixels(width, screen_.twipsPerPixelX(), "Breite");
  const int destinationHeight = twipsToPixels(height, screen_.twipsPerPixelY(), "H\u00F6he");

  const Win32Picture* face = win32Picture(picture);
  if (face != nullptr) {
    transparentFace_ = face->transparent();
    // The new face is loaded before the old one goes, so their handles differ.
    if (face->handle() != face_) wholeChanged_ = true;
    face_ = face->handle();
  }
  // The loader has scaled the face to the client area once, so a tick only copies it.
  drawPicture(dc, picture, left, top, destinationWidth, destinationHeight,
              stretchPlainly_ ? COLORONCOLOR : HALFTONE);
}

}  // namespace zarn::win32
