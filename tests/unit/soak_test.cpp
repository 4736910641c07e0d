// The clock over a long run on the recording fake: a day and more of ticks and hundreds of
// hide/show cycles through the tray, then the close. Every drawing object must be deleted
// exactly once and never while selected, and the face released with the window. (Repeated
// properties confirmations are clock_menu_test's.)

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "clock/frmZarn.h"
#include "desktop/tray_icon.h"
#include "fake_dialogs.h"
#include "fake_platform.h"
#include "properties/frmProperties.h"

namespace zarn {
namespace {

constexpr int kTicks = 10000;
constexpr int kHideShowCycles = 500;
// Ticks are 9 seconds of the fake's time apart, so the run walks through a whole day.
constexpr int kSecondsPerTick = 9;

class SoakTest : public testing::Test {
 protected:
  SoakTest() {
    form.emplace(platform, props);
    fake.window.form = &*form;
  }

  // One tick at the given second of the day; the hands must be drawn with the current
  // objects, all of them alive, inside the window.
  void tick(int secondOfDay) {
    fake.time.set(secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
    fake.gdi.clearPolygons();
    form->Trigger_Timer();
    ++ticks;
    const auto& drawn = fake.gdi.polygons();
    ASSERT_EQ(drawn.size(), 3U) << "tick " << ticks;
    const Handle hands[3][2] = {{form->brushHour, form->penHour},
                                {form->brushMin, form->penMin},
                                {form->brushSec, form->penSec}};
    const int width = static_cast<int>(fake.window.widthValue / fake.screen.twipsX);
    const int height = static_cast<int>(fake.window.heightValue / fake.screen.twipsY);
    for (std::size_t hand = 0; hand < 3; ++hand) {
      EXPECT_EQ(drawn[hand].brush, hands[hand][0]);
      EXPECT_EQ(drawn[hand].pen, hands[hand][1]);
      for (const Point& point : drawn[hand].points) {
        EXPECT_TRUE(point.x >= 0 && point.x <= width && point.y >= 0 && point.y <= height)
            << "tick " << ticks << " at " << secondOfDay << " s: (" << point.x << "," << point.y
            << ")";
      }
    }
    fake.journal.clear();
  }

  // "Minimieren", a tick while hidden, then a double-click on the tray icon.
  void hideAndShow(int secondOfDay) {
    fake.activation.foreground = 7;
    form->mitMini_Click(1);
    EXPECT_FALSE(fake.window.visible);
    tick(secondOfDay);
    form->Form_MouseMove(0, 0, static_cast<Twips>(tray::kLeftDoubleClick) * fake.screen.twipsX, 0,
                         MoveSource::tray);
    EXPECT_TRUE(fake.window.visible);
    EXPECT_EQ(fake.activation.foreground, fake.window.hWndValue);
  }

  fake::FakePlatform fake;
  Platform platform = fake.platform();
  fake::FakeCommonDialogs dialogs{fake.journal};
  fake::FakePropertiesHost host{fake.journal};
  frmProperties props{host, dialogs, fake.pictures};
  std::optional<frmZarn> form;
  int ticks = 0;
};

TEST_F(SoakTest, ADayOfTicksDialogsAndHidingLeavesNothingBehind) {
  form->Form_Load();
  fake.window.show();
  ASSERT_TRUE(fake.messages.texts().empty());

  int hideShowCycles = 0;
  for (int step = 0; ticks < kTicks; ++step) {
    const int secondOfDay = step * kSecondsPerTick % 86400;
    if (step % 20 == 15 && hideShowCycles < kHideShowCycles) {
      hideAndShow(secondOfDay);
      ++hideShowCycles;
    } else {
      tick(secondOfDay);
    }
    if (HasFatalFailure()) return;
  }
  ASSERT_EQ(hideShowCycles, kHideShowCycles);
  ASSERT_EQ(ticks, kTicks);

  form->mitClose_Click(2);

  EXPECT_TRUE(fake.window.unloaded);
  EXPECT_TRUE(fake.messages.texts().empty()) << fake.messages.texts().front();
  EXPECT_EQ(fake.process.ends(), 0);
  EXPECT_EQ(fake.gdi.created(), 6);
  EXPECT_EQ(fake.journal.count("DeleteObject"), fake.gdi.created());
  EXPECT_TRUE(fake.gdi.live().empty());
  EXPECT_EQ(fake.gdi.doubleDeletes(), 0);
  EXPECT_EQ(fake.gdi.deletesOfSelected(), 0);
  EXPECT_EQ(fake.gdi.selectsOfDead(), 0);
  EXPECT_EQ(fake.pictures.loaded(), 1);
  ASSERT_NE(form->picBG, nullptr);
  EXPECT_EQ(fake.pictures.live(), (std::set<Handle>{form->picBG->handle()}));
  ASSERT_EQ(fake.shell.records.size(), 2U) << "one add at start-up and one delete at the close";
  EXPECT_EQ(fake.shell.records[0].first, Shell::kNimAdd);
  EXPECT_EQ(fake.shell.records[1].first, Shell::kNimDelete);

  // The window system destroys the window after the unload; its face goes with it.
  form.reset();
  EXPECT_TRUE(fake.pictures.live().empty());
}

}  // namespace
}  // namespace zarn
