// Scenarios of the properties dialog, opened from the clock's real popup menu, with the
// system's real colour and open-file dialogs, and of a JPEG picture as the clock face.

#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "dialogs.h"
#include "e2e.h"
#include "hands.h"
#include "scenarios.h"

namespace zarn::e2e {

namespace {

constexpr double kTwipsPerPixel = 15;
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr int kTolerance = 2;
// A JPEG of the face keeps its flat areas within a few levels of the bitmap's colours.
constexpr int kJpegTolerance = 10;
constexpr std::size_t kFewestPixels = 3;

// The clock in these scenarios: 400 pixels a side, away from the place where new windows
// such as the dialog appear, so that the dialog never covers it.
constexpr int kClockLeft = 760;
constexpr int kClockTop = 120;
constexpr int kClockSize = 400;

int pixels(double twips) { return roundHalfEven(twips / kTwipsPerPixel); }
std::wstring twips(int pixels) {
  return std::to_wstring(pixels * static_cast<int>(kTwipsPerPixel));
}

// The clock's geometry in the store, for a clock where the scenarios want it.
const std::vector<std::pair<std::wstring, std::wstring>> kGeometry = {
    {L"Height", twips(kClockSize)},
    {L"Left", twips(kClockLeft)},
    {L"Top", twips(kClockTop)},
    {L"Width", twips(kClockSize)}};

void storeClockGeometry() {
  for (const auto& [name, value] : kGeometry) writeLayoutText(name, value);
}

// The store holds the geometry written before the start, and nothing else.
void expectOnlyGeometryStored(std::string_view when,
                              const std::source_location& where = std::source_location::current()) {
  std::vector<std::wstring> names;
  for (const auto& [name, value] : kGeometry) {
    names.push_back(name);
    expectEqual(readLayoutText(name), std::optional(value), "the stored " + describe(name), where);
  }
  expectEqual(layoutValueNames(), names, "the settings " + std::string(when), where);
}

struct Reading {
  Capture pixels;
  std::vector<ClockTime> times;  // the seconds whose hands the picture may show
};

// A picture of the clock that stayed the same over two readings and whose possible times
// share their hour and minute.
Reading steadyReading(HWND window, const std::source_location& where) {
  const ULONGLONG end = GetTickCount64() + 15000;
  do {
    const double before = secondsOfDayNow();
    Capture first = captureClient(window);
    const Capture second = captureClient(window);
    const auto times = shownTimes(before, secondsOfDayNow());
    const bool oneMinute = std::all_of(times.begin(), times.end(), [&](ClockTime t) {
      return t.hour == times.front().hour && t.minute == times.front().minute;
    });
    if (first == second && oneMinute) return {std::move(first), times};
    pause(200);
  } while (GetTickCount64() < end);
  printFailure("a steady picture of the clock", "none within 15 s", "two equal readings", where);
  throw ScenarioFailed{};
}

// How many of the pixels differ from the colour, and the first that does.
std::string differing(const Capture& capture, const std::vector<Vertex>& pixels, Rgb expected,
                      int tolerance) {
  std::size_t count = 0;
  std::string first;
  for (const Vertex v : pixels) {
    if (closeTo(capture.at(v.x, v.y), expected, tolerance)) continue;
    if (count++ == 0) first = describe(capture.at(v.x, v.y)) + printed(" at (%d,%d)", v.x, v.y);
  }
  if (count == 0) return {};
  return printed("%zu of %zu pixels differ, the first ", count, pixels.size()) + first;
}

struct Look {
  std::optional<Rgb> hour;  // nothing when the hands are not judged
  std::optional<Rgb> minute;
  Rgb centre;  // the face's centre colour
  int faceTolerance = kTolerance;
};

// Waits until the clock shows the hands and the face as expected, within `milliseconds`;
// returns an account of the pixels compared. While the hands lie over one another so that
// too few of their pixels can be judged, it waits for the next minute, once.
std::string expectClock(const Context& context, HWND window, const Look& look, DWORD milliseconds,
                        std::string_view what,
                        const std::source_location& where = std::source_location::current()) {
  for (int attempt = 1;; ++attempt) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    std::string problem;
    Reading reading;
    do {
      reading = steadyReading(window, where);
      ClockPixels known =
          clockPixels(reading.pixels.width(), reading.pixels.height(), reading.times);
      if (!look.hour) {
        known.hour.clear();
        known.minute.clear();
      }
      const bool judgeable =
          known.centre.size() >= kFewestPixels &&
          (!look.hour || std::min(known.hour.size(), known.minute.size()) >= kFewestPixels);
      if (!judgeable) {
        problem = printed("only %zu hour, %zu minute and %zu centre pixels to judge",
                          known.hour.size(), known.minute.size(), known.centre.size());
        break;
      }
      const auto check = [&](std::string_view part, const std::vector<Vertex>& pixels, Rgb colour,
                             int tolerance) {
        const std::string d = differing(reading.pixels, pixels, colour, tolerance);
        return d.empty() ? d : std::string(part) + ": " + d;
      };
      problem = check("face centre", known.centre, look.centre, look.faceTolerance);
      if (look.hour && problem.empty())
        problem = check("hour hand", known.hour, *look.hour, kTolerance);
      if (look.minute && problem.empty()) {
        problem = check("minute hand", known.minute, *look.minute, kTolerance);
      }
      if (problem.empty()) {
        return printed("%zu hour, %zu minute, %zu centre pixels", known.hour.size(),
                       known.minute.size(), known.centre.size());
      }
      pause(200);
    } while (GetTickCount64() < end);
    if (problem.starts_with("only") && attempt == 1) {
      const ClockTime now = timeOfDay(static_cast<int>(secondsOfDayNow()));
      pause(static_cast<DWORD>(61 - now.second) * 1000);
      continue;
    }
    saveForInspection(context, reading.pixels, "clock");
    printFailure(std::string(what), problem,
                 "hour " + describe(look.hour) + ", minute " + describe(look.minute) +
                     ", face centre " + describe(look.centre),
                 where);
    return {};
  }
}

HWND item(HWND dialog, PropertiesControl id) { return GetDlgItem(dialog, number(id)); }

// The rectangle of a control in its dialog's client coordinates.
Geometry placeOf(HWND dialog, PropertiesControl id) {
  RECT rect{};
  GetWindowRect(item(dialog, id), &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

int focusedControl(HWND dialog) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info)) return 0;
  return info.hwndFocus != nullptr && GetParent(info.hwndFocus) == dialog
             ? GetDlgCtrlID(info.hwndFocus)
             : 0;
}

