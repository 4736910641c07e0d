// Bad settings through the restoring steps: a seeded generator of stored texts checked
// against the independent reference of settings_oracle.h, and a table of nasty texts by
// hand. The generator's seed and run count can be changed for a longer search, as in
//   ZARN_SETTINGS_FUZZ_SEED=7 ZARN_SETTINGS_FUZZ_RUNS=1000000 <unit test binary>
//   --gtest_filter='SettingsFuzz.*'

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "clock_fixture.h"
#include "fake_platform.h"
#include "platform/failure.h"
#include "properties/frmProperties.h"
#include "settings/settings.h"
#include "settings_oracle.h"

namespace zarn {
namespace {

using oracle::kKeys;

std::uint64_t fromEnvironment(const char* name, std::uint64_t fallback) {
  const char* text = std::getenv(name);
  return text == nullptr ? fallback : std::strtoull(text, nullptr, 10);
}

// Pieces that the stored texts are made of, nasty ones among them: the other separator,
// exponents, hexadecimal, the minus sign U+2212, the Arabic decimal separator U+066B, a
// no-break space, NUL, line ends and a byte that is no UTF-8.
const std::vector<std::string> kAlphabet = {"0",        "1",        "2",    "5",
                                            "7",        "9",        "4",    "0",
                                            "9",        ".",        ",",    " ",
                                            "\t",       "+",        "-",    "e",
                                            "E",        "x",        "N",    "a",
                                            "i",        "n",        "f",    "\n",
                                            "\r",       "%",        ";",    "\xE2\x88\x92",
                                            "\xD9\xAB", "\xC2\xA0", "\xFF", std::string(1, '\0')};

// Numbers at the edges that the conversions must get right, written with "." for the
// locale's separator.
const std::vector<std::string> kEdges = {
    "2147483647",
    "2147483648",
    "2147483646.5",
    "2147483647.5",
    "2147483648.5",
    "2147483647.4999999999999999999999",
    "4294967295",
    "99999999999",
    "16777215",
    "16777217",
    "16777217.00000000000000000000000000001",
    "16777219",
    "340282346638528859811704183484516925440",
    "340282356779733661637539395458142568447",
    "340282356779733661637539395458142568448",
    "1000000000000000000000000000000000000000",
    "0.000000000000000000000000000000000000000000001401298",
    "0.0000000000000000000000000000000000000000000007006492321624085",
    "0.0000000000000000000000000000000000000000000007006492321624086",
    "0.000000000000000000000000000000000000011754943",
    "15340",
    "15341",
    "19180",
    "19180.5",
    "20",
    "19.99999",
    "19.9999999999",
    "0",
    ".5",
    "5.",
    "254.5",
    "255.5",
    "0.5000000000000000000000000000001",
};

class TextGenerator {
 public:
  explicit TextGenerator(std::uint64_t seed) : random_(seed) {}

  std::size_t below(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }
  bool chance(double p) { return std::bernoulli_distribution(p)(random_); }
  template <typename T>
  const T& pick(const std::vector<T>& items) {
    return items[below(items.size())];
  }

  // A number in the locale's form, with blanks, a sign, long digit runs and the edges
  // now and then; unless `clean`, also with the wrong separator, a sign that the grammar
  // refuses or a tail of garbage.
  std::string number(const std::string& separator, bool clean) {
    const double dirt = clean ? 0.0 : 0.3;
    std::string text;
    if (chance(0.1)) text += pick<std::string>({" ", "\t", "  \t"});
    if (chance(0.2)) text += pick<std::string>({"-", "-", "+"});
    if (chance(dirt)) text += pick<std::string>({"\xE2\x88\x92", "+-", "--", "- "});
    const std::string point = chance(dirt) ? pick<std::string>({".", ",", "..", ",,"})
                                           : (separator.empty() ? "." : separator);
    if (chance(0.3)) {
      for (const char c : pick(kEdges)) text += c == '.' ? point : std::string(1, c);
    } else {
      text += digits(chance(0.02) ? 200 + below(200) : 1 + below(chance(0.8) ? 8 : 24));
      if (chance(0.5)) {
        text += point;
        text += pick<std::string>({"5", "50", "4999999999999999999999", "5000000000000000000001",
                                   digits(below(8)), digits(below(40))});
      }
    }
    if (chance(0.1)) text += pick<std::string>({" ", "\t", " \t "});
    if (chance(dirt)) {
      text += pick<std::string>({"a", "e5", "\n", "\r\n", std::string(1, '\0'), "px", "\xC2\xA0"});
    }
    return text;
  }

