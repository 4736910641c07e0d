// The clock window's geometry in twips, as the clock's procedures read and assign it.

#include "platform/numeric.h"
#include "win32/clock_window.h"
#include "win32/system_error.h"

namespace zarn::win32 {

RECT FrmZarnWindow::windowRect() const {
  if (IsIconic(hwnd_) || IsZoomed(hwnd_)) {
    // A tool window's normal rectangle is in screen coordinates, like GetWindowRect's.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(hwnd_, &placement) == FALSE) {
      throw lastErrorFailure("GetWindowPlacement");
    }
    return placement.rcNormalPosition;
  }
  RECT rect{};
  if (GetWindowRect(hwnd_, &rect) == FALSE) throw lastErrorFailure("GetWindowRect");
  return rect;
}

RECT FrmZarnWindow::clientRect() const {
  RECT rect{};
  if (GetClientRect(hwnd_, &rect) == FALSE) throw lastErrorFailure("GetClientRect");
  return rect;
}

void FrmZarnWindow::place(int x, int y, int width, int height, UINT flags) {
  if (SetWindowPos(hwnd_, nullptr, x, y, width, height, flags | SWP_NOZORDER | SWP_NOACTIVATE) ==
      FALSE) {
    throw lastErrorFailure("SetWindowPos");
  }
}

Twips FrmZarnWindow::top() const { return top_.read(windowRect().top, screen_.twipsPerPixelY()); }

Twips FrmZarnWindow::left() const {
  return left_.read(windowRect().left, screen_.twipsPerPixelX());
}

Twips FrmZarnWindow::width() const {
  const RECT rect = windowRect();
  return width_.read(rect.right - rect.left, screen_.twipsPerPixelX());
}

Twips FrmZarnWindow::height() const {
  const RECT rect = windowRect();
  return height_.read(rect.bottom - rect.top, screen_.twipsPerPixelY());
}

void FrmZarnWindow::setTop(Twips value) {
  const int y = twipsToPixels(value, screen_.twipsPerPixelY(), "Top");
  place(windowRect().left, y, 0, 0, SWP_NOSIZE);
  top_.assign(value, windowRect().top);
}

void FrmZarnWindow::setLeft(Twips value) {
  const int x = twipsToPixels(value, screen_.twipsPerPixelX(), "Left");
  place(x, windowRect().top, 0, 0, SWP_NOSIZE);
  left_.assign(value, windowRect().left);
}

void FrmZarnWindow::setWidth(Twips value) {
  const int width = twipsToPixels(value, screen_.twipsPerPixelX(), "Width");
  const RECT rect = windowRect();
  place(0, 0, width, rect.bottom - rect.top, SWP_NOMOVE);
  const RECT placed = windowRect();
  width_.assign(value, placed.right - placed.left);
}

void FrmZarnWindow::setHeight(Twips value) {
  const int height = twipsToPixels(value, screen_.twipsPerPixelY(), "Height");
  const RECT rect = windowRect();
  place(0, 0, rect.right - rect.left, height, SWP_NOMOVE);
  const RECT placed = windowRect();
  height_.assign(value, placed.bottom - placed.top);
}

Twips FrmZarnWindow::scaleWidth() const {
  return static_cast<float>(clientRect().right) * screen_.twipsPerPixelX();
}

Twips FrmZarnWindow::scaleHeight() const {
  return static_cast<float>(clientRect().bottom) * screen_.twipsPerPixelY();
}

}  // namespace zarn::win32
