#include "properties/frmProperties.h"

#include <cstddef>
#include <utility>

#include "platform/failure.h"

namespace zarn {
namespace {

// comDialog's file-name buffer holds kMaxFileName characters; a longer answer is cut there
// at a character boundary of the UTF-8 text.
std::string fitFileName(std::string name) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const bool startsCharacter = (static_cast<unsigned char>(name[i]) & 0xC0U) != 0x80U;
    if (startsCharacter && characters++ == CommonDialogs::kMaxFileName) {
      name.resize(i);
      break;
    }
  }
  return name;
}

}  // namespace

frmProperties::frmProperties(PropertiesHost& host, CommonDialogs& dialogs, PictureLoader& pictures)
    : host_(host), dialogs_(dialogs), pictures_(pictures) {}

void frmProperties::Show() { host_.showModal(*this); }

void frmProperties::Form_Load(PropertiesView& view) {
  view_ = &view;
  OK = false;
  opened_ = Appearance{colHour, colMin, colSec, bgPath};
  comDialog_ = ComDialog{};
  view.setSwatchColour(Swatch::hour, colHour);
  view.setSwatchColour(Swatch::minute, colMin);
  view.setSwatchColour(Swatch::second, colSec);
  view.setPathText(bgPath);
  showPreview();
}

void frmProperties::Form_Unload() {
  // Closed without "OK" ("Abbrechen", the close box, the system menu): the choices of this
  // showing are discarded, so that a later "OK" cannot apply what the user cancelled.
  if (!OK) {
    colHour = opened_.colHour;
    colMin = opened_.colMin;
    colSec = opened_.colSec;
    bgPath = opened_.bgPath;
  }
  view_ = nullptr;
}

void frmProperties::cmdColHour_Click() { chooseColour(colHour, Swatch::hour); }

void frmProperties::cmdColMin_Click() { chooseColour(colMin, Swatch::minute); }

void frmProperties::cmdColSec_Click() { chooseColour(colSec, Swatch::second); }

void frmProperties::cmdBG_Click() {
  comDialog_.filter = "*.jpg";
  std::string fileName = comDialog_.fileName;
  // A cancelled dialog keeps the path the user had, rather than emptying it.
  if (!dialogs_.getOpenFileName(comDialog_.filter, fileName)) return;
  comDialog_.fileName = fitFileName(std::move(fileName));
  bgPath = comDialog_.fileName;
  if (view_ == nullptr) return;
  view_->setPathText(bgPath);
  showPreview();
}

void frmProperties::cmdOK_Click() {
  OK = true;
  if (view_ != nullptr) view_->unload();
}

void frmProperties::cmdCancel_Click() {
  if (view_ != nullptr) view_->unload();
}

void frmProperties::chooseColour(Colour& variable, Swatch swatch) {
  Colour colour = comDialog_.color;
  // A cancelled dialog leaves the hand as it was; only a confirmed colour is taken, and it
  // is then where the next colour dialog of this showing starts.
  if (!dialogs_.chooseColor(colour)) return;
  comDialog_.color = colour;
  variable = colour;
  if (view_ != nullptr) view_->setSwatchColour(swatch, variable);
}

void frmProperties::showPreview() {
  std::unique_ptr<Picture> picture;
  try {
    picture = pictures_.loadPicture(bgPath);
  } catch (const Failure&) {
    // The preview is only a help for choosing: a file that cannot be shown leaves it
    // empty, and bgPath and the path box keep the path all the same.
    picture.reset();
  }
  view_->setPreview(std::move(picture));
}

}  // namespace zarn
