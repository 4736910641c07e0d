// Dragging, the popup menu, and the tray icon's notifications.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "clock/mouse_input.h"
#include "clock_fixture.h"

namespace zarn {
namespace {

using fake::expectCalls;
using testing_clock::ClockRig;
using testing_clock::ClockTest;

const std::vector<std::string> kShowAndPull = {
    "Show",
    "GetForegroundWindow=7",
    "GetForegroundWindow=7",
    "GetWindowThreadProcessId(7)=9",
    "GetWindowThreadProcessId(100)=5",
    "AttachThreadInput(9,5,-1)",
    "SetForegroundWindow(100)",
    "AttachThreadInput(9,5,0)",
    "IsIconic(100)=0",
    "ShowWindow(100,5)",
    "SetWindowPos(100,HWND_TOP)",
};

class MouseTest : public ClockTest {
 protected:
  void SetUp() override {
    load();
    fake.window.topValue = 1500;
    fake.window.leftValue = 3000;
  }

  void move(std::int16_t button, Twips x, Twips y) {
    form.Form_MouseMove(button, 0, x, y, MoveSource::pointer);
  }
  void notify(Twips x, std::int16_t button = 0) {
    form.Form_MouseMove(button, 0, x, 0, MoveSource::tray);
  }
};

TEST_F(MouseTest, ALeftDragKeepsThePressedPointUnderTheCursor) {
  form.Form_MouseDown(buttons::kLeft, 0, 600, 450);
  move(buttons::kLeft, 750, 375);
  expectCalls(fake.journal, {"SetTop(1425)", "SetLeft(3150)"});
  // Cursor on the screen before and after: window corner plus the point in the window.
  EXPECT_EQ(fake.window.topValue + 450, 1500 + 375);
  EXPECT_EQ(fake.window.leftValue + 600, 3000 + 750);
}

struct GrabCase {
  Twips x;
  Twips y;
  std::int32_t grabX;
  std::int32_t grabY;
};

TEST_F(MouseTest, TheGrabPointIsRoundedHalfToEven) {
  const GrabCase cases[] = {
      {600.5F, 450.5F, 600, 450},   {601.5F, 451.5F, 602, 452}, {-0.5F, 0.5F, 0, 0},
      {600.25F, 449.75F, 600, 450}, {1.5F, -1.5F, 2, -2},
  };
  for (const auto& c : cases) {
    form.Form_MouseDown(buttons::kLeft, 0, c.x, c.y);
    EXPECT_EQ(form.grabX, c.grabX) << c.x;
    EXPECT_EQ(form.grabY, c.grabY) << c.y;
  }
  EXPECT_TRUE(fake.journal.lines().empty());
}

TEST_F(MouseTest, EveryLeftPressReplacesTheGrabPoint) {
  form.Form_MouseDown(buttons::kLeft, 0, 600, 450);
  form.Form_MouseDown(buttons::kLeft, 0, 30, 45);
  move(buttons::kLeft, 60, 15);
  expectCalls(fake.journal, {"SetTop(1470)", "SetLeft(3030)"});
}

TEST_F(MouseTest, OnlyTheLeftButtonAloneDrags) {
  form.Form_MouseDown(buttons::kLeft, 0, 600, 450);
  for (const std::int16_t held : {std::int16_t{0}, std::int16_t{2}, std::int16_t{3},
                                  std::int16_t{4}, std::int16_t{5}, std::int16_t{7}}) {
    move(held, 750, 375);
  }
  EXPECT_TRUE(fake.journal.lines().empty());
}

TEST_F(MouseTest, ATrayDoubleClickShowsTheWindowAndPullsItToTheFront) {
  notify(515 * 15);
  expectCalls(fake.journal, kShowAndPull);
  EXPECT_TRUE(fake.window.visible);
}

TEST_F(MouseTest, ANotificationNeverDragsWhateverItsButtonState) {
  form.Form_MouseDown(buttons::kLeft, 0, 600, 450);
  notify(515 * 15, buttons::kLeft);
  expectCalls(fake.journal, kShowAndPull);
}

TEST_F(MouseTest, TheCodeIsXOverTwipsPerPixelRounded) {
  fake.screen.twipsX = 12;
  notify(515 * 12 + 5.9F);  // 515.49 pixels
  EXPECT_EQ(fake.journal.count("Show"), 1);
  notify(514.5F * 12);  // a tie, to the even 514
  notify(515.5F * 12);  // a tie, to the even 516
  EXPECT_EQ(fake.journal.count("Show"), 1);
}

TEST_F(MouseTest, OtherTrayCodesDoNothing) {
  for (const int code : {512, 513, 514, 516, 517, 518, 0, -515, 1030}) {
    notify(static_cast<Twips>(code) * 15);
  }
  EXPECT_TRUE(fake.journal.lines().empty());
}

TEST_F(MouseTest, AWindowAlreadyInFrontIsOnlyShown) {
  fake.activation.foreground = 100;
  notify(515 * 15);
  expectCalls(fake.journal, {"Show", "GetForegroundWindow=100"});
}

TEST_F(MouseTest, ARightPressOpensThePopupAndKeepsTheGrabPoint) {
  form.Form_MouseDown(buttons::kLeft, 0, 600, 450);
  form.Form_MouseDown(buttons::kRight, 0, 10, 20);
  form.Form_MouseDown(buttons::kMiddle, 0, 30, 40);
  expectCalls(fake.journal, {"PopupMenu"});
  EXPECT_EQ(form.grabX, 600);
  EXPECT_EQ(form.grabY, 450);
}

// What the window procedure makes of a WM_MOUSEMOVE: a tray notification, a drag, or a
// move that means nothing.
TEST(MouseMoveMessages, AreToldApartByWhereTheyComeFromAndWhetherThePressBeganOnTheClock) {
  constexpr std::uint32_t kAt515 = 515;  // lParam of (515, 0): a left double-click's number
  const struct {
    const char* name;
    MouseMoveMessage message;
    MouseMoveCall call;
  } cases[] = {
      {"notification sent from the shell's thread",
       {1, kAt515, true, 40, 7, false, false},
       {0, 0, 515, 0, MoveSource::tray}},
      {"notification posted while the cursor is elsewhere",
       {1, kAt515, false, 13, 32, false, false},
       {0, 0, 515, 0, MoveSource::tray}},
      {"notification posted while the cursor is below the point it names",
       {1, kAt515, false, 515, 40, false, false},
       {0, 0, 515, 0, MoveSource::tray}},
      {"genuine left drag at (515, 0)",
       {keys::kLeftButton, kAt515, false, 515, 0, false, true},
       {buttons::kLeft, 0, 515, 0, MoveSource::pointer}},
      {"left held after a double-click on the tray icon, no press on the clock",
       {keys::kLeftButton, (32U << 16U) | 13U, false, 13, 32, false, false},
       {0, 0, 13, 32, MoveSource::pointer}},
      {"left and right held, the press on the clock",
       {keys::kLeftButton | keys::kRightButton, (5U << 16U) | 6U, false, 6, 5, false, true},
       {buttons::kLeft | buttons::kRight, 0, 6, 5, MoveSource::pointer}},
      {"left and right held, no press on the clock",
       {keys::kLeftButton | keys::kRightButton, (5U << 16U) | 6U, false, 6, 5, false, false},
       {buttons::kRight, 0, 6, 5, MoveSource::pointer}},
      {"middle with shift, control and alt, left of the window",
       {keys::kMiddleButton | keys::kShift | keys::kControl, 0xFFFF0000U | 0xFFFEU, false, -2, -1,
        true, false},
       {buttons::kMiddle, 7, -2, -1, MoveSource::pointer}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const MouseMoveCall got = interpretMouseMove(c.message);
    EXPECT_EQ(got.button, c.call.button);
    EXPECT_EQ(got.shift, c.call.shift);
    EXPECT_EQ(got.x, c.call.x);
    EXPECT_EQ(got.y, c.call.y);
    EXPECT_EQ(got.source, c.call.source);
  }
}

TEST(WheelNotches, AddUpPartsKeepTheRestAndStartAfreshTheOtherWay) {
  const struct {
    const char* name;
    std::vector<std::int32_t> deltas;
    std::vector<int> notches;
  } cases[] = {
      {"a mouse's notches", {120, 120, -120}, {1, 1, -1}},
      {"a fast turn reports several at once", {360, -240}, {3, -2}},
      {"a touchpad's parts", {40, 40, 30, 10, 60, 60}, {0, 0, 0, 1, 0, 1}},
      {"the rest waits for the next part", {100, 30, 100, 10}, {0, 1, 0, 1}},
      {"a turn back drops the rest", {100, -30, -90}, {0, 0, -1}},
      {"a turn back after a rest the other way", {-100, 50, 70}, {0, 0, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WheelNotches wheel;
    std::vector<int> got;
    for (const std::int32_t delta : c.deltas) got.push_back(wheel.add(delta));
    EXPECT_EQ(got, c.notches);
  }
  WheelNotches wheel;
  EXPECT_EQ(wheel.add(100), 0);
  wheel.reset();
  EXPECT_EQ(wheel.add(100), 0) << "a reset drops the rest";
}

TEST_F(MouseTest, AMoveWithTheLeftButtonHeldButNoPressOnTheClockDoesNotDrag) {
  const MouseMoveCall call =
      interpretMouseMove({keys::kLeftButton, (32U << 16U) | 13U, false, 13, 32, false, false});
  form.Form_MouseMove(call.button, call.shift, static_cast<float>(call.x) * 15,
                      static_cast<float>(call.y) * 15, call.source);
  EXPECT_TRUE(fake.journal.lines().empty());
  EXPECT_EQ(fake.window.topValue, 1500);
  EXPECT_EQ(fake.window.leftValue, 3000);
}

struct DownFailureCase {
  const char* call;  // injected, or nullptr
  std::int16_t button;
  Twips x;
  Twips y;
  std::int32_t number;
  int line;
  std::int32_t grabX;  // after the failure
};

TEST(MouseDownSteps, AFailureIsReportedWithItsLine) {
  const Twips nan = std::numeric_limits<float>::quiet_NaN();
  const DownFailureCase cases[] = {
      {"PopupMenu", buttons::kRight, 1, 1, fake::kInjectedNumber, 30, 0},
      {nullptr, buttons::kLeft, nan, 1, errors::kOverflow, 50, 0},
      {nullptr, buttons::kLeft, 3e9F, 1, errors::kOverflow, 50, 0},
      {nullptr, buttons::kLeft, 7, -3e9F, errors::kOverflow, 60, 7},
  };
  for (const auto& c : cases) {
    ClockRig run;
    if (c.call != nullptr) run.fake.journal.failOn(c.call, 1);
    run.form.Form_MouseDown(c.button, 0, c.x, c.y);
    ASSERT_EQ(run.fake.messages.texts().size(), 1U) << c.line;
    const std::string& text = run.fake.messages.texts()[0];
    EXPECT_EQ(text.rfind(" " + std::to_string(c.number) + ": ", 0), 0U) << text;
    EXPECT_EQ(text.substr(text.find("\r\n")),
              "\r\n in frmZarn.Form_MouseDown bei Zeile  " + std::to_string(c.line));
    EXPECT_EQ(run.form.grabX, c.grabX);
  }
}

struct MoveFailureCase {
  const char* call;  // injected, or nullptr
  MoveSource source;
  Twips x;
  Twips y;
  float twipsPerPixel;
  std::int32_t number;
  int line;
  std::vector<std::string> before;  // what was done before the failure, failed line included
};

TEST(MouseMoveSteps, AFailureIsReportedWithItsLineAndEarlierMovesStay) {
  const MoveSource pointer = MoveSource::pointer;
  const MoveSource tray = MoveSource::tray;
  const MoveFailureCase cases[] = {
      {"Top", pointer, 750, 375, 15, fake::kInjectedNumber, 50, {"Top -> Failure(4711)"}},
      {"SetTop",
       pointer,
       750,
       375,
       15,
       fake::kInjectedNumber,
       50,
       {"SetTop(375) -> Failure(4711)"}},
      {"Left",
       pointer,
       750,
       375,
       15,
       fake::kInjectedNumber,
       60,
       {"SetTop(375)", "Left -> Failure(4711)"}},
      {"SetLeft",
       pointer,
       750,
       375,
       15,
       fake::kInjectedNumber,
       60,
       {"SetTop(375)", "SetLeft(750) -> Failure(4711)"}},
      {nullptr, pointer, 750, FLT_MAX, 15, errors::kOverflow, 50, {}},
      {"Screen.TwipsPerPixelX",
       tray,
       7725,
       0,
       15,
       fake::kInjectedNumber,
       80,
       {"Screen.TwipsPerPixelX -> Failure(4711)"}},
      {nullptr, tray, 7725, 0, 0, errors::kDivisionByZero, 80, {}},
      {nullptr, tray, 1e30F, 0, 15, errors::kOverflow, 80, {}},
      {"Show", tray, 7725, 0, 15, fake::kInjectedNumber, 110, {"Show -> Failure(4711)"}},
      {"hWnd", tray, 7725, 0, 15, fake::kInjectedNumber, 120, {"Show", "hWnd -> Failure(4711)"}},
      {"ShowWindow",
       tray,
       7725,
       0,
       15,
       fake::kInjectedNumber,
       120,
       {"Show", "GetForegroundWindow=7", "GetForegroundWindow=7", "GetWindowThreadProcessId(7)=9",
        "GetWindowThreadProcessId(100)=5", "AttachThreadInput(9,5,-1)", "SetForegroundWindow(100)",
        "AttachThreadInput(9,5,0)", "IsIconic(100)=0", "ShowWindow(100,5) -> Failure(4711)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.line) + (c.call != nullptr ? c.call : ""));
    ClockRig run;
    run.fake.screen.twipsX = c.twipsPerPixel;
    if (c.y == FLT_MAX) run.fake.window.topValue = FLT_MAX;
    if (c.call != nullptr) run.fake.journal.failOn(c.call, 1);
    run.form.Form_MouseMove(buttons::kLeft, 0, c.x, c.y, c.source);
    ASSERT_EQ(run.fake.messages.texts().size(), 1U);
    const std::string& text = run.fake.messages.texts()[0];
    EXPECT_EQ(text.rfind(" " + std::to_string(c.number) + ": ", 0), 0U) << text;
    auto expected = c.before;
    expected.push_back("MsgBox(" + text + ",0,Zarn)");
    expectCalls(run.fake.journal, expected);
    EXPECT_EQ(text.substr(text.find("\r\n")),
              "\r\n in frmZarn.Form_MouseMove bei Zeile  " + std::to_string(c.line));
  }
}

}  // namespace
}  // namespace zarn
