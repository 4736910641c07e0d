#include "clock/frmZarn.h"

#include <array>
#include <cmath>
#include <string>
#include <utility>

#include "desktop/foreground.h"
#include "desktop/tray_icon.h"
#include "platform/numeric.h"
#include "settings/settings.h"

namespace zarn {

namespace {

// The full circle as the clock has always written it. It is not 2π to full precision, and
// the difference shows: a 185-pixel window at second 5 puts the second hand's tip at x 129,
// where exact 2π gives 130.
constexpr double kFullCircle = 6.283185307;
constexpr const char* kTitle = "Zarn";
constexpr const char* kWindowName = "frmZarn";

// A blank in place of the sign for zero and positive numbers.
std::string signPosition(std::int64_t number) {
  std::string text(number < 0 ? "" : " ");
  text += std::to_string(number);
  return text;
}

// The bounds and defaults are defined in single precision. Both Windows builds and the native
// one compute floats in SSE registers, where every result already is a single; the stored
// float keeps them single for a build without those flags (an x87 i686 build, whose
// intermediate results carry more precision), which would otherwise compare differently.
float single(float value) {
  volatile float stored = value;
  return stored;
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
  p_.messages.msgBox(text, kReportStyle, kTitle);
}

void frmZarn::createDrawingObjects(int& line, const std::array<int, 6>& steps) {
  line = steps[0];
  brushHour = p_.gdi.createSolidBrush(props_.colHour);
  line = steps[1];
  penHour = p_.gdi.createPen(Gdi::kPsSolid, 1, props_.colHour);
  line = steps[2];
  brushMin = p_.gdi.createSolidBrush(props_.colMin);
  line = steps[3];
  penMin = p_.gdi.createPen(Gdi::kPsSolid, 1, props_.colMin);
  line = steps[4];
  brushSec = p_.gdi.createSolidBrush(props_.colSec);
  line = steps[5];
  penSec = p_.gdi.createPen(Gdi::kPsSolid, 1, props_.colSec);
}

void frmZarn::deleteDrawingObjects(int& line, const std::array<int, 6>& steps) {
  line = steps[0];
  // The hands' objects may still be selected from the last tick; a selected object
  // cannot be deleted and would leak.
  p_.gdi.selectStockObjects();
  // Each field is cleared once its object is deleted: when a later step fails, the next
  // tick or unload selects or deletes the null handle, which does nothing, and never a
  // dead handle whose value another object may have taken by then.
  const std::array<Handle*, 6> fields{&brushHour, &penHour, &brushMin, &penMin, &brushSec, &penSec};
  for (std::size_t i = 0; i < fields.size(); ++i) {
    line = steps[i];
    p_.gdi.deleteObject(*fields[i]);
    *fields[i] = 0;
  }
}

Colour frmZarn::readColour(const char* key, const std::string& separator) {
  const std::string text = p_.settings.getSetting(settings::kApp, settings::kSection, key,
                                                  settings::intToText(settings::kDefaultColour));
  return settings::textToInt(text, separator, key);
}

Twips frmZarn::readTwips(const char* key, const std::string& defaultText,
                         const std::string& separator) {
  const std::string text =
      p_.settings.getSetting(settings::kApp, settings::kSection, key, defaultText);
  return settings::textToSingle(text, separator, key);
}

void frmZarn::saveSetting(const char* key, const std::string& text) {
  p_.settings.saveSetting(settings::kApp, settings::kSection, key, text);
}

void frmZarn::Form_Load() {
  trapped("Form_Load", [this](int& line) {
    ClockWindow& window = p_.window;
    line = 30;
    // The user locale is asked once; it cannot change while the steps run.
    const std::string separator = p_.locale.decimalSeparator();
    props_.colHour = readColour(settings::kHourColor, separator);
    line = 40;
    props_.colMin = readColour(settings::kMinuteColor, separator);
    line = 50;
    props_.colSec = readColour(settings::kSecondColor, separator);
    line = 60;
    props_.bgPath = p_.settings.getSetting(settings::kApp, settings::kSection,
                                           settings::kBackground, settings::kDefaultBackground);
    line = 70;
    window.setTop(readTwips(settings::kTop, "0", separator));
    line = 80;
    window.setLeft(readTwips(settings::kLeft, "0", separator));
    const std::string defaultSize = settings::singleToText(settings::kDefaultSize, separator);
    line = 90;
    window.setWidth(readTwips(settings::kWidth, defaultSize, separator));
    line = 100;
    window.setHeight(readTwips(settings::kHeight, defaultSize, separator));
    // The bounds are the virtual screen's, the rectangle of all monitors: a clock left on a
    // monitor right of or below the primary keeps its place.
    line = 110;
    if (window.top() > single(p_.screen.virtualBottom() - 20.0F)) window.setTop(0.0F);
    line = 120;
    if (window.left() > single(p_.screen.virtualRight() - 20.0F)) window.setLeft(0.0F);
    line = 130;
    if (window.width() < 20.0F) window.setWidth(20.0F);
    line = 140;
    if (window.height() < 20.0F) window.setHeight(20.0F);
    line = 145;
    if (props_.bgPath.empty()) {
      line = 150;
      props_.bgPath = "clockbg1.bmp";
    }
    createDrawingObjects(line, {160, 170, 180, 190, 200, 210});
    line = 230;
    picBG = p_.pictures.loadPicture(props_.bgPath);
    faceFile_ = props_.bgPath;
    line = 250;
    trayIcon.cbSize = tray::kRecordSize;
    line = 260;
    trayIcon.hWnd = window.hWnd();
    line = 270;
    trayIcon.uID = tray::kIconId;
    line = 280;
    trayIcon.uFlags = tray::kFlags;
    line = 290;
    trayIcon.uCallbackMessage = tray::kCallbackMessage;
    line = 300;
    trayIcon.hIcon = window.icon();
    line = 310;
    trayIcon.szTip = tray::fixedTip(kTitle);
    line = 320;
    // A shell that is not ready yet (the clock started at logon before it) refuses the
    // icon; the window then retries it until the shell takes it.
    trayIcon_ = p_.shell.shellNotifyIcon(Shell::kNimAdd, trayIcon) ? TrayIconState::added
                                                                   : TrayIconState::refused;
  });
}

void frmZarn::Form_Unload(std::int16_t& /*Cancel*/) {
  trapped("Form_Unload", [this](int& line) {
    const ClockWindow& window = p_.window;
    deleteDrawingObjects(line, {20, 30, 40, 50, 60, 70});
    line = 80;
    const std::string separator = p_.locale.decimalSeparator();
    saveSetting(settings::kTop, settings::singleToText(window.top(), separator));
    line = 90;
    saveSetting(settings::kLeft, settings::singleToText(window.left(), separator));
    line = 100;
    saveSetting(settings::kWidth, settings::singleToText(window.width(), separator));
    line = 110;
    saveSetting(settings::kHeight, settings::singleToText(window.height(), separator));
    line = 120;
    p_.shell.shellNotifyIcon(Shell::kNimDelete, trayIcon);
    trayIcon_ = TrayIconState::absent;
  });
}

void frmZarn::addTrayIconAgain() {
  if (trayIcon_ == TrayIconState::absent) return;
  // The shell refuses a second icon of the same window and identifier. It may still hold
  // ours: it announces itself also when the primary monitor's scaling changes, and an add
  // it refused may have reached it all the same. Deleted first, the icon is refused only by
  // a shell that is really not ready, and only then is it retried.
  try {
    static_cast<void>(p_.shell.shellNotifyIcon(Shell::kNimDelete, trayIcon));
  } catch (const Failure&) {
  }
  try {
    if (p_.shell.shellNotifyIcon(Shell::kNimAdd, trayIcon)) {
      trayIcon_ = TrayIconState::added;
    } else {
      trayIcon_ = TrayIconState::refused;
    }
  } catch (const Failure&) {
  }
}

void frmZarn::deleteTrayIconQuietly() {
  if (trayIcon_ == TrayIconState::absent) return;
  try {
    p_.shell.shellNotifyIcon(Shell::kNimDelete, trayIcon);
  } catch (const Failure&) {
  }
  trayIcon_ = TrayIconState::absent;
}

void frmZarn::TaskbarCreated() { addTrayIconAgain(); }

void frmZarn::TrayRetry_Timer() {
  if (trayIcon_ == TrayIconState::refused) addTrayIconAgain();
}

void frmZarn::Form_Destroyed() { deleteTrayIconQuietly(); }

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
    // Step 920: a failed tick ends the program at once, without the shut-down steps. Only
    // the icon goes first: the shell would show it until the pointer passes over it.
    deleteTrayIconQuietly();
    p_.process.end();
  }
}