  // Any bytes, drawn from the alphabet of nasty pieces.
  std::string noise() {
    std::string text;
    const std::size_t length = below(24);
    for (std::size_t i = 0; i < length; ++i) text += pick(kAlphabet);
    return text;
  }

  // A number with one to three pieces inserted, bytes dropped or replaced.
  std::string mutated(const std::string& separator) {
    std::string text = number(separator, true);
    const std::size_t edits = 1 + below(3);
    for (std::size_t e = 0; e < edits; ++e) {
      const std::size_t at = below(text.size() + 1);
      switch (below(3)) {
        case 0:
          text.insert(at, pick(kAlphabet));
          break;
        case 1:
          if (at < text.size()) text.erase(at, 1);
          break;
        default:
          if (at < text.size()) text[at] = pick(kAlphabet).front();
          break;
      }
    }
    return text;
  }

  // Each key is absent now and then; otherwise it holds a clean number, or with the
  // scenario's `nastiness` something bad.
  std::optional<std::string> stored(std::size_t key, const std::string& separator,
                                    double nastiness) {
    if (chance(0.1)) return std::nullopt;
    if (key == 3) return chance(0.5) ? noise() : number(separator, false);
    if (!chance(nastiness)) return number(separator, true);
    switch (below(3)) {
      case 0:
        return number(separator, false);
      case 1:
        return mutated(separator);
      default:
        return noise();
    }
  }

  oracle::Scenario scenario() {
    oracle::Scenario s;
    s.separator = pick<std::string>({".", ".", ".", ",", ",", ",", "", "\xD9\xAB"});
    const struct {
      float x, y;
    } densities[] = {
        {15, 15}, {12, 12}, {1440.0F / 168.0F, 1440.0F / 168.0F}, {7.5F, 7.5F}, {15, 12}};
    const auto& density = densities[below(std::size(densities))];
    s.twipsX = density.x;
    s.twipsY = density.y;
    const struct { int wide, high; } screens[] = {{1280, 1024}, {800, 600}, {3840, 2160}, {1, 1}};
    const auto& screen = screens[below(std::size(screens))];
    s.pixelsWide = screen.wide;
    s.pixelsHigh = screen.high;
    const double nastiness = pick<double>({0.02, 0.1, 0.3, 0.7});
    for (std::size_t k = 0; k < s.stored.size(); ++k) {
      s.stored[k] = stored(k, s.separator, nastiness);
    }
    return s;
  }

 private:
  std::string digits(std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += static_cast<char>('0' + below(10));
    return text;
  }

