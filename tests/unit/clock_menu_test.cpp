// The popup menu's commands, the properties command above all.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "clock_fixture.h"

namespace zarn {
namespace {

using fake::expectCalls;
using testing_clock::ClockRig;
using testing_clock::ClockTest;
using testing_clock::journalOfFailure;
using testing_clock::prefix;
using testing_clock::StepFailure;

constexpr Colour kRed = 255;
constexpr Colour kGreen = 65280;
constexpr Colour kBlue = 16711680;

// A user who picks these values and presses OK (or not).
void userChooses(ClockRig& rig, Colour hour, Colour minute, Colour second, const std::string& path,
                 bool ok) {
  rig.host.user = [=](frmProperties& form) {
    form.colHour = hour;
    form.colMin = minute;
    form.colSec = second;
    form.bgPath = path;
    form.OK = ok;
  };
}

// The command after a default start-up and one tick, choosing red, green, blue and
// face.jpg.
const std::vector<std::string> kConfirmedCalls = {
    "ShowModal",
    "SaveSetting(Zarn,Layout,HourColor,255)",
    "SaveSetting(Zarn,Layout,MinuteColor,65280)",
    "SaveSetting(Zarn,Layout,SecondColor,16711680)",
    "SaveSetting(Zarn,Layout,Background,face.jpg)",
    "SelectStockObjects",
    "DeleteObject(101)",
    "DeleteObject(102)",
    "DeleteObject(103)",
    "DeleteObject(104)",
    "DeleteObject(105)",
    "DeleteObject(106)",
    "CreateSolidBrush(255)=107",
    "CreatePen(0,1,255)=108",
    "CreateSolidBrush(65280)=109",
    "CreatePen(0,1,65280)=110",
    "CreateSolidBrush(16711680)=111",
    "CreatePen(0,1,16711680)=112",
    "LoadPicture(face.jpg)=502",
};

class MenuTest : public ClockTest {
 protected:
  void SetUp() override {
    fake.pictures.files.insert("face.jpg");
    load();
    form.Trigger_Timer();
    fake.journal.clear();
  }
};

TEST_F(MenuTest, MinimiseHidesTheWindowAndKeepsTheIcon) {
  fake.window.visible = true;
  form.mitMini_Click(2);
  expectCalls(fake.journal, {"Hide"});
  EXPECT_FALSE(fake.window.visible);
  EXPECT_EQ(fake.shell.records.size(), 1U);
}

TEST_F(MenuTest, AFailingHideOrUnloadIsReportedAtLine20) {
  fake.journal.failOn("Hide", 1);
  form.mitMini_Click(2);
  fake.journal.failOn("Unload", 1);
  form.mitClose_Click(3);
  expectCalls(fake.journal,
              {"Hide -> Failure(4711)", injectedBox("Hide", "mitMini_Click", 20),
               "Unload -> Failure(4711)", injectedBox("Unload", "mitClose_Click", 20)});
}

TEST_F(MenuTest, PropertiesConfirmedStoresDeletesCreatesAndLoadsLineByLine) {
  userChooses(*this, kRed, kGreen, kBlue, "face.jpg", true);
  form.mitProp_Click(4);
  expectCalls(fake.journal, kConfirmedCalls);
  EXPECT_EQ(fake.gdi.live(), (std::set<Handle>{107, 108, 109, 110, 111, 112}));
  EXPECT_EQ(fake.gdi.deletesOfSelected(), 0);
  EXPECT_EQ(form.brushHour, 107U);
  EXPECT_EQ(form.penSec, 112U);
  EXPECT_EQ(form.picBG->handle(), 502U);
  EXPECT_EQ(fake.pictures.live(), (std::set<Handle>{502}));
  EXPECT_EQ(fake.settings.stored("Background"), "face.jpg");
  EXPECT_EQ(fake.journal.count("SaveSetting"), 4);  // no geometry

  // The next tick draws with the new face and objects.
  fake.journal.clear();
  form.Trigger_Timer();
  EXPECT_EQ(fake.journal.lines()[0], "PaintPicture(502,0,0,3000,3000)");
  EXPECT_EQ(fake.journal.lines()[3], "SelectObject(107)");
}

TEST_F(MenuTest, PropertiesNotConfirmedChangesNothing) {
  userChooses(*this, kRed, kGreen, kBlue, "face.jpg", false);
  form.mitProp_Click(4);
  expectCalls(fake.journal, {"ShowModal"});
  EXPECT_EQ(fake.settings.size(), 0U);
  EXPECT_EQ(form.brushHour, 101U);
  EXPECT_EQ(form.picBG->handle(), 501U);
}

TEST_F(MenuTest, ColoursAreStoredAsSignedDecimalText) {
  struct Case {
    Colour colour;
    const char* text;
  };
  const Case cases[] = {{16777215, "16777215"}, {0, "0"}, {-1, "-1"}, {-16777216, "-16777216"}};
  for (const auto& c : cases) {
    userChooses(*this, c.colour, c.colour, c.colour, "clockbg5.bmp", true);
    fake.journal.clear();
    form.mitProp_Click(4);
    EXPECT_EQ(fake.settings.stored("HourColor"), c.text);
    EXPECT_EQ(fake.settings.stored("MinuteColor"), c.text);
    EXPECT_EQ(fake.settings.stored("SecondColor"), c.text);
    EXPECT_EQ(fake.journal.lines()[12], "CreateSolidBrush(" + std::to_string(c.colour) +
                                            ")=" + std::to_string(form.brushHour));
  }
}

TEST_F(MenuTest, OkWithoutChangesRewritesTheCurrentValues) {
  host.user = [](frmProperties& dialog) { dialog.OK = true; };
  form.mitProp_Click(4);
  EXPECT_EQ(fake.settings.stored("HourColor"), "16777215");
  EXPECT_EQ(fake.settings.stored("Background"), "clockbg5.bmp");
  EXPECT_EQ(fake.gdi.live().size(), 6U);
  EXPECT_EQ(fake.gdi.created(), 12);
}

TEST_F(MenuTest, APictureThatCannotBeLoadedKeepsTheOldFaceAndReportsLine190) {
  userChooses(*this, kRed, kGreen, kBlue, "weg.jpg", true);
  form.mitProp_Click(4);
  EXPECT_EQ(fake.settings.stored("Background"), "weg.jpg");
  EXPECT_EQ(fake.settings.stored("HourColor"), "255");
  EXPECT_EQ(fake.gdi.live(), (std::set<Handle>{107, 108, 109, 110, 111, 112}));
  EXPECT_EQ(form.brushHour, 107U);
  ASSERT_NE(form.picBG, nullptr);
  EXPECT_EQ(form.picBG->handle(), 501U);
  EXPECT_EQ(fake.pictures.live(), (std::set<Handle>{501}));
  ASSERT_EQ(fake.messages.texts().size(), 1U);
  EXPECT_EQ(fake.messages.texts()[0],
            reportText(-2147024894,
                       "Bild \"weg.jpg\" kann nicht geladen werden: Das System kann die "
                       "angegebene Datei nicht finden.",
                       "mitProp_Click", 190));
  EXPECT_EQ(fake.journal.lines()[18], "LoadPicture(weg.jpg) -> Failure(-2147024894)");

  // A resize decodes the face shown again, from its own file.
  fake.journal.clear();
  form.rescaleFace();
  EXPECT_EQ(fake.journal.lines(), (std::vector<std::string>{"LoadPicture(clockbg5.bmp)=502"}));
}

// After a resize the face is decoded again at the new size; a file gone since start keeps
// the face shown, with no report, and the ticks go on.
TEST_F(MenuTest, RescalingTheFaceReplacesItOrKeepsItSilently) {
  ASSERT_NE(form.picBG, nullptr);
  form.rescaleFace();
  EXPECT_EQ(fake.journal.lines(), (std::vector<std::string>{"LoadPicture(clockbg5.bmp)=502"}));
  EXPECT_EQ(fake.pictures.live(), (std::set<Handle>{502}));

  fake.pictures.files.erase("clockbg5.bmp");
  fake.journal.clear();
  form.rescaleFace();
  form.Trigger_Timer();
  EXPECT_EQ(fake.journal.lines().front(), "LoadPicture(clockbg5.bmp) -> Failure(-2147024894)");
  EXPECT_EQ(fake.pictures.live(), (std::set<Handle>{502}));
  EXPECT_TRUE(fake.messages.texts().empty());
  const auto& lines = fake.journal.lines();
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind("PaintPicture(502,", 0) == 0;
  })) << "the tick paints the face kept";
  EXPECT_EQ(fake.journal.count("End"), 0);
}