void frmZarn::drawKite(int& line, const std::array<int, 11>& steps, const Extent& size,
                       double position, const Kite& kite) {
  const double W = size.W;
  const double H = size.H;
  const auto R = [&kite](double value, const char* what) {
    return toInt32(value, std::string(kite.name) + what);
  };
  std::array<Point, 4> points{};
  line = steps[0];
  points[0].x = R(W / 2, " Punkt 0 x");
  line = steps[1];
  points[0].y = R(H / 2, " Punkt 0 y");
  line = steps[2];
  const double a = position * kFullCircle / 60;
  points[1].x = R((W / 6) * std::sin(a - kite.spread) / 2 + W / 2, " Punkt 1 x");
  line = steps[3];
  points[1].y = R(H / 2 - (H / 6) * std::cos(a - kite.spread) / 2, " Punkt 1 y");
  line = steps[4];
  points[2].x = R((W / kite.tipDivisor) * std::sin(a) / 2 + W / 2, " Punkt 2 x");
  line = steps[5];
  points[2].y = R(H / 2 - (H / kite.tipDivisor) * std::cos(a) / 2, " Punkt 2 y");
  line = steps[6];
  points[3].x = R((W / 6) * std::sin(a + kite.spread) / 2 + W / 2, " Punkt 3 x");
  line = steps[7];
  points[3].y = R(H / 2 - (H / 6) * std::cos(a + kite.spread) / 2, " Punkt 3 y");
  line = steps[8];
  p_.gdi.selectObject(kite.brush);
  line = steps[9];
  p_.gdi.selectObject(kite.pen);
  line = steps[10];
  p_.gdi.polygon(points.data(), 4);
}

