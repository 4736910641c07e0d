// Start-up, shut-down and the shell's restart.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "clock_fixture.h"

namespace zarn {
namespace {

using fake::expectCalls;
using testing_clock::ClockRig;
using testing_clock::ClockTest;
using testing_clock::defaultLoadCalls;
using testing_clock::defaultUnloadCalls;
using testing_clock::journalOfFailure;
using testing_clock::prefix;
using testing_clock::StepFailure;

bool sameRecord(const NotifyIconData& a, const NotifyIconData& b) {
  return a.cbSize == b.cbSize && a.hWnd == b.hWnd && a.uID == b.uID && a.uFlags == b.uFlags &&
         a.uCallbackMessage == b.uCallbackMessage && a.hIcon == b.hIcon && a.szTip == b.szTip;
}

class LoadTest : public ClockTest {};

TEST_F(LoadTest, AnEmptyStoreGivesTheDefaultsAndAllStepsInOrder) {
  form.Form_Load();
  expectCalls(fake.journal, defaultLoadCalls());
  EXPECT_EQ(props.colHour, 16777215);
  EXPECT_EQ(props.colMin, 16777215);
  EXPECT_EQ(props.colSec, 16777215);
  EXPECT_EQ(props.bgPath, "clockbg5.bmp");
  EXPECT_EQ(form.brushHour, 101U);
  EXPECT_EQ(form.penHour, 102U);
  EXPECT_EQ(form.brushMin, 103U);
  EXPECT_EQ(form.penMin, 104U);
  EXPECT_EQ(form.brushSec, 105U);
  EXPECT_EQ(form.penSec, 106U);
  ASSERT_NE(form.picBG, nullptr);
  EXPECT_EQ(form.picBG->handle(), 501U);
  EXPECT_EQ(fake.settings.size(), 0U);
  EXPECT_TRUE(fake.messages.texts().empty());
}

TEST_F(LoadTest, TheTrayRecordIsFilledAndAddedOnce) {
  form.Form_Load();
  // The shell reads the record by its bytes: the first form's size, icon 1, the message,
  // icon and tip flags, WM_MOUSEMOVE as the callback, the window's handle and icon, the tip.
  const NotifyIconData& record = form.trayIcon;
  EXPECT_EQ(record.cbSize, 88U);
  EXPECT_EQ(record.uID, 1U);
  EXPECT_EQ(record.uFlags, 7U);
  EXPECT_EQ(record.uCallbackMessage, 512U);
  EXPECT_EQ(record.hWnd, 100U);
  EXPECT_EQ(record.hIcon, 300U);
  std::array<char, 64> tip{};
  tip.fill(' ');
  std::memcpy(tip.data(), "Zarn", 5);
  EXPECT_EQ(record.szTip, tip);
  ASSERT_EQ(fake.shell.records.size(), 1U);
  EXPECT_EQ(fake.shell.records[0].first, Shell::kNimAdd);
  EXPECT_TRUE(sameRecord(fake.shell.records[0].second, record));
}

TEST_F(LoadTest, StoredColoursMakeTheDrawingObjects) {
  fake.settings.put("HourColor", "255");
  fake.settings.put("MinuteColor", "65280");
  fake.settings.put("SecondColor", "16711680");
  form.Form_Load();
  const auto& lines = fake.journal.lines();
  ASSERT_EQ(lines.size(), 20U);
  EXPECT_EQ(
      std::vector<std::string>(lines.begin() + 12, lines.begin() + 18),
      (std::vector<std::string>{"CreateSolidBrush(255)=101", "CreatePen(0,1,255)=102",
                                "CreateSolidBrush(65280)=103", "CreatePen(0,1,65280)=104",
                                "CreateSolidBrush(16711680)=105", "CreatePen(0,1,16711680)=106"}));
}

TEST_F(LoadTest, AnEmptyBackgroundLoadsTheFallbackWithoutWritingItBack) {
  fake.settings.put("Background", "");
  form.Form_Load();
  EXPECT_EQ(fake.journal.lines()[18], "LoadPicture(clockbg1.bmp)=501");
  EXPECT_EQ(props.bgPath, "clockbg1.bmp");
  EXPECT_EQ(fake.settings.stored("Background"), "");
  EXPECT_EQ(fake.journal.count("SaveSetting"), 0);
}

TEST_F(LoadTest, AColourThatIsNoNumberStopsAtStep30AndTheFirstTickEnds) {
  fake.settings.put("HourColor", "abc");
  form.Form_Load();
  ASSERT_EQ(fake.messages.texts().size(), 1U);
  const std::string& text = fake.messages.texts()[0];
  EXPECT_EQ(text.rfind(" 1001: ", 0), 0U) << text;
  EXPECT_EQ(text.substr(text.find("\r\n")), "\r\n in frmZarn.Form_Load bei Zeile  30");
  expectCalls(fake.journal,
              {"GetSetting(Zarn,Layout,HourColor,16777215)", "MsgBox(" + text + ",0,Zarn)"});
  EXPECT_EQ(fake.window.widthValue, 3024);
  EXPECT_EQ(fake.gdi.created(), 0);
  EXPECT_EQ(form.picBG, nullptr);
  EXPECT_TRUE(fake.shell.records.empty());

  fake.journal.clear();
  form.Trigger_Timer();
  expectCalls(fake.journal,
              {box(1003, "Kein Hintergrundbild geladen", "Trigger_Timer", 65), "End"});
  EXPECT_EQ(fake.settings.stored("HourColor"), "abc");
  EXPECT_EQ(fake.settings.size(), 1U);
}

TEST_F(LoadTest, AMissingPictureStopsAtStep230WithoutATrayIcon) {
  fake.settings.put("Background", "weg.bmp");
  form.Form_Load();
  auto expected = prefix(defaultLoadCalls(), 18);
  expected.emplace_back("LoadPicture(weg.bmp) -> Failure(-2147024894)");
  ASSERT_EQ(fake.messages.texts().size(), 1U);
  EXPECT_EQ(fake.messages.texts()[0],
            reportText(-2147024894,
                       "Bild \"weg.bmp\" kann nicht geladen werden: Das System kann die "
                       "angegebene Datei nicht finden.",
                       "Form_Load", 230));
  expected.push_back("MsgBox(" + fake.messages.texts()[0] + ",0,Zarn)");
  expectCalls(fake.journal, expected);
  EXPECT_EQ(fake.gdi.live().size(), 6U);
  EXPECT_EQ(form.picBG, nullptr);
  EXPECT_TRUE(fake.shell.records.empty());
}

TEST(LoadSteps, AFailingStepIsReportedWithItsNumberAndLeavesExactlyTheEarlierStepsDone) {
  const StepFailure cases[] = {
      {"GetSetting", 1, 30, 0, nullptr},
      {"GetSetting", 2, 40, 1, nullptr},
      {"GetSetting", 3, 50, 2, nullptr},
      {"GetSetting", 4, 60, 3, nullptr},
      {"GetSetting", 5, 70, 4, nullptr},
      {"SetTop", 1, 70, 5, nullptr},
      {"GetSetting", 6, 80, 6, nullptr},
      {"SetLeft", 1, 80, 7, nullptr},
      {"GetSetting", 7, 90, 8, nullptr},
      {"SetWidth", 1, 90, 9, nullptr},
      {"GetSetting", 8, 100, 10, nullptr},
      {"SetHeight", 1, 100, 11, nullptr},
      {"Top", 1, 110, 12, "Top -> Failure(4711)"},
      {"Screen.VirtualBottom", 1, 110, 12, "Screen.VirtualBottom -> Failure(4711)"},
      {"Left", 1, 120, 12, "Left -> Failure(4711)"},
      {"Screen.VirtualRight", 1, 120, 12, "Screen.VirtualRight -> Failure(4711)"},
      {"Width", 1, 130, 12, "Width -> Failure(4711)"},
      {"Height", 1, 140, 12, "Height -> Failure(4711)"},
      {"CreateSolidBrush", 1, 160, 12, nullptr},
      {"CreatePen", 1, 170, 13, nullptr},
      {"CreateSolidBrush", 2, 180, 14, nullptr},
      {"CreatePen", 2, 190, 15, nullptr},
      {"CreateSolidBrush", 3, 200, 16, nullptr},
      {"CreatePen", 3, 210, 17, nullptr},
      {"LoadPicture", 1, 230, 18, nullptr},
      {"hWnd", 1, 260, 19, "hWnd -> Failure(4711)"},
      {"Icon", 1, 300, 19, "Icon -> Failure(4711)"},
      {"Shell_NotifyIcon", 1, 320, 19, nullptr},
  };
  const auto full = defaultLoadCalls();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.call) + " #" + std::to_string(c.nth));
    ClockRig run;
    run.fake.journal.failOn(c.call, c.nth);
    run.form.Form_Load();
    expectCalls(run.fake.journal, journalOfFailure(full, c, "Form_Load"));
    EXPECT_EQ(run.form.picBG != nullptr, c.done > 18);
    // The icon was not added, so the shell's restart adds nothing either.
    run.fake.journal.clear();
    run.form.TaskbarCreated();
    EXPECT_TRUE(run.fake.journal.lines().empty());
  }
}