  std::mt19937_64 random_;
};

TEST(SettingsFuzz, EveryStoredTextIsTakenByTheRulesOrReportedAtItsStep) {
  const std::uint64_t seed = fromEnvironment("ZARN_SETTINGS_FUZZ_SEED", 20240101);
  const std::uint64_t runs = fromEnvironment("ZARN_SETTINGS_FUZZ_RUNS", 20000);
  SCOPED_TRACE("seed " + std::to_string(seed));
  TextGenerator generator(seed);

  // How often each step failed, so that a generator which never gets past the first key
  // cannot pass for a search of all eight.
  std::map<int, int> failuresAtStep;
  int completed = 0;
  int reported = 0;
  for (std::uint64_t run = 0; run < runs && reported < 5; ++run) {
    const oracle::Scenario scenario = generator.scenario();
    const oracle::Outcome outcome = oracle::check(scenario);
    if (!outcome.departures.empty()) {
      ++reported;
      std::string message = "run " + std::to_string(run) + ": " + oracle::describe(scenario);
      for (const std::string& departure : outcome.departures) message += "\n  -> " + departure;
      ADD_FAILURE() << message;
    }
    if (outcome.failedLine == 0) {
      ++completed;
    } else {
      ++failuresAtStep[outcome.failedLine];
    }
  }
  if (runs < 1000) return;
  EXPECT_GT(completed, static_cast<int>(runs / 20));
  for (const int step : {30, 40, 50, 70, 80, 90, 100}) {
    EXPECT_GT(failuresAtStep[step], 0) << "no failure at step " << step;
  }
}

// A failure number, or 0 and the value the text must give.
struct Want {
  std::int32_t failure;
  double value;
};
constexpr Want no(std::int32_t failure) { return {failure, 0}; }
constexpr Want ok(double value) { return {0, value}; }
constexpr std::int32_t kNaN = errors::kNotANumber;
constexpr std::int32_t kRange = errors::kOutOfRange;

struct Nasty {
  const char* name;
  std::string text;
  std::string separator;
  Want colour;
  Want twips;
};

const std::string kMinus = "\xE2\x88\x92";     // U+2212
const std::string kArabicPoint = "\xD9\xAB";   // U+066B
const std::string kNoBreakSpace = "\xC2\xA0";  // U+00A0

std::vector<Nasty> nastyTexts() {
  const std::string zeros(9999, '0');
  return {
      {"minus sign U+2212", kMinus + "5", ".", no(kNaN), no(kNaN)},
      {"minus sign U+2212 alone", kMinus, ".", no(kNaN), no(kNaN)},
      {"1,5 with a point", "1,5", ".", ok(2), ok(1.5)},
      {"1,5 with a comma", "1,5", ",", ok(2), ok(1.5)},
      {"1.5 with a point", "1.5", ".", ok(2), ok(1.5)},
      {"1.5 with a comma", "1.5", ",", ok(2), ok(1.5)},
      {"comma where the separator has two bytes", "1,5", kArabicPoint, ok(2), ok(1.5)},
      {"1.2,5 with a comma", "1.2,5", ",", no(kNaN), no(kNaN)},
      {"2,5 with a comma", "2,5", ",", ok(2), ok(2.5)},
      {"10000 characters: 1 and zeros", "1" + zeros, ".", no(kRange), no(kRange)},
      {"10000 characters: zeros and 7", zeros + "7", ".", ok(7), ok(7)},
      {"10000 characters: blanks and 8", std::string(9999, ' ') + "8", ".", ok(8), ok(8)},
      {"10000 characters: exactly a half", "0," + std::string("5") + std::string(9997, '0'), ",",
       ok(0), ok(0.5)},
      {"10000 characters: just above a half", "0.5" + std::string(9996, '0') + "1", ".", ok(1),
       ok(0.5)},
      {"10000 characters: below the smallest single", "0." + std::string(9997, '0') + "1", ".",
       ok(0), ok(0)},
      {"10000 characters: letters", std::string(10000, 'x'), ".", no(kNaN), no(kNaN)},
      {"NUL inside",
       std::string("12\0"
                   "34",
                   5),
       ".", no(kNaN), no(kNaN)},
      {"NUL at the end", std::string("12\0", 3), ".", no(kNaN), no(kNaN)},
      {"NUL alone", std::string(1, '\0'), ".", no(kNaN), no(kNaN)},
      {"plus and separator", "+,5", ",", ok(0), ok(0.5)},
      {"plus zero", "+0", ".", ok(0), ok(0)},
      {"plus, blank, digits", "+ 5", ".", no(kNaN), no(kNaN)},
      {"two plus signs", "++5", ".", no(kNaN), no(kNaN)},
      {"plus beyond the 32-bit range", "+2147483647.5", ".", no(kRange), ok(2147483648.0)},
      {"two commas", "1,,5", ",", no(kNaN), no(kNaN)},
      {"two commas apart", "1,5,5", ",", no(kNaN), no(kNaN)},
      {"two points apart", "1.5.5", ".", no(kNaN), no(kNaN)},
      {"separators alone", ",,", ",", no(kNaN), no(kNaN)},
      {"comma then point", "1,5.", ",", no(kNaN), no(kNaN)},
      {"trailing word", "12 a", ".", no(kNaN), no(kNaN)},
      {"trailing unit", "3000px", ".", no(kNaN), no(kNaN)},
      {"trailing line feed", "12\n", ".", no(kNaN), no(kNaN)},
      {"trailing CR LF", "12\r\n", ".", no(kNaN), no(kNaN)},
      {"trailing no-break space", "5" + kNoBreakSpace, ".", no(kNaN), no(kNaN)},
      {"leading no-break space", kNoBreakSpace + "5", ".", no(kNaN), no(kNaN)},
      {"full-width digits", "\xEF\xBC\x91\xEF\xBC\x92", ".", no(kNaN), no(kNaN)},
      {"Arabic-Indic digits", "\xD9\xA1\xD9\xA2", ".", no(kNaN), no(kNaN)},
      {"two-byte separator", "1" + kArabicPoint + "5", kArabicPoint, ok(2), ok(1.5)},
      {"two-byte separator first", kArabicPoint + "5", kArabicPoint, ok(0), ok(0.5)},
      {"point where the separator has two bytes", "1.5", kArabicPoint, ok(2), ok(1.5)},
      {"half a two-byte separator",
       "1\xD9"
       "5",
       kArabicPoint, no(kNaN), no(kNaN)},
      {"smallest single", "0.000000000000000000000000000000000000000000001401298", ".", ok(0),
       ok(FLT_TRUE_MIN)},
      {"single tie to even", "16777217", ".", ok(16777217), ok(16777216)},
      {"just past a single tie", "16777217.00000000000000000000000000001", ".", ok(16777217),
       ok(16777218)},
  };
}

// Restores with `text` stored under `key` alone; returns the failure (0 when none), its
// step and the journal.
struct Restored {
  std::int32_t failure = 0;
  int line = 0;
  std::vector<std::string> calls;
  Colour colour = 0;
};

Restored restoreWith(const char* key, const std::string& text, const std::string& separator,
                     Colour frmProperties::*colour) {
  testing_clock::ClockRig rig;
  rig.fake.locale.separator = separator;
  rig.fake.settings.put(key, text);
  Restored restored;
  restored.calls = testing_clock::restoringCalls(rig);
  const testing_clock::Report report = testing_clock::firstReport(rig.fake.messages);
  restored.failure = report.number;
  restored.line = report.line;
  restored.colour = rig.props.*colour;
  return restored;
}

TEST(NastySettings, EachIsTakenWithItsValueOrReportedAtItsStep) {
  const std::array<Colour frmProperties::*, 3> colourFields = {
      &frmProperties::colHour, &frmProperties::colMin, &frmProperties::colSec};
  const auto cases = nastyTexts();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Nasty& c = cases[i];
    SCOPED_TRACE(c.name);
    // Each row goes to another colour key and another geometry key.
    const std::size_t colourKey = i % 3;
    const std::size_t geometryKey = 4 + i % 4;

    const Restored colour =
        restoreWith(kKeys[colourKey], c.text, c.separator, colourFields[colourKey]);
    const auto colourLine = static_cast<int>(30 + 10 * colourKey);
    EXPECT_EQ(colour.failure, c.colour.failure);
    if (c.colour.failure != 0) {
      EXPECT_EQ(colour.line, colourLine);
    } else {
      EXPECT_EQ(colour.line, 0) << "no report";
      EXPECT_EQ(colour.colour, static_cast<Colour>(c.colour.value));
    }

    const Restored twips =
        restoreWith(kKeys[geometryKey], c.text, c.separator, &frmProperties::colHour);
    const auto twipsLine = static_cast<int>(30 + 10 * geometryKey);
    EXPECT_EQ(twips.failure, c.twips.failure);
    const std::string setter = std::string("Set") + kKeys[geometryKey] + "(";
    if (c.twips.failure != 0) {
      EXPECT_EQ(twips.line, twipsLine);
      EXPECT_EQ(twips.calls.back().rfind("GetSetting", 0), 0U) << "nothing after the bad read";
    } else {
      // The value as read is applied first, before the bounds of steps 110 to 140.
      const auto applied =
          std::find_if(twips.calls.begin(), twips.calls.end(),
                       [&](const std::string& call) { return call.rfind(setter, 0) == 0; });
      ASSERT_NE(applied, twips.calls.end());
      EXPECT_EQ(*applied, setter + fake::floatText(static_cast<float>(c.twips.value)) + ")");
    }

    // The reference reading agrees with the table, so the generator's check stands on
    // worked examples.
    const oracle::Reading colourReading = oracle::readColour(c.text, c.separator);
    EXPECT_EQ(colourReading.failure, c.colour.failure);
    if (c.colour.failure == 0) {
      EXPECT_EQ(colourReading.colour, c.colour.value);
    }
    const oracle::Reading twipsReading = oracle::readTwips(c.text, c.separator);
    EXPECT_EQ(twipsReading.failure, c.twips.failure);
    if (c.twips.failure == 0) {
      EXPECT_EQ(twipsReading.twips, static_cast<float>(c.twips.value));
    }
  }
}

}  // namespace
}  // namespace zarn
