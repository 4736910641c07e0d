#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "properties/frmProperties.h"

namespace zarn::settings {

inline constexpr const char* kApp = "Zarn";
inline constexpr const char* kSection = "Layout";
inline constexpr const char* kHourColor = "HourColor";
inline constexpr const char* kMinuteColor = "MinuteColor";
inline constexpr const char* kSecondColor = "SecondColor";
inline constexpr const char* kBackground = "Background";
inline constexpr const char* kTop = "Top";
inline constexpr const char* kLeft = "Left";
inline constexpr const char* kWidth = "Width";
inline constexpr const char* kHeight = "Height";

inline constexpr std::int32_t kDefaultColour = 16777215;  // white
inline constexpr const char* kDefaultBackground = "clockbg5.bmp";

// Plain decimal digits, "-" for a negative value, no blank, no grouping.
std::string intToText(std::int32_t value);

// The locale's decimal text of a single: the value rounded to at most 7 significant
// digits, written positionally without exponent whatever its magnitude (the largest single
// is 39 digits, "340282300000000000000000000000000000000"), without trailing zeros after
// the separator and without separator for an integral value ("3000", "3000,5", "-0,25");
// zero of either sign is "0". NaN and the infinities have no such text and throw
// errors::kOverflow.
std::string singleToText(float value, const std::string& decimalSeparator);

// The locale-aware inverses. The text is read by this grammar and nothing else:
//   blanks* sign? ( digits [separator digits*] | separator digits ) blanks*
// where blanks are spaces and tabs, sign is "+" or "-", digits are "0" to "9" and the
// separator is the locale's decimal separator (an empty one counts as "."). The other
// locale's separator, grouping, exponents, hexadecimal, "NaN", "inf", a blank between sign
// and digits and the empty or all-blank text are not numbers.
// Text that is not a number throws errors::kNotANumber, a value outside the target range
// errors::kOutOfRange; both descriptions name `key` and the text found (a long text cut
// short with "…"). textToInt rounds the decimal value exactly as written to the nearest
// integer, a half to the even one (254.5 -> 254, 255.5 -> 256), and then checks the 32-bit
// range. textToSingle rounds to the nearest single; beyond the largest single it is out of
// range, below the smallest it becomes zero.
std::int32_t textToInt(const std::string& text, const std::string& decimalSeparator,
                       const std::string& key);
float textToSingle(const std::string& text, const std::string& decimalSeparator,
                   const std::string& key);

// The restoring steps 30 to 140 of the clock window's start-up: reads the eight keys into
// the appearance values and the window's geometry, then bounds the geometry. `line`
// follows the step being executed, for the caller's failure report.
void restore(Platform& platform, frmProperties& properties, int& line);

// The storing steps 80 to 110 of the clock window's shut-down: writes the window's current
// Top, Left, Width and Height, in this order.
void storeGeometry(Platform& platform, int& line);

// The appearance part of the properties command, lines 30 to 60: the three colours as
// decimal text and the picture path unchanged.
void storeAppearance(Platform& platform, const frmProperties& properties, int& line);

}  // namespace zarn::settings