class UnloadTest : public ClockTest {
 protected:
  void SetUp() override {
    load();
    form.Trigger_Timer();
    fake.journal.clear();
  }
};

TEST_F(UnloadTest, DeletesEveryObjectOnceNeverWhileSelectedThenStoresThenRemovesTheIcon) {
  ASSERT_EQ(fake.gdi.selectedBrush(), form.brushSec);
  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  expectCalls(fake.journal, defaultUnloadCalls());
  EXPECT_EQ(cancel, 0);
  EXPECT_TRUE(fake.gdi.live().empty());
  EXPECT_EQ(fake.gdi.deletesOfSelected(), 0);
  EXPECT_EQ(fake.gdi.doubleDeletes(), 0);
  EXPECT_EQ(fake.settings.stored("Top"), "0");
  EXPECT_EQ(fake.settings.stored("Height"), "3000");
  ASSERT_EQ(fake.shell.records.size(), 2U);
  EXPECT_EQ(fake.shell.records[1].first, Shell::kNimDelete);
  EXPECT_TRUE(sameRecord(fake.shell.records[1].second, fake.shell.records[0].second));
}

TEST_F(UnloadTest, StoresTheCurrentGeometryInTheUsersLocale) {
  fake.window.topValue = -300;
  fake.window.leftValue = 1234.5F;
  fake.window.widthValue = 1714.2857F;
  fake.window.heightValue = 20;
  fake.locale.separator = ",";
  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  const auto& lines = fake.journal.lines();
  ASSERT_EQ(lines.size(), 12U);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 7, lines.begin() + 11),
            (std::vector<std::string>{
                "SaveSetting(Zarn,Layout,Top,-300)", "SaveSetting(Zarn,Layout,Left,1234,5)",
                "SaveSetting(Zarn,Layout,Width,1714,286)", "SaveSetting(Zarn,Layout,Height,20)"}));
}