TEST_F(MenuTest, AnEmptyPathGivesAnEmptyFaceThatIsNotPainted) {
  userChooses(*this, kRed, kGreen, kBlue, "", true);
  form.mitProp_Click(4);
  EXPECT_EQ(fake.journal.lines().back(), "LoadPicture()=0");
  EXPECT_TRUE(fake.pictures.live().empty());
  fake.journal.clear();
  form.Trigger_Timer();
  EXPECT_EQ(fake.journal.count("PaintPicture"), 1);  // the tick before the command only
  EXPECT_EQ(fake.journal.lines().front(), "Now=00:00:00");
}

TEST_F(MenuTest, NoObjectOrPictureLeaksOverAHundredConfirmations) {
  for (int i = 0; i < 100; ++i) {
    userChooses(*this, i, i + 1, i + 2, i % 2 == 0 ? "face.jpg" : "clockbg1.bmp", true);
    form.mitProp_Click(4);
    form.Trigger_Timer();
  }
  EXPECT_EQ(fake.gdi.created(), 606);
  EXPECT_EQ(fake.gdi.live().size(), 6U);
  EXPECT_EQ(fake.gdi.deletesOfSelected(), 0);
  EXPECT_EQ(fake.gdi.doubleDeletes(), 0);
  EXPECT_EQ(fake.gdi.selectsOfDead(), 0);
  EXPECT_EQ(fake.pictures.live().size(), 1U);
  EXPECT_TRUE(fake.messages.texts().empty());

  std::int16_t cancel = 0;
  form.Form_Unload(cancel);
  EXPECT_TRUE(fake.gdi.live().empty());
  EXPECT_EQ(fake.gdi.deletesOfSelected(), 0);
}

