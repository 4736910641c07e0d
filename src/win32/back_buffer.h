#pragma once

// The clock window's persistent back buffer: a memory DC with a 32-bit bitmap the size of
// the client area, kept for the window's life. The clock draws into it through Gdi, and the
// window's paints copy from it, so nothing ever flickers. A face with transparent parts
// makes the window a layered one, which takes the buffer with its opacity per pixel, so the
// desktop shows and takes the clicks where the face is transparent.

#include <windows.h>

#include <cstdint>
#include <optional>

#include "platform/platform.h"
#include "platform/types.h"
#include "win32/handles.h"

namespace zarn::win32 {

// Whatever the drawing calls change in the buffer reaches the screen at the next present().
class BackBuffer final : public Gdi {
 public:
  // `screen` converts the twips of the drawing calls to the pixels of the buffer.
  explicit BackBuffer(const Screen& screen) : screen_(screen) {}
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;
  ~BackBuffer() override = default;

  // Makes the memory DC for `window` and sizes the buffer to its client area; false when
  // the system refused the DC, with GetLastError saying why.
  bool open(HWND window);
  // Gives the buffer the client area's new size.
  void resize(int width, int height);
  // Puts the buffer away, the bitmap only after the DC has its own one back (a bitmap
  // deleted while selected stays alive); drawing calls then draw nothing.
  void close();

  // Repaints the window from the buffer: an opaque face through WM_PAINT, a face with
  // transparent parts as the layered window's new picture, the window's style changed when
  // the face shown changes between the two.
  void present();
  // Answers the window's WM_PAINT with the part of the buffer it asks for.
  void paint() const;
  // While the clock is being resized, the face of the old size is stretched plainly: the
  // sharp one follows within moments, and halftoning took Wine's 32-bit GDI 120 to 340 ms a
  // frame.
  void stretchPlainly(bool plainly) { stretchPlainly_ = plainly; }

  // Gdi, on the buffer; while it is not open, nothing is drawn or selected.
  Handle createSolidBrush(Colour colour) override;
  Handle createPen(int style, int width, Colour colour) override;
  Handle selectObject(Handle object) override;
  void selectStockObjects() override;
  bool deleteObject(Handle object) override;
  bool polygon(const Point* points, int count) override;
  void paintPicture(const Picture& picture, Twips x, Twips y, Twips width, Twips height) override;

 private:
  // The pixels a polygon at `points` may touch: their bounding box with its pen, within
  // the buffer.
  [[nodiscard]] RECT reach(const Point* points, int count) const;
  // Draws the polygon and makes the pixels it touched opaque: GDI leaves the opacity of
  // what it draws at 0, which the layered window would show as a hole. Only the polygon's
  // reach is looked at; each pixel there that GDI did not touch keeps its opacity.
  bool polygonOpaque(const POINT* vertices, int count, RECT reach);

  const Screen& screen_;
  HWND window_ = nullptr;          // the window presented to, from open() to close(); not owned
  std::uint32_t* bits_ = nullptr;  // the bitmap's first row, while it lives
  UniqueDc dc_;
  UniqueBitmap bitmap_;
  // The bitmap selected into the DC, the DC's own put back when it goes. Declared after
  // both, so that it goes first.
  std::optional<SelectionGuard> selected_;
  SIZE size_{};
  bool stretchPlainly_ = false;
  // The face last painted has transparent parts: the window is, or becomes at the next
  // present, a layered one.
  bool transparentFace_ = false;
  bool layered_ = false;  // the window's style has WS_EX_LAYERED
  // What changed since the layered window's last update: the hands drawn since, and those
  // of the update before, which the face copied since has covered. Whole after a resize.
  RECT drawn_{};
  RECT drawnBefore_{};
  bool wholeChanged_ = true;
  Handle face_ = 0;  // the face last painted, so that another one updates the whole window
};

}  // namespace zarn::win32