TEST_F(UnloadTest, CloseFromTheMenuUnloadsThroughTheWindowSystem) {
  form.mitClose_Click(3);
  auto expected = defaultUnloadCalls();
  expected.insert(expected.begin(), "Unload");
  expectCalls(fake.journal, expected);
  EXPECT_TRUE(fake.window.unloaded);
}

TEST(UnloadSteps, AFailingStepIsReportedWithItsNumberAndSkipsTheRest) {
  const StepFailure cases[] = {
      {"SelectStockObjects", 1, 20, 0}, {"DeleteObject", 1, 20, 1},
      {"DeleteObject", 2, 30, 2},       {"DeleteObject", 3, 40, 3},
      {"DeleteObject", 4, 50, 4},       {"DeleteObject", 5, 60, 5},
      {"DeleteObject", 6, 70, 6},       {"SaveSetting", 1, 80, 7},
      {"SaveSetting", 2, 90, 8},        {"SaveSetting", 3, 100, 9},
      {"SaveSetting", 4, 110, 10},      {"Shell_NotifyIcon", 1, 120, 11},
  };
  const auto full = defaultUnloadCalls();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.call) + " #" + std::to_string(c.nth));
    ClockRig run;
    run.load();
    run.fake.journal.failOn(c.call, c.nth);
    std::int16_t cancel = 0;
    run.form.Form_Unload(cancel);
    expectCalls(run.fake.journal, journalOfFailure(full, c, "Form_Unload"));
    EXPECT_EQ(cancel, 0);
  }
}

class ShellRestartTest : public ClockTest {};

TEST_F(ShellRestartTest, AddsTheSameRecordAgainOnlyWhileTheIconIsPresent) {
  form.TaskbarCreated();
  form.TrayRetry_Timer();
  EXPECT_TRUE(fake.journal.lines().empty());

  load();
  // The shell also announces itself while it still shows the icon, which it would refuse to
  // add a second time: deleted first, it is taken, and no retry follows.
  form.TaskbarCreated();
  form.TrayRetry_Timer();
  expectCalls(fake.journal, {"Shell_NotifyIcon(2)", "Shell_NotifyIcon(0)"});
  EXPECT_FALSE(form.trayIconRefused());
  ASSERT_EQ(fake.shell.records.size(), 3U);
  EXPECT_TRUE(sameRecord(fake.shell.records[2].second, fake.shell.records[0].second));

  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  fake.journal.clear();
  form.TaskbarCreated();
  form.TrayRetry_Timer();
  form.Form_Destroyed();
  EXPECT_TRUE(fake.journal.lines().empty());
}

TEST_F(ShellRestartTest, ARefusedAddPassesSilently) {
  load();
  fake.journal.failOn("Shell_NotifyIcon", 2);
  form.TaskbarCreated();
  expectCalls(fake.journal, {"Shell_NotifyIcon(2)", "Shell_NotifyIcon(0) -> Failure(4711)"});
  EXPECT_TRUE(fake.messages.texts().empty());
}

class LateShellTest : public ClockTest {};

