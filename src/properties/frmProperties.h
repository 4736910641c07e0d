#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/types.h"

namespace zarn {

class frmProperties;

enum class Swatch { hour, minute, second };

// The dialog window's controls, present only while the dialog is shown.
class PropertiesView {
 public:
  virtual ~PropertiesView() = default;
  // Fill colour of shpColHour, shpColMin or shpColSec.
  virtual void setSwatchColour(Swatch swatch, Colour colour) = 0;
  // Text of txtBG.
  virtual void setPathText(const std::string& text) = 0;
  // Picture of imgBG, stretched to its square; nullptr shows nothing.
  virtual void setPreview(std::unique_ptr<Picture> picture) = 0;
  // Unloads the dialog: its window closes and the opener's modal wait ends.
  virtual void unload() = 0;
};

// The platform's common dialogs behind comDialog.
class CommonDialogs {
 public:
  static constexpr std::size_t kMaxFileName = 260;

  virtual ~CommonDialogs() = default;
  // ChooseColor. On confirm the chosen colour is written to `colour`; returns whether the
  // user confirmed.
  virtual bool chooseColor(Colour& colour) = 0;
  // GetOpenFileName with `filter` and `fileName` as the initial name. On confirm the full
  // path is written to `fileName`; returns whether the user confirmed.
  virtual bool getOpenFileName(const std::string& filter, std::string& fileName) = 0;
};

// Loads the dialog window, runs frmProperties::Form_Load, shows it modally (the clock
// window takes no input meanwhile) and returns once the window has been unloaded.
class PropertiesHost {
 public:
  virtual ~PropertiesHost() = default;
  virtual void showModal(frmProperties& form) = 0;
};

// The properties dialog object. Its public variables live from the first start-up write
// to the end of the program; a showing changes them only when it is closed with "OK".
class frmProperties {
 public:
  bool OK = false;
  Colour colHour = 0;
  Colour colMin = 0;
  Colour colSec = 0;
  std::string bgPath;

  frmProperties(PropertiesHost& host, CommonDialogs& dialogs, PictureLoader& pictures);

  // Shows the dialog modally and returns when it has closed; OK then tells how.
  void Show();

  // Run by the dialog window.
  void Form_Load(PropertiesView& view);
  void Form_Unload();
  void cmdColHour_Click();
  void cmdColMin_Click();
  void cmdColSec_Click();
  void cmdBG_Click();
  void cmdOK_Click();
  void cmdCancel_Click();

 private:
  // comDialog's state, fresh at every load of the window.
  struct ComDialog {
    Colour color = 0;
    std::string fileName;
    std::string filter;
  };

  // The values the window was loaded with, put back when it closes without "OK".
  struct Appearance {
    Colour colHour = 0;
    Colour colMin = 0;
    Colour colSec = 0;
    std::string bgPath;
  };

  void chooseColour(Colour& variable, Swatch swatch);
  void showPreview();

  PropertiesHost& host_;
  CommonDialogs& dialogs_;
  PictureLoader& pictures_;
  PropertiesView* view_ = nullptr;  // the loaded window, between Form_Load and Form_Unload
  ComDialog comDialog_;
  Appearance opened_;
};

}  // namespace zarn
