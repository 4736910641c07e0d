// The clock over a long run on the recording fake: a day and more of ticks, hundreds of
// confirmed properties dialogs and of hide/show cycles through the tray, then the close.
// Every drawing object must be deleted exactly once and never while selected, and every
// picture but the current one must be released.

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
constexpr int kDialogs = 500;
constexpr int kHideShowCycles = 500;
// Ticks are 9 seconds of the fake's time apart, so the run walks through a whole day.
constexpr int kSecondsPerTick = 9;
constexpr int kFaces = 7;

std::string facePath(int n) { return "C:\\Zifferbl\u00E4tter\\face" + std::to_string(n) + ".jpg"; }

class SoakTest : public testing::Test {
 protected:
  SoakTest() {
    for (int n = 0; n < kFaces; ++n) fake.pictures.files.insert(facePath(n));
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

  // The user opens the properties, picks three colours and a face, and confirms; a tick
  // arrives while the dialog is open, as the modal loop keeps dispatching.
  void confirmProperties(int n, int secondOfDay) {
    const Colour hour = (n * 40503) & 0xFFFFFF;
    const Colour minute = (n * 9973 + 255) & 0xFFFFFF;
    const Colour second = (n * 131) & 0xFFFFFF;
    const std::string path = facePath(n % kFaces);
    dialogs.colourAnswers = {hour, minute, second};
    dialogs.fileAnswers = {path};
    host.showings.emplace_back([&, secondOfDay](frmProperties& dialog, fake::FakePropertiesView&) {
      dialog.cmdColHour_Click();
      dialog.cmdColMin_Click();
      tick(secondOfDay);
      dialog.cmdColSec_Click();
      dialog.cmdBG_Click();
      dialog.cmdOK_Click();
    });
    form->mitProp_Click(4);

    EXPECT_EQ(fake.settings.stored("HourColor"), std::to_string(hour));
    EXPECT_EQ(fake.settings.stored("MinuteColor"), std::to_string(minute));
    EXPECT_EQ(fake.settings.stored("SecondColor"), std::to_string(second));
    EXPECT_EQ(fake.settings.stored("Background"), path);
    EXPECT_EQ(fake.gdi.colourOf(form->brushHour), hour);
    EXPECT_EQ(fake.gdi.colourOf(form->penSec), second);
    EXPECT_EQ(fake.gdi.live().size(), 6U);
    ASSERT_NE(form->picBG, nullptr);
    EXPECT_EQ(fake.pictures.live(), (std::set<Handle>{form->picBG->handle()}));
    // The dialog's preview pictures go with its window.
    host.views.clear();
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

  int dialogsShown = 0;
  int hideShowCycles = 0;
  for (int step = 0; ticks < kTicks; ++step) {
    const int secondOfDay = step * kSecondsPerTick % 86400;
    if (step % 20 == 5 && dialogsShown < kDialogs) {
      confirmProperties(dialogsShown++, secondOfDay);
    } else if (step % 20 == 15 && hideShowCycles < kHideShowCycles) {
      hideAndShow(secondOfDay);
      ++hideShowCycles;
    } else {
      tick(secondOfDay);
    }
    if (HasFatalFailure()) return;
  }
  ASSERT_EQ(dialogsShown, kDialogs);
  ASSERT_EQ(hideShowCycles, kHideShowCycles);
  ASSERT_EQ(ticks, kTicks);

  form->mitClose_Click(2);

  EXPECT_TRUE(fake.window.unloaded);
  EXPECT_TRUE(fake.messages.texts().empty()) << fake.messages.texts().front();
  EXPECT_EQ(fake.process.ends(), 0);
  EXPECT_EQ(fake.gdi.created(), 6 * (1 + kDialogs));
  EXPECT_EQ(fake.journal.count("DeleteObject"), fake.gdi.created());
  EXPECT_TRUE(fake.gdi.live().empty());
  EXPECT_EQ(fake.gdi.doubleDeletes(), 0);
  EXPECT_EQ(fake.gdi.deletesOfSelected(), 0);
  EXPECT_EQ(fake.gdi.selectsOfDead(), 0);
  // The face at start-up, then per dialog the preview on opening, the preview of the
  // chosen face and the clock's new face.
  EXPECT_EQ(fake.pictures.loaded(), 1 + 3 * kDialogs);
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