// Presses a key and waits for the focus to reach `expected`; the key is sent once more
// should the first one have been lost on its way.
bool keyMovesFocus(HWND dialog, WORD key, PropertiesControl expected) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    keyPress(key);
    if (waitUntil(2000, [&] { return focusedControl(dialog) == number(expected); })) return true;
  }
  return false;
}

// Waits until the colour of a control's centre, as the dialog shows it, is `expected`.
void expectControlColour(HWND dialog, PropertiesControl id, Rgb expected, int tolerance,
                         std::string_view what,
                         const std::source_location& where = std::source_location::current()) {
  const Geometry place = placeOf(dialog, id);
  Rgb got{};
  const bool shown = waitUntil(5000, [&] {
    got = captureClient(dialog).at(place.left + place.width / 2, place.top + place.height / 2);
    return closeTo(got, expected, tolerance);
  });
  if (!shown) printFailure(what, describe(got), describe(expected), where);
}

// Presses "Abbrechen" or "OK" and waits until the dialog has gone.
void closeWith(HWND dialog, PropertiesControl button, const std::source_location& where) {
  clickControl(dialog, button);
  requireTrue(waitUntil(5000, [&] { return gone(dialog); }), "the properties dialog", "still open",
              button == cmdOK ? "closed by \"OK\"" : "closed by \"Abbrechen\"", where);
}

// A copy of the fallback face under another name, so that only the chosen path can show it.
std::wstring copyOfFace1(const Context& context, const std::source_location& where) {
  const std::wstring from = context.workDir + L"\\clockbg1.bmp";
  const std::wstring to = context.workDir + L"\\chosen face.bmp";
  requireTrue(CopyFileW(from.c_str(), to.c_str(), FALSE) != 0, "copying clockbg1.bmp",
              printed("error %lu", GetLastError()), "a copy", where);
  return to;
}

