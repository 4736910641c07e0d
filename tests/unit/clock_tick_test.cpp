// The clock tick: face, hands, and what happens around failure reports.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "clock/tick_timing.h"
#include "clock_fixture.h"

namespace zarn {
namespace {

using fake::expectCalls;
using testing_clock::ClockTest;

const std::string kNoPictureBox =
    "MsgBox( 1003: Kein Hintergrundbild geladen\r\n in frmZarn.Trigger_Timer bei Zeile  65,0,Zarn)";

class TickTest : public ClockTest {
 protected:
  [[nodiscard]] int linesStartingWith(const std::string& start) const {
    int n = 0;
    for (const auto& line : fake.journal.lines()) n += line.rfind(start, 0) == 0 ? 1 : 0;
    return n;
  }
};

TEST_F(TickTest, WithoutAPictureOneReportAtStep65ThenTheEnd) {
  form.Trigger_Timer();
  expectCalls(fake.journal, {kNoPictureBox, "End"});
  EXPECT_EQ(fake.process.ends(), 1);
  EXPECT_EQ(fake.journal.count("SaveSetting"), 0);
}

TEST_F(TickTest, TheFaceIsStretchedOverTheWholeClientArea) {
  load();
  fake.window.widthValue = 4500;
  fake.window.heightValue = 1500;
  form.Trigger_Timer();
  EXPECT_EQ(fake.journal.lines().front(), "PaintPicture(501,0,0,4500,1500)");
  EXPECT_EQ(linesStartingWith("Polygon("), 3);
}

TEST_F(TickTest, AnEmptyPictureSkipsThePaintButDrawsTheHands) {
  load();
  form.picBG = fake.pictures.loadPicture("");
  fake.journal.clear();
  form.Trigger_Timer();
  EXPECT_EQ(linesStartingWith("PaintPicture"), 0);
  EXPECT_EQ(linesStartingWith("Polygon("), 3);
  EXPECT_EQ(fake.journal.lines().front(), "Now=00:00:00");
  EXPECT_TRUE(fake.messages.texts().empty());
}

TEST_F(TickTest, AFailingPaintIsReportedAtStep70AndEndsWithoutDrawing) {
  load();
  fake.journal.failOn("PaintPicture", 1);
  form.Trigger_Timer();
  expectCalls(fake.journal,
              {"PaintPicture(501,0,0,3000,3000) -> Failure(4711)",
               injectedBox("PaintPicture", "Trigger_Timer", 70), "Shell_NotifyIcon(2)", "End"});
}

TEST_F(TickTest, AFailingClientSizeIsAFailureOfStep70) {
  load();
  fake.journal.failOn("ScaleHeight", 1);
  form.Trigger_Timer();
  expectCalls(fake.journal,
              {"ScaleHeight -> Failure(4711)", injectedBox("ScaleHeight", "Trigger_Timer", 70),
               "Shell_NotifyIcon(2)", "End"});
}

TEST_F(TickTest, TicksWhileAReportIsOpenDoNothing) {
  fake.settings.put("Background", "weg.bmp");
  int ticksDuringBoxes = 0;
  fake.messages.whileOpen = [&](const std::string&) {
    if (fake.messages.depth() > 1) return;  // a nested box: already a failure below
    const std::size_t before = fake.journal.lines().size();
    for (int i = 0; i < 3; ++i) form.Trigger_Timer();
    ticksDuringBoxes += 3;
    EXPECT_EQ(fake.journal.lines().size(), before);
  };
  form.Form_Load();
  ASSERT_EQ(fake.messages.texts().size(), 1U);
  EXPECT_NE(fake.messages.texts()[0].find("Form_Load bei Zeile  230"), std::string::npos);

  // The box has closed: the next tick runs and fails on the missing picture.
  fake.journal.clear();
  form.Trigger_Timer();
  expectCalls(fake.journal, {kNoPictureBox, "End"});
  EXPECT_EQ(ticksDuringBoxes, 6);
  EXPECT_EQ(fake.messages.maxDepth(), 1);
  EXPECT_EQ(fake.process.ends(), 1);
}

TEST_F(TickTest, APersistentDrawingFailureGivesOneBoxPerTickNeverNested) {
  load();
  fake.window.widthValue = 40000 * 15.0F;
  fake.messages.whileOpen = [&](const std::string&) {
    if (fake.messages.depth() > 1) return;  // a nested box: already a failure below
    form.Trigger_Timer();
    form.Trigger_Timer();
  };
  for (int i = 0; i < 3; ++i) form.Trigger_Timer();
  EXPECT_EQ(fake.messages.texts().size(), 3U);
  EXPECT_EQ(fake.messages.maxDepth(), 1);
  EXPECT_EQ(fake.journal.count("PaintPicture"), 3);
  for (const auto& text : fake.messages.texts()) {
    EXPECT_NE(text.find("drawZeiger bei Zeile  150"), std::string::npos) << text;
  }
  EXPECT_EQ(fake.process.ends(), 0);

  // Once the cause is gone the clock draws again.
  fake.window.widthValue = 3000;
  fake.journal.clear();
  form.Trigger_Timer();
  EXPECT_EQ(linesStartingWith("Polygon("), 3);
}

TEST_F(TickTest, ATickDuringTheReportOfAnotherProcedureIsSkippedToo) {
  load();
  fake.journal.failOn("Hide", 1);
  fake.messages.whileOpen = [&](const std::string&) {
    if (fake.messages.depth() == 1) form.Trigger_Timer();
  };
  form.mitMini_Click(2);
  expectCalls(fake.journal, {"Hide -> Failure(4711)", injectedBox("Hide", "mitMini_Click", 20)});
  fake.journal.clear();
  form.Trigger_Timer();
  EXPECT_EQ(linesStartingWith("Polygon("), 3);
}

struct DelayCase {
  const char* name;
  LocalTime drawn;  // the reading of the second hand's drawing
  LocalTime now;    // the reading after the drawing
  std::uint32_t delay;
};

TEST(DelayToNextTick, LandsJustAfterTheNextSecondOfTheClockThatWasDrawn) {
  static_assert(kTickMargin >= 1 && kTickMargin <= 2);
  const DelayCase cases[] = {
      {"start of a second", {10, 0, 5, 0}, {10, 0, 5, 0}, 1000 + kTickMargin},
      {"the margin in milliseconds, not only by name", {10, 0, 5, 200}, {10, 0, 5, 200}, 801},
      {"a tick that landed on time", {10, 0, 5, 12}, {10, 0, 5, 14}, 986 + kTickMargin},
      {"middle of a second", {10, 0, 5, 490}, {10, 0, 5, 500}, 500 + kTickMargin},
      {"end of a second", {10, 0, 5, 998}, {10, 0, 5, 999}, 1 + kTickMargin},
      {"an early tick waits for the rest of its second, not a whole one",
       {10, 0, 4, 985},
       {10, 0, 4, 986},
       14 + kTickMargin},
      {"a drawing across a second's start draws the new second after the margin",
       {10, 0, 4, 999},
       {10, 0, 5, 1},
       kTickMargin},
      {"a drawing across midnight", {23, 59, 59, 999}, {0, 0, 0, 2}, kTickMargin},
      {"a clock just set back draws the new time after the margin",
       {10, 0, 5, 400},
       {9, 59, 58, 700},
       kTickMargin},
      {"a clock set back by an hour to the same second",
       {11, 0, 5, 400},
       {10, 0, 5, 700},
       kTickMargin},
      {"a clock set forward", {10, 0, 5, 400}, {10, 0, 9, 100}, kTickMargin},
      {"milliseconds beyond the second's end still arm a tick",
       {10, 0, 5, 0},
       {10, 0, 5, 1000},
       1 + kTickMargin},
  };
  for (const DelayCase& c : cases) {
    EXPECT_EQ(delayToNextTick(c.drawn, c.now), c.delay) << c.name;
  }
}

}  // namespace
}  // namespace zarn
