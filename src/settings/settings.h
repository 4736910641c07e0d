#pragma once

#include <cstdint>
#include <string>

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
// The default width and height in twips: two inches, 200 pixels at 100 % scaling and the same
// size on the screen at every other scaling (400 pixels at 200 %).
inline constexpr float kDefaultSize = 3000.0F;

// Plain decimal digits, "-" for a negative value, no blank, no grouping.
std::string intToText(std::int32_t value);

// The locale's decimal text of a single: the value rounded to at most 7 significant
// digits, written positionally without exponent whatever its magnitude (the largest single
// is 39 digits, "340282300000000000000000000000000000000"), without trailing zeros after
// the separator and without separator for an integral value ("3000", "3000,5", "-0,25");
// zero of either sign is "0". NaN and the infinities have no such text and throw
// errors::kOverflow.
std::string singleToText(float value, const std::string& decimalSeparator);

// The inverses. The text is read by this grammar and nothing else:
//   blanks* sign? ( digits [separator digits*] | separator digits ) blanks*
// where blanks are spaces and tabs, sign is "+" or "-", digits are "0" to "9" and the
// separator is "." or "," or the locale's own decimal separator, whatever the locale: a
// store written under one regional format must still read under another, and the program
// never writes grouping. A second separator ("1.234,5", "1,2,3"), exponents, hexadecimal,
// "NaN", "inf", a blank between sign and digits and the empty or all-blank text are not
// numbers.
std::int32_t textToInt(const std::string& text, const std::string& decimalSeparator,
                       const std::string& key);
float textToSingle(const std::string& text, const std::string& decimalSeparator,
                   const std::string& key);

}  // namespace zarn::settings
