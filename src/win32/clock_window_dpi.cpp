// The clock window at a new DPI: the size it asks for there, the rectangle it takes, and the
// icons drawn for it.

#include <optional>
#include <utility>

#include "clock/mouse_input.h"
#include "desktop/screen_geometry.h"
#include "platform/failure.h"
#include "platform/numeric.h"
#include "win32/clock_window.h"
#include "win32/dpi.h"
#include "win32/resource.h"

namespace zarn::win32 {

LRESULT FrmZarnWindow::onGetDpiScaledSize(WPARAM dpi, LPARAM size) {
  // The clock's own placement has sized it for the DPI it moves to already.
  auto* answer = reinterpret_cast<SIZE*>(size);
  if (answer == nullptr || placing_ || pending_ || LOWORD(dpi) == 0) return FALSE;
  try {
    answer->cx = pixelsAtDpi(width(), LOWORD(dpi));
    answer->cy = pixelsAtDpi(height(), LOWORD(dpi));
  } catch (const Failure&) {
    return FALSE;
  }
  return TRUE;
}

LRESULT FrmZarnWindow::onDpiChanged(WPARAM dpi, LPARAM suggested) {
  const UINT newDpi = LOWORD(dpi);
  const auto* rect = reinterpret_cast<const RECT*>(suggested);
  if (placing_ || pending_ || rect == nullptr || newDpi == 0) return 0;
  Twips width = 0;
  Twips height = 0;
  try {
    width = this->width();
    height = this->height();
  } catch (const Failure&) {
    return 0;
  }
  std::optional<DragAnchor> drag;
  POINT cursor{};
  if (leftPressOnClock_ && GetCapture() == hwnd_ && GetCursorPos(&cursor) != FALSE) {
    drag = DragAnchor{cursor.x, cursor.y, static_cast<float>(form_->grabX),
                      static_cast<float>(form_->grabY)};
  }
  screen_.setDpi(newDpi);
  const PixelRect suggestion{rect->left, rect->top, rect->right, rect->bottom};
  PixelRect target = suggestion;
  try {
    target = rectForDpiChange(suggestion, newDpi, drag, monitorAreas());
  } catch (const Failure&) {
    // A grab point no pixel can hold: the suggestion as it is.
  }
  SetWindowPos(hwnd_, nullptr, target.left, target.top, target.right - target.left,
               target.bottom - target.top, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT placed{};
  if (GetWindowRect(hwnd_, &placed) == FALSE) return 0;
  // The size in twips survives the change where the window took the pixels they give, so
  // that a crossing back gives the very pixels of before; the place is that of the new DPI.
  const float factor = screen_.twipsPerPixelX();
  const auto keep = [factor](RememberedTwips& side, Twips twips, LONG pixels) {
    const bool same =
        roundHalfEven(static_cast<double>(twips) / factor) == static_cast<double>(pixels);
    side.assign(same ? twips : static_cast<float>(pixels) * factor, pixels);
  };
  top_.assign(static_cast<float>(placed.top) * factor, placed.top);
  left_.assign(static_cast<float>(placed.left) * factor, placed.left);
  keep(width_, width, placed.right - placed.left);
  keep(height_, height, placed.bottom - placed.top);
  if (drag) {
    // The drag goes on from the point of the face now under the cursor, in the new twips.
    POINT client = cursor;
    ScreenToClient(hwnd_, &client);
    form_->Form_MouseDown(buttons::kLeft, 0, static_cast<float>(client.x) * factor,
                          static_cast<float>(client.y) * factor);
  }
  useIconsFor(newDpi);
  // The face is decoded afresh at the new size and drawn at once, as after a resize.
  return onRescaleTimer();
}

void FrmZarnWindow::useIconsFor(UINT dpi) {
  UniqueIcon big(loadIconOfSize(instance_, IDI_ZARN, systemMetricForDpi(SM_CXICON, dpi)));
  UniqueIcon small(loadIconOfSize(instance_, IDI_ZARN, systemMetricForDpi(SM_CXSMICON, dpi)));
  if (!big || !small) return;
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  // The window no longer shows the icons these replace.
  dpiBigIcon_ = std::move(big);
  dpiSmallIcon_ = std::move(small);
}

}  // namespace zarn::win32
