#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/foreground.h"
#include "desktop/picture_files.h"
#include "desktop/screen_geometry.h"
#include "desktop/tray_icon.h"
#include "fake_platform.h"

namespace zarn {
namespace {

TEST(TrayTip, IsTheTextOneNulThenSpaces) {
  const std::array<char, 64> tip = tray::fixedTip("Zarn");
  EXPECT_EQ(std::string(tip.data(), 4), "Zarn");
  EXPECT_EQ(tip[4], '\0');
  for (std::size_t i = 5; i < tip.size(); ++i) {
    EXPECT_EQ(tip[i], ' ') << "at " << i;
  }
}

TEST(TrayTip, KeepsRoomForTheNul) {
  const std::string longText(80, 'x');
  const std::array<char, 64> tip = tray::fixedTip(longText.c_str());
  EXPECT_EQ(std::string(tip.data(), 63), std::string(63, 'x'));
  EXPECT_EQ(tip[63], '\0');

  const std::array<char, 64> empty = tray::fixedTip("");
  EXPECT_EQ(empty[0], '\0');
  EXPECT_EQ(empty[1], ' ');
  EXPECT_EQ(empty[63], ' ');
}

TEST(NearestMonitor, TakesAWindowOnNoMonitorIntoTheNearestWorkAreaAndLeavesOthers) {
  // The primary 1280 × 1024 with its taskbar at the bottom, a second 1920 × 1080 right of it.
  const std::vector<MonitorArea> docked = {
      {{0, 0, 1280, 1024}, {0, 0, 1280, 984}},
      {{1280, 0, 3200, 1080}, {1280, 0, 3200, 1080}},
  };
  const std::vector<MonitorArea> undocked(docked.begin(), docked.begin() + 1);
  const std::vector<MonitorArea> lowered = {{{0, 0, 1024, 768}, {0, 0, 1024, 728}}};
  const std::vector<MonitorArea> leftOfPrimary = {
      {{0, 0, 1280, 1024}, {0, 0, 1280, 984}},
      {{-1920, 0, 0, 1080}, {-1920, 40, 0, 1080}},
  };
  const std::vector<MonitorArea> belowRight = {
      {{0, 0, 1280, 1024}, {0, 0, 1280, 984}},
      {{1400, 2024, 2400, 3024}, {1400, 2024, 2400, 3024}},
  };
  const struct {
    const char* name;
    PixelRect window;
    const std::vector<MonitorArea>* monitors;
    std::optional<PixelRect> placed;
  } cases[] = {
      {"on the primary", {100, 100, 300, 300}, &docked, std::nullopt},
      {"on the second monitor", {2000, 500, 2200, 700}, &docked, std::nullopt},
      {"partly above the primary (Top -300 twips)", {0, -20, 200, 180}, &docked, std::nullopt},
      {"on a monitor that is gone",
       {2000, 500, 2200, 700},
       &undocked,
       PixelRect{1080, 500, 1280, 700}},
      {"below everything", {100, 1500, 300, 1700}, &undocked, PixelRect{100, 784, 300, 984}},
      {"far up and left, nearest the monitor left of the primary",
       {-3000, -500, -2800, -300},
       &leftOfPrimary,
       PixelRect{-1920, 40, -1720, 240}},
      {"larger than the work area", {1300, 0, 2900, 1200}, &undocked, PixelRect{0, 0, 1600, 1200}},
      {"touching the primary's right edge only",
       {1280, 100, 1480, 300},
       &undocked,
       PixelRect{1080, 100, 1280, 300}},
      {"no monitor at all", {0, 0, 200, 200}, nullptr, std::nullopt},
      {"300 px off the primary on both axes, nearer than 500 px off another on one",
       {1580, 1324, 1780, 1524},
       &belowRight,
       PixelRect{1080, 784, 1280, 984}},
      // While the clock runs: the resolution lowered to 1024 x 768 under it, and a taskbar
      // that now covers its lower half (still partly visible, so it stays).
      {"beyond a lowered resolution",
       {1100, 800, 1300, 1000},
       &lowered,
       PixelRect{824, 528, 1024, 728}},
      {"half under a taskbar", {100, 650, 300, 850}, &lowered, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<MonitorArea> none;
    const auto placed = placeOnNearestMonitor(c.window, c.monitors ? *c.monitors : none);
    ASSERT_EQ(placed.has_value(), c.placed.has_value());
    if (placed) {
      EXPECT_EQ(*placed, *c.placed);
    }
  }

  // Moved off a monitor that went away, a clock goes back when it returns, once, unless the
  // user dragged or sized it meanwhile.
  const PixelRect home{2000, 500, 2200, 700};
  const PixelRect moved{1080, 500, 1280, 700};
  for (const PixelRect now :
       {moved, PixelRect{900, 400, 1100, 600}, PixelRect{1070, 490, 1290, 710}}) {
    WayHome way;
    EXPECT_EQ(way.afterMonitorsChanged(home, undocked), moved);
    EXPECT_EQ(way.afterMonitorsChanged(moved, undocked), std::nullopt);
    const auto back = now == moved ? std::optional<PixelRect>(home) : std::nullopt;
    EXPECT_EQ(way.afterMonitorsChanged(now, docked), back);
    EXPECT_EQ(way.afterMonitorsChanged(back.value_or(now), docked), std::nullopt);
  }
}

TEST(PictureFiles, ANameWithARootOrADriveIsNotRelative) {
  const struct {
    const char* name;
    bool relative;
  } cases[] = {
      {"clockbg5.bmp", true},
      {"faces\\a.bmp", true},
      {".\\a.bmp", true},
      {"..\\a.bmp", true},
      {"a", true},
      {"\\faces\\a.bmp", false},
      {"/faces/a.bmp", false},
      {"C:a.bmp", false},
      {"C:\\Bilder\\a.bmp", false},
      {"\\\\server\\a.bmp", false},
      {"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(isRelative(std::string(c.name)), c.relative) << c.name;
    EXPECT_EQ(isRelative(std::wstring(c.name, c.name + std::string_view(c.name).size())),
              c.relative)
        << c.name;
  }
}

TEST(PictureFiles, AMissingRelativeNameIsTakenFromTheProgramsFolder) {
  // The current directory holds here.bmp; the program's folder C:\Zarn\ holds here.bmp and
  // beside.bmp.
  const std::set<std::string> existing = {"here.bmp", "C:\\Zarn\\here.bmp", "C:\\Zarn\\beside.bmp"};
  const struct {
    const char* name;
    const char* folder;
    const char* opened;
  } cases[] = {
      {"here.bmp", "C:\\Zarn\\", "here.bmp"},
      {"beside.bmp", "C:\\Zarn\\", "C:\\Zarn\\beside.bmp"},
      {"nowhere.bmp", "C:\\Zarn\\", "nowhere.bmp"},
      {"beside.bmp", "", "beside.bmp"},
      {"\\beside.bmp", "C:\\Zarn\\", "\\beside.bmp"},
      {"C:beside.bmp", "C:\\Zarn\\", "C:beside.bmp"},
  };
  for (const auto& c : cases) {
    int folderAsked = 0;
    const std::string opened = fileToOpen(
        std::string(c.name), [&](const std::string& name) { return existing.count(name) == 0; },
        [&] {
          ++folderAsked;
          return std::string(c.folder);
        });
    EXPECT_EQ(opened, c.opened) << c.name;
    // The program's file is looked up only for a relative name that is missing.
    EXPECT_EQ(folderAsked, isRelative(std::string(c.name)) && existing.count(c.name) == 0 ? 1 : 0)
        << c.name;
  }
}

TEST(PictureFiles, AReducedDecodeMustCoverTheShownSizeAndBeSmallerThanTheFrame) {
  const struct {
    const char* name;
    PictureSize frame;
    PictureSize shown;
    PictureSize offered;
    bool reduced;
  } cases[] = {
      {"an eighth of a large JPEG", {4000, 4000}, {400, 400}, {500, 500}, true},
      {"exactly the shown size", {1600, 1600}, {400, 400}, {400, 400}, true},
      {"smaller than the frame one way only", {4000, 100}, {200, 50}, {500, 100}, true},
      {"no reduction offered", {4000, 4000}, {400, 400}, {4000, 4000}, false},
      {"an offer larger than the frame", {300, 300}, {400, 400}, {600, 600}, false},
      {"too narrow for the shown size", {4000, 4000}, {400, 400}, {399, 500}, false},
      {"too low for the shown size", {4000, 4000}, {400, 400}, {500, 399}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(decodesReduced(c.frame, c.shown, c.offered), c.reduced) << c.name;
  }
}

TEST(NotchSizer, ScalesAboutTheCentreWithinTheSmallestClockAndTheWorkArea) {
  const PixelRect work{0, 0, 1280, 984};  // 1280 × 1024 less a taskbar of 40
  const PixelRect small{0, 0, 600, 400};
  const struct {
    const char* name;
    PixelRect window;
    int notches;
    PixelRect workArea;
    PixelRect resized;
  } cases[] = {
      {"one notch larger", {100, 100, 300, 300}, 1, work, {90, 90, 310, 310}},
      {"one notch smaller", {90, 90, 310, 310}, -1, work, {100, 100, 300, 300}},
      {"three notches at once, 200 × 1.331", {100, 100, 300, 300}, 3, work, {67, 67, 333, 333}},
      {"no notch", {100, 100, 300, 300}, 0, work, {100, 100, 300, 300}},
      // 201 × 1.1 = 221.1: 221 wide, 20 more, the centre kept.
      {"odd side", {100, 100, 301, 301}, 1, work, {90, 90, 311, 311}},
      // 210 × 1.1 = 231, 21 more: the corner moves by 10.5, rounded to 10 (half to even), and
      // the centre by half a pixel.
      {"odd growth", {100, 100, 310, 310}, 1, work, {90, 90, 321, 321}},
      {"not square keeps its shape", {100, 100, 400, 300}, 1, work, {85, 90, 415, 310}},
      {"a negative place on a monitor left of the primary",
       {-500, 40, -300, 240},
       1,
       {-1920, 0, 0, 1080},
       {-510, 30, -290, 250}},
      {"smaller stops at 64", {100, 100, 166, 166}, -1, work, {101, 101, 165, 165}},
      {"at 64 stays", {100, 100, 164, 164}, -3, work, {100, 100, 164, 164}},
      {"below 64, as stored, never grows by shrinking",
       {100, 100, 120, 120},
       -1,
       work,
       {100, 100, 120, 120}},
      {"below 64 grows to 64 at least", {100, 100, 120, 120}, 1, work, {78, 78, 142, 142}},
      {"thin, its longer side beyond 64", {100, 100, 110, 300}, 1, work, {100, 90, 111, 310}},
      {"larger stops at the work area's height",
       {400, 300, 1300, 1200},
       2,
       work,
       {296, 0, 1280, 984}},
      {"at the work area's height stays", {0, 0, 984, 984}, 1, work, {0, 0, 984, 984}},
      {"a work area smaller than the clock: growing leaves it",
       {0, 0, 800, 800},
       1,
       small,
       {0, 0, 800, 800}},
      {"a work area smaller than the clock: shrinking fits it in",
       {0, 0, 800, 800},
       -1,
       small,
       {200, 0, 600, 400}},
      {"a work area smaller than the smallest clock wins",
       {0, 0, 100, 100},
       -1,
       {0, 0, 50, 40},
       {10, 0, 50, 40}},
      {"an empty window stays", {10, 10, 10, 10}, 1, work, {10, 10, 10, 10}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const PixelRect got = NotchSizer().resized(c.window, c.notches, c.workArea);
    EXPECT_EQ(got, c.resized) << got.left << "," << got.top << "," << got.right << ","
                              << got.bottom;
  }
}

TEST(NotchSizer, NotchesUpThenDownComeBackExactlyUntilTheWindowIsMovedOtherwise) {
  const PixelRect work{0, 0, 3840, 2100};
  for (const std::int32_t side : {20, 64, 65, 200, 201, 250, 300, 399, 400}) {
    SCOPED_TRACE(side);
    // Thin, and against the work area's right edge, which the steps up move it away from.
    const PixelRect start{3840 - side / 4, 500, 3840, 500 + side};
    NotchSizer sizer;
    PixelRect window = start;
    for (int n = 0; n < 10; ++n) window = sizer.resized(window, 1, work);
    for (int n = 0; n < 10; ++n) window = sizer.resized(window, -1, work);
    EXPECT_EQ(window, start);
  }
  NotchSizer sizer;
  const PixelRect grown = sizer.resized({100, 100, 300, 300}, 1, work);
  EXPECT_EQ(sizer.resized({grown.left + 50, grown.top, grown.right + 50, grown.bottom}, -1, work),
            (PixelRect{150, 100, 350, 300}))
      << "dragged after a notch, it shrinks about where it stands";
}

TEST(RememberedTwips, ReadsBackWhatWasAssignedUntilTheWindowMovesOtherwise) {
  RememberedTwips top;
  EXPECT_EQ(top.read(1023, 15), 15345) << "nothing assigned: the pixels";
  top.assign(15340, 1023);  // exactly the screen height less 20 twips at 1024 px
  EXPECT_EQ(top.read(1023, 15), 15340);
  EXPECT_EQ(top.read(1024, 15), 15360) << "moved by someone else";
  RememberedTwips width;
  width.assign(5, 0);  // the system made the window 1 px wide instead
  EXPECT_EQ(width.read(1, 15), 15);
  width.assign(20, 1);
  EXPECT_EQ(width.read(1, 15), 20);
  RememberedTwips left;
  left.assign(172.5F, 23);  // 7.5 twips per pixel
  EXPECT_EQ(left.read(23, 7.5F), 172.5F);
}

TEST(DpiChange, SizesComeFromTheTwipsSoCrossingBackAndForthNeverDrifts) {
  const struct {
    Twips twips;
    unsigned dpi;
    std::int32_t pixels;
  } cases[] = {
      {3000, 96, 200},
      {3000, 144, 300},
      {3000, 120, 250},
      {3000, 168, 350},
      {3000, 216, 450},
      // 3010 twips are 200.67 pixels at 100 % and 300.83 at 150 %: each side rounds on its own.
      {3010, 96, 201},
      {3010, 144, 301},
      {3010, 120, 251},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(pixelsAtDpi(c.twips, c.dpi), c.pixels) << c.twips << " twips at " << c.dpi;
  }
}

TEST(StoredPlace, IsReadWithTheFactorOfTheMonitorItPointsInto) {
  // A laptop at 150 % and a monitor at 100 % right of it, or left of it.
  const std::vector<MonitorArea> laptopFirst = {
      {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, 144},
      {{1920, 0, 3840, 1080}, {1920, 0, 3840, 1080}, 96},
  };
  const std::vector<MonitorArea> leftOfLaptop = {
      {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, 144},
      {{-1920, 0, 0, 1080}, {-1920, 0, 0, 1080}, 96},
  };
  const std::vector<MonitorArea> oneAt100 = {{{0, 0, 1280, 1024}, {0, 0, 1280, 984}, 96}};
  const std::vector<MonitorArea> none;
  const struct {
    const char* name;
    Twips left, top, width, height;
    const std::vector<MonitorArea>& monitors;
    unsigned systemDpi;
    StoredPlace expected;
  } cases[] = {
      {"the first start, on the laptop",
       0,
       0,
       3000,
       3000,
       laptopFirst,
       144,
       {{0, 0, 300, 300}, 144}},
      {"on the laptop", 1000, 1000, 3000, 3000, laptopFirst, 144, {{100, 100, 400, 400}, 144}},
      {"on the monitor at 100 %",
       30000,
       1500,
       3000,
       3000,
       laptopFirst,
       144,
       {{2000, 100, 2200, 300}, 96}},
      {"left of the laptop",
       -27000,
       1500,
       3000,
       3000,
       leftOfLaptop,
       144,
       {{-1800, 100, -1600, 300}, 96}},
      // 20000 twips are 2000 pixels at 150 % and 1333 at 100 %: on neither monitor.
      {"pointing into none: the system's factor",
       20000,
       0,
       3000,
       3000,
       laptopFirst,
       144,
       {{2000, 0, 2300, 300}, 144}},
      {"a place stored with the system's factor",
       4500,
       3000,
       3000,
       3000,
       oneAt100,
       96,
       {{300, 200, 500, 400}, 96}},
      {"no monitor at all", 4500, 3000, 3000, 3000, none, 120, {{375, 250, 625, 500}, 120}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const StoredPlace got = placeStored(c.left, c.top, c.width, c.height, c.monitors, c.systemDpi);
    EXPECT_EQ(got.dpi, c.expected.dpi);
    EXPECT_EQ(got.window, c.expected.window) << got.window.left << "," << got.window.top << ","
                                             << got.window.right << "," << got.window.bottom;
  }
}

TEST(DpiChange, ADragKeepsThePressedPointUnderTheCursorAndStaysOnTheNewMonitor) {
  const std::vector<MonitorArea> pair = {
      {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, 96},
      {{1920, 0, 3840, 1080}, {1920, 0, 3840, 1080}, 144},
  };
  const std::vector<MonitorArea> oneAt100 = {{{0, 0, 1280, 1024}, {0, 0, 1280, 984}, 96}};
  const struct {
    const char* name;
    PixelRect suggested;
    unsigned dpi;
    std::optional<DragAnchor> drag;
    const std::vector<MonitorArea>& monitors;
    PixelRect expected;
  } cases[] = {
      {"no drag: the suggestion",
       {1900, 400, 2200, 700},
       144,
       std::nullopt,
       pair,
       {1900, 400, 2200, 700}},
      // Pressed 100 pixels into the clock at 100 %, 150 at 150 %.
      {"onto 150 %",
       {1900, 400, 2200, 700},
       144,
       DragAnchor{1950, 500, 1500, 1500},
       pair,
       {1800, 350, 2100, 650}},
      // Pressed 180 pixels in: about the cursor its centre would be back at 1830; it goes to
      // the boundary, the cursor still on the clock.
      {"onto 150 %, pressed near the right edge",
       {1900, 400, 2200, 700},
       144,
       DragAnchor{1950, 500, 2700, 1500},
       pair,
       {1770, 350, 2070, 650}},
      {"back onto 100 %",
       {1800, 400, 2000, 600},
       96,
       DragAnchor{1900, 500, 1500, 1500},
       pair,
       {1800, 400, 2000, 600}},
      {"a DPI no monitor has",
       {0, 0, 300, 300},
       144,
       DragAnchor{100, 100, 1500, 1500},
       oneAt100,
       {-50, -50, 250, 250}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const PixelRect got = rectForDpiChange(c.suggested, c.dpi, c.drag, c.monitors);
    EXPECT_EQ(got, c.expected) << got.left << "," << got.top << "," << got.right << ","
                               << got.bottom;
  }
}

// A foreground that may change between the two readings, as when another program takes it
// in the meantime.
class ChangingForeground : public fake::FakeActivation {
 public:
  using FakeActivation::FakeActivation;

  std::deque<Handle> readings;

  Handle getForegroundWindow() override {
    if (!readings.empty()) {
      foreground = readings.front();
      readings.pop_front();
    }
    return FakeActivation::getForegroundWindow();
  }
};

class PullToForegroundTest : public testing::Test {
 protected:
  static constexpr Handle kClock = 100;  // thread 5
  static constexpr Handle kOther = 7;    // thread 9

  fake::Journal journal;
  ChangingForeground activation{journal};
};

TEST_F(PullToForegroundTest, LeavesTheForegroundWindowUntouchedEvenWhenMinimised) {
  activation.foreground = kClock;
  activation.iconic.insert(kClock);

  PullToForeground(activation, kClock);

  fake::expectCalls(journal, {"GetForegroundWindow=100"});
}

TEST_F(PullToForegroundTest, JoinsAnotherThreadForTheChangeThenShows) {
  PullToForeground(activation, kClock);

  fake::expectCalls(
      journal, {"GetForegroundWindow=7", "GetForegroundWindow=7", "GetWindowThreadProcessId(7)=9",
                "GetWindowThreadProcessId(100)=5", "AttachThreadInput(9,5,-1)",
                "SetForegroundWindow(100)", "AttachThreadInput(9,5,0)", "IsIconic(100)=0",
                "ShowWindow(100,5)", "SetWindowPos(100,HWND_TOP)"});
}

TEST_F(PullToForegroundTest, RestoresAMinimisedWindow) {
  activation.iconic.insert(kClock);

  PullToForeground(activation, kClock);

  fake::expectCalls(
      journal, {"GetForegroundWindow=7", "GetForegroundWindow=7", "GetWindowThreadProcessId(7)=9",
                "GetWindowThreadProcessId(100)=5", "AttachThreadInput(9,5,-1)",
                "SetForegroundWindow(100)", "AttachThreadInput(9,5,0)", "IsIconic(100)=1",
                "ShowWindow(100,9)", "SetWindowPos(100,HWND_TOP)"});
}

TEST_F(PullToForegroundTest, SameThreadNeedsNoJoining) {
  activation.foreground = 8;
  activation.threads[8] = 5;
  activation.iconic.insert(kClock);

  PullToForeground(activation, kClock);

  fake::expectCalls(
      journal, {"GetForegroundWindow=8", "GetForegroundWindow=8", "GetWindowThreadProcessId(8)=5",
                "GetWindowThreadProcessId(100)=5", "SetForegroundWindow(100)", "IsIconic(100)=1",
                "ShowWindow(100,9)", "SetWindowPos(100,HWND_TOP)"});
}

TEST_F(PullToForegroundTest, UsesTheSecondReadingOfTheForeground) {
  activation.readings = {kOther, 8};
  activation.threads[8] = 5;

  PullToForeground(activation, kClock);

  fake::expectCalls(
      journal, {"GetForegroundWindow=7", "GetForegroundWindow=8", "GetWindowThreadProcessId(8)=5",
                "GetWindowThreadProcessId(100)=5", "SetForegroundWindow(100)", "IsIconic(100)=0",
                "ShowWindow(100,5)", "SetWindowPos(100,HWND_TOP)"});
}

TEST_F(PullToForegroundTest, SecondReadingOfTheWindowItselfStillActivates) {
  activation.readings = {kOther, kClock};

  PullToForeground(activation, kClock);

  fake::expectCalls(journal, {"GetForegroundWindow=7", "GetForegroundWindow=100",
                              "GetWindowThreadProcessId(100)=5", "GetWindowThreadProcessId(100)=5",
                              "SetForegroundWindow(100)", "IsIconic(100)=0", "ShowWindow(100,5)",
                              "SetWindowPos(100,HWND_TOP)"});
}

TEST_F(PullToForegroundTest, NoForegroundWindowAttachesToThreadZeroAndGoesOn) {
  activation.foreground = 0;

  PullToForeground(activation, kClock);

  fake::expectCalls(
      journal, {"GetForegroundWindow=0", "GetForegroundWindow=0", "GetWindowThreadProcessId(0)=0",
                "GetWindowThreadProcessId(100)=5", "AttachThreadInput(0,5,-1)",
                "SetForegroundWindow(100)", "AttachThreadInput(0,5,0)", "IsIconic(100)=0",
                "ShowWindow(100,5)", "SetWindowPos(100,HWND_TOP)"});
}

TEST_F(PullToForegroundTest, PassesAFailureToItsCaller) {
  journal.failOn("SetForegroundWindow", 1);

  EXPECT_THROW(PullToForeground(activation, kClock), Failure);

  fake::expectCalls(
      journal, {"GetForegroundWindow=7", "GetForegroundWindow=7", "GetWindowThreadProcessId(7)=9",
                "GetWindowThreadProcessId(100)=5", "AttachThreadInput(9,5,-1)",
                "SetForegroundWindow(100) -> Failure(4711)"});
}

}  // namespace
}  // namespace zarn
