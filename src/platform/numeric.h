#pragma once

#include <cstdint>
#include <string_view>

namespace zarn {

// Every conversion of a fractional value to an integer rounds to the nearest integer, an
// exact half to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

// Rounds half-even and checks the target range; `what` names the value in the overflow
// Failure (errors::kOverflow). NaN and infinities overflow too.
std::int16_t toInt16(double value, std::string_view what);
std::int32_t toInt32(double value, std::string_view what);

// a / b in double precision; b == 0 throws errors::kDivisionByZero naming `what`.
double divide(double a, double b, std::string_view what);

// A value computed in double precision, stored as a single (a float). A result that no
// single can hold is an overflow naming `what`, as is an invalid operation (NaN).
float toSingle(double value, std::string_view what);

// The one conversion of a twips value to whole pixels: divided by the unrounded factor, then
// rounded half-even and checked against the 32-bit range.
std::int32_t twipsToPixels(double twips, double twipsPerPixel, std::string_view what);

}  // namespace zarn
