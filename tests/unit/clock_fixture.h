#pragma once

// The clock window on the recording fake platform, with a stand-in for the properties
// dialog that answers as a user would.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
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

// What the first failure report of a procedure says; number 0, line 0 without a report.
struct Report {
  std::int32_t number = 0;
  std::string description;
  int line = 0;
};

inline Report firstReport(const fake::FakeMessages& messages) {
  if (messages.texts().empty()) return {};
  const std::string& text = messages.texts().front();
  const auto colon = text.find(": ");
  const auto lineBreak = text.find("\r\n");
  return {std::stoi(text.substr(0, colon)), text.substr(colon + 2, lineBreak - colon - 2),
          std::stoi(text.substr(text.rfind(' ') + 1))};
}

// Form_Load on the rig's store; the journal of its restoring steps 30 to 140, up to the
// first drawing object or the report, whichever comes first.
inline std::vector<std::string> restoringCalls(ClockRig& rig) {
  rig.form.Form_Load();
  const auto& lines = rig.fake.journal.lines();
  const auto end = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind("CreateSolidBrush", 0) == 0 || line.rfind("MsgBox", 0) == 0;
  });
  return {lines.begin(), end};
}

// One row of a step-failure table: the nth call of `call` fails after the first `done`
// lines of the procedure's whole sequence; `failedRead` is the failed line of a property
// read, which the whole sequence does not show, else nullptr.
struct StepFailure {
  const char* call;
  int nth;
  int line;
  std::size_t done;
  const char* failedRead = nullptr;
};

// The journal of such a failure: the lines done, the failed one marked, then the report of
// the procedure naming the step.
inline std::vector<std::string> journalOfFailure(const std::vector<std::string>& whole,
                                                 const StepFailure& row,
                                                 const std::string& procName) {
  std::vector<std::string> lines(whole.begin(),
                                 whole.begin() + static_cast<std::ptrdiff_t>(row.done));
  if (row.failedRead != nullptr) {
    lines.emplace_back(row.failedRead);
  } else {
    const std::string& call = whole.at(row.done);
    const auto result = call.find(")=");
    lines.push_back((result == std::string::npos ? call : call.substr(0, result + 1)) +
                    " -> Failure(4711)");
  }
  lines.push_back(ClockRig::injectedBox(row.call, procName, row.line));
  return lines;
}

// The first `count` lines of `lines`.
inline std::vector<std::string> prefix(const std::vector<std::string>& lines, std::size_t count) {
  return {lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(count)};
}

}  // namespace zarn::testing_clock
