// The fake's own bookkeeping: the clock's tests rely on it to catch leaks, deletes of
// selected objects, unreleased pictures and nested boxes, so it must see them.

#include "fake_platform.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarn::fake {
namespace {

TEST(FakeJournal, FailOnThrowsAtTheNthCallOnlyAndRecordsIt) {
  FakePlatform fake;
  fake.journal.failOn("DeleteObject", 2);
  const Handle brush = fake.gdi.createSolidBrush(255);
  EXPECT_TRUE(fake.gdi.deleteObject(brush));
  try {
    fake.gdi.deleteObject(brush);
    FAIL() << "no failure";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), kInjectedNumber);
    EXPECT_EQ(failure.description(), "Eingespielter Fehler in DeleteObject");
  }
  EXPECT_FALSE(fake.gdi.deleteObject(brush));  // the third call runs again
  expectCalls(fake.journal, {"CreateSolidBrush(255)=101", "DeleteObject(101)",
                             "DeleteObject(101) -> Failure(4711)", "DeleteObject(101)"});
  EXPECT_EQ(fake.gdi.doubleDeletes(), 1);
}

TEST(FakeJournal, FailFromKeepsFailingAndCountsFromNow) {
  FakePlatform fake;
  fake.time.now();
  fake.journal.failFrom("Now", 2, -5, "kaputt");
  EXPECT_NO_THROW(fake.time.now());
  for (int i = 0; i < 3; ++i) {
    try {
      fake.time.now();
      ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), -5);
      EXPECT_EQ(failure.description(), "kaputt");
    }
  }
  EXPECT_EQ(fake.journal.count("Now"), 5);
}

TEST(FakeJournal, ReadsAreNotRecordedUnlessTheyFail) {
  FakePlatform fake;
  fake.journal.failOn("Icon", 1);
  EXPECT_EQ(fake.window.width(), 3024);
  EXPECT_THROW((void)fake.window.icon(), Failure);
  expectCalls(fake.journal, {"Icon -> Failure(4711)"});
}

TEST(FakeJournal, ExpectCallsReportsAMismatchAtTheCallersLine) {
  Journal journal;
  journal.call("Show", "Show");
  EXPECT_NONFATAL_FAILURE(expectCalls(journal, {"Hide"}), "differ at position 0");
  EXPECT_NONFATAL_FAILURE(expectCalls(journal, {"Show", "Hide"}), "expected (2)");
}

TEST(FakeGdi, TracksSelectionAndFaultyDeletes) {
  FakePlatform fake;
  const Handle brush = fake.gdi.createSolidBrush(1);
  const Handle pen = fake.gdi.createPen(0, 1, 2);
  EXPECT_EQ(fake.gdi.selectObject(brush), FakeGdi::kStockBrush);
  EXPECT_EQ(fake.gdi.selectObject(pen), FakeGdi::kStockPen);
  EXPECT_FALSE(fake.gdi.deleteObject(pen));
  EXPECT_EQ(fake.gdi.deletesOfSelected(), 1);
  EXPECT_EQ(fake.gdi.live().size(), 2U);
  fake.gdi.selectStockObjects();
  EXPECT_TRUE(fake.gdi.deleteObject(pen));
  EXPECT_TRUE(fake.gdi.deleteObject(brush));
  EXPECT_TRUE(fake.gdi.live().empty());
  EXPECT_EQ(fake.gdi.selectObject(brush), 0U);
  EXPECT_EQ(fake.gdi.selectsOfDead(), 1);
  EXPECT_EQ(fake.gdi.colourOf(pen), 2);
}

TEST(FakePictures, MissingFilesFailEmptyPathIsEmptyAndReleasesAreSeen) {
  FakePlatform fake;
  {
    const auto face = fake.pictures.loadPicture("clockbg5.bmp");
    const auto empty = fake.pictures.loadPicture("");
    EXPECT_EQ(empty->handle(), 0U);
    EXPECT_EQ(fake.pictures.live(), (std::set<Handle>{face->handle()}));
  }
  EXPECT_TRUE(fake.pictures.live().empty());
  try {
    fake.pictures.loadPicture("weg.bmp");
    FAIL() << "no failure";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), -2147024894);
    EXPECT_EQ(failure.description().rfind("Bild \"weg.bmp\" kann nicht geladen werden: ", 0), 0U);
  }
  expectCalls(fake.journal, {"LoadPicture(clockbg5.bmp)=501", "LoadPicture()=0",
                             "LoadPicture(weg.bmp) -> Failure(-2147024894)"});
}

TEST(FakeSettings, AbsentKeysReadAsTheirDefault) {
  FakePlatform fake;
  EXPECT_EQ(fake.settings.getSetting("Zarn", "Layout", "Top", "0"), "0");
  fake.settings.saveSetting("Zarn", "Layout", "Top", "-300");
  EXPECT_EQ(fake.settings.getSetting("Zarn", "Layout", "Top", "0"), "-300");
  EXPECT_EQ(fake.settings.getSetting("Zarn", "Other", "Top", "7"), "7");
  EXPECT_EQ(fake.settings.stored("Top"), "-300");
  EXPECT_EQ(fake.settings.stored("Left"), std::nullopt);
}

TEST(FakeMessages, RunsTheModalLoopAndMeasuresNesting) {
  FakePlatform fake;
  int inner = 0;
  fake.messages.whileOpen = [&](const std::string& text) {
    if (text == "outer") fake.messages.msgBox("inner", 0, "Zarn");
    inner += fake.messages.open() ? 1 : 0;
  };
  fake.messages.msgBox("outer", 0, "Zarn");
  EXPECT_FALSE(fake.messages.open());
  EXPECT_EQ(fake.messages.maxDepth(), 2);
  EXPECT_EQ(inner, 2);
  EXPECT_EQ(fake.messages.texts(), (std::vector<std::string>{"outer", "inner"}));
}

TEST(FakeTime, GivesTheScriptInOrderThenRepeatsTheLast) {
  FakePlatform fake;
  fake.time.script({{1, 2, 3}, {4, 5, 6}});
  EXPECT_EQ(fake.time.now().hour, 1);
  EXPECT_EQ(fake.time.now().minute, 5);
  EXPECT_EQ(fake.time.now().second, 6);
  expectCalls(fake.journal, {"Now=01:02:03", "Now=04:05:06", "Now=04:05:06"});
}

}  // namespace
}  // namespace zarn::fake
