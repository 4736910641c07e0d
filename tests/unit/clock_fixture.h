#pragma once

// The clock window on the recording fake platform, with a stand-in for the properties
// dialog that answers as a user would.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "clock/frmZarn.h"
#include "fake_platform.h"
#include "properties/frmProperties.h"

namespace zarn::testing_clock {

// Shows the "dialog": records ShowModal, then lets `user` set the variables and OK.
class UserAtDialog : public PropertiesHost {
 public:
  explicit UserAtDialog(fake::Journal& journal) : journal_(journal) {}

  std::function<void(frmProperties&)> user;

  void showModal(frmProperties& form) override {
    journal_.call("ShowModal", "ShowModal");
    form.OK = false;
    if (user) user(form);
  }

 private:
  fake::Journal& journal_;
};

// The common dialogs are never opened by the clock window itself.
class NoDialogs : public CommonDialogs {
 public:
  bool chooseColor(Colour& /*colour*/) override { return false; }
  bool getOpenFileName(const std::string& /*filter*/, std::string& /*fileName*/) override {
    return false;
  }
};

// One clock window on its own fake platform.
struct ClockRig {
  ClockRig() { fake.window.form = &form; }
  ClockRig(const ClockRig&) = delete;
  ClockRig& operator=(const ClockRig&) = delete;
  ~ClockRig() = default;

  // Form_Load on the current store, then a fresh journal.
  void load() {
    form.Form_Load();
    fake.journal.clear();
  }

  // The journal line of a failure report.
  static std::string box(std::int32_t number, const std::string& description,
                         const std::string& procName, int line) {
    return "MsgBox(" + reportText(number, description, procName, line) + ",0,Zarn)";
  }

  // The journal line of the report of an injected failure.
  static std::string injectedBox(const std::string& callName, const std::string& procName,
                                 int line) {
    return box(fake::kInjectedNumber, "Eingespielter Fehler in " + callName, procName, line);
  }

  fake::FakePlatform fake;
  Platform platform = fake.platform();
  UserAtDialog host{fake.journal};
  NoDialogs dialogs;
  frmProperties props{host, dialogs, fake.pictures};
  frmZarn form{platform, props};
};

class ClockTest : public ::testing::Test, public ClockRig {};

// The lines of a complete Form_Load on an empty store (15 twips per pixel).
inline std::vector<std::string> defaultLoadCalls() {
  return {
      "GetSetting(Zarn,Layout,HourColor,16777215)",
      "GetSetting(Zarn,Layout,MinuteColor,16777215)",
      "GetSetting(Zarn,Layout,SecondColor,16777215)",
      "GetSetting(Zarn,Layout,Background,clockbg5.bmp)",
      "GetSetting(Zarn,Layout,Top,0)",
      "SetTop(0)",
      "GetSetting(Zarn,Layout,Left,0)",
      "SetLeft(0)",
      "GetSetting(Zarn,Layout,Width,3000)",
      "SetWidth(3000)",
      "GetSetting(Zarn,Layout,Height,3000)",
      "SetHeight(3000)",
      "CreateSolidBrush(16777215)=101",
      "CreatePen(0,1,16777215)=102",
      "CreateSolidBrush(16777215)=103",
      "CreatePen(0,1,16777215)=104",
      "CreateSolidBrush(16777215)=105",
      "CreatePen(0,1,16777215)=106",
      "LoadPicture(clockbg5.bmp)=501",
      "Shell_NotifyIcon(0)",
  };
}

// The lines of Form_Unload after defaultLoadCalls().
inline std::vector<std::string> defaultUnloadCalls() {
  return {
      "SelectStockObjects",
      "DeleteObject(101)",
      "DeleteObject(102)",
      "DeleteObject(103)",
      "DeleteObject(104)",
      "DeleteObject(105)",
      "DeleteObject(106)",
      "SaveSetting(Zarn,Layout,Top,0)",
      "SaveSetting(Zarn,Layout,Left,0)",
      "SaveSetting(Zarn,Layout,Width,3000)",
      "SaveSetting(Zarn,Layout,Height,3000)",
      "Shell_NotifyIcon(2)",
  };
}

// The first `count` lines of `lines`.
inline std::vector<std::string> prefix(const std::vector<std::string>& lines, std::size_t count) {
  return {lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(count)};
}

}  // namespace zarn::testing_clock
