#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "fake_dialogs.h"
#include "fake_platform.h"
#include "platform/numeric.h"
#include "properties/dialog_layout.h"
#include "properties/file_dialog.h"
#include "properties/frmProperties.h"

namespace zarn {
namespace {

constexpr Colour kWhite = 16777215;
constexpr Colour kRed = 255;
constexpr Colour kGreen = 0x00FF00;
constexpr Colour kBlue = 0xFF0000;
constexpr Colour kOlive = 0x008080;
constexpr Colour kTeal = 0x808000;
constexpr Colour kPurple = 0x800080;

class PropertiesTest : public testing::Test {
 protected:
  PropertiesTest() {
    form.colHour = kOlive;
    form.colMin = kTeal;
    form.colSec = kPurple;
    form.bgPath = "clockbg5.bmp";
    pictures.files.insert("C:\\Bilder\\neu.jpg");
  }

  // Shows the dialog once with the given user and returns the calls made meanwhile.
  std::vector<std::string> showWith(fake::FakePropertiesHost::UserAction user) {
    journal.clear();
    host.showings.push_back(std::move(user));
    form.Show();
    return journal.take();
  }

  void expectValues(Colour hour, Colour minute, Colour second, const std::string& path) {
    EXPECT_EQ(form.colHour, hour);
    EXPECT_EQ(form.colMin, minute);
    EXPECT_EQ(form.colSec, second);
    EXPECT_EQ(form.bgPath, path);
  }