void frmZarn::drawZeiger() {
  trapped("drawZeiger", [this](int& line) {
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
    const Extent size{W, H};

    // Four separate readings of the time, on purpose: the hour and minute of the hour hand,
    // then the minute hand's and the second hand's each fresh. A call that straddles a
    // minute may draw the two hands from different minutes, as the clock always has.
    line = 170;
    const int hour = p_.time.now().hour;
    const int minute = p_.time.now().minute;
    const double hourPosition = toInt16((hour % 12) * 5 + minute / 12.0, "Stundenposition");
    drawKite(line, {180, 190, 200, 210, 220, 230, 240, 250, 260, 270, 280}, size, hourPosition,
             Kite{"Stunde", 0.15, 1.7, brushHour, penHour});

    line = 290;
    const double minutePosition = p_.time.now().minute;
    drawKite(line, {300, 310, 320, 330, 340, 350, 360, 370, 380, 390, 400}, size, minutePosition,
             Kite{"Minute", 0.09, 1.3, brushMin, penMin});

    std::array<Point, 3> points{};
    const auto R = [](double value, std::string_view what) { return toInt32(value, what); };
    line = 410;
    const double p = p_.time.now().second;
    line = 440;
    const double a = p * kFullCircle / 60;
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

void frmZarn::rescaleFace() {
  if (!picBG || picBG->handle() == 0) return;
  // The user only resized the clock: a face that cannot be decoded now (its file removed
  // since) keeps the one shown, stretched, and nothing is reported.
  try {
    std::unique_ptr<Picture> loaded = p_.pictures.loadPicture(faceFile_);
    picBG = std::move(loaded);
  } catch (const Failure&) {
  }
}

void frmZarn::mitProp_Click(std::int16_t /*Index*/) {
  trapped("mitProp_Click", [this](int& line) {
    line = 20;
    props_.Show();
    if (!props_.OK) return;
    line = 30;
    saveSetting(settings::kHourColor, settings::intToText(props_.colHour));
    line = 40;
    saveSetting(settings::kMinuteColor, settings::intToText(props_.colMin));
    line = 50;
    saveSetting(settings::kSecondColor, settings::intToText(props_.colSec));
    line = 60;
    saveSetting(settings::kBackground, props_.bgPath);
    deleteDrawingObjects(line, {70, 80, 90, 100, 110, 120});
    createDrawingObjects(line, {130, 140, 150, 160, 170, 180});
    line = 190;
    // The old picture stays when the new one cannot be loaded.
    std::unique_ptr<Picture> loaded = p_.pictures.loadPicture(props_.bgPath);
    picBG = std::move(loaded);
    faceFile_ = props_.bgPath;
  });
}

}  // namespace zarn