bool startsLikeJpeg(const std::wstring& path) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return false;
  unsigned char start[3] = {};
  const bool read = std::fread(start, 1, sizeof start, file) == sizeof start;
  std::fclose(file);
  return read && start[0] == 0xFF && start[1] == 0xD8 && start[2] == 0xFF;
}

}  // namespace

std::string propertiesDialogLayout(const Context& context) {
  const HDC screen = GetDC(nullptr);
  const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
  const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  requireTrue(dpiX == 96 && dpiY == 96, "the screen's DPI", printed("%d x %d", dpiX, dpiY),
              "96 x 96, 15 twips per pixel");
  deleteZarnSettings();
  storeClockGeometry();
  ClockProcess clock(context);
  const HWND window = requireClockWindow(clock);
  const HWND dialog = openProperties(clock, window);

  const Geometry client = clientSize(dialog);
  expectEqual(client, Geometry{0, 0, pixels(4812), pixels(2172)}, "the dialog's client area");
  const LONG style = GetWindowLongW(dialog, GWL_STYLE);
  constexpr LONG kFrame = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  expectTrue((style & kFrame) == kFrame && (style & WS_POPUP) == 0, "the dialog's frame",
             printed("style 0x%08lx", static_cast<unsigned long>(style)),
             "a resizable frame with title bar, system menu, minimise and maximise boxes");
  expectTrue(GetWindow(dialog, GW_OWNER) == nullptr, "the dialog's owner", "a window", "none");

  struct Expected {
    PropertiesControl id;
    const wchar_t* className;
    const wchar_t* text;           // nothing for the swatches and the picture area
    int left, top, width, height;  // twips
  };
  const std::wstring shownPath = L"clockbg5.bmp";
  const Expected table[] = {
      {Label1, L"Static", L"Hintergrundbild", 120, 120, 1215, 255},
      {txtBG, L"Edit", shownPath.c_str(), 1560, 120, 2775, 285},
      {cmdBG, L"Button", L"...", 4440, 120, 255, 255},
      {Label2, L"Static", L"Farbe Stunden", 120, 480, 1095, 255},
      {shpColHour, nullptr, nullptr, 1560, 480, 375, 255},
      {cmdColHour, L"Button", L"...", 2040, 480, 255, 255},
      {Label3, L"Static", L"Farbe Minuten", 120, 840, 1215, 255},
      {shpColMin, nullptr, nullptr, 1560, 840, 375, 255},
      {cmdColMin, L"Button", L"...", 2040, 840, 255, 255},
      {Label4, L"Static", L"Farbe Sekunden", 120, 1200, 1335, 255},
      {shpColSec, nullptr, nullptr, 1560, 1200, 375, 255},
      {cmdColSec, L"Button", L"...", 2040, 1200, 255, 255},
      {imgBG, nullptr, nullptr, 3240, 480, 1095, 1095},
      {cmdOK, L"Button", L"OK", 600, 1680, 1455, 375},
      {cmdCancel, L"Button", L"Abbrechen", 2760, 1680, 1455, 375},
  };
  for (const Expected& e : table) {
    const std::string name = printed("control %d", number(e.id));
    const HWND control = item(dialog, e.id);
    if (!expectTrue(control != nullptr && IsWindowVisible(control), name, "absent", "visible")) {
      continue;
    }
    expectEqual(placeOf(dialog, e.id),
                Geometry{pixels(e.left), pixels(e.top), pixels(e.width), pixels(e.height)},
                name + " in the client area");
    if (e.className == nullptr) continue;
    expectTrue(_wcsicmp(className(control).c_str(), e.className) == 0, name + "'s class",
               describe(className(control)), describe(e.className));
    expectEqual(dialogItemText(dialog, e.id), std::wstring(e.text), name + "'s text");
    const LONG controlStyle = GetWindowLongW(control, GWL_STYLE);
    if (std::wstring_view(e.className) == L"Button") {
      expectEqual(static_cast<int>(controlStyle & BS_TYPEMASK), static_cast<int>(BS_PUSHBUTTON),
                  name + "'s button type (a push button, not the default one)");
    } else if (std::wstring_view(e.className) == L"Edit") {
      expectEqual(static_cast<int>(controlStyle & (ES_MULTILINE | ES_READONLY)), 0,
                  name + ": a one-line, editable box");
    }
  }
  saveForInspection(context, captureClient(dialog), "dialog");
  for (const PropertiesControl swatch : {shpColHour, shpColMin, shpColSec}) {
    expectControlColour(dialog, swatch, kWhite, kTolerance, printed("swatch %d", number(swatch)));
  }
  expectControlColour(dialog, imgBG, facegen::kFace5Centre, kTolerance,
                      "the preview's centre (clockbg5.bmp)");

  // While the dialog is open the clock takes no input but keeps ticking.
  expectEqual(IsWindowEnabled(window) != FALSE, false, "the clock window enabled");
  int changes = 0;
  Capture last = captureClient(window);
  waitUntil(5000, [&] {
    Capture now = captureClient(window);
    if (now != last) ++changes;
    last = std::move(now);
    return changes >= 2;
  });
  expectTrue(changes >= 2, "the clock's picture while the dialog is open",
             printed("%d changes in 5 s", changes), "a new picture at each of two ticks");
  const POINT onClock = centreOnScreen(window);
  mouseButton(onClock.x, onClock.y, false, true);
  mouseButton(onClock.x, onClock.y, false, false);
  expectTrue(waitForPopupMenu(1500) == nullptr, "a right press on the clock", "a popup menu",
             "nothing while the dialog is open");

  // The keys: focus starts on "OK", Tab follows the table's order, Escape does nothing,
  // Enter presses the focused button.
  requireTrue(waitUntil(3000, [&] { return GetForegroundWindow() == dialog; }),
              "the dialog after the right press", "not in the foreground", "the active window");
  expectEqual(focusedControl(dialog), number(cmdOK), "the focus at opening");
  keyPress(VK_ESCAPE);
  pause(1000);
  requireTrue(!gone(dialog), "the dialog after Escape", "closed", "still open");
  for (const PropertiesControl next :
       {cmdCancel, txtBG, cmdBG, cmdColHour, cmdColMin, cmdColSec, cmdOK}) {
    requireTrue(keyMovesFocus(dialog, VK_TAB, next),
                printed("the focus after Tab to %d", number(next)),
                printed("control %d", focusedControl(dialog)), printed("control %d", number(next)));
  }
  requireTrue(keyMovesFocus(dialog, VK_TAB, cmdCancel), "the focus after Tab",
              printed("control %d", focusedControl(dialog)), "\"Abbrechen\"");
  keyPress(VK_RETURN);
  requireTrue(waitUntil(5000, [&] { return gone(dialog); }), "the dialog after Enter on Abbrechen",
              "still open", "closed");
  expectTrue(waitUntil(2000, [&] { return IsWindowEnabled(window) != FALSE; }),
             "the clock window after the dialog closed", "disabled", "enabled");

  // The close box closes it as well, and neither way stores anything.
  const HWND again = openProperties(clock, window);
  PostMessageW(again, WM_SYSCOMMAND, SC_CLOSE, 0);
  requireTrue(waitUntil(5000, [&] { return gone(again); }), "the dialog after its close box",
              "still open", "closed");
  expectOnlyGeometryStored("after Abbrechen and the close box");
  expectTrue(clock.alive() && zarnBoxes(clock.id()).empty(), "the clock afterwards",
             "ended or reporting", "running, no report");
  return printed("dialog %dx%d, 15 controls in place, clock ticking (%d changes) and disabled",
                 client.width, client.height, changes);
}

