// The clock window's geometry in twips, as the clock's procedures read and assign it.

#include <optional>
#include <utility>

#include "desktop/screen_geometry.h"
#include "platform/numeric.h"
#include "win32/clock_window.h"
#include "win32/dpi.h"
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

void FrmZarnWindow::notePending(Twips PendingPlace::*side, Twips value, const char* what) {
  // A value no window can take fails in the step that assigns it, as on a placed window.
  static_cast<void>(twipsToPixels(value, screen_.twipsPerPixelX(), what));
  PendingPlace& pending = *pending_;
  pending.*side = value;
  screen_.setDpi(dpiForStoredCorner(pending.left, pending.top, monitorAreas(), systemDpi()));
}

void FrmZarnWindow::placeAsRestored() {
  if (!pending_) return;
  const PendingPlace pending = *std::exchange(pending_, std::nullopt);
  const StoredPlace place = placeStored(pending.left, pending.top, pending.width, pending.height,
                                        monitorAreas(), systemDpi());
  screen_.setDpi(place.dpi);
  const PixelRect& r = place.window;
  // The move may take the window onto a monitor of another DPI; its WM_DPICHANGED finds the
  // window already placed for that DPI.
  placing_ = true;
  const BOOL placed = SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left,
                                   r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  placing_ = false;
  if (placed == FALSE) throw lastErrorFailure("SetWindowPos");
  const RECT rect = windowRect();
  top_.assign(pending.top, rect.top);
  left_.assign(pending.left, rect.left);
  width_.assign(pending.width, rect.right - rect.left);
  height_.assign(pending.height, rect.bottom - rect.top);
  if (place.dpi != systemDpi()) useIconsFor(place.dpi);
}

SIZE FrmZarnWindow::clientSize() {
  placeAsRestored();
  const RECT client = clientRect();
  return SIZE{client.right, client.bottom};
}

Twips FrmZarnWindow::top() const {
  if (pending_) return pending_->top;
  return top_.read(windowRect().top, screen_.twipsPerPixelY());
}

Twips FrmZarnWindow::left() const {
  if (pending_) return pending_->left;
  return left_.read(windowRect().left, screen_.twipsPerPixelX());
}

Twips FrmZarnWindow::width() const {
  if (pending_) return pending_->width;
  const RECT rect = windowRect();
  return width_.read(rect.right - rect.left, screen_.twipsPerPixelX());
}

Twips FrmZarnWindow::height() const {
  if (pending_) return pending_->height;
  const RECT rect = windowRect();
  return height_.read(rect.bottom - rect.top, screen_.twipsPerPixelY());
}

void FrmZarnWindow::setTop(Twips value) {
  if (pending_) return notePending(&PendingPlace::top, value, "Top");
  const int y = twipsToPixels(value, screen_.twipsPerPixelY(), "Top");
  place(windowRect().left, y, 0, 0, SWP_NOSIZE);
  top_.assign(value, windowRect().top);
}

void FrmZarnWindow::setLeft(Twips value) {
  if (pending_) return notePending(&PendingPlace::left, value, "Left");
  const int x = twipsToPixels(value, screen_.twipsPerPixelX(), "Left");
  place(x, windowRect().top, 0, 0, SWP_NOSIZE);
  left_.assign(value, windowRect().left);
}

void FrmZarnWindow::setWidth(Twips value) {
  if (pending_) return notePending(&PendingPlace::width, value, "Width");
  const int width = twipsToPixels(value, screen_.twipsPerPixelX(), "Width");
  const RECT rect = windowRect();
  place(0, 0, width, rect.bottom - rect.top, SWP_NOMOVE);
  const RECT placed = windowRect();
  width_.assign(value, placed.right - placed.left);
}

void FrmZarnWindow::setHeight(Twips value) {
  if (pending_) return notePending(&PendingPlace::height, value, "Height");
  const int height = twipsToPixels(value, screen_.twipsPerPixelY(), "Height");
  const RECT rect = windowRect();
  place(0, 0, rect.right - rect.left, height, SWP_NOMOVE);
  const RECT placed = windowRect();
  height_.assign(value, placed.bottom - placed.top);
}

Twips FrmZarnWindow::scaleWidth() const {
  if (pending_) return pending_->width;
  return static_cast<float>(clientRect().right) * screen_.twipsPerPixelX();
}

Twips FrmZarnWindow::scaleHeight() const {
  if (pending_) return pending_->height;
  return static_cast<float>(clientRect().bottom) * screen_.twipsPerPixelY();
}

}  // namespace zarn::win32
