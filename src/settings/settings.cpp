#include "settings/settings.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <optional>
#include <string_view>
#include <system_error>

#include "platform/failure.h"

namespace zarn::settings {
namespace {

// How many characters of a bad setting a failure description quotes.
constexpr std::size_t kQuotedCharacters = 40;

// The pieces of a text that follows the number grammar, without sign and blanks.
struct DecimalText {
  bool negative = false;
  std::string_view integerDigits;
  std::string_view fractionDigits;
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view separatorOrPoint(const std::string& decimalSeparator) {
  return decimalSeparator.empty() ? std::string_view(".") : std::string_view(decimalSeparator);
}

// The length of the separator that `text` starts with, 0 when it starts with none.
std::size_t separatorAt(std::string_view text, std::string_view localeSeparator) {
  if (!localeSeparator.empty() && text.substr(0, localeSeparator.size()) == localeSeparator) {
    return localeSeparator.size();
  }
  return !text.empty() && (text.front() == '.' || text.front() == ',') ? 1 : 0;
}

std::optional<DecimalText> parseDecimal(std::string_view text, std::string_view separator) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);

  DecimalText result;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    result.negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::size_t i = 0;
  while (i < text.size() && isDigit(text[i])) ++i;
  result.integerDigits = text.substr(0, i);
  text.remove_prefix(i);
  if (const std::size_t length = separatorAt(text, separator); length > 0) {
    text.remove_prefix(length);
    i = 0;
    while (i < text.size() && isDigit(text[i])) ++i;
    result.fractionDigits = text.substr(0, i);
    text.remove_prefix(i);
  }
  if (!text.empty() || (result.integerDigits.empty() && result.fractionDigits.empty())) {
    return std::nullopt;
  }
  return result;
}

// Keeps a description readable when a setting holds a very long text; cuts at a character
// boundary of the UTF-8 text.
std::string quoted(const std::string& text) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0U) != 0x80U;
    if (startsCharacter && characters++ == kQuotedCharacters) {
      return "\"" + text.substr(0, i) + "\u2026\"";
    }
  }
  return "\"" + text + "\"";
}

[[noreturn]] void notANumber(const std::string& key, const std::string& text) {
  throw Failure(errors::kNotANumber,
                "Einstellung \"" + key + "\": " + quoted(text) + " ist keine Zahl");
}

[[noreturn]] void outOfRange(const std::string& key, const std::string& text) {
  throw Failure(errors::kOutOfRange, "Einstellung \"" + key + "\": " + quoted(text) +
                                         " liegt au\u00DFerhalb des Wertebereichs");
}

}  // namespace

std::string intToText(std::int32_t value) { return std::to_string(value); }

std::string singleToText(float value, const std::string& decimalSeparator) {
  if (!std::isfinite(value)) {
    throw Failure(errors::kOverflow,
                  "\u00DCberlauf: " + std::to_string(value) + " hat keinen Dezimaltext");
  }
  if (value == 0.0F) return "0";

  // The scientific form "-d.dddddde+XX" gives the 7 rounded significant digits and the
  // decimal exponent, from which the positional text is laid out.
  char buffer[32];
  const auto converted =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 6);
  const std::string_view scientific(buffer, static_cast<std::size_t>(converted.ptr - buffer));
  const std::size_t e = scientific.find('e');
  const bool negative = scientific.front() == '-';
  std::string digits;
  for (const char c : scientific.substr(0, e)) {
    if (isDigit(c)) digits += c;
  }
  int exponent = 0;
  const std::string_view exponentText = scientific.substr(e + 1);
  std::from_chars(exponentText.data() + (exponentText.front() == '+' ? 1 : 0),
                  exponentText.data() + exponentText.size(), exponent);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string integerPart;
  std::string fractionPart;
  if (exponent < 0) {
    integerPart = "0";
    fractionPart = std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  } else {
    const auto integerLength = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integerLength) {
      integerPart = digits + std::string(integerLength - digits.size(), '0');
    } else {
      integerPart = digits.substr(0, integerLength);
      fractionPart = digits.substr(integerLength);
    }
  }
  std::string text = negative ? "-" : "";
  text += integerPart;
  if (!fractionPart.empty()) {
    text += separatorOrPoint(decimalSeparator);
    text += fractionPart;
  }
  return text;
}

std::int32_t textToInt(const std::string& text, const std::string& decimalSeparator,
                       const std::string& key) {
  const auto decimal = parseDecimal(text, separatorOrPoint(decimalSeparator));
  if (!decimal) notANumber(key, text);

  // The rounding works on the digits as written, so a half is recognised exactly however
  // many digits follow it.
  std::string_view integerDigits = decimal->integerDigits;
  while (!integerDigits.empty() && integerDigits.front() == '0') integerDigits.remove_prefix(1);
  if (integerDigits.size() > 10) outOfRange(key, text);
  std::int64_t magnitude = 0;
  for (const char c : integerDigits) magnitude = magnitude * 10 + (c - '0');

  const std::string_view fraction = decimal->fractionDigits;
  if (!fraction.empty()) {
    const char first = fraction.front();
    const bool restNonZero = fraction.find_first_not_of('0', 1) != std::string_view::npos;
    const bool roundUp = first > '5' || (first == '5' && (restNonZero || magnitude % 2 != 0));
    if (roundUp) ++magnitude;
  }
  const std::int64_t value = decimal->negative ? -magnitude : magnitude;
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max())
    outOfRange(key, text);
  return static_cast<std::int32_t>(value);
}

float textToSingle(const std::string& text, const std::string& decimalSeparator,
                   const std::string& key) {
  const auto decimal = parseDecimal(text, separatorOrPoint(decimalSeparator));
  if (!decimal) notANumber(key, text);

  std::string plain = decimal->integerDigits.empty() ? "0" : std::string(decimal->integerDigits);
  if (!decimal->fractionDigits.empty()) {
    plain += '.';
    plain += decimal->fractionDigits;
  }
  float magnitude = 0.0F;
  const auto parsed = std::from_chars(plain.data(), plain.data() + plain.size(), magnitude,
                                      std::chars_format::fixed);
  if (parsed.ec == std::errc::result_out_of_range) {
    // Either beyond the largest single, or so close to zero that it underflows to zero.
    if (decimal->integerDigits.find_first_not_of('0') != std::string_view::npos) {
      outOfRange(key, text);
    }
    magnitude = 0.0F;
  } else if (parsed.ec != std::errc() || parsed.ptr != plain.data() + plain.size()) {
    notANumber(key, text);
  }
  return decimal->negative ? -magnitude : magnitude;
}

}  // namespace zarn::settings