std::string propertiesOkApplies(const Context& context) {
  deleteZarnSettings();
  storeClockGeometry();
  const std::wstring picture = copyOfFace1(context, std::source_location::current());
  ClockProcess clock(context);
  const HWND window = requireClockWindow(clock);
  expectClock(context, window, {kWhite, kWhite, facegen::kFace5Centre}, 10000,
              "the clock before the dialog");
  // The common controls and dialogs are loaded when first needed, not at start.
  expectEqual(loadedModule(clock.id(), L"shell32.dll").has_value(), true,
              "the shell loaded for the tray icon");
  expectEqual(loadedModule(clock.id(), L"comctl32.dll"), std::optional<std::wstring>(),
              "the common controls before the dialog");
  expectEqual(loadedModule(clock.id(), L"comdlg32.dll"), std::optional<std::wstring>(),
              "the common dialogs before the dialog");
  const HWND dialog = openProperties(clock, window);
  const std::optional<std::wstring> controls = loadedModule(clock.id(), L"comctl32.dll");
  expectTrue(controls && controls->find(L"common-controls") != std::wstring::npos &&
                 controls->find(L"_6.") != std::wstring::npos,
             "the common controls with the dialog open", describe(controls),
             "version 6, as the manifest asks");

  chooseColour(clock, dialog, cmdColHour, &kRed);
  expectEqual(loadedModule(clock.id(), L"comdlg32.dll").has_value(), true,
              "the common dialogs after the colour dialog");
  expectControlColour(dialog, shpColHour, kRed, kTolerance, "the hour swatch after choosing red");
  expectControlColour(dialog, shpColMin, kWhite, kTolerance, "the minute swatch");
  expectEqual(choosePicture(clock, dialog, picture), std::wstring(),
              "the open-file dialog's first file name");
  expectEqual(dialogItemText(dialog, txtBG), picture, "the path box after choosing the picture");
  expectControlColour(dialog, imgBG, facegen::kFace1Centre, kTolerance,
                      "the preview's centre (clockbg1.bmp)");
  expectClock(context, window, {kWhite, kWhite, facegen::kFace5Centre}, 3000,
              "the clock before \"OK\" is pressed");
  expectOnlyGeometryStored("before \"OK\" is pressed");

  closeWith(dialog, cmdOK, std::source_location::current());
  const std::string seen = expectClock(context, window, {kRed, kWhite, facegen::kFace1Centre}, 3000,
                                       "the clock after \"OK\"");
  saveForInspection(context, captureClient(window), "after-ok");
  expectEqual(readLayoutText(L"HourColor"), std::wstring(L"255"), "the stored HourColor");
  expectEqual(readLayoutText(L"MinuteColor"), std::wstring(L"16777215"), "the stored MinuteColor");
  expectEqual(readLayoutText(L"SecondColor"), std::wstring(L"16777215"), "the stored SecondColor");
  expectEqual(readLayoutText(L"Background"), picture, "the stored Background");
  expectEqual(layoutValueNames(),
              std::vector<std::wstring>{L"Background", L"Height", L"HourColor", L"Left",
                                        L"MinuteColor", L"SecondColor", L"Top", L"Width"},
              "the settings after \"OK\"");
  expectTrue(IsWindowEnabled(window) != FALSE && zarnBoxes(clock.id()).empty(),
             "the clock after \"OK\"", "disabled or reporting", "enabled, no report");
  return "red hour hand and clockbg1 face after OK (" + seen + "), four values stored";
}