  fake::Journal journal;
  fake::FakePictures pictures{journal};
  fake::FakeCommonDialogs dialogs{journal};
  fake::FakePropertiesHost host{journal};
  frmProperties form{host, dialogs, pictures};
};

// The calls of a showing's Form_Load with the initial values, the preview getting
// `preview` as its picture handle.
std::vector<std::string> loadThen(std::vector<std::string> more, Handle preview = 501) {
  std::vector<std::string> all = {"ShowModal",
                                  "Swatch(hour,32896)",
                                  "Swatch(minute,8421376)",
                                  "Swatch(second,8388736)",
                                  "PathText(clockbg5.bmp)",
                                  "LoadPicture(clockbg5.bmp)=" + std::to_string(preview),
                                  "Preview(" + std::to_string(preview) + ")"};
  all.insert(all.end(), more.begin(), more.end());
  return all;
}

TEST_F(PropertiesTest, OkAtOnceKeepsTheValuesAndSetsOk) {
  const auto calls = showWith([](frmProperties& f, fake::FakePropertiesView&) { f.cmdOK_Click(); });

  fake::expectCalls(calls, loadThen({"UnloadDialog"}));
  EXPECT_TRUE(form.OK);
  expectValues(kOlive, kTeal, kPurple, "clockbg5.bmp");
  const auto& view = host.lastView();
  EXPECT_EQ(view.swatch(Swatch::hour), kOlive);
  EXPECT_EQ(view.swatch(Swatch::minute), kTeal);
  EXPECT_EQ(view.swatch(Swatch::second), kPurple);
  EXPECT_EQ(view.pathText, "clockbg5.bmp");
  EXPECT_EQ(view.previewHandle, Handle{501});
  EXPECT_TRUE(pictures.live().empty()) << "the preview must be released with the window";
}

TEST_F(PropertiesTest, CancelAndCloseBoxLeaveOkFalseAndPutBackTheOpeningValues) {
  struct Case {
    const char* name;
    void (*close)(frmProperties&, fake::FakePropertiesView&);
  };
  const Case cases[] = {
      {"Abbrechen", [](frmProperties& f, fake::FakePropertiesView&) { f.cmdCancel_Click(); }},
      {"close box", [](frmProperties&, fake::FakePropertiesView& v) { v.pressCloseBox(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A showing confirmed with OK first, so that a stale true would show.
    showWith([](frmProperties& f, fake::FakePropertiesView&) { f.cmdOK_Click(); });
    ASSERT_TRUE(form.OK);

    dialogs.colourAnswers = {kRed};
    dialogs.fileAnswers = {"C:\\Bilder\\neu.jpg"};
    const auto close = c.close;
    showWith([close](frmProperties& f, fake::FakePropertiesView& v) {
      f.cmdColSec_Click();
      f.cmdBG_Click();
      close(f, v);
    });

    EXPECT_FALSE(form.OK);
    expectValues(kOlive, kTeal, kPurple, "clockbg5.bmp");
    EXPECT_TRUE(host.lastView().unloaded);

    // Reopened: the swatch shows the colour of before, and "OK" applies nothing cancelled.
    showWith([](frmProperties& f, fake::FakePropertiesView&) { f.cmdOK_Click(); });
    EXPECT_EQ(host.lastView().swatch(Swatch::second), kPurple);
    EXPECT_TRUE(form.OK);
    expectValues(kOlive, kTeal, kPurple, "clockbg5.bmp");
  }
}

TEST_F(PropertiesTest, FirstColourDialogCancelledKeepsThatColour) {
  struct Case {
    void (frmProperties::*click)();
    Swatch swatch;
  };
  const Case cases[] = {{&frmProperties::cmdColHour_Click, Swatch::hour},
                        {&frmProperties::cmdColMin_Click, Swatch::minute},
                        {&frmProperties::cmdColSec_Click, Swatch::second}};
  Handle preview = 501;
  for (const Case& c : cases) {
    SCOPED_TRACE(fake::swatchName(c.swatch));
    dialogs.colourAnswers = {std::nullopt};
    const auto click = c.click;
    const auto calls = showWith([click](frmProperties& f, fake::FakePropertiesView&) {
      (f.*click)();
      f.cmdOK_Click();
    });

    fake::expectCalls(calls, loadThen({"ChooseColor(0)=cancel", "UnloadDialog"}, preview++));
    expectValues(kOlive, kTeal, kPurple, "clockbg5.bmp");
    EXPECT_TRUE(form.OK);
  }
}

TEST_F(PropertiesTest, CancelledColourDialogIgnoresWhatItLeftBehind) {
  dialogs.colourAnswers = {std::nullopt, kGreen};
  dialogs.colourLeftOnCancel = kBlue;
  const auto calls = showWith([](frmProperties& f, fake::FakePropertiesView&) {
    f.cmdColHour_Click();
    f.cmdColMin_Click();
    f.cmdOK_Click();
  });

  // The second dialog starts from comDialog's colour, not from the cancelled leftovers.
  fake::expectCalls(calls, loadThen({"ChooseColor(0)=cancel", "ChooseColor(0)=65280",
                                     "Swatch(minute,65280)", "UnloadDialog"}));
  expectValues(kOlive, kGreen, kPurple, "clockbg5.bmp");
}

TEST_F(PropertiesTest, HourConfirmedRedThenMinuteCancelledKeepsTheMinute) {
  dialogs.colourAnswers = {kRed, std::nullopt};
  const auto calls = showWith([](frmProperties& f, fake::FakePropertiesView&) {
    f.cmdColHour_Click();
    f.cmdColMin_Click();
    f.cmdOK_Click();
  });

  fake::expectCalls(calls, loadThen({"ChooseColor(0)=255", "Swatch(hour,255)",
                                     "ChooseColor(255)=cancel", "UnloadDialog"}));
  expectValues(kRed, kTeal, kPurple, "clockbg5.bmp");
  const auto& view = host.lastView();
  EXPECT_EQ(view.swatch(Swatch::hour), kRed);
  EXPECT_EQ(view.swatch(Swatch::minute), kTeal);
}

TEST_F(PropertiesTest, ConfirmedColourIsWhereTheNextDialogStarts) {
  dialogs.colourAnswers = {kGreen, kBlue, kWhite};
  const auto calls = showWith([](frmProperties& f, fake::FakePropertiesView&) {
    f.cmdColSec_Click();
    f.cmdColHour_Click();
    f.cmdColMin_Click();
    f.cmdOK_Click();
  });

  fake::expectCalls(calls, loadThen({"ChooseColor(0)=65280", "Swatch(second,65280)",
                                     "ChooseColor(65280)=16711680", "Swatch(hour,16711680)",
                                     "ChooseColor(16711680)=16777215", "Swatch(minute,16777215)",
                                     "UnloadDialog"}));
  expectValues(kBlue, kWhite, kGreen, "clockbg5.bmp");
}

TEST_F(PropertiesTest, OpenFileCancelledChangesNothing) {
  dialogs.fileAnswers = {std::nullopt};
  dialogs.fileLeftOnCancel = "C:\\halb\\gew\u00E4hlt.jpg";
  const auto calls = showWith([](frmProperties& f, fake::FakePropertiesView&) {
    f.cmdBG_Click();
    f.cmdOK_Click();
  });

  fake::expectCalls(calls, loadThen({"GetOpenFileName(*.jpg,)=cancel", "UnloadDialog"}));
  expectValues(kOlive, kTeal, kPurple, "clockbg5.bmp");
  EXPECT_EQ(host.lastView().pathText, "clockbg5.bmp");
  EXPECT_EQ(host.lastView().previewHandle, Handle{501});
}

TEST_F(PropertiesTest, ConfirmedFileShowsItsPathAndPreview) {
  dialogs.fileAnswers = {"C:\\Bilder\\neu.jpg", "C:\\Bilder\\neu.jpg"};
  const auto calls = showWith([](frmProperties& f, fake::FakePropertiesView&) {
    f.cmdBG_Click();
    // The second dialog of the showing starts from the file chosen in the first.
    f.cmdBG_Click();
    f.cmdOK_Click();
  });

  fake::expectCalls(
      calls,
      loadThen({"GetOpenFileName(*.jpg,)=C:\\Bilder\\neu.jpg", "PathText(C:\\Bilder\\neu.jpg)",
                "LoadPicture(C:\\Bilder\\neu.jpg)=502", "Preview(502)",
                "GetOpenFileName(*.jpg,C:\\Bilder\\neu.jpg)=C:\\Bilder\\neu.jpg",
                "PathText(C:\\Bilder\\neu.jpg)", "LoadPicture(C:\\Bilder\\neu.jpg)=503",
                "Preview(503)", "UnloadDialog"}));
  expectValues(kOlive, kTeal, kPurple, "C:\\Bilder\\neu.jpg");
  EXPECT_EQ(host.lastView().pathText, "C:\\Bilder\\neu.jpg");
  EXPECT_EQ(host.lastView().previewHandle, Handle{503});
  EXPECT_TRUE(pictures.live().empty()) << "every replaced preview must be released";
}

TEST_F(PropertiesTest, EmptyPathGivesEmptyTextAndPreviewWithoutFailure) {
  form.bgPath.clear();
  const auto calls = showWith([](frmProperties& f, fake::FakePropertiesView&) { f.cmdOK_Click(); });

  fake::expectCalls(
      calls, {"ShowModal", "Swatch(hour,32896)", "Swatch(minute,8421376)", "Swatch(second,8388736)",
              "PathText()", "LoadPicture()=0", "Preview(0)", "UnloadDialog"});
  EXPECT_EQ(host.lastView().pathText, "");
  EXPECT_EQ(host.lastView().previewHandle, Handle{0});
  EXPECT_TRUE(form.OK);
}

TEST_F(PropertiesTest, UnloadablePictureLeavesThePreviewEmptyAndSaysNothing) {
  form.bgPath = "C:\\fehlt.bmp";
  dialogs.fileAnswers = {"C:\\auch\\fehlt.jpg"};
  std::vector<std::string> calls;
  EXPECT_NO_THROW(calls = showWith([](frmProperties& f, fake::FakePropertiesView&) {
                    f.cmdBG_Click();
                    f.cmdOK_Click();
                  }));

  fake::expectCalls(
      calls,
      {"ShowModal", "Swatch(hour,32896)", "Swatch(minute,8421376)", "Swatch(second,8388736)",
       "PathText(C:\\fehlt.bmp)", "LoadPicture(C:\\fehlt.bmp) -> Failure(-2147024894)",
       "Preview(none)", "GetOpenFileName(*.jpg,)=C:\\auch\\fehlt.jpg",
       "PathText(C:\\auch\\fehlt.jpg)", "LoadPicture(C:\\auch\\fehlt.jpg) -> Failure(-2147024894)",
       "Preview(none)", "UnloadDialog"});
  EXPECT_EQ(form.bgPath, "C:\\auch\\fehlt.jpg");
  EXPECT_EQ(host.lastView().pathText, "C:\\auch\\fehlt.jpg");
  EXPECT_EQ(host.lastView().previewHandle, std::nullopt);
  EXPECT_TRUE(form.OK);
}

TEST_F(PropertiesTest, FileChosenAfterAFailedPreviewShowsAgain) {
  form.bgPath = "C:\\fehlt.bmp";
  dialogs.fileAnswers = {"C:\\Bilder\\neu.jpg"};
  showWith([](frmProperties& f, fake::FakePropertiesView&) {
    f.cmdBG_Click();
    f.cmdOK_Click();
  });

  EXPECT_EQ(host.lastView().previewHandle, Handle{501});
  EXPECT_EQ(form.bgPath, "C:\\Bilder\\neu.jpg");
}

TEST_F(PropertiesTest, ReopeningStartsWithAFreshComDialog) {
  dialogs.colourAnswers = {kRed};
  dialogs.fileAnswers = {"C:\\Bilder\\neu.jpg"};
  showWith([](frmProperties& f, fake::FakePropertiesView&) {
    f.cmdColHour_Click();
    f.cmdBG_Click();
    f.cmdOK_Click();
  });

  dialogs.colourAnswers = {std::nullopt};
  dialogs.fileAnswers = {std::nullopt};
  const auto calls = showWith([](frmProperties& f, fake::FakePropertiesView&) {
    f.cmdColMin_Click();
    f.cmdBG_Click();
    f.cmdCancel_Click();
  });

  // The variables carry over; comDialog's colour and file name start empty again.
  fake::expectCalls(
      calls,
      {"ShowModal", "Swatch(hour,255)", "Swatch(minute,8421376)", "Swatch(second,8388736)",
       "PathText(C:\\Bilder\\neu.jpg)", "LoadPicture(C:\\Bilder\\neu.jpg)=503", "Preview(503)",
       "ChooseColor(0)=cancel", "GetOpenFileName(*.jpg,)=cancel", "UnloadDialog"});
  expectValues(kRed, kTeal, kPurple, "C:\\Bilder\\neu.jpg");
  EXPECT_FALSE(form.OK);
  EXPECT_EQ(host.views.size(), 2U);
}

TEST_F(PropertiesTest, OverlongFileNameIsCutToTheBuffer) {
  const std::string longName = "C:\\" + std::string(300, 'a') + ".jpg";
  // 257 characters of which the last is two bytes long, then more.
  const std::string umlauts = "C:\\" + std::string(256, 'b') + "\u00E4\u00E4\u00E4";
  pictures.files.insert(longName.substr(0, CommonDialogs::kMaxFileName));
  dialogs.fileAnswers = {longName, umlauts};
  showWith([](frmProperties& f, fake::FakePropertiesView&) {
    f.cmdBG_Click();
    EXPECT_EQ(f.bgPath.size(), CommonDialogs::kMaxFileName);
    f.cmdBG_Click();
    f.cmdOK_Click();
  });

  EXPECT_EQ(form.bgPath, "C:\\" + std::string(256, 'b') + "\u00E4");
}

TEST(FileDialogTexts, TheFilterListPairsEachDescriptionWithItsPattern) {
  using namespace std::string_literals;
  const struct {
    const char* filter;
    std::string list;
  } cases[] = {
      {"*.jpg", "*.jpg\0*.jpg\0\0"s},
      {"Bilder|*.jpg;*.bmp", "Bilder\0*.jpg;*.bmp\0\0"s},
      {"JPEG|*.jpg|*.bmp", "JPEG\0*.jpg\0*.bmp\0*.bmp\0\0"s},
      {"JPEG|*.jpg|Bitmap|*.bmp", "JPEG\0*.jpg\0Bitmap\0*.bmp\0\0"s},
      {"Alle|", "Alle\0\0\0"s},
      {"Zifferbl\u00E4tter|*.jpg", "Zifferbl\u00E4tter\0*.jpg\0\0"s},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(filterList(c.filter), c.list) << c.filter;
  }
}

TEST(FileDialogTexts, TheInitialNameIsCutToTheBufferWithoutSplittingASurrogatePair) {
  const struct {
    std::u16string_view text;
    std::size_t capacity;
    std::size_t length;
  } cases[] = {
      {u"", 5, 0},
      {u"abcd", 5, 4},
      {u"abcde", 5, 4},
      {u"ab\U0001F600", 5, 4},    // the pair fits whole
      {u"abcd\U0001F600", 5, 4},  // cut before the pair
      {u"abc\U0001F600", 5, 3},   // the pair would be cut: it goes whole
      {u"\U0001F600", 2, 0},
      {u"x", 1, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(truncatedLength(c.text, c.capacity), c.length)
        << c.text.size() << " units into " << c.capacity;
  }
}

TEST(DialogLayout, EveryControlLiesInsideTheClientAreaAtEveryScaling) {
  const struct {
    float x;
    float y;
  } scalings[] = {{15.0F, 15.0F}, {12.0F, 12.0F},
                  {10.0F, 10.0F}, {1440.0F / 168, 1440.0F / 168},
                  {7.5F, 7.5F},   {1440.0F / 216, 1440.0F / 216},
                  {15.0F, 12.0F}};
  for (const auto& scaling : scalings) {
    SCOPED_TRACE(std::to_string(scaling.x) + " x " + std::to_string(scaling.y));
    const std::int32_t clientWidth = twipsToPixels(kPropertiesClientWidth, scaling.x, "Breite");
    const std::int32_t clientHeight = twipsToPixels(kPropertiesClientHeight, scaling.y, "Hoehe");
    for (const ControlLayout& control : kPropertiesControls) {
      const PixelBox box = controlBox(control, scaling.x, scaling.y);
      EXPECT_GT(box.width, 0) << static_cast<int>(control.id);
      EXPECT_LE(box.left + box.width, clientWidth) << static_cast<int>(control.id);
      EXPECT_LE(box.top + box.height, clientHeight) << static_cast<int>(control.id);
    }
  }
  // "OK" and the preview at 100 % and at 200 %: twice the pixels, nothing rounded away; and
  // with unequal factors each length by its own direction's.
  const struct {
    std::size_t control;
    float x;
    float y;
    PixelBox box;
  } boxes[] = {
      {0, 15, 15, {40, 112, 97, 25}},
      {0, 7.5F, 7.5F, {80, 224, 194, 50}},
      {0, 15, 12, {40, 140, 97, 31}},
      {14, 15, 12, {216, 40, 73, 91}},
  };
  for (const auto& c : boxes) {
    EXPECT_EQ(controlBox(kPropertiesControls.at(c.control), c.x, c.y), c.box)
        << c.control << " at " << c.x << " x " << c.y;
  }
}

TEST(DialogLayout, TheFontShrinksUntilEveryLabelCaptionFits) {
  // A font whose captions are half its height wide per character: at 15 twips per pixel
  // "Hintergrundbild" (15 characters, 81 px) fits from height 10 down.
  const auto halfHeightPerCharacter = [](int height, std::string_view caption) {
    return height * static_cast<int>(caption.size()) / 2;
  };
  EXPECT_EQ(fittedFontHeight(16, 9, 15, halfHeightPerCharacter), 10);
  EXPECT_EQ(fittedFontHeight(10, 9, 15, halfHeightPerCharacter), 10);
  EXPECT_EQ(fittedFontHeight(16, 11, 15, halfHeightPerCharacter), 11) << "never below smallest";
  EXPECT_EQ(fittedFontHeight(16, 9, 7.5F, halfHeightPerCharacter), 16) << "room at 200 %";
}

}  // namespace
}  // namespace zarn
