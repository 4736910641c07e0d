#pragma once

// Fakes of the properties dialog's window, its host and the common dialogs. They write
// their calls into the shared Journal of fake_platform.h, so a test compares the dialog's
// calls (and the picture loads between them) as one sequence.
//
// Line formats:
//   ShowModal                      ChooseColor(0)=255   ChooseColor(255)=cancel
//   GetOpenFileName(*.jpg,)=C:\a.jpg                    GetOpenFileName(*.jpg,)=cancel
//   Swatch(hour,255)               PathText(C:\a.jpg)   Preview(501)   Preview(none)
//   UnloadDialog
// Preview(0) is the empty picture of an empty path; Preview(none) is no picture at all.

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "fake_platform.h"
#include "platform/platform.h"
#include "properties/frmProperties.h"

namespace zarn::fake {

inline const char* swatchName(Swatch swatch) {
  switch (swatch) {
    case Swatch::hour:
      return "hour";
    case Swatch::minute:
      return "minute";
    case Swatch::second:
      return "second";
  }
  return "?";
}

// The user's answers to the colour and open-file dialogs, one per dialog in order;
// nullopt cancels. An unscripted dialog fails the test and is cancelled.
class FakeCommonDialogs : public CommonDialogs {
 public:
  explicit FakeCommonDialogs(Journal& journal) : journal_(journal) {}

  std::deque<std::optional<Colour>> colourAnswers;
  std::deque<std::optional<std::string>> fileAnswers;
  // What a cancelled dialog leaves in its argument. The contract promises nothing there,
  // so a test can make a cancel scribble to prove the caller does not read it.
  std::optional<Colour> colourLeftOnCancel;
  std::optional<std::string> fileLeftOnCancel;

  bool chooseColor(Colour& colour) override {
    journal_.call("ChooseColor", "ChooseColor(" + std::to_string(colour) + ")");
    std::optional<Colour> answer;
    if (colourAnswers.empty()) {
      ADD_FAILURE() << "a colour dialog was shown that the test did not script";
    } else {
      answer = colourAnswers.front();
      colourAnswers.pop_front();
    }
    if (!answer) {
      journal_.returns("cancel");
      if (colourLeftOnCancel) colour = *colourLeftOnCancel;
      return false;
    }
    journal_.returns(std::to_string(*answer));
    colour = *answer;
    return true;
  }

  bool getOpenFileName(const std::string& filter, std::string& fileName) override {
    journal_.call("GetOpenFileName", "GetOpenFileName(" + filter + "," + fileName + ")");
    std::optional<std::string> answer;
    if (fileAnswers.empty()) {
      ADD_FAILURE() << "an open-file dialog was shown that the test did not script";
    } else {
      answer = fileAnswers.front();
      fileAnswers.pop_front();
    }
    if (!answer) {
      journal_.returns("cancel");
      if (fileLeftOnCancel) fileName = *fileLeftOnCancel;
      return false;
    }
    journal_.returns(*answer);
    fileName = *answer;
    return true;
  }

 private:
  Journal& journal_;
};

// The dialog window while it is loaded. What it shows stays readable after it has been
// unloaded; the picture itself is released then, as the window's controls are destroyed.
class FakePropertiesView : public PropertiesView {
 public:
  FakePropertiesView(Journal& journal, frmProperties& form) : journal_(journal), form_(form) {}

  std::array<std::optional<Colour>, 3> swatches{};
  std::string pathText;
  // Handle of the picture shown; nullopt when the preview shows nothing.
  std::optional<Handle> previewHandle;
  bool unloaded = false;

  [[nodiscard]] std::optional<Colour> swatch(Swatch which) const {
    return swatches.at(static_cast<std::size_t>(which));
  }

  void setSwatchColour(Swatch swatch, Colour colour) override {
    expectLoaded("setSwatchColour");
    journal_.call("Swatch",
                  std::string("Swatch(") + swatchName(swatch) + "," + std::to_string(colour) + ")");
    swatches.at(static_cast<std::size_t>(swatch)) = colour;
  }

  void setPathText(const std::string& text) override {
    expectLoaded("setPathText");
    journal_.call("PathText", "PathText(" + text + ")");
    pathText = text;
  }

  void setPreview(std::unique_ptr<Picture> picture) override {
    expectLoaded("setPreview");
    if (picture) {
      journal_.call("Preview", "Preview(" + std::to_string(picture->handle()) + ")");
      previewHandle = picture->handle();
    } else {
      journal_.call("Preview", "Preview(none)");
      previewHandle.reset();
    }
    picture_ = std::move(picture);
  }

  void unload() override {
    expectLoaded("unload");
    journal_.call("UnloadDialog", "UnloadDialog");
    destroy();
  }

  // The user's own doings, which the window system handles without the program's calls.
  void pressCloseBox() {
    expectLoaded("the close box");
    destroy();
  }

 private:
  void expectLoaded(const char* what) const {
    if (unloaded) ADD_FAILURE() << what << " on a dialog that is no longer loaded";
  }
  void destroy() {
    unloaded = true;
    picture_.reset();
    form_.Form_Unload();
  }

  Journal& journal_;
  frmProperties& form_;
  std::unique_ptr<Picture> picture_;
};

// Shows the dialog modally: loads the form against a fresh view, lets the scripted user
// act on it, and returns once the window has been unloaded.
class FakePropertiesHost : public PropertiesHost {
 public:
  using UserAction = std::function<void(frmProperties& form, FakePropertiesView& view)>;

  explicit FakePropertiesHost(Journal& journal) : journal_(journal) {}

  // One action per showing, in order.
  std::deque<UserAction> showings;
  // The views of all showings so far, the last one last.
  std::vector<std::unique_ptr<FakePropertiesView>> views;

  [[nodiscard]] FakePropertiesView& lastView() {
    if (views.empty()) throw std::logic_error("the dialog was never shown");
    return *views.back();
  }

  void showModal(frmProperties& form) override {
    journal_.call("ShowModal", "ShowModal");
    views.push_back(std::make_unique<FakePropertiesView>(journal_, form));
    FakePropertiesView& view = *views.back();
    form.Form_Load(view);
    if (showings.empty()) {
      ADD_FAILURE() << "the dialog was shown without a scripted user";
    } else {
      const UserAction action = std::move(showings.front());
      showings.pop_front();
      action(form, view);
    }
    if (!view.unloaded) {
      ADD_FAILURE() << "the modal wait ended while the dialog was still loaded";
      view.pressCloseBox();
    }
  }

 private:
  Journal& journal_;
};

}  // namespace zarn::fake
