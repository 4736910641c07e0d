#include "clock/frmZarn.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "desktop/foreground.h"
#include "desktop/tray_icon.h"
#include "platform/numeric.h"
#include "settings/settings.h"

namespace zarn {

namespace {

constexpr double kFullCircle = 6.283185307;
constexpr const char* kTitle = "Zarn";
constexpr const char* kWindowName = "frmZarn";
constexpr int kMsgBoxOkOnly = 0;

// A blank in place of the sign for zero and positive numbers.
std::string signPosition(std::int64_t number) {
  std::string text(number < 0 ? "" : " ");
  text += std::to_string(number);
  return text;
}

// A window coordinate computed in double precision, stored as a single. A result that no
// single can hold is an overflow, as is an invalid operation.
Twips toSingle(double value, std::string_view what) {
  const auto single = static_cast<float>(value);
  if (!std::isfinite(single)) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.9g", value);
    throw Failure(errors::kOverflow, "Überlauf: " + std::string(what) + " = " + text.data() +
                                         " ist als Single nicht darstellbar");
  }
  return single;
}

// Runs `action` when the scope ends, also when a failure leaves it.
template <typename Action>
class AtScopeEnd {
 public:
  explicit AtScopeEnd(Action action) : action_(std::move(action)) {}
  AtScopeEnd(const AtScopeEnd&) = delete;
  AtScopeEnd& operator=(const AtScopeEnd&) = delete;
  ~AtScopeEnd() { action_(); }

 private:
  Action action_;
};

}  // namespace

std::string reportText(std::int32_t number, std::string_view description, std::string_view procName,
                       int line) {
  std::string text = signPosition(number);
  text += ": ";
  text += description;
  text += "\r\n";
  text += " in ";
  text += kWindowName;
  text += ".";
  text += procName;
  text += " bei Zeile ";
  text += signPosition(line);
  return text;
}

frmZarn::frmZarn(Platform& platform, frmProperties& properties)
    : p_(platform), props_(properties) {}

// Only Failure is trapped: every failure that the platform and the clock's own steps can
// meet is one, with its number documented in failure.h. Anything else is a fault of the
// program itself, which no step number could describe.
template <typename Body>
bool frmZarn::trapped(std::string_view procName, Body&& body) {
  int line = 10;
  bool completed = false;
  try {
    std::forward<Body>(body)(line);
    completed = true;
  } catch (const Failure& failure) {
    err_ = CurrentError{failure.number(), failure.description(), line};
  }
  if (!completed) {
    const AtScopeEnd clear([this] { err_ = CurrentError{}; });
    reportError(procName);
  }
  return completed;
}

void frmZarn::reportError(std::string_view procName) {
  const std::string text = reportText(err_.number, err_.description, procName, err_.line);
  ++reportsOpen_;
  const AtScopeEnd closed([this] { --reportsOpen_; });
  p_.messages.msgBox(text, kMsgBoxOkOnly, kTitle);
}

void frmZarn::createDrawingObjects(int& line, int firstLine) {
  line = firstLine;
  brushHour = p_.gdi.createSolidBrush(props_.colHour);
  line = firstLine + 10;
  penHour = p_.gdi.createPen(Gdi::kPsSolid, 1, props_.colHour);
  line = firstLine + 20;
  brushMin = p_.gdi.createSolidBrush(props_.colMin);
  line = firstLine + 30;
  penMin = p_.gdi.createPen(Gdi::kPsSolid, 1, props_.colMin);
  line = firstLine + 40;
  brushSec = p_.gdi.createSolidBrush(props_.colSec);
  line = firstLine + 50;
  penSec = p_.gdi.createPen(Gdi::kPsSolid, 1, props_.colSec);
}

void frmZarn::deleteDrawingObjects(int& line, int firstLine) {
  line = firstLine;
  // The hands' objects may still be selected from the last tick; a selected object
  // cannot be deleted and would leak.
  p_.gdi.selectStockObjects();
  p_.gdi.deleteObject(brushHour);
  line = firstLine + 10;
  p_.gdi.deleteObject(penHour);
  line = firstLine + 20;
  p_.gdi.deleteObject(brushMin);
  line = firstLine + 30;
  p_.gdi.deleteObject(penMin);
  line = firstLine + 40;
  p_.gdi.deleteObject(brushSec);
  line = firstLine + 50;
  p_.gdi.deleteObject(penSec);
}

