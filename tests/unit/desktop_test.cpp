#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "desktop/foreground.h"
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

NotifyIconData clockRecord(Handle window, Handle icon) {
  NotifyIconData data;
  data.cbSize = tray::kRecordSize;
  data.hWnd = window;
  data.uID = tray::kIconId;
  data.uFlags = tray::kFlags;
  data.uCallbackMessage = tray::kCallbackMessage;
  data.hIcon = icon;
  data.szTip = tray::fixedTip("Zarn");
  return data;
}

TEST(TrayRecord, HasEveryByteOfTheFirstForm) {
  const auto bytes = tray::recordBytes(clockRecord(0x00123456, 0x89ABCDEF));

  std::vector<std::uint8_t> expected = {88,   0,    0,    0,     // cbSize
                                        0x56, 0x34, 0x12, 0x00,  // hWnd
                                        1,    0,    0,    0,     // uID
                                        7,    0,    0,    0,     // uFlags
                                        0x00, 0x02, 0,    0,     // uCallbackMessage 512
                                        0xEF, 0xCD, 0xAB, 0x89,  // hIcon
                                        'Z',  'a',  'r',  'n',  0};
  expected.resize(tray::kRecordSize, ' ');
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), expected);
}

TEST(TrayRecord, TruncatesHandlesToTheirLow32Bits) {
  const Handle wideWindow = static_cast<Handle>(UINT64_C(0x7FFF00010002000A) & UINTPTR_MAX);
  const Handle wideIcon = static_cast<Handle>(UINT64_C(0xFFFFFFFF80000001) & UINTPTR_MAX);
  const auto bytes = tray::recordBytes(clockRecord(wideWindow, wideIcon));

  const std::vector<std::uint8_t> window(bytes.begin() + 4, bytes.begin() + 8);
  const std::vector<std::uint8_t> icon(bytes.begin() + 20, bytes.begin() + 24);
  EXPECT_EQ(window, (std::vector<std::uint8_t>{0x0A, 0x00, 0x02, 0x00}));
  EXPECT_EQ(icon, (std::vector<std::uint8_t>{0x01, 0x00, 0x00, 0x80}));
  EXPECT_EQ(bytes[8], 1) << "the handle must not spill into uID";
  EXPECT_EQ(bytes[24], 'Z') << "the icon must not spill into szTip";
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

  fake::expectCalls(journal, {"GetForegroundWindow=7", "GetForegroundWindow=7",
                              "GetWindowThreadProcessId(7)=9", "GetWindowThreadProcessId(100)=5",
                              "AttachThreadInput(9,5,-1)", "SetForegroundWindow(100)",
                              "AttachThreadInput(9,5,0)", "IsIconic(100)=0", "ShowWindow(100,5)"});
}

TEST_F(PullToForegroundTest, RestoresAMinimisedWindow) {
  activation.iconic.insert(kClock);

  PullToForeground(activation, kClock);

  fake::expectCalls(journal, {"GetForegroundWindow=7", "GetForegroundWindow=7",
                              "GetWindowThreadProcessId(7)=9", "GetWindowThreadProcessId(100)=5",
                              "AttachThreadInput(9,5,-1)", "SetForegroundWindow(100)",
                              "AttachThreadInput(9,5,0)", "IsIconic(100)=1", "ShowWindow(100,9)"});
}

TEST_F(PullToForegroundTest, SameThreadNeedsNoJoining) {
  activation.foreground = 8;
  activation.threads[8] = 5;
  activation.iconic.insert(kClock);

  PullToForeground(activation, kClock);

  fake::expectCalls(journal, {"GetForegroundWindow=8", "GetForegroundWindow=8",
                              "GetWindowThreadProcessId(8)=5", "GetWindowThreadProcessId(100)=5",
                              "SetForegroundWindow(100)", "IsIconic(100)=1", "ShowWindow(100,9)"});
}

TEST_F(PullToForegroundTest, UsesTheSecondReadingOfTheForeground) {
  activation.readings = {kOther, 8};
  activation.threads[8] = 5;

  PullToForeground(activation, kClock);

  fake::expectCalls(journal, {"GetForegroundWindow=7", "GetForegroundWindow=8",
                              "GetWindowThreadProcessId(8)=5", "GetWindowThreadProcessId(100)=5",
                              "SetForegroundWindow(100)", "IsIconic(100)=0", "ShowWindow(100,5)"});
}

TEST_F(PullToForegroundTest, SecondReadingOfTheWindowItselfStillActivates) {
  activation.readings = {kOther, kClock};

  PullToForeground(activation, kClock);

  fake::expectCalls(journal, {"GetForegroundWindow=7", "GetForegroundWindow=100",
                              "GetWindowThreadProcessId(100)=5", "GetWindowThreadProcessId(100)=5",
                              "SetForegroundWindow(100)", "IsIconic(100)=0", "ShowWindow(100,5)"});
}

TEST_F(PullToForegroundTest, NoForegroundWindowAttachesToThreadZeroAndGoesOn) {
  activation.foreground = 0;

  PullToForeground(activation, kClock);

  fake::expectCalls(journal, {"GetForegroundWindow=0", "GetForegroundWindow=0",
                              "GetWindowThreadProcessId(0)=0", "GetWindowThreadProcessId(100)=5",
                              "AttachThreadInput(0,5,-1)", "SetForegroundWindow(100)",
                              "AttachThreadInput(0,5,0)", "IsIconic(100)=0", "ShowWindow(100,5)"});
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
