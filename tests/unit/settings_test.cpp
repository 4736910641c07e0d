#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "fake_dialogs.h"
#include "fake_platform.h"
#include "platform/failure.h"
#include "properties/frmProperties.h"
#include "settings/settings.h"

namespace zarn {
namespace {

using settings::intToText;
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

TEST(IntToText, IsPlainDecimal) {
  const struct {
    std::int32_t value;
    const char* text;
  } cases[] = {{0, "0"},
               {255, "255"},
               {16777215, "16777215"},
               {-1, "-1"},
               {2147483647, "2147483647"},
               {std::numeric_limits<std::int32_t>::min(), "-2147483648"}};
  for (const auto& c : cases) EXPECT_EQ(intToText(c.value), c.text) << c.value;
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
    {"", ".", errors::kNotANumber},      {"   ", ".", errors::kNotANumber},
    {"\t", ",", errors::kNotANumber},    {"abc", ".", errors::kNotANumber},
    {"1e5", ".", errors::kNotANumber},   {"1E5", ",", errors::kNotANumber},
    {"0x10", ".", errors::kNotANumber},  {"NaN", ".", errors::kNotANumber},
    {"inf", ".", errors::kNotANumber},   {"-inf", ".", errors::kNotANumber},
    {"255,5", ".", errors::kNotANumber}, {"255.5", ",", errors::kNotANumber},
    {"1,000", ".", errors::kNotANumber}, {"1.000,5", ",", errors::kNotANumber},
    {"- 5", ".", errors::kNotANumber},   {"+-5", ".", errors::kNotANumber},
    {"5 5", ".", errors::kNotANumber},   {"5..0", ".", errors::kNotANumber},
    {".", ".", errors::kNotANumber},     {"-", ".", errors::kNotANumber},
    {"12a", ".", errors::kNotANumber},   {"\u00BD", ".", errors::kNotANumber},
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

class SettingsTest : public testing::Test {
 protected:
  SettingsTest() {
    p.screen.pixelsWide = 1280;  // 19200 twips
    p.screen.pixelsHigh = 1024;  // 15360 twips
  }

  // Runs the restoring steps; returns the failure (number 0 when none) and the last line.
  std::pair<Failure, int> runRestore() {
    int line = 10;
    Platform platform = p.platform();
    Failure failure = failureOf([&] { settings::restore(platform, properties, line); });
    return {failure, line};
  }

  fake::FakePlatform p;
  fake::FakeCommonDialogs dialogs{p.journal};
  fake::FakePropertiesHost host{p.journal};
  frmProperties properties{host, dialogs, p.pictures};
};

TEST_F(SettingsTest, EmptyStoreGivesTheDefaultsAndWritesNothing) {
  const auto [failure, line] = runRestore();

  EXPECT_EQ(failure.number(), 0) << failure.description();
  EXPECT_EQ(line, 140);
  fake::expectCalls(
      p.journal,
      {"GetSetting(Zarn,Layout,HourColor,16777215)", "GetSetting(Zarn,Layout,MinuteColor,16777215)",
       "GetSetting(Zarn,Layout,SecondColor,16777215)",
       "GetSetting(Zarn,Layout,Background,clockbg5.bmp)", "GetSetting(Zarn,Layout,Top,0)",
       "SetTop(0)", "GetSetting(Zarn,Layout,Left,0)", "SetLeft(0)",
       "GetSetting(Zarn,Layout,Width,3000)", "SetWidth(3000)",
       "GetSetting(Zarn,Layout,Height,3000)", "SetHeight(3000)"});
  EXPECT_EQ(properties.colHour, 16777215);
  EXPECT_EQ(properties.colMin, 16777215);
  EXPECT_EQ(properties.colSec, 16777215);
  EXPECT_EQ(properties.bgPath, "clockbg5.bmp");
  EXPECT_EQ(p.settings.size(), 0U);
  EXPECT_TRUE(host.views.empty()) << "restoring must not show the dialog";
}

TEST_F(SettingsTest, StoredValuesAreReadAndAppliedInOrder) {
  p.settings.put("HourColor", "255");
  p.settings.put("MinuteColor", "65280.5");
  p.settings.put("SecondColor", "-1");
  p.settings.put("Background", "");
  p.settings.put("Top", "450");
  p.settings.put("Left", "-300");
  p.settings.put("Width", "3000.5");
  p.settings.put("Height", "2985");

  const auto [failure, line] = runRestore();

  EXPECT_EQ(failure.number(), 0) << failure.description();
  fake::expectCalls(
      p.journal,
      {"GetSetting(Zarn,Layout,HourColor,16777215)", "GetSetting(Zarn,Layout,MinuteColor,16777215)",
       "GetSetting(Zarn,Layout,SecondColor,16777215)",
       "GetSetting(Zarn,Layout,Background,clockbg5.bmp)", "GetSetting(Zarn,Layout,Top,0)",
       "SetTop(450)", "GetSetting(Zarn,Layout,Left,0)", "SetLeft(-300)",
       "GetSetting(Zarn,Layout,Width,3000)", "SetWidth(3000.5)",
       "GetSetting(Zarn,Layout,Height,3000)", "SetHeight(2985)"});
  EXPECT_EQ(properties.colHour, 255);
  EXPECT_EQ(properties.colMin, 65280);
  EXPECT_EQ(properties.colSec, -1);
  EXPECT_EQ(properties.bgPath, "") << "the empty path is taken as stored";
}

TEST_F(SettingsTest, CommaLocaleReadsCommaDecimalsAndWritesTheDefaultWithIt) {
  p.locale.separator = ",";
  p.screen.twipsX = 1440.0F / 168.0F;
  p.settings.put("Height", "3000,5");

  runRestore();

  const auto calls = p.journal.lines();
  ASSERT_EQ(calls.size(), 12U);
  EXPECT_EQ(calls[8], "GetSetting(Zarn,Layout,Width,1714,286)");
  EXPECT_EQ(calls[9], "SetWidth(1714.286)");
  EXPECT_EQ(calls[11], "SetHeight(3000.5)");
}

TEST_F(SettingsTest, GeometryIsBoundedAfterItIsRestored) {
  const struct {
    const char* name;
    const char* top;
    const char* left;
    const char* width;
    const char* height;
    std::vector<std::string> bounding;  // the calls after SetHeight
    float top_, left_, width_, height_;
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
    fake::FakePlatform fresh;
    fresh.settings.put("Top", c.top);
    fresh.settings.put("Left", c.left);
    fresh.settings.put("Width", c.width);
    fresh.settings.put("Height", c.height);
    Platform platform = fresh.platform();
    int line = 10;
    settings::restore(platform, properties, line);

    auto calls = fresh.journal.lines();
    ASSERT_GE(calls.size(), 12U);
    EXPECT_EQ(std::vector<std::string>(calls.begin() + 12, calls.end()), c.bounding);
    EXPECT_EQ(fresh.window.topValue, c.top_);
    EXPECT_EQ(fresh.window.leftValue, c.left_);
    EXPECT_EQ(fresh.window.widthValue, c.width_);
    EXPECT_EQ(fresh.window.heightValue, c.height_);
  }
}

TEST_F(SettingsTest, BadValueStopsAtItsStep) {
  const struct {
    const char* key;
    const char* text;
    int line;
    std::int32_t number;
  } cases[] = {
      {"HourColor", "abc", 30, errors::kNotANumber},
      {"MinuteColor", "4294967295", 40, errors::kOutOfRange},
      {"SecondColor", "1e5", 50, errors::kNotANumber},
      {"Top", "12,5", 70, errors::kNotANumber},
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
    fake::FakePlatform fresh;
    fresh.settings.put(c.key, c.text);
    Platform platform = fresh.platform();
    int line = 10;
    const Failure failure = failureOf([&] { settings::restore(platform, properties, line); });

    EXPECT_EQ(failure.number(), c.number);
    EXPECT_EQ(line, c.line);
    EXPECT_NE(failure.description().find(std::string("\"") + c.key + "\""), std::string::npos)
        << failure.description();
    // Every key up to the bad one is read, its value applied, and nothing after it.
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < 8; ++i) {
      expected.push_back(std::string("GetSetting(Zarn,Layout,") + keys[i] + "," + defaults[i] +
                         ")");
      if (std::string(keys[i]) == c.key) break;
      if (i >= 4) expected.push_back(std::string("Set") + keys[i] + "(" + defaults[i] + ")");
    }
    fake::expectCalls(fresh.journal, expected);
  }
}

TEST_F(SettingsTest, FailingStoreReadFailsItsStep) {
  p.journal.failOn("GetSetting", 6);

  const auto [failure, line] = runRestore();

  EXPECT_EQ(failure.number(), fake::kInjectedNumber);
  EXPECT_EQ(line, 80);
  EXPECT_EQ(p.journal.lines().back(), "GetSetting(Zarn,Layout,Left,0) -> Failure(4711)");
}

TEST_F(SettingsTest, FailingWindowReadFailsTheBoundStep) {
  const struct {
    const char* read;
    int line;
  } cases[] = {{"Screen.Height", 110}, {"Left", 120}, {"Width", 130}, {"Height", 140}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.read);
    fake::FakePlatform fresh;
    fresh.journal.failOn(c.read, 1);
    Platform platform = fresh.platform();
    int line = 10;
    const Failure failure = failureOf([&] { settings::restore(platform, properties, line); });
    EXPECT_EQ(failure.number(), fake::kInjectedNumber);
    EXPECT_EQ(line, c.line);
  }
}

TEST_F(SettingsTest, StoreGeometryWritesTopLeftWidthHeightInOrder) {
  p.window.topValue = 0;
  p.window.leftValue = 0;
  p.window.widthValue = 3000;
  p.window.heightValue = 3000;
  Platform platform = p.platform();
  int line = 70;

  settings::storeGeometry(platform, line);

  EXPECT_EQ(line, 110);
  fake::expectCalls(
      p.journal, {"SaveSetting(Zarn,Layout,Top,0)", "SaveSetting(Zarn,Layout,Left,0)",
                  "SaveSetting(Zarn,Layout,Width,3000)", "SaveSetting(Zarn,Layout,Height,3000)"});
}

TEST_F(SettingsTest, StoreGeometryWritesFractionsWithTheLocaleSeparator) {
  p.locale.separator = ",";
  p.window.topValue = -300;
  p.window.leftValue = 450.5F;
  p.window.widthValue = 1714.2857F;
  p.window.heightValue = 20;
  Platform platform = p.platform();
  int line = 70;

  settings::storeGeometry(platform, line);

  fake::expectCalls(
      p.journal, {"SaveSetting(Zarn,Layout,Top,-300)", "SaveSetting(Zarn,Layout,Left,450,5)",
                  "SaveSetting(Zarn,Layout,Width,1714,286)", "SaveSetting(Zarn,Layout,Height,20)"});
  EXPECT_EQ(p.settings.stored("Left"), "450,5");
}

TEST_F(SettingsTest, StoreGeometryFailureKeepsTheEarlierWrites) {
  p.journal.failOn("SaveSetting", 3);
  Platform platform = p.platform();
  int line = 70;

  const Failure failure = failureOf([&] { settings::storeGeometry(platform, line); });

  EXPECT_EQ(failure.number(), fake::kInjectedNumber);
  EXPECT_EQ(line, 100);
  EXPECT_EQ(p.settings.stored("Left"), "0");
  EXPECT_EQ(p.settings.stored("Width"), std::nullopt);
  EXPECT_EQ(p.settings.stored("Height"), std::nullopt);
}

TEST_F(SettingsTest, StoreAppearanceWritesColoursAsDecimalAndThePathUnchanged) {
  properties.colHour = 16777215;
  properties.colMin = -1;
  properties.colSec = 255;
  properties.bgPath = "C:\\Bilder\\Zifferblatt gro\u00DF.jpg";
  Platform platform = p.platform();
  int line = 20;

  settings::storeAppearance(platform, properties, line);

  EXPECT_EQ(line, 60);
  fake::expectCalls(p.journal, {"SaveSetting(Zarn,Layout,HourColor,16777215)",
                                "SaveSetting(Zarn,Layout,MinuteColor,-1)",
                                "SaveSetting(Zarn,Layout,SecondColor,255)",
                                "SaveSetting(Zarn,Layout,Background,C:\\Bilder\\Zifferblatt "
                                "gro\u00DF.jpg)"});
}

TEST_F(SettingsTest, StoreAppearanceFailureReportsItsLine) {
  for (int nth = 1; nth <= 4; ++nth) {
    fake::FakePlatform fresh;
    fresh.journal.failOn("SaveSetting", nth);
    Platform platform = fresh.platform();
    int line = 20;
    const Failure failure =
        failureOf([&] { settings::storeAppearance(platform, properties, line); });
    EXPECT_EQ(failure.number(), fake::kInjectedNumber);
    EXPECT_EQ(line, 20 + 10 * nth);
    EXPECT_EQ(fresh.settings.size(), static_cast<std::size_t>(nth - 1));
  }
}

}  // namespace
}  // namespace zarn