void frmZarn::Form_Load() {
  trapped("Form_Load", [this](int& line) {
    settings::restore(p_, props_, line);
    line = 145;
    if (props_.bgPath.empty()) {
      line = 150;
      props_.bgPath = "clockbg1.bmp";
    }
    createDrawingObjects(line, 160);
    line = 230;
    picBG = p_.pictures.loadPicture(props_.bgPath);
    line = 250;
    trayIcon.cbSize = tray::kRecordSize;
    line = 260;
    trayIcon.hWnd = p_.window.hWnd();
    line = 270;
    trayIcon.uID = tray::kIconId;
    line = 280;
    trayIcon.uFlags = tray::kFlags;
    line = 290;
    trayIcon.uCallbackMessage = tray::kCallbackMessage;
    line = 300;
    trayIcon.hIcon = p_.window.icon();
    line = 310;
    trayIcon.szTip = tray::fixedTip(kTitle);
    line = 320;
    p_.shell.shellNotifyIcon(Shell::kNimAdd, trayIcon);
    trayAdded_ = true;
  });
}

void frmZarn::Form_Unload(std::int16_t& /*Cancel*/) {
  trapped("Form_Unload", [this](int& line) {
    deleteDrawingObjects(line, 20);
    settings::storeGeometry(p_, line);
    line = 120;
    p_.shell.shellNotifyIcon(Shell::kNimDelete, trayIcon);
    trayAdded_ = false;
  });
}

void frmZarn::TaskbarCreated() {
  if (!trayAdded_) return;
  // The shell's answer is not examined, as with the first add; a failure passes silently.
  try {
    p_.shell.shellNotifyIcon(Shell::kNimAdd, trayIcon);
  } catch (const Failure&) {
  }
}

void frmZarn::Trigger_Timer() {
  // A tick arriving while a report is open would report again inside the open box, one
  // level deeper every second.
  if (reportOpen()) return;
  const bool completed = trapped("Trigger_Timer", [this](int& line) {
    line = 65;
    if (!picBG) throw Failure(errors::kNoPicture, "Kein Hintergrundbild geladen");
    if (picBG->handle() != 0) {
      line = 70;
      p_.gdi.paintPicture(*picBG, 0, 0, p_.window.scaleWidth(), p_.window.scaleHeight());
    }
    line = 80;
    drawZeiger();
  });
  if (!completed) {
    // Step 920: a failed tick ends the program at once, without the shut-down steps.
    p_.process.end();
  }
}

void frmZarn::drawZeiger() {
  trapped("drawZeiger", [this](int& line) {
    std::array<Point, 4> points{};
    const auto R = [](double value, std::string_view what) { return toInt32(value, what); };

    // The factors are range-checked as 16-bit values but divided by unrounded: at 175 %
    // or 200 % scaling (8.57 or 7.5 twips per pixel) a rounded factor would shrink W and H
    // and turn the hands about a point off the face's centre.
    line = 130;
    const double tx = p_.screen.twipsPerPixelX();
    static_cast<void>(toInt16(tx, "Twips pro Pixel x"));
    line = 140;
    const double ty = p_.screen.twipsPerPixelY();
    static_cast<void>(toInt16(ty, "Twips pro Pixel y"));
    line = 150;
    const double W = toInt16(divide(p_.window.width(), tx, "Breite / Twips pro Pixel"), "Breite");
    line = 160;
    const double H = toInt16(divide(p_.window.height(), ty, "Höhe / Twips pro Pixel"), "Höhe");

    line = 170;
    const int hour = p_.time.now().hour;
    const int minute = p_.time.now().minute;
    double p = toInt16((hour % 12) * 5 + minute / 12.0, "Stundenposition");
    line = 180;
    points[0].x = R(W / 2, "Stunde Punkt 0 x");
    line = 190;
    points[0].y = R(H / 2, "Stunde Punkt 0 y");
    line = 200;
    double a = p * kFullCircle / 60;
    points[1].x = R((W / 6) * std::sin(a - 0.15) / 2 + W / 2, "Stunde Punkt 1 x");
    line = 210;
    points[1].y = R(H / 2 - (H / 6) * std::cos(a - 0.15) / 2, "Stunde Punkt 1 y");
    line = 220;
    points[2].x = R((W / 1.7) * std::sin(a) / 2 + W / 2, "Stunde Punkt 2 x");
    line = 230;
    points[2].y = R(H / 2 - (H / 1.7) * std::cos(a) / 2, "Stunde Punkt 2 y");
    line = 240;
    points[3].x = R((W / 6) * std::sin(a + 0.15) / 2 + W / 2, "Stunde Punkt 3 x");
    line = 250;
    points[3].y = R(H / 2 - (H / 6) * std::cos(a + 0.15) / 2, "Stunde Punkt 3 y");
    line = 260;
    p_.gdi.selectObject(brushHour);
    line = 270;
    p_.gdi.selectObject(penHour);
    line = 280;
    p_.gdi.polygon(points.data(), 4);

    line = 290;
    p = p_.time.now().minute;
    line = 300;
    points[0].x = R(W / 2, "Minute Punkt 0 x");
    line = 310;
    points[0].y = R(H / 2, "Minute Punkt 0 y");
    line = 320;
    a = p * kFullCircle / 60;
    points[1].x = R((W / 6) * std::sin(a - 0.09) / 2 + W / 2, "Minute Punkt 1 x");
    line = 330;
    points[1].y = R(H / 2 - (H / 6) * std::cos(a - 0.09) / 2, "Minute Punkt 1 y");
    line = 340;
    points[2].x = R((W / 1.3) * std::sin(a) / 2 + W / 2, "Minute Punkt 2 x");
    line = 350;
    points[2].y = R(H / 2 - (H / 1.3) * std::cos(a) / 2, "Minute Punkt 2 y");
    line = 360;
    points[3].x = R((W / 6) * std::sin(a + 0.09) / 2 + W / 2, "Minute Punkt 3 x");
    line = 370;
    points[3].y = R(H / 2 - (H / 6) * std::cos(a + 0.09) / 2, "Minute Punkt 3 y");
    line = 380;
    p_.gdi.selectObject(brushMin);
    line = 390;
    p_.gdi.selectObject(penMin);
    line = 400;
    p_.gdi.polygon(points.data(), 4);

    line = 410;
    p = p_.time.now().second;
    line = 440;
    a = p * kFullCircle / 60;
    points[0].x = R(W * std::sin(a) / 2.5 + W / 2, "Sekunde Punkt 0 x");
    line = 450;
    points[0].y = R(H / 2 - H * std::cos(a) / 2.5, "Sekunde Punkt 0 y");
    line = 460;
    points[1].x = R(W / 2, "Sekunde Punkt 1 x");
    line = 470;
    points[1].y = R(H / 2, "Sekunde Punkt 1 y");
    line = 480;
    points[2].x = R(W / 2, "Sekunde Punkt 2 x");
    line = 490;
    points[2].y = R(H / 2, "Sekunde Punkt 2 y");
    line = 500;
    p_.gdi.selectObject(brushSec);
    line = 510;
    p_.gdi.selectObject(penSec);
    line = 520;
    p_.gdi.polygon(points.data(), 3);
  });
}