std::string propertiesCancelChangesNothing(const Context& context) {
  deleteZarnSettings();
  storeClockGeometry();
  const std::wstring picture = copyOfFace1(context, std::source_location::current());
  ClockProcess clock(context);
  const HWND window = requireClockWindow(clock);
  const Look unchanged{kWhite, kWhite, facegen::kFace5Centre};
  expectClock(context, window, unchanged, 10000, "the clock before the dialog");
  const HWND dialog = openProperties(clock, window);

  // Cancelled colour and file dialogs change nothing, the first one of the showing and one
  // after a confirmed colour alike.
  chooseColour(clock, dialog, cmdColSec, nullptr);
  expectControlColour(dialog, shpColSec, kWhite, kTolerance,
                      "the second swatch after the first colour dialog was cancelled");
  chooseColour(clock, dialog, cmdColHour, &kRed);
  expectControlColour(dialog, shpColHour, kRed, kTolerance, "the hour swatch after choosing red");
  chooseColour(clock, dialog, cmdColMin, nullptr);
  expectControlColour(dialog, shpColMin, kWhite, kTolerance,
                      "the minute swatch after red was confirmed and its dialog cancelled");
  choosePicture(clock, dialog, L"");
  expectEqual(dialogItemText(dialog, txtBG), std::wstring(L"clockbg5.bmp"),
              "the path box after the open-file dialog was cancelled");
  expectControlColour(dialog, imgBG, facegen::kFace5Centre, kTolerance,
                      "the preview's centre after the open-file dialog was cancelled");
  choosePicture(clock, dialog, picture);
  expectEqual(dialogItemText(dialog, txtBG), picture, "the path box after choosing the picture");
  expectControlColour(dialog, imgBG, facegen::kFace1Centre, kTolerance,
                      "the preview's centre (clockbg1.bmp)");

  closeWith(dialog, cmdCancel, std::source_location::current());
  expectOnlyGeometryStored("after \"Abbrechen\"");
  // Several ticks later the hands and the face are still the old ones.
  pause(2500);
  const std::string seen =
      expectClock(context, window, unchanged, 3000, "the clock after \"Abbrechen\"");

  // "Abbrechen" put back the values the dialog was opened with: the next showing starts
  // from them.
  const HWND again = openProperties(clock, window);
  expectControlColour(again, shpColHour, kWhite, kTolerance, "the hour swatch when reopened");
  expectEqual(dialogItemText(again, txtBG), std::wstring(L"clockbg5.bmp"),
              "the path box when reopened");
  expectEqual(choosePicture(clock, again, L""), std::wstring(),
              "the open-file dialog's file name when reopened after a file was chosen");
  expectEqual(dialogItemText(again, txtBG), std::wstring(L"clockbg5.bmp"),
              "the path box after that dialog was cancelled");
  // The close box puts them back as well.
  chooseColour(clock, again, cmdColHour, &kRed);
  expectControlColour(again, shpColHour, kRed, kTolerance, "the hour swatch after red again");
  PostMessageW(again, WM_SYSCOMMAND, SC_CLOSE, 0);
  requireTrue(waitUntil(5000, [&] { return gone(again); }), "the dialog after its close box",
              "still open", "closed");
  expectOnlyGeometryStored("after the close box");
  expectClock(context, window, unchanged, 3000, "the clock after the close box");

  // "OK" without a choice then applies and stores the values the clock started with.
  const HWND last = openProperties(clock, window);
  expectControlColour(last, shpColHour, kWhite, kTolerance,
                      "the hour swatch when reopened after the close box");
  closeWith(last, cmdOK, std::source_location::current());
  // A tick or two after "OK", the clock shows what it applied.
  pause(2500);
  expectClock(context, window, unchanged, 3000, "the clock after \"OK\" without a choice");
  expectEqual(readLayoutText(L"HourColor"), std::wstring(L"16777215"), "the stored HourColor");
  expectEqual(readLayoutText(L"MinuteColor"), std::wstring(L"16777215"), "the stored MinuteColor");
  expectEqual(readLayoutText(L"SecondColor"), std::wstring(L"16777215"), "the stored SecondColor");
  expectEqual(readLayoutText(L"Background"), std::wstring(L"clockbg5.bmp"),
              "the stored Background");
  return "Abbrechen and the close box left hands, face and store unchanged and put the dialog's "
         "values back; OK then stored them (" +
         seen + ")";
}