TEST_F(LateShellTest, ARefusedIconIsRetriedSilentlyUntilTheShellTakesIt) {
  fake.shell.refuseAdds = 3;
  form.Form_Load();
  auto expected = defaultLoadCalls();
  expected.back() += "=0";
  expectCalls(fake.journal, expected);
  EXPECT_TRUE(form.trayIconRefused());

  fake.journal.clear();
  form.TrayRetry_Timer();
  EXPECT_TRUE(form.trayIconRefused());
  // A failing call is as silent as a refusal, and the retries go on after it.
  fake.journal.failOn("Shell_NotifyIcon", 2);
  form.TrayRetry_Timer();
  EXPECT_TRUE(form.trayIconRefused());
  form.TrayRetry_Timer();
  form.TrayRetry_Timer();
  EXPECT_FALSE(form.trayIconRefused());
  form.TrayRetry_Timer();
  expectCalls(fake.journal,
              {"Shell_NotifyIcon(2)", "Shell_NotifyIcon(0)=0", "Shell_NotifyIcon(2)",
               "Shell_NotifyIcon(0) -> Failure(4711)", "Shell_NotifyIcon(2)",
               "Shell_NotifyIcon(0)=0", "Shell_NotifyIcon(2)", "Shell_NotifyIcon(0)"});
  EXPECT_TRUE(fake.messages.texts().empty());
  for (const auto& [message, record] : fake.shell.records) {
    EXPECT_TRUE(sameRecord(record, form.trayIcon));
  }

  // Hidden, the clock comes back from the icon that arrived late.
  form.mitMini_Click(2);
  fake.journal.clear();
  form.Form_MouseMove(0, 0, 515 * 15.0F, 0, MoveSource::tray);
  EXPECT_EQ(fake.journal.lines().front(), "Show");
}

TEST_F(LateShellTest, TaskbarCreatedAddsARefusedIconAndEndsTheRetries) {
  fake.shell.refuseAdds = 1;
  load();
  form.TaskbarCreated();
  form.TrayRetry_Timer();
  expectCalls(fake.journal, {"Shell_NotifyIcon(2)", "Shell_NotifyIcon(0)"});
  EXPECT_FALSE(form.trayIconRefused());

  // A shell that restarts and is not ready yet refuses the add again: the retries resume.
  fake.shell.refuseAdds = 1;
  fake.journal.clear();
  form.TaskbarCreated();
  EXPECT_TRUE(form.trayIconRefused());
  form.TrayRetry_Timer();
  expectCalls(fake.journal, {"Shell_NotifyIcon(2)", "Shell_NotifyIcon(0)=0", "Shell_NotifyIcon(2)",
                             "Shell_NotifyIcon(0)"});
}

TEST_F(LateShellTest, ARefusedIconIsDeletedAtShutDownAndNotRetriedAfterwards) {
  fake.shell.refuseAdds = 1;
  load();
  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  expectCalls(fake.journal, defaultUnloadCalls());
  EXPECT_FALSE(form.trayIconRefused());
  fake.journal.clear();
  form.TrayRetry_Timer();
  form.Form_Destroyed();
  EXPECT_TRUE(fake.journal.lines().empty());
}

TEST(GhostIcon, AWindowDestroyedWithItsIconStillAddedDeletesItAndReportsNothingMore) {
  const struct {
    const char* name;
    const char* call;  // the call of Form_Unload that fails; null: it completes
    int refusals;      // adds the shell refuses at start-up
    std::vector<std::string> atDestroy;
  } cases[] = {
      {"Form_Unload complete", nullptr, 0, {}},
      {"a refused registry write", "SaveSetting", 0, {"Shell_NotifyIcon(2)"}},
      {"a failed object delete", "DeleteObject", 0, {"Shell_NotifyIcon(2)"}},
      {"a failed icon delete, tried once more", "Shell_NotifyIcon", 0, {"Shell_NotifyIcon(2)"}},
      {"a refused icon and a refused write", "SaveSetting", 1, {"Shell_NotifyIcon(2)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClockRig run;
    run.fake.shell.refuseAdds = c.refusals;
    run.load();
    if (c.call != nullptr) run.fake.journal.failOn(c.call, 1);
    std::int16_t cancel = 0;
    run.form.Form_Unload(cancel);
    const std::size_t reports = run.fake.messages.texts().size();
    EXPECT_EQ(reports, c.call != nullptr ? 1U : 0U);
    run.fake.journal.clear();
    run.form.Form_Destroyed();
    expectCalls(run.fake.journal, c.atDestroy);
    EXPECT_EQ(run.fake.messages.texts().size(), reports);
    run.fake.journal.clear();
    run.form.Form_Destroyed();
    EXPECT_TRUE(run.fake.journal.lines().empty());
  }
}

}  // namespace
}  // namespace zarn
