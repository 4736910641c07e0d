#pragma once

// What the clock window's procedures are told about a mouse message: the decisions that
// need no window, kept apart from the window procedure so that they can be tested alone.

#include <cstdint>

namespace zarn {

// Where a mouse-move message came from: the pointer over the window, or the shell
// reporting activity over the tray icon through the window's mouse-move message.
enum class MoveSource { pointer, tray };

// Mouse button codes as the handlers receive them.
namespace buttons {
inline constexpr std::int16_t kLeft = 1;
inline constexpr std::int16_t kRight = 2;
inline constexpr std::int16_t kMiddle = 4;
}  // namespace buttons

// The key-state flags of a mouse message (MK_*).
namespace keys {
inline constexpr std::uint32_t kLeftButton = 0x0001;
inline constexpr std::uint32_t kRightButton = 0x0002;
inline constexpr std::uint32_t kShift = 0x0004;
inline constexpr std::uint32_t kControl = 0x0008;
inline constexpr std::uint32_t kMiddleButton = 0x0010;
}  // namespace keys

// A WM_MOUSEMOVE as the window procedure receives it, with what the window knows besides.
struct MouseMoveMessage {
  std::uint32_t keys = 0;      // wParam: the key-state flags, or the tray icon's identifier
  std::uint32_t position = 0;  // lParam's low 32 bits: x in the low word, y in the high word
  bool sentFromAnotherThread = false;
  std::int32_t cursorX = 0;  // where the message's cursor position lies in client pixels
  std::int32_t cursorY = 0;
  bool altHeld = false;
  // A left press on the clock window is held: the window has the mouse captured since it.
  bool leftPressOnClock = false;
};

// Form_MouseMove's arguments, in pixels of the client area; the window multiplies them by
// its twips per pixel.
struct MouseMoveCall {
  std::int16_t button = 0;
  std::int16_t shift = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  MoveSource source = MoveSource::pointer;
};

// Shift, Ctrl and Alt as 1, 2 and 4; the buttons held as the codes of buttons::.
std::int16_t shiftState(std::uint32_t keyFlags, bool altHeld);
std::int16_t buttonState(std::uint32_t keyFlags);

// The shell reports activity over the tray icon through the window's WM_MOUSEMOVE, with
// the icon's identifier 1 as wParam and the mouse message number (515 for a left
// double-click) as lParam. The same wParam means "left button held" in a genuine move, and
// a genuine move at x = 515, y = 0 has the same lParam, so the two are told apart by where
// they come from: a genuine move is taken from the thread's input queue and carries the
// cursor's own client position. A notification is either sent from the shell's thread, or
// posted by it while the cursor is over the icon, somewhere else than the point its lParam
// names. A genuine move drags only while a left press that began on the clock is held:
// a move that arrives with the left button down after a double-click on the tray icon, or
// during a drag begun on another window, is passed on with the left button cleared.
MouseMoveCall interpretMouseMove(const MouseMoveMessage& message);

}  // namespace zarn
