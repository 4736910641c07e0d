#include "platform/numeric.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "platform/failure.h"

namespace zarn {

namespace {

std::string numberText(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "unendlich" : "-unendlich";
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return {buffer.data(), result.ptr};
}

template <typename Int>
Int toInt(double value, std::string_view what) {
  constexpr double low = std::numeric_limits<Int>::min();
  constexpr double high = std::numeric_limits<Int>::max();
  const double rounded = roundHalfEven(value);
  // The negated comparison also catches NaN.
  if (!(rounded >= low && rounded <= high)) {
    throw Failure(errors::kOverflow, "Überlauf: " + std::string(what) + " = " + numberText(value) +
                                         " liegt nicht zwischen " + numberText(low) + " und " +
                                         numberText(high));
  }
  return static_cast<Int>(rounded);
}

}  // namespace

double roundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double below = std::floor(value);
  const double fraction = value - below;
  if (fraction < 0.5) return below;
  if (fraction > 0.5) return below + 1;
  return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

std::int16_t toInt16(double value, std::string_view what) {
  return toInt<std::int16_t>(value, what);
}

std::int32_t toInt32(double value, std::string_view what) {
  return toInt<std::int32_t>(value, what);
}

double divide(double a, double b, std::string_view what) {
  if (b == 0) {
    throw Failure(errors::kDivisionByZero, "Division durch null: " + std::string(what) + " = " +
                                               numberText(a) + " / " + numberText(b));
  }
  return a / b;
}

float toSingle(double value, std::string_view what) {
  const auto single = static_cast<float>(value);
  if (!std::isfinite(single)) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.9g", value);
    throw Failure(errors::kOverflow, "Überlauf: " + std::string(what) + " = " + text.data() +
                                         " ist als Single nicht darstellbar");
  }
  return single;
}

std::int32_t twipsToPixels(double twips, double twipsPerPixel, std::string_view what) {
  return toInt32(divide(twips, twipsPerPixel, what), what);
}

}  // namespace zarn