TEST(PropertiesSteps, AFailingStepIsReportedWithItsLineAndEarlierStepsStay) {
  const StepFailure cases[] = {
      {"ShowModal", 1, 20, 0},          {"SaveSetting", 1, 30, 1},
      {"SaveSetting", 2, 40, 2},        {"SaveSetting", 3, 50, 3},
      {"SaveSetting", 4, 60, 4},        {"SelectStockObjects", 1, 70, 5},
      {"DeleteObject", 1, 70, 6},       {"DeleteObject", 2, 80, 7},
      {"DeleteObject", 3, 90, 8},       {"DeleteObject", 4, 100, 9},
      {"DeleteObject", 5, 110, 10},     {"DeleteObject", 6, 120, 11},
      {"CreateSolidBrush", 1, 130, 12}, {"CreatePen", 1, 140, 13},
      {"CreateSolidBrush", 2, 150, 14}, {"CreatePen", 2, 160, 15},
      {"CreateSolidBrush", 3, 170, 16}, {"CreatePen", 3, 180, 17},
      {"LoadPicture", 1, 190, 18},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.call) + " #" + std::to_string(c.nth));
    ClockRig run;
    run.fake.pictures.files.insert("face.jpg");
    run.load();
    run.form.Trigger_Timer();
    run.fake.journal.clear();
    userChooses(run, kRed, kGreen, kBlue, "face.jpg", true);
    run.fake.journal.failOn(c.call, c.nth);
    run.form.mitProp_Click(4);
    expectCalls(run.fake.journal, journalOfFailure(kConfirmedCalls, c, "mitProp_Click"));
    EXPECT_EQ(run.form.picBG->handle(), 501U);
    // No field keeps an object the command deleted: the next tick selects none of them and
    // the unload deletes each remaining object once.
    run.form.Trigger_Timer();
    std::int16_t cancel = 0;
    run.form.Form_Unload(cancel);
    EXPECT_EQ(run.fake.gdi.selectsOfDead(), 0);
    EXPECT_EQ(run.fake.gdi.doubleDeletes(), 0);
    EXPECT_TRUE(run.fake.gdi.live().empty());
  }
}

TEST(CloseCommand, RunsTheShutDownAfterAFailedStartUpToo) {
  ClockRig run;
  run.fake.settings.put("HourColor", "abc");
  run.form.Form_Load();
  run.fake.journal.clear();
  run.form.mitClose_Click(3);
  // The handles are still 0, and the unload stores the design geometry.
  const auto& lines = run.fake.journal.lines();
  ASSERT_GE(lines.size(), 8U);
  EXPECT_EQ(prefix(lines, 8),
            (std::vector<std::string>{"Unload", "SelectStockObjects", "DeleteObject(0)",
                                      "DeleteObject(0)", "DeleteObject(0)", "DeleteObject(0)",
                                      "DeleteObject(0)", "DeleteObject(0)"}));
  EXPECT_EQ(run.fake.settings.stored("Width"), "3024");
  EXPECT_EQ(lines.back(), "Shell_NotifyIcon(2)");
}

}  // namespace
}  // namespace zarn
