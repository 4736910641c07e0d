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
  if (!bitmap) return;

  // The new buffer starts as the window's background with the old picture in its corner, so
  // a resize shows nothing undrawn until the next tick paints the whole face.
  {
    UniqueDc scratch(CreateCompatibleDC(dc_.get()));
    if (scratch) {
      const SelectionGuard selected(scratch.get(), bitmap.get());
      const RECT whole{0, 0, width, height};
      FillRect(scratch.get(), &whole, GetSysColorBrush(COLOR_BTNFACE));
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
  size_ = SIZE{width, height};
  present();
}

void BackBuffer::close() {
  selected_.reset();
  bitmap_.reset();
  dc_.reset();
  size_ = SIZE{};
  window_ = nullptr;
}

void BackBuffer::present() const {
  if (window_ != nullptr) InvalidateRect(window_, nullptr, FALSE);
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
  return Polygon(dc, vertices.data(), count) != FALSE;
}

void BackBuffer::paintPicture(const Picture& picture, Twips x, Twips y, Twips width, Twips height) {
  if (picture.handle() == 0) return;
  const HDC dc = dc_.get();
  if (dc == nullptr) return;
  const int left = twipsToPixels(x, screen_.twipsPerPixelX(), "X");
  const int top = twipsToPixels(y, screen_.twipsPerPixelY(), "Y");
  const int destinationWidth = twipsToPixels(width, screen_.twipsPerPixelX(), "Breite");
  const int destinationHeight = twipsToPixels(height, screen_.twipsPerPixelY(), "H\u00F6he");

  // The loader has scaled the face to the client area once, so a tick only copies it.
  drawPicture(dc, picture, left, top, destinationWidth, destinationHeight,
              stretchPlainly_ ? COLORONCOLOR : HALFTONE);
}

}  // namespace zarn::win32
