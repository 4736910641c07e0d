#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "clock_fixture.h"
#include "platform/failure.h"
#include "settings/settings.h"

namespace zarn {
namespace {

using fake::expectCalls;
using settings::singleToText;
using settings::textToInt;
using settings::textToSingle;

// The number and description of the failure that `body` throws; number 0 when none.
template <typename Body>
Failure failureOf(Body&& body) {
  try {
    body();
  } catch (const Failure& failure) {
    return failure;
  }
  return Failure(0, "");
}

TEST(SingleToText, WritesAtMostSevenSignificantDigitsWithTheLocaleSeparator) {
  const struct {
    float value;
    const char* point;
    const char* comma;
  } cases[] = {
      {3000.0F, "3000", "3000"},
      {3000.5F, "3000.5", "3000,5"},
      {3000.0001F, "3000", "3000"},
      {0.0F, "0", "0"},
      {-0.0F, "0", "0"},
      {-300.0F, "-300", "-300"},
      {-0.25F, "-0.25", "-0,25"},
      {0.1F, "0.1", "0,1"},
      {1.0F / 3.0F, "0.3333333", "0,3333333"},
      {2.0F / 3.0F, "0.6666667", "0,6666667"},
      {123.456789F, "123.4568", "123,4568"},
      {1234567.0F, "1234567", "1234567"},
      {12345678.0F, "12345680", "12345680"},
      {999999.97F, "1000000", "1000000"},
      {1e-5F, "0.00001", "0,00001"},
      {1e10F, "10000000000", "10000000000"},
      {1440.0F / 168.0F * 200.0F, "1714.286", "1714,286"},
      {FLT_MAX, "340282300000000000000000000000000000000",
       "340282300000000000000000000000000000000"},
      {-FLT_MAX, "-340282300000000000000000000000000000000",
       "-340282300000000000000000000000000000000"},
      {FLT_TRUE_MIN, "0.000000000000000000000000000000000000000000001401298",
       "0,000000000000000000000000000000000000000000001401298"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(singleToText(c.value, "."), c.point) << c.value;
    EXPECT_EQ(singleToText(c.value, ","), c.comma) << c.value;
  }
}

TEST(SingleToText, HasNoTextForNanOrInfinity) {
  for (const float value :
       {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
        -std::numeric_limits<float>::infinity()}) {
    EXPECT_EQ(failureOf([&] { singleToText(value, "."); }).number(), errors::kOverflow);
  }
}

TEST(TextToInt, ReadsTheLocaleDecimalAndRoundsHalfToEven) {
  const struct {
    const char* text;
    const char* separator;
    std::int32_t value;
  } cases[] = {
      {"255", ".", 255},
      {"255.5", ".", 256},
      {"254.5", ".", 254},
      {"255,5", ",", 256},
      {"254,5", ",", 254},
      // Either separator reads under either locale: a store outlives its regional format.
      {"255,5", ".", 256},
      {"254.5", ",", 254},
      {"3;5", ";", 4},
      {"3.5", ";", 4},
      {"16777215", ".", 16777215},
      {"-1", ".", -1},
      {"+7", ".", 7},
      {" \t42\t ", ".", 42},
      {"007", ".", 7},
      {"0.5", ".", 0},
      {"1.5", ".", 2},
      {"-0.5", ".", 0},
      {"-2.5", ".", -2},
      {"-3.5", ".", -4},
      {"254.50000000000000000000001", ".", 255},
      {"254.49999999999999999999999", ".", 254},
      {"5.", ".", 5},
      {".5", ".", 0},
      {",6", ",", 1},
      {"2147483647", ".", 2147483647},
      {"2147483647.4", ".", 2147483647},
      {"-2147483648", ".", std::numeric_limits<std::int32_t>::min()},
      {"-2147483648.5", ".", std::numeric_limits<std::int32_t>::min()},
      {"00000000000000000000001", ".", 1},
      {"3.5", "", 4},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(textToInt(c.text, c.separator, "HourColor"), c.value)
        << '"' << c.text << "\" with \"" << c.separator << '"';
  }
}

TEST(TextToSingle, ReadsTheLocaleDecimal) {
  const struct {
    const char* text;
    const char* separator;
    float value;
  } cases[] = {
      {"3000", ".", 3000.0F},
      {"3000.5", ".", 3000.5F},
      {"3000,5", ",", 3000.5F},
      {"172,5", ".", 172.5F},
      {"172.5", ",", 172.5F},
      {"-300", ".", -300.0F},
      {" 0 ", ".", 0.0F},
      {"+15", ".", 15.0F},
      {"0.1", ".", 0.1F},
      {"1714,286", ",", 1714.286F},
      {"340282346638528859811704183484516925440", ".", FLT_MAX},
      {"0.0000000000000000000000000000000000000000000000000000000001", ".", 0.0F},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(textToSingle(c.text, c.separator, "Width"), c.value)
        << '"' << c.text << "\" with \"" << c.separator << '"';
  }
  EXPECT_TRUE(std::signbit(textToSingle("-0", ".", "Top")));
}

struct Rejected {
  const char* text;
  const char* separator;
  std::int32_t number;
};

const Rejected kRejectedByBoth[] = {
    {"", ".", errors::kNotANumber},        {"   ", ".", errors::kNotANumber},
    {"\t", ",", errors::kNotANumber},      {"abc", ".", errors::kNotANumber},
    {"1e5", ".", errors::kNotANumber},     {"1E5", ",", errors::kNotANumber},
    {"0x10", ".", errors::kNotANumber},    {"NaN", ".", errors::kNotANumber},
    {"inf", ".", errors::kNotANumber},     {"-inf", ".", errors::kNotANumber},
    {"1.234,5", ".", errors::kNotANumber}, {"1.234,5", ",", errors::kNotANumber},
    {"1,2,3", ".", errors::kNotANumber},   {"1,2,3", ",", errors::kNotANumber},
    {"5.,0", ".", errors::kNotANumber},    {"3;5", ".", errors::kNotANumber},
    {"- 5", ".", errors::kNotANumber},     {"+-5", ".", errors::kNotANumber},
    {"5 5", ".", errors::kNotANumber},     {"5..0", ".", errors::kNotANumber},
    {".", ".", errors::kNotANumber},       {"-", ".", errors::kNotANumber},
    {"12a", ".", errors::kNotANumber},     {"\u00BD", ".", errors::kNotANumber},
};

TEST(TextToNumber, RejectsWhatIsNotANumber) {
  for (const Rejected& c : kRejectedByBoth) {
    SCOPED_TRACE(std::string("\"") + c.text + "\" with \"" + c.separator + "\"");
    EXPECT_EQ(failureOf([&] { textToInt(c.text, c.separator, "HourColor"); }).number(), c.number);
    EXPECT_EQ(failureOf([&] { textToSingle(c.text, c.separator, "Top"); }).number(), c.number);
  }
}

TEST(TextToInt, RejectsWhatIsOutOfRange) {
  for (const char* text : {"99999999999", "2147483648", "-2147483649", "2147483647.5",
                           "-2147483648.6", "100000000000000000000000000000"}) {
    EXPECT_EQ(failureOf([&] { textToInt(text, ".", "HourColor"); }).number(), errors::kOutOfRange)
        << text;
  }
}

TEST(TextToSingle, RejectsWhatIsBeyondTheLargestSingle) {
  for (const char* text :
       {"1000000000000000000000000000000000000000", "-1000000000000000000000000000000000000000",
        "340282356779733661637539395458142568448"}) {
    EXPECT_EQ(failureOf([&] { textToSingle(text, ".", "Width"); }).number(), errors::kOutOfRange)
        << text;
  }
  EXPECT_EQ(textToSingle("99999999999", ".", "Width"), 99999999999.0F);
}

TEST(TextToNumber, DescriptionsNameTheKeyAndTheText) {
  EXPECT_EQ(failureOf([] { textToInt("abc", ".", "HourColor"); }).description(),
            "Einstellung \"HourColor\": \"abc\" ist keine Zahl");
  EXPECT_EQ(failureOf([] { textToSingle("", ",", "Top"); }).description(),
            "Einstellung \"Top\": \"\" ist keine Zahl");
  EXPECT_EQ(failureOf([] { textToInt("99999999999", ".", "SecondColor"); }).description(),
            "Einstellung \"SecondColor\": \"99999999999\" liegt au\u00DFerhalb des "
            "Wertebereichs");
  EXPECT_EQ(failureOf([] { textToSingle("1" + std::string(39, '0'), ".", "Width"); }).description(),
            "Einstellung \"Width\": \"1" + std::string(39, '0') +
                "\" liegt au\u00DFerhalb des Wertebereichs");
}

TEST(TextToNumber, DescriptionsCutAVeryLongTextShort) {
  const std::string letters(100, 'x');
  EXPECT_EQ(failureOf([&] { textToInt(letters, ".", "MinuteColor"); }).description(),
            "Einstellung \"MinuteColor\": \"" + std::string(40, 'x') + "\u2026\" ist keine Zahl");

  // The cut falls after the 40th character, not inside a character of two bytes.
  const std::string umlauts = std::string(39, 'x') + "\u00E4\u00E4\u00E4";
  EXPECT_EQ(failureOf([&] { textToSingle(umlauts, ".", "Left"); }).description(),
            "Einstellung \"Left\": \"" + std::string(39, 'x') + "\u00E4\u2026\" ist keine Zahl");

  const std::string forty(40, '9');
  EXPECT_EQ(failureOf([&] { textToInt(forty, ".", "HourColor"); }).description(),
            "Einstellung \"HourColor\": \"" + forty + "\" liegt au\u00DFerhalb des Wertebereichs");
}

// Counts the digits from the first to the last non-zero one.
int significantDigits(const std::string& text) {
  const auto first = text.find_first_of("123456789");
  if (first == std::string::npos) return 0;
  const auto last = text.find_last_of("123456789");
  int digits = 0;
  for (auto i = first; i <= last; ++i) digits += text[i] >= '0' && text[i] <= '9' ? 1 : 0;
  return digits;
}

TEST(SingleTextRoundTrip, GeometryValuesComeBackExactly) {
  for (const char* separator : {".", ","}) {
    for (int i = -40000; i <= 40000; i += 7) {
      // Whole and half twips, and whole pixels at several screen densities.
      for (const float value : {static_cast<float>(i), static_cast<float>(i) + 0.5F,
                                static_cast<float>(i) * 15.0F, static_cast<float>(i) * 12.0F}) {
        const std::string text = singleToText(value, separator);
        ASSERT_EQ(textToSingle(text, separator, "Top"), value) << text;
      }
    }
  }
}

TEST(SingleTextRoundTrip, AnyValueRoundsToSevenDigitsAndThenStays) {
  for (const char* separator : {".", ","}) {
    for (float value = 1e-6F; value < 1e7F; value *= 1.0137F) {
      for (const float signedValue : {value, -value}) {
        const std::string text = singleToText(signedValue, separator);
        ASSERT_LE(significantDigits(text), 7) << text;
        ASSERT_EQ(text.find_first_of(separator[0] == '.' ? ",eE" : ".eE"), std::string::npos)
            << text;
        const float back = textToSingle(text, separator, "Width");
        ASSERT_NEAR(back, signedValue, std::fabs(signedValue) * 5e-7F) << text;
        ASSERT_EQ(singleToText(back, separator), text);
      }
    }
  }
}

// The restoring steps 30 to 140, seen through the start-up that runs them.
class RestoreTest : public testing::Test, public testing_clock::ClockRig {
 protected:
  std::vector<std::string> restore() { return testing_clock::restoringCalls(*this); }
};

TEST_F(RestoreTest, StoredValuesAreReadAndAppliedInOrder) {
  fake.settings.put("HourColor", "255");
  fake.settings.put("MinuteColor", "65280.5");
  fake.settings.put("SecondColor", "-1");
  fake.settings.put("Background", "");
  fake.settings.put("Top", "450");
  fake.settings.put("Left", "-300");
  fake.settings.put("Width", "3000.5");
  fake.settings.put("Height", "2985");

  expectCalls(
      restore(),
      {"GetSetting(Zarn,Layout,HourColor,16777215)", "GetSetting(Zarn,Layout,MinuteColor,16777215)",
       "GetSetting(Zarn,Layout,SecondColor,16777215)",
       "GetSetting(Zarn,Layout,Background,clockbg5.bmp)", "GetSetting(Zarn,Layout,Top,0)",
       "SetTop(450)", "GetSetting(Zarn,Layout,Left,0)", "SetLeft(-300)",
       "GetSetting(Zarn,Layout,Width,3000)", "SetWidth(3000.5)",
       "GetSetting(Zarn,Layout,Height,3000)", "SetHeight(2985)"});
  EXPECT_TRUE(fake.messages.texts().empty());
  EXPECT_EQ(props.colHour, 255);
  EXPECT_EQ(props.colMin, 65280);
  EXPECT_EQ(props.colSec, -1);
  EXPECT_EQ(fake.journal.count("ShowModal"), 0) << "restoring must not show the dialog";
}

TEST_F(RestoreTest, CommaLocaleReadsEitherSeparator) {
  fake.locale.separator = ",";
  fake.screen.twipsX = 1440.0F / 168.0F;
  fake.settings.put("Top", "172.5");  // written under a decimal-point locale
  fake.settings.put("Height", "3000,5");

  const auto calls = restore();

  ASSERT_EQ(calls.size(), 12U);
  EXPECT_EQ(calls[5], "SetTop(172.5)");
  EXPECT_EQ(calls[8], "GetSetting(Zarn,Layout,Width,3000)");
  EXPECT_EQ(calls[9], "SetWidth(3000)");
  EXPECT_EQ(calls[11], "SetHeight(3000.5)");
}

// The default keeps its size on the screen: 3000 twips whatever the scaling, not 200 pixels.
TEST(RestoreDefaults, SizeIs3000TwipsAtEveryDpi) {
  const struct {
    float twipsX, twipsY;
  } densities[] = {{15, 15}, {12, 12}, {10, 10}, {7.5F, 7.5F}, {1440.0F / 168.0F, 15}, {15, 12}};
  for (const auto d : densities) {
    SCOPED_TRACE(testing::Message() << d.twipsX << " x " << d.twipsY << " twips per pixel");
    testing_clock::ClockRig rig;
    rig.fake.screen.twipsX = d.twipsX;
    rig.fake.screen.twipsY = d.twipsY;
    const auto calls = testing_clock::restoringCalls(rig);
    ASSERT_EQ(calls.size(), 12U);
    EXPECT_EQ(calls[8], "GetSetting(Zarn,Layout,Width,3000)");
    EXPECT_EQ(calls[9], "SetWidth(3000)");
    EXPECT_EQ(calls[10], "GetSetting(Zarn,Layout,Height,3000)");
    EXPECT_EQ(calls[11], "SetHeight(3000)");
  }
}

TEST_F(RestoreTest, GeometryIsBoundedByTheVirtualScreenAfterItIsRestored) {
  const struct {
    const char* name;
    const char* top;
    const char* left;
    const char* width;
    const char* height;
    std::vector<std::string> bounding;  // the calls after SetHeight
    float top_, left_, width_, height_;
    int virtualRight = 1280;  // pixels; the primary monitor is 1280 × 1024 at (0,0)
    int virtualBottom = 1024;
  } cases[] = {
      {"top beyond the screen", "15341", "450", "3000", "3000", {"SetTop(0)"}, 0, 450, 3000, 3000},
      {"top at the limit", "15340", "450", "3000", "3000", {}, 15340, 450, 3000, 3000},
      {"negative top", "-300", "-300", "3000", "3000", {}, -300, -300, 3000, 3000},
      {"left beyond the screen", "0", "19180.5", "3000", "3000", {"SetLeft(0)"}, 0, 0, 3000, 3000},
      {"left at the limit", "0", "19180", "3000", "3000", {}, 0, 19180, 3000, 3000},
      {"both beyond",
       "20000",
       "20000",
       "3000",
       "3000",
       {"SetTop(0)", "SetLeft(0)"},
       0,
       0,
       3000,
       3000},
      {"on a monitor right of the primary",
       "450",
       "25000",
       "3000",
       "3000",
       {},
       450,
       25000,
       3000,
       3000,
       2560},
      {"beyond the monitor right of the primary",
       "0",
       "38380.5",
       "3000",
       "3000",
       {"SetLeft(0)"},
       0,
       0,
       3000,
       3000,
       2560},
      {"on a monitor below the primary",
       "20000",
       "0",
       "3000",
       "3000",
       {},
       20000,
       0,
       3000,
       3000,
       1280,
       2048},
      // A monitor left of the primary moves the virtual screen's left edge only.
      {"on a monitor left of the primary",
       "0",
       "-15000",
       "3000",
       "3000",
       {},
       0,
       -15000,
       3000,
       3000},
      {"width 5", "0", "0", "5", "3000", {"SetWidth(20)"}, 0, 0, 20, 3000},
      {"height 3", "0", "0", "3000", "3", {"SetHeight(20)"}, 0, 0, 3000, 20},
      {"width 20 stays", "0", "0", "20", "19.99", {"SetHeight(20)"}, 0, 0, 20, 20},
      {"all at once",
       "16000",
       "-5",
       "-100",
       "0",
       {"SetTop(0)", "SetWidth(20)", "SetHeight(20)"},
       0,
       -5,
       20,
       20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClockRig fresh;
    fresh.fake.screen.pixelsWide = c.virtualRight;
    fresh.fake.screen.pixelsHigh = c.virtualBottom;
    fresh.fake.settings.put("Top", c.top);
    fresh.fake.settings.put("Left", c.left);
    fresh.fake.settings.put("Width", c.width);
    fresh.fake.settings.put("Height", c.height);

    const auto calls = testing_clock::restoringCalls(fresh);

    ASSERT_GE(calls.size(), 12U);
    EXPECT_EQ(std::vector<std::string>(calls.begin() + 12, calls.end()), c.bounding);
    EXPECT_EQ(fresh.fake.window.topValue, c.top_);
    EXPECT_EQ(fresh.fake.window.leftValue, c.left_);
    EXPECT_EQ(fresh.fake.window.widthValue, c.width_);
    EXPECT_EQ(fresh.fake.window.heightValue, c.height_);
  }
}

TEST_F(RestoreTest, BadValueStopsAtItsStep) {
  const struct {
    const char* key;
    const char* text;
    int line;
    std::int32_t number;
  } cases[] = {
      {"HourColor", "abc", 30, errors::kNotANumber},
      {"MinuteColor", "4294967295", 40, errors::kOutOfRange},
      {"SecondColor", "1e5", 50, errors::kNotANumber},
      {"Top", "1.234,5", 70, errors::kNotANumber},
      {"Left", "0x10", 80, errors::kNotANumber},
      {"Width", "", 90, errors::kNotANumber},
      {"Height", "1e39", 100, errors::kNotANumber},
      {"Height", "10000000000000000000000000000000000000000", 100, errors::kOutOfRange},
  };
  const char* const keys[] = {"HourColor", "MinuteColor", "SecondColor", "Background",
                              "Top",       "Left",        "Width",       "Height"};
  const char* const defaults[] = {"16777215", "16777215", "16777215", "clockbg5.bmp",
                                  "0",        "0",        "3000",     "3000"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    ClockRig fresh;
    fresh.fake.settings.put(c.key, c.text);

    const auto calls = testing_clock::restoringCalls(fresh);

    const auto report = testing_clock::firstReport(fresh.fake.messages);
    EXPECT_EQ(report.line, c.line);
    EXPECT_EQ(report.number, c.number);
    EXPECT_EQ(fresh.fake.messages.texts().size(), 1U);
    EXPECT_NE(report.description.find(std::string("\"") + c.key + "\""), std::string::npos)
        << report.description;
    // Every key up to the bad one is read, its value applied, and nothing after it.
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < 8; ++i) {
      expected.push_back(std::string("GetSetting(Zarn,Layout,") + keys[i] + "," + defaults[i] +
                         ")");
      if (std::string(keys[i]) == c.key) break;
      if (i >= 4) expected.push_back(std::string("Set") + keys[i] + "(" + defaults[i] + ")");
    }
    expectCalls(calls, expected);
  }
}

}  // namespace
}  // namespace zarn
