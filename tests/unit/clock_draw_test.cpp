// Hand drawing, seen through the clock tick on the fake platform.

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "clock_fixture.h"
#include "platform/numeric.h"
#include "tests/shared/hand_cases.h"

namespace zarn {
namespace {

using fake::expectCalls;
using testing_clock::ClockTest;

class DrawTest : public ClockTest {
 protected:
  void SetUp() override { load(); }

  // Sizes the window to w × h pixels at the current twips per pixel.
  void sizePixels(int w, int h) {
    fake.window.widthValue = static_cast<float>(w) * fake.screen.twipsX;
    fake.window.heightValue = static_cast<float>(h) * fake.screen.twipsY;
  }

  // One tick at the given time; the Polygon lines it drew.
  std::vector<std::string> handsAt(int hour, int minute, int second) {
    fake.time.set(hour, minute, second);
    fake.journal.clear();
    form.Trigger_Timer();
    std::vector<std::string> polygons;
    for (const auto& line : fake.journal.lines()) {
      if (line.rfind("Polygon(", 0) == 0) polygons.push_back(line);
    }
    return polygons;
  }

  std::string hourHandAt(int hour, int minute) {
    const auto polygons = handsAt(hour, minute, 0);
    return polygons.empty() ? "" : polygons.front();
  }
};

std::string polygon(std::initializer_list<hand_cases::Point> points) {
  std::string text = "Polygon(";
  for (const auto& p : points) {
    if (text.back() == ')') text += ",";
    text += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
  }
  return text + ")";
}

TEST_F(DrawTest, WorkedExamplesGiveExactlyThesePolygons) {
  for (const auto& c : hand_cases::kHandsCases) {
    sizePixels(c.size.width, c.size.height);
    const auto& h = c.hourHand;
    const auto& m = c.minuteHand;
    const std::vector<std::string> expected = {polygon({h[0], h[1], h[2], h[3]}),
                                               polygon({m[0], m[1], m[2], m[3]}),
                                               polygon({c.secondTip, h[0], h[0]})};
    EXPECT_EQ(handsAt(c.time.hour, c.time.minute, c.time.second), expected)
        << c.size.width << "x" << c.size.height << " at " << c.time.hour << ":" << c.time.minute
        << ":" << c.time.second;
  }
}

TEST_F(DrawTest, ATickPaintsTheFaceThenReadsTheTimeFourTimesAndDrawsHourMinuteSecond) {
  fake.time.set(12, 0, 0);
  form.Trigger_Timer();
  expectCalls(fake.journal, {
                                "PaintPicture(501,0,0,3000,3000)",
                                "Now=12:00:00",
                                "Now=12:00:00",
                                "SelectObject(101)",
                                "SelectObject(102)",
                                "Polygon((100,100),(98,84),(100,41),(102,84))",
                                "Now=12:00:00",
                                "SelectObject(103)",
                                "SelectObject(104)",
                                "Polygon((100,100),(99,83),(100,23),(101,83))",
                                "Now=12:00:00",
                                "SelectObject(105)",
                                "SelectObject(106)",
                                "Polygon((100,20),(100,100),(100,100))",
                            });
}

TEST_F(DrawTest, EachHandIsDrawnWithItsOwnBrushAndPenAndTheSecondsStaySelected) {
  form.Trigger_Timer();
  const auto& drawn = fake.gdi.polygons();
  ASSERT_EQ(drawn.size(), 3U);
  EXPECT_EQ(drawn[0].brush, form.brushHour);
  EXPECT_EQ(drawn[0].pen, form.penHour);
  EXPECT_EQ(drawn[1].brush, form.brushMin);
  EXPECT_EQ(drawn[1].pen, form.penMin);
  EXPECT_EQ(drawn[2].brush, form.brushSec);
  EXPECT_EQ(drawn[2].pen, form.penSec);
  EXPECT_EQ(fake.gdi.selectedBrush(), form.brushSec);
  EXPECT_EQ(fake.gdi.selectedPen(), form.penSec);
}

struct PixelCase {
  float widthTwips;
  float twipsPerPixel;
  std::string secondHandAtQuarterPast;  // tip at W × 0.9, centre at W / 2, both rounded
  int centreX;
};

// W is the width over the unrounded factor, so a 200-pixel window keeps its pivot at
// (100, 100) at every display scaling.
TEST_F(DrawTest, PixelSizeIsTheRoundedWidthOverTheTwipsPerPixel) {
  const PixelCase cases[] = {
      {3000, 15, "Polygon((180,100),(100,100),(100,100))", 100},  // 96 DPI, W = 200
      {2406, 12, "Polygon((180,100),(100,100),(100,100))", 100},  // 200.5 -> 200
      {2418, 12, "Polygon((182,100),(101,100),(101,100))", 101},  // 201.5 -> 202
      {2000, 10, "Polygon((180,100),(100,100),(100,100))", 100},  // 144 DPI
      {200 * (1440.0F / 168), 1440.0F / 168, "Polygon((180,100),(100,100),(100,100))", 100},
      {1500, 7.5F, "Polygon((180,100),(100,100),(100,100))", 100},  // 192 DPI
      {200 * (1440.0F / 216), 1440.0F / 216, "Polygon((180,100),(100,100),(100,100))", 100},
      {2900, 14.5F, "Polygon((180,100),(100,100),(100,100))", 100},  // a rounded 14 gave 207
  };
  for (const auto& c : cases) {
    fake.screen.twipsX = c.twipsPerPixel;
    fake.screen.twipsY = c.twipsPerPixel;
    fake.window.widthValue = c.widthTwips;
    fake.window.heightValue = 200 * c.twipsPerPixel;
    const auto polygons = handsAt(0, 0, 15);
    ASSERT_EQ(polygons.size(), 3U) << c.widthTwips;
    EXPECT_EQ(polygons[2], c.secondHandAtQuarterPast)
        << c.widthTwips << " twips at " << c.twipsPerPixel;
    // The pivot is at the vertical centre too: the tip at :00 lies 80 px above it.
    const std::string centre = std::to_string(c.centreX);
    EXPECT_EQ(handsAt(0, 0, 0)[2],
              "Polygon((" + centre + ",20),(" + centre + ",100),(" + centre + ",100))")
        << c.twipsPerPixel;
  }
}

// The full circle is the literal 6.283185307: at second 5 a 185-pixel window puts the tip
// at 129.4999…, where exact 2π gives 129.5 and rounds to 130.
TEST_F(DrawTest, TheLiteralCircleConstantDecidesATie) {
  sizePixels(185, 185);
  EXPECT_EQ(handsAt(0, 0, 5)[2], "Polygon((129,28),(92,92),(92,92))");
}

struct TieCase {
  int hour;
  int minute;
  int sameHour;  // a time with the expected position exactly
  int sameMinute;
  int otherHour;  // a time one position away
  int otherMinute;
};

TEST_F(DrawTest, HourPositionTiesGoToTheEvenPosition) {
  sizePixels(200, 200);
  const TieCase cases[] = {
      {5, 6, 5, 12, 5, 0},     // 25.5 -> 26
      {5, 18, 5, 12, 5, 24},   // 26.5 -> 26
      {5, 30, 5, 36, 5, 24},   // 27.5 -> 28
      {5, 42, 5, 36, 5, 48},   // 28.5 -> 28
      {5, 54, 6, 0, 5, 48},    // 29.5 -> 30
      {11, 54, 0, 0, 11, 48},  // 59.5 -> 60, straight up like 0
      {0, 0, 12, 0, 0, 12},    // hour modulo 12
      {17, 18, 5, 12, 5, 24},  // afternoon as morning
      {5, 5, 5, 0, 5, 12},     // 25.42 -> 25
  };
  for (const auto& c : cases) {
    const std::string hand = hourHandAt(c.hour, c.minute);
    EXPECT_EQ(hand, hourHandAt(c.sameHour, c.sameMinute)) << c.hour << ":" << c.minute;
    EXPECT_NE(hand, hourHandAt(c.otherHour, c.otherMinute)) << c.hour << ":" << c.minute;
  }
}

TEST_F(DrawTest, EachHandTakesItsValueFromItsOwnReading) {
  const std::string hourAt542 = hourHandAt(5, 42);
  const std::string minuteAt30 = handsAt(0, 30, 0)[1];
  const std::string secondAt45 = handsAt(0, 0, 45)[2];

  // Hour from the first reading, minute for the hour hand from the second, then the
  // minute and the second from a reading each.
  fake.time.script({{5, 18, 1}, {7, 42, 2}, {9, 30, 3}, {1, 2, 45}});
  fake.journal.clear();
  form.Trigger_Timer();
  const auto& lines = fake.journal.lines();
  ASSERT_EQ(lines.size(), 14U);
  EXPECT_EQ(lines[1], "Now=05:18:01");
  EXPECT_EQ(lines[2], "Now=07:42:02");
  EXPECT_EQ(lines[5], hourAt542);
  EXPECT_EQ(lines[6], "Now=09:30:03");
  EXPECT_EQ(lines[9], minuteAt30);
  EXPECT_EQ(lines[10], "Now=01:02:45");
  EXPECT_EQ(lines[13], secondAt45);
}

struct StepCase {
  const char* call;
  int nth;
  int line;
  std::size_t handsDrawn;
};

TEST_F(DrawTest, AFailingStepIsReportedWithItsLineAndTheClockRunsOn) {
  const StepCase cases[] = {
      {"Screen.TwipsPerPixelX", 1, 130, 0},
      {"Screen.TwipsPerPixelY", 1, 140, 0},
      {"Width", 1, 150, 0},
      {"Height", 1, 160, 0},
      {"Now", 1, 170, 0},
      {"Now", 2, 170, 0},
      {"SelectObject", 1, 260, 0},
      {"SelectObject", 2, 270, 0},
      {"Polygon", 1, 280, 0},
      {"Now", 3, 290, 1},
      {"SelectObject", 3, 380, 1},
      {"SelectObject", 4, 390, 1},
      {"Polygon", 2, 400, 1},
      {"Now", 4, 410, 2},
      {"SelectObject", 5, 500, 2},
      {"SelectObject", 6, 510, 2},
      {"Polygon", 3, 520, 2},
  };
  for (const auto& c : cases) {
    fake.gdi.clearPolygons();
    fake.journal.clear();
    fake.journal.failOn(c.call, c.nth);
    form.Trigger_Timer();
    EXPECT_EQ(fake.gdi.polygons().size(), c.handsDrawn) << c.call << " " << c.nth;
    EXPECT_EQ(fake.journal.lines().back(), injectedBox(c.call, "drawZeiger", c.line))
        << c.call << " " << c.nth;

    fake.gdi.clearPolygons();
    form.Trigger_Timer();
    EXPECT_EQ(fake.gdi.polygons().size(), 3U) << "tick after " << c.call;
  }
  EXPECT_EQ(fake.process.ends(), 0);
  EXPECT_EQ(fake.messages.texts().size(), std::size(cases));
}

TEST_F(DrawTest, AFailureAtLine400LeavesTheHourHandDrawnAndNothingAfter) {
  fake.time.set(12, 0, 0);
  fake.journal.failOn("Polygon", 2);
  form.Trigger_Timer();
  expectCalls(fake.journal, {
                                "PaintPicture(501,0,0,3000,3000)",
                                "Now=12:00:00",
                                "Now=12:00:00",
                                "SelectObject(101)",
                                "SelectObject(102)",
                                "Polygon((100,100),(98,84),(100,41),(102,84))",
                                "Now=12:00:00",
                                "SelectObject(103)",
                                "SelectObject(104)",
                                "Polygon((100,100),(99,83),(100,23),(101,83)) -> Failure(4711)",
                                injectedBox("Polygon", "drawZeiger", 400),
                            });
}

struct LimitCase {
  float twipsPerPixel;
  float widthPixels;
  float heightPixels;
  std::int32_t number;
  int line;
};

TEST_F(DrawTest, ValuesBeyondTheirTypesFailAtTheirStep) {
  const LimitCase cases[] = {
      {15, 32768, 200, errors::kOverflow, 150},  {15, 200, 32768, errors::kOverflow, 160},
      {15, -32769, 200, errors::kOverflow, 150}, {0, 200, 200, errors::kDivisionByZero, 150},
      {40000, 1, 1, errors::kOverflow, 130},
  };
  for (const auto& c : cases) {
    fake.screen.twipsX = c.twipsPerPixel;
    fake.screen.twipsY = c.twipsPerPixel;
    fake.window.widthValue = c.widthPixels * c.twipsPerPixel;
    fake.window.heightValue = c.heightPixels * c.twipsPerPixel;
    fake.journal.clear();
    fake.gdi.clearPolygons();
    form.Trigger_Timer();
    ASSERT_FALSE(fake.messages.texts().empty());
    const std::string& text = fake.messages.texts().back();
    EXPECT_EQ(text.rfind((c.number < 0 ? "" : " ") + std::to_string(c.number) + ": ", 0), 0U)
        << text;
    EXPECT_EQ(text.substr(text.find("\r\n")),
              "\r\n in frmZarn.drawZeiger bei Zeile  " + std::to_string(c.line));
    EXPECT_TRUE(fake.gdi.polygons().empty());
  }
  // The largest window still draws.
  fake.screen.twipsX = 15;
  fake.screen.twipsY = 15;
  sizePixels(32767, 32767);
  EXPECT_EQ(handsAt(0, 0, 0).size(), 3U);
  EXPECT_EQ(fake.process.ends(), 0);
}

}  // namespace
}  // namespace zarn
