// The failure report's text, and the trap that every clock procedure runs under.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "clock_fixture.h"

namespace zarn {
namespace {

using testing_clock::ClockTest;

struct TextCase {
  std::int32_t number;
  int line;
  const char* description;
  const char* procName;
  const char* text;
};

TEST(ReportText, JoinsTheTenPiecesExactly) {
  const TextCase cases[] = {
      {1001, 30, "HourColor \"abc\" ist keine Zahl", "Form_Load",
       " 1001: HourColor \"abc\" ist keine Zahl\r\n in frmZarn.Form_Load bei Zeile  30"},
      {0, 400, "", "drawZeiger", " 0: \r\n in frmZarn.drawZeiger bei Zeile  400"},
      {-2147024894, 65, "Bild \"x\" kann nicht geladen werden", "Trigger_Timer",
       "-2147024894: Bild \"x\" kann nicht geladen werden\r\n in frmZarn.Trigger_Timer bei "
       "Zeile  65"},
      {-2147483647 - 1, 190, "d", "mitProp_Click",
       "-2147483648: d\r\n in frmZarn.mitProp_Click bei Zeile  190"},
      {2147483647, 10, "\u00dcberlauf: W", "Form_MouseMove",
       " 2147483647: \u00dcberlauf: W\r\n in frmZarn.Form_MouseMove bei Zeile  10"},
      {7, 0, "a\r\nb", "Form_Unload", " 7: a\r\nb\r\n in frmZarn.Form_Unload bei Zeile  0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(reportText(c.number, c.description, c.procName, c.line), c.text);
  }
}

class TrapTest : public ClockTest {};

TEST_F(TrapTest, TheReportIsOpenOnlyWhileItsBoxIs) {
  bool openDuringBox = false;
  fake.messages.whileOpen = [&](const std::string&) { openDuringBox = form.reportOpen(); };
  EXPECT_FALSE(form.reportOpen());
  form.Trigger_Timer();
  EXPECT_TRUE(openDuringBox);
  EXPECT_FALSE(form.reportOpen());
}

TEST_F(TrapTest, EveryFailureIsReportedAfreshWithItsOwnNumberAndStep) {
  load();
  fake.journal.failOn("Polygon", 2);
  form.Trigger_Timer();
  form.Trigger_Timer();
  fake.journal.failOn("SelectObject", 1, 99, "erneut");
  form.Trigger_Timer();
  ASSERT_EQ(fake.messages.texts().size(), 2U);
  EXPECT_EQ(fake.messages.texts()[0],
            reportText(4711, "Eingespielter Fehler in Polygon", "drawZeiger", 400));
  EXPECT_EQ(fake.messages.texts()[1], reportText(99, "erneut", "drawZeiger", 260));
}

TEST_F(TrapTest, OtherProceduresReportInBoxesOfTheirOwnWhileABoxIsOpen) {
  fake.journal.failOn("PopupMenu", 1);
  fake.messages.whileOpen = [&](const std::string& text) {
    if (text.find("Trigger_Timer") != std::string::npos) {
      form.Form_MouseDown(buttons::kRight, 0, 10, 10);
    }
  };
  form.Trigger_Timer();
  ASSERT_EQ(fake.messages.texts().size(), 2U);
  EXPECT_EQ(fake.messages.texts()[1],
            reportText(4711, "Eingespielter Fehler in PopupMenu", "Form_MouseDown", 30));
  EXPECT_EQ(fake.journal.lines().back(), "End");
}

TEST_F(TrapTest, AFailureOfTheReportItselfIsNotTrapped) {
  fake.journal.failOn("MsgBox", 1);
  EXPECT_THROW(form.Trigger_Timer(), Failure);
  EXPECT_FALSE(form.reportOpen());
  // The next report works again and carries its own step.
  form.Trigger_Timer();
  EXPECT_EQ(fake.messages.texts().back(),
            reportText(1003, "Kein Hintergrundbild geladen", "Trigger_Timer", 65));
}

}  // namespace
}  // namespace zarn
