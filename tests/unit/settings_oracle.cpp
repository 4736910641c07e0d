#include "settings_oracle.h"

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <limits>
#include <set>

#include "clock/frmZarn.h"
#include "clock_fixture.h"
#include "fake_platform.h"
#include "platform/failure.h"
#include "platform/platform.h"
#include "properties/frmProperties.h"
#include "settings/settings.h"

namespace zarn::oracle {

const std::array<const char*, 8> kKeys = {"HourColor", "MinuteColor", "SecondColor", "Background",
                                          "Top",       "Left",        "Width",       "Height"};

namespace {

constexpr std::size_t kBackground = 3;
constexpr Colour kUntouchedColour = -123456789;
constexpr const char* kUntouchedPath = "<untouched>";
constexpr std::array<float, 4> kUntouchedGeometry = {-1234.5F, -2345.5F, 3456.5F, 4567.5F};

struct Decimal {
  bool negative = false;
  std::string whole;
  std::string fraction;
};

// The text as a string of symbol classes: D digits, B blanks, X anything else (each a
// whole run), P one sign, S one separator: ".", "," or the locale's own, however many
// bytes it has. `pieces` keeps each
// symbol's bytes.
std::string classify(const std::string& text, const std::string& separator,
                     std::vector<std::string>& pieces) {
  std::string classes;
  std::size_t i = 0;
  while (i < text.size()) {
    char symbol = 'X';
    std::string piece(1, text[i]);
    if (text.compare(i, separator.size(), separator) == 0) {
      symbol = 'S';
      piece = separator;
    } else if (text[i] == '.' || text[i] == ',') {
      symbol = 'S';
    } else if (text[i] >= '0' && text[i] <= '9') {
      symbol = 'D';
    } else if (text[i] == ' ' || text[i] == '\t') {
      symbol = 'B';
    } else if (text[i] == '+' || text[i] == '-') {
      symbol = 'P';
    }
    i += piece.size();
    const bool extendsRun =
        symbol != 'S' && symbol != 'P' && !classes.empty() && classes.back() == symbol;
    if (extendsRun) {
      pieces.back() += piece;
    } else {
      classes += symbol;
      pieces.push_back(piece);
    }
  }
  return classes;
}

// Every sequence of symbols that the grammar accepts, spelled out: blanks, a sign, then
// digits, digits and a separator, digits on both sides of it, or a separator and digits,
// then blanks.
const std::set<std::string>& numberShapes() {
  static const std::set<std::string> shapes = [] {
    std::set<std::string> all;
    for (const char* lead : {"", "B"}) {
      for (const char* sign : {"", "P"}) {
        for (const char* body : {"D", "DS", "DSD", "SD"}) {
          for (const char* trail : {"", "B"}) {
            all.insert(std::string(lead) + sign + body + trail);
          }
        }
      }
    }
    return all;
  }();
  return shapes;
}

std::optional<Decimal> parse(const std::string& text, const std::string& localeSeparator) {
  const std::string separator = localeSeparator.empty() ? "." : localeSeparator;
  std::vector<std::string> pieces;
  const std::string classes = classify(text, separator, pieces);
  if (numberShapes().count(classes) == 0) return std::nullopt;
  Decimal decimal;
  bool afterSeparator = false;
  for (std::size_t i = 0; i < classes.size(); ++i) {
    if (classes[i] == 'P') decimal.negative = pieces[i] == "-";
    if (classes[i] == 'S') afterSeparator = true;
    if (classes[i] == 'D') (afterSeparator ? decimal.fraction : decimal.whole) = pieces[i];
  }
  return decimal;
}

// Compares two digit strings as the fractions 0.a and 0.b.
int compareFractions(std::string a, std::string b) {
  const std::size_t length = std::max(a.size(), b.size());
  a.resize(length, '0');
  b.resize(length, '0');
  return a.compare(b);
}

std::string withoutLeadingZeros(const std::string& digits) {
  const auto first = digits.find_first_not_of('0');
  return first == std::string::npos ? std::string() : digits.substr(first);
}

bool sameFloat(float a, float b) {
  return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

std::string escaped(const std::string& text) {
  constexpr std::size_t kShown = 120;
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size() && i < kShown; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
      out += static_cast<char>(byte);
    } else {
      std::array<char, 8> hex{};
      std::snprintf(hex.data(), hex.size(), "\\x%02X", byte);
      out += hex.data();
    }
  }
  out += "\"";
  if (text.size() > kShown) out += "...(" + std::to_string(text.size()) + " bytes)";
  return out;
}

std::string floatString(float value) {
  std::array<char, 48> text{};
  std::snprintf(text.data(), text.size(), "%.9g", static_cast<double>(value));
  return text.data();
}

// A property dialog that must not appear while the settings are restored.
class NeverShownHost : public PropertiesHost {
 public:
  bool shown = false;
  void showModal(frmProperties& /*form*/) override { shown = true; }
};

class NoDialogs : public CommonDialogs {
 public:
  bool chooseColor(Colour& /*colour*/) override { return false; }
  bool getOpenFileName(const std::string& /*filter*/, std::string& /*fileName*/) override {
    return false;
  }
};

// The default text of Width and Height: the computed single written with 7 significant
// digits, which is what the store hands back for an absent key.
std::string defaultGeometryText(float value) {
  std::array<char, 48> text{};
  std::snprintf(text.data(), text.size(), "%.7g", static_cast<double>(value));
  return text.data();
}

}  // namespace

