#include "clock/mouse_input.h"

#include "desktop/tray_icon.h"

namespace zarn {
namespace {

std::int32_t lowWordSigned(std::uint32_t value) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFFU));
}

std::int32_t highWordSigned(std::uint32_t value) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(value >> 16U));
}

}  // namespace

int WheelNotches::add(std::int32_t delta) {
  if ((delta > 0 && rest_ < 0) || (delta < 0 && rest_ > 0)) rest_ = 0;
  rest_ += delta;
  const int notches = rest_ / kWheelDelta;
  rest_ -= notches * kWheelDelta;
  return notches;
}

std::int16_t shiftState(std::uint32_t keyFlags, bool altHeld) {
  std::int16_t shift = 0;
  if ((keyFlags & keys::kShift) != 0) shift |= 1;
  if ((keyFlags & keys::kControl) != 0) shift |= 2;
  if (altHeld) shift |= 4;
  return shift;
}

std::int16_t buttonState(std::uint32_t keyFlags) {
  std::int16_t held = 0;
  if ((keyFlags & keys::kLeftButton) != 0) held |= buttons::kLeft;
  if ((keyFlags & keys::kRightButton) != 0) held |= buttons::kRight;
  if ((keyFlags & keys::kMiddleButton) != 0) held |= buttons::kMiddle;
  return held;
}

MouseMoveCall interpretMouseMove(const MouseMoveMessage& message) {
  const std::int32_t x = lowWordSigned(message.position);
  const std::int32_t y = highWordSigned(message.position);
  const bool notificationShape = message.keys == tray::kIconId && y == 0;
  const bool fromElsewhere =
      message.sentFromAnotherThread || message.cursorX != x || message.cursorY != y;
  if (notificationShape && fromElsewhere) {
    return {0, 0, static_cast<std::int32_t>(message.position & 0xFFFFU), 0, MoveSource::tray};
  }
  std::uint32_t held = message.keys;
  if (!message.leftPressOnClock) held &= ~keys::kLeftButton;
  return {buttonState(held), shiftState(message.keys, message.altHeld), x, y, MoveSource::pointer};
}

}  // namespace zarn