std::string jpegFace(const Context& context) {
  const std::wstring jpeg = context.workDir + L"\\face.jpg";
  requireHr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "starting COM");
  writeJpeg(context.workDir + L"\\clockbg1.bmp", jpeg);
  CoUninitialize();
  requireTrue(startsLikeJpeg(jpeg), "face.jpg", "not a JPEG file", "starting with FF D8 FF");

  deleteZarnSettings();
  storeClockGeometry();
  writeLayoutText(L"Background", jpeg);
  ClockProcess clock(context);
  const HWND window = requireClockWindow(clock);
  const std::string seen = expectClock(
      context, window, {std::nullopt, std::nullopt, facegen::kFace1Centre, kJpegTolerance}, 10000,
      "the clock with face.jpg");
  const Capture shown = captureClient(window);
  const int inset = facegen::kCornerFlatSize * kClockSize / facegen::kFaceSize / 4;
  const std::vector<Vertex> corners = {{inset, inset},
                                       {kClockSize - 1 - inset, inset},
                                       {inset, kClockSize - 1 - inset},
                                       {kClockSize - 1 - inset, kClockSize - 1 - inset}};
  const std::string corner = differing(shown, corners, facegen::kFace1Corner, kJpegTolerance);
  expectTrue(corner.empty(), "the corners of face.jpg", corner, describe(facegen::kFace1Corner));
  expectTrue((GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) == 0, "the window's shape",
             "a layered window", "a plain rectangle, as a JPEG has no transparency");
  expectTrue(zarnBoxes(clock.id()).empty(), "reports while showing face.jpg", "a box", "none");
  return "face.jpg shown (" + seen + ")";
}

}  // namespace zarn::e2e