Reading readColour(const std::string& text, const std::string& separator) {
  const auto decimal = parse(text, separator);
  if (!decimal) return {errors::kNotANumber};
  const std::string whole = withoutLeadingZeros(decimal->whole);
  // Eighteen digits fit a long long and lie far outside the 32-bit range.
  if (whole.size() > 18) return {errors::kOutOfRange};
  long long value = whole.empty() ? 0 : std::stoll(whole);
  const int half = compareFractions(decimal->fraction, "5");
  if (half > 0 || (half == 0 && value % 2 != 0)) ++value;
  if (decimal->negative) value = -value;
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return {errors::kOutOfRange};
  }
  return {0, static_cast<std::int32_t>(value)};
}

Reading readTwips(const std::string& text, const std::string& separator) {
  const auto decimal = parse(text, separator);
  if (!decimal) return {errors::kNotANumber};
  const std::string canonical = std::string(decimal->negative ? "-" : "") +
                                (decimal->whole.empty() ? "0" : decimal->whole) + "." +
                                (decimal->fraction.empty() ? "0" : decimal->fraction);
  static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  const float value = strtof_l(canonical.c_str(), nullptr, c);
  if (std::isinf(value)) return {errors::kOutOfRange};
  return {0, 0, value};
}

Outcome check(const Scenario& scenario) {
  fake::FakePlatform fake;
  fake.locale.separator = scenario.separator;
  fake.screen.twipsX = scenario.twipsX;
  fake.screen.twipsY = scenario.twipsY;
  fake.screen.pixelsWide = scenario.pixelsWide;
  fake.screen.pixelsHigh = scenario.pixelsHigh;
  fake.window.topValue = kUntouchedGeometry[0];
  fake.window.leftValue = kUntouchedGeometry[1];
  fake.window.widthValue = kUntouchedGeometry[2];
  fake.window.heightValue = kUntouchedGeometry[3];
  for (std::size_t k = 0; k < kKeys.size(); ++k) {
    if (scenario.stored[k]) fake.settings.put(kKeys[k], *scenario.stored[k]);
  }
  NeverShownHost host;
  NoDialogs dialogs;
  frmProperties properties(host, dialogs, fake.pictures);
  properties.colHour = properties.colMin = properties.colSec = kUntouchedColour;
  properties.bgPath = kUntouchedPath;
  // Whatever the stored face, it loads: only the restoring steps are judged here.
  fake.pictures.files.insert(scenario.stored[kBackground].value_or(""));

  Platform platform = fake.platform();
  frmZarn form(platform, properties);
  Outcome outcome;
  auto& departures = outcome.departures;
  try {
    form.Form_Load();
  } catch (const std::exception& other) {
    departures.push_back(std::string("threw something other than a Failure: ") + other.what());
    return outcome;
  }
  const testing_clock::Report report = testing_clock::firstReport(fake.messages);
  const std::int32_t number = report.number;
  const std::string& description = report.description;
  const int line = report.line;

  // The reference: each key's text (or the store's default), read in order until one is
  // refused.
  const std::array<float, 2> computedDefaults = {3000.0F, 3000.0F};
  std::array<Reading, 8> readings{};
  std::optional<std::size_t> refused;
  for (std::size_t k = 0; k < kKeys.size() && !refused; ++k) {
    if (k == kBackground) continue;
    std::string text;
    if (scenario.stored[k]) {
      text = *scenario.stored[k];
    } else if (k < kBackground) {
      readings[k] = Reading{0, settings::kDefaultColour};
      continue;
    } else if (k < 6) {
      text = "0";
    } else {
      text = defaultGeometryText(computedDefaults[k - 6]);
      readings[k] = readTwips(text, ".");
      continue;
    }
    readings[k] = k < kBackground ? readColour(text, scenario.separator)
                                  : readTwips(text, scenario.separator);
    if (readings[k].failure != 0) refused = k;
  }
  const int expectedLine = refused ? 30 + 10 * static_cast<int>(*refused) : 0;
  const std::int32_t expectedNumber = refused ? readings[*refused].failure : 0;
  outcome.failedLine = refused ? expectedLine : 0;
  const auto reached = [&](std::size_t k) { return !refused || k < *refused; };

  if (number != expectedNumber || line != expectedLine) {
    departures.push_back("failure " + std::to_string(number) + " at step " + std::to_string(line) +
                         " (" + escaped(description) + "), expected " +
                         std::to_string(expectedNumber) + " at step " +
                         std::to_string(expectedLine));
  }
  if (refused &&
      description.find(std::string("\"") + kKeys[*refused] + "\"") == std::string::npos) {
    departures.push_back("the description " + escaped(description) + " does not name the key");
  }
  const int reads = fake.journal.count("GetSetting");
  const int expectedReads = refused ? static_cast<int>(*refused) + 1 : 8;
  if (reads != expectedReads) {
    departures.push_back(std::to_string(reads) + " keys read, expected " +
                         std::to_string(expectedReads));
  }

  const std::array<Colour*, 3> colours = {&properties.colHour, &properties.colMin,
                                          &properties.colSec};
  for (std::size_t k = 0; k < colours.size(); ++k) {
    const Colour expected = reached(k) ? readings[k].colour : kUntouchedColour;
    if (*colours[k] != expected) {
      departures.push_back(std::string(kKeys[k]) + " gave " + std::to_string(*colours[k]) +
                           ", expected " + std::to_string(expected));
    }
  }
  std::string expectedPath =
      !reached(kBackground) ? kUntouchedPath
                            : scenario.stored[kBackground].value_or(settings::kDefaultBackground);
  if (!refused && expectedPath.empty()) expectedPath = "clockbg1.bmp";
  if (properties.bgPath != expectedPath) {
    departures.push_back("Background gave " + escaped(properties.bgPath) + ", expected " +
                         escaped(expectedPath));
  }

  std::array<float, 4> geometry = kUntouchedGeometry;
  for (std::size_t g = 0; g < geometry.size(); ++g) {
    if (reached(4 + g)) geometry[g] = readings[4 + g].twips;
  }
  if (!refused) {
    const float screenHeight = static_cast<float>(scenario.pixelsHigh) * scenario.twipsY;
    const float screenWidth = static_cast<float>(scenario.pixelsWide) * scenario.twipsX;
    const float topLimit = screenHeight - 20.0F;
    const float leftLimit = screenWidth - 20.0F;
    if (geometry[0] > topLimit) geometry[0] = 0.0F;
    if (geometry[1] > leftLimit) geometry[1] = 0.0F;
    if (geometry[2] < 20.0F) geometry[2] = 20.0F;
    if (geometry[3] < 20.0F) geometry[3] = 20.0F;
  }
  const std::array<float, 4> window = {fake.window.topValue, fake.window.leftValue,
                                       fake.window.widthValue, fake.window.heightValue};
  for (std::size_t g = 0; g < geometry.size(); ++g) {
    if (!sameFloat(window[g], geometry[g])) {
      departures.push_back(std::string(kKeys[4 + g]) + " gave " + floatString(window[g]) +
                           ", expected " + floatString(geometry[g]));
    }
  }
  if (!refused && !(window[2] >= 20.0F && window[3] >= 20.0F)) {
    departures.push_back("the window ends smaller than 20 twips");
  }
  // No value that a window cannot take is applied, not even for a moment.
  for (const std::string& call : fake.journal.lines()) {
    if (call.rfind("Set", 0) != 0) continue;
    const auto open = call.find('(');
    const float value = std::strtof(call.c_str() + open + 1, nullptr);
    if (!std::isfinite(value)) departures.push_back("applied " + call);
  }
  if (host.shown) departures.push_back("the properties dialog was shown");
  return outcome;
}

std::string describe(const Scenario& scenario) {
  std::string text =
      "separator " + escaped(scenario.separator) + ", screen " +
      std::to_string(scenario.pixelsWide) + "x" + std::to_string(scenario.pixelsHigh) + " px at " +
      floatString(scenario.twipsX) + "/" + floatString(scenario.twipsY) + " twips per pixel";
  for (std::size_t k = 0; k < kKeys.size(); ++k) {
    text += std::string("\n  ") + kKeys[k] + " = ";
    text += scenario.stored[k] ? escaped(*scenario.stored[k]) : "(absent)";
  }
  return text;
}

}  // namespace zarn::oracle