void frmZarn::Form_MouseDown(std::int16_t Button, std::int16_t /*Shift*/, Twips X, Twips Y) {
  trapped("Form_MouseDown", [&](int& line) {
    line = 20;
    if (Button == buttons::kRight) {
      line = 30;
      p_.window.popupMenu();
      return;
    }
    line = 40;
    if (Button == buttons::kLeft) {
      line = 50;
      grabX = toInt32(X, "X");
      line = 60;
      grabY = toInt32(Y, "Y");
    }
  });
}

void frmZarn::Form_MouseMove(std::int16_t Button, std::int16_t /*Shift*/, Twips X, Twips Y,
                             MoveSource source) {
  trapped("Form_MouseMove", [&](int& line) {
    line = 40;
    if (source == MoveSource::pointer && Button == buttons::kLeft) {
      line = 50;
      p_.window.setTop(toSingle((static_cast<double>(Y) + p_.window.top()) - grabY, "Top"));
      line = 60;
      p_.window.setLeft(toSingle((static_cast<double>(X) + p_.window.left()) - grabX, "Left"));
      return;
    }
    // Only the shell's notifications carry a mouse message number in X; a genuine move
    // that is no left drag means nothing at any position.
    if (source != MoveSource::tray) return;
    line = 80;
    const std::int32_t code =
        toInt32(divide(X, p_.screen.twipsPerPixelX(), "X / Twips pro Pixel"), "Code");
    line = 90;
    if (code == static_cast<std::int32_t>(tray::kLeftDoubleClick)) {
      line = 110;
      p_.window.show();
      line = 120;
      PullToForeground(p_.activation, p_.window.hWnd());
    }
  });
}

void frmZarn::mitMini_Click(std::int16_t /*Index*/) {
  trapped("mitMini_Click", [this](int& line) {
    line = 20;
    p_.window.hide();
  });
}

void frmZarn::mitClose_Click(std::int16_t /*Index*/) {
  trapped("mitClose_Click", [this](int& line) {
    line = 20;
    p_.window.unload();
  });
}

void frmZarn::mitProp_Click(std::int16_t /*Index*/) {
  trapped("mitProp_Click", [this](int& line) {
    line = 20;
    props_.Show();
    if (!props_.OK) return;
    settings::storeAppearance(p_, props_, line);
    deleteDrawingObjects(line, 70);
    createDrawingObjects(line, 130);
    line = 190;
    // The old picture stays when the new one cannot be loaded.
    std::unique_ptr<Picture> loaded = p_.pictures.loadPicture(props_.bgPath);
    picBG = std::move(loaded);
  });
}

}  // namespace zarn
