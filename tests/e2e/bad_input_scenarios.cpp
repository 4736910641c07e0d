// Bad input against the real clock: damaged, odd and valid picture files made here, as the
// face at start-up and through the properties dialog, and settings of the wrong registry
// type or of unusual text. The clock must report each failure at its step or take the
// value, and never crash or hang.

#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dialogs.h"
#include "e2e.h"
#include "hands.h"
#include "scenarios.h"

namespace zarn::e2e {

namespace {

using Bytes = std::vector<unsigned char>;
using Where = std::source_location;

// Time for a start-up to end in a visible window or a report; a start that takes longer
// hangs.
constexpr DWORD kOutcomeTimeout = 15000;
constexpr int kTolerance = 2;
constexpr int kJpegTolerance = 10;
constexpr int kTwipsPerPixel = 15;

std::wstring twips(int pixels) { return std::to_wstring(pixels * kTwipsPerPixel); }

Bytes readFile(const std::wstring& path) {
  Bytes data;
  if (FILE* in = _wfopen(path.c_str(), L"rb")) {
    unsigned char chunk[65536];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) {
      data.insert(data.end(), chunk, chunk + n);
    }
    std::fclose(in);
  }
  requireTrue(!data.empty(), "reading a face file", describe(path) + " empty or missing",
              "its bytes");
  return data;
}

// Long paths are written through the \\?\ form, which no length limit applies to.
void writeFile(const std::wstring& path, const Bytes& data) {
  const std::wstring full = path.size() >= MAX_PATH ? L"\\\\?\\" + path : path;
  FILE* out = _wfopen(full.c_str(), L"wb");
  const bool written =
      out != nullptr && std::fwrite(data.data(), 1, data.size(), out) == data.size();
  requireTrue(out != nullptr && std::fclose(out) == 0 && written, "writing a test picture",
              describe(path), "written");
}

void put16(Bytes& b, std::size_t at, unsigned value) {
  b[at] = static_cast<unsigned char>(value);
  b[at + 1] = static_cast<unsigned char>(value >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t value) {
  put16(b, at, value & 0xFFFF);
  put16(b, at + 2, value >> 16);
}

// A bitmap file header and info header with these fields, followed by `dataBytes` bytes of
// the colour `fill` (blue, green, red), whatever the header claims.
Bytes bitmap(std::int32_t width, std::int32_t height, unsigned bits, std::uint32_t compression,
             std::size_t dataBytes, Rgb fill = {}, std::uint32_t infoSize = 40) {
  Bytes b(54 + dataBytes);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 2, static_cast<std::uint32_t>(b.size()));
  put32(b, 10, 54);
  put32(b, 14, infoSize);
  put32(b, 18, static_cast<std::uint32_t>(width));
  put32(b, 22, static_cast<std::uint32_t>(height));
  put16(b, 26, 1);
  put16(b, 28, bits);
  put32(b, 30, compression);
  for (std::size_t i = 54; i + 2 < b.size(); i += 3) {
    b[i] = fill.b;
    b[i + 1] = fill.g;
    b[i + 2] = fill.r;
  }
  return b;
}

// The colours of a picture shown as the face: its corners and its flat centre.
struct Look {
  Rgb corner;
  Rgb centre;
  int tolerance = kTolerance;
};

// The default faces' corners are transparent and show the desktop.
const Look kFace1{kDesktop, facegen::kFace1Centre};
const Look kFace5{kDesktop, facegen::kFace5Centre};

// What differs from the look in a steady picture of the clock; empty when nothing does.
std::string lookProblem(HWND window, const Look& look) {
  const double before = secondsOfDayNow();
  const Capture shot = captureClient(window);
  if (captureClient(window) != shot) return "the picture changed while it was read";
  const auto times = shownTimes(before, secondsOfDayNow());
  const int w = shot.width();
  const int h = shot.height();
  if (w < 8 || h < 8) return printed("a client area of %dx%d", w, h);
  std::vector<HandShapes> hands;
  for (const ClockTime t : times) hands.push_back(handShapes(w, h, t));
  const int inset = std::max(1, facegen::kCornerFlatSize * std::min(w, h) / facegen::kFaceSize / 4);
  const std::vector<Vertex> corners = cornersOnDesktop(window,
                                                       {{inset, inset},
                                                        {w - 1 - inset, inset},
                                                        {inset, h - 1 - inset},
                                                        {w - 1 - inset, h - 1 - inset}},
                                                       look.corner);
  const double radius = 0.75 * facegen::kCentreFlatRadius * std::min(w, h) / facegen::kFaceSize;
  std::vector<Vertex> centre;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (std::hypot(x - hands.front().centre.x, y - hands.front().centre.y) > radius) continue;
      const bool clear = std::all_of(hands.begin(), hands.end(), [&](const HandShapes& s) {
        return polygonMargin(x, y, s.hour) <= -kClear && polygonMargin(x, y, s.minute) <= -kClear &&
               distanceToSegment(x, y, s.secondTip, s.centre) >= kClear;
      });
      if (clear) centre.push_back({x, y});
    }
  }
  if (centre.size() < 3) return printed("only %zu centre pixels clear of the hands", centre.size());
  const auto differs = [&](const std::vector<Vertex>& pixels, Rgb colour, const char* part) {
    for (const Vertex v : pixels) {
      if (!closeTo(shot.at(v.x, v.y), colour, look.tolerance)) {
        return printed("%s (%d,%d) ", part, v.x, v.y) + describe(shot.at(v.x, v.y)) +
               " instead of " + describe(colour);
      }
    }
    return std::string();
  };
  if (std::string d = differs(corners, look.corner, "corner"); !d.empty()) return d;
  return differs(centre, look.centre, "centre");
}

// Waits until the clock shows the look; fails with the last difference otherwise.
void expectLook(HWND window, const Look& look, DWORD milliseconds, std::string_view what,
                const Where& where = Where::current()) {
  std::string problem;
  waitUntil(milliseconds, [&] { return (problem = lookProblem(window, look)).empty(); });
  expectTrue(problem.empty(), std::string(what), problem, "the face's corner and centre colours",
             where);
}

// Whether the clock's picture changes within the time, as it does at every tick.
bool ticks(HWND window, DWORD milliseconds) {
  const Capture first = captureClient(window);
  return waitUntil(milliseconds, [&] { return captureClient(window) != first; });
}

// The one report box of the clock, within the time.
HWND oneBox(const ClockProcess& clock, DWORD milliseconds, std::string_view which,
            const Where& where) {
  std::vector<HWND> boxes;
  waitUntil(milliseconds,
            [&] { return !(boxes = zarnBoxes(clock.id())).empty() || !clock.alive(); });
  const auto code = clock.exitCode();
  requireTrue(!boxes.empty(), std::string(which),
              code ? printed("the process ended with exit code 0x%lx", *code)
                   : printed("none within %lu ms", milliseconds),
              "a box titled \"Zarn\"", where);
  expectEqual(static_cast<int>(boxes.size()), 1, "report boxes open with " + std::string(which),
              where);
  return boxes.front();
}

// The end of a failed start-up once its Form_Load report is open: that report, then the
// first tick's report at step 65, then the end of the process.
void expectFailedStart(const ClockProcess& clock, HWND load, int step,
                       const std::wstring& mentioned, const Where& where) {
  expectReport(load, L" in frmZarn.Form_Load bei Zeile  " + std::to_wstring(step), {mentioned},
               where);
  requireTrue(pressOk(load), "the Form_Load report after OK", "still open", "closed", where);
  const HWND tick = oneBox(clock, 5000, "the Trigger_Timer report", where);
  expectReport(tick, L" in frmZarn.Trigger_Timer bei Zeile  65", {}, where);
  requireTrue(pressOk(tick), "the Trigger_Timer report after OK", "still open", "closed", where);
  requireTrue(clock.waitForExit(5000), "the clock after the tick's report", "still running",
              "ended", where);
  expectEqual(clock.exitCode(), std::optional<DWORD>(0), "the clock's exit code", where);
}

enum class Outcome { loads, reports };

// Starts the clock and waits for its start-up to end: in a report box, which is returned,
// or in a visible window without one. A process that ends first has crashed; one that
// does neither in time hangs.
std::pair<Outcome, HWND> startUp(const ClockProcess& clock, const Where& where) {
  HWND found = nullptr;
  Outcome outcome = Outcome::loads;
  waitUntil(kOutcomeTimeout, [&] {
    if (const auto boxes = zarnBoxes(clock.id()); !boxes.empty()) {
      outcome = Outcome::reports;
      found = boxes.front();
    } else if (const HWND w = waitForWindow(clock.id(), win32::kClockClassName, 0)) {
      found = w;
    }
    return found != nullptr || !clock.alive();
  });
  const auto code = clock.exitCode();
  requireTrue(found != nullptr, "the start-up",
              code ? printed("the process ended with exit code 0x%lx and no report", *code)
                   : printed("neither a window nor a report within %lu ms", kOutcomeTimeout),
              "a visible clock window or a report", where);
  return {outcome, found};
}

// The preview's colours at its centre and near its four corners.
std::vector<Rgb> previewColours(HWND dialog) {
  RECT r{};
  GetWindowRect(GetDlgItem(dialog, number(imgBG)), &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  const int dx = (r.right - r.left) / 4;
  const int dy = (r.bottom - r.top) / 4;
  const Capture shot = captureClient(dialog);
  return {shot.at((r.left + r.right) / 2, (r.top + r.bottom) / 2), shot.at(r.left + dx, r.top + dy),
          shot.at(r.right - dx, r.top + dy), shot.at(r.left + dx, r.bottom - dy),
          shot.at(r.right - dx, r.bottom - dy)};
}

// An empty preview is the dialog's own face colour throughout.
void expectEmptyPreview(HWND dialog, std::string_view what, const Where& where) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const std::vector<Rgb> empty(5, Rgb{GetRValue(face), GetGValue(face), GetBValue(face)});
  // A picture, once drawn, would show within the repaint that follows the choice.
  pause(300);
  std::vector<Rgb> got;
  waitUntil(2000, [&] { return (got = previewColours(dialog)) == empty; });
  expectEqual(got, empty, "the preview " + std::string(what), where);
}

struct StoredValue {
  DWORD type = REG_NONE;
  Bytes data;
  friend bool operator==(const StoredValue&, const StoredValue&) = default;
};

std::string describeValue(const std::optional<StoredValue>& v) {
  return v ? printed("type %lu, %zu bytes", v->type, v->data.size()) : std::string("(absent)");
}

using win32::kLayoutKey;

void storeRaw(const std::wstring& name, const StoredValue& value) {
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, kLayoutKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                                   &key, nullptr);
  if (status == ERROR_SUCCESS) {
    status = RegSetValueExW(key, name.c_str(), 0, value.type, value.data.data(),
                            static_cast<DWORD>(value.data.size()));
    RegCloseKey(key);
  }
  requireEqual(static_cast<long long>(status), 0LL, "storing the setting " + describe(name));
}

std::optional<StoredValue> readRaw(const std::wstring& name) {
  StoredValue value;
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kLayoutKey, name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                   &value.type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  RegGetValueW(HKEY_CURRENT_USER, kLayoutKey, name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &value.type,
               value.data.data(), &size);
  value.data.resize(size);
  return value;
}

// UTF-16 text as stored, with only the NULs that `text` itself holds.
StoredValue text(const std::wstring& text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  return {REG_SZ, Bytes(bytes, bytes + text.size() * sizeof(wchar_t))};
}

// Text that names environment variables, as deployment tools store paths.
StoredValue expandable(const std::wstring& text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.c_str());
  return {REG_EXPAND_SZ, Bytes(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

StoredValue dword(DWORD value) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
  return {REG_DWORD, Bytes(bytes, bytes + sizeof value)};
}

std::wstring numbered(const wchar_t* pattern, std::size_t n) {
  wchar_t name[32];
  std::swprintf(name, std::size(name), pattern, n);
  return name;
}

enum class Expect { loads, reports, either };

struct PictureFile {
  std::string kind;
  std::wstring path;
  Expect expect;
  std::optional<Look> look;  // when it loads
  bool inDialog = false;     // also chosen through the properties dialog
};

std::vector<PictureFile> makePictures(const Context& context) {
  const std::wstring dir = context.workDir + L"\\";
  const Bytes bmp = readFile(dir + L"clockbg1.bmp");
  requireHr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "starting COM");
  writeJpeg(dir + L"clockbg1.bmp", dir + L"face.jpg");
  // A panorama larger on a side than a picture decoded whole may be, in greys, which the
  // JPEG keeps exactly in flat areas.
  constexpr Rgb kPanoramaOutside{60, 60, 60};
  constexpr Rgb kPanoramaInside{200, 200, 200};
  writeFramedJpeg(dir + L"panorama.jpg", 20000, 5000, kPanoramaOutside, kPanoramaInside);
  CoUninitialize();
  const Bytes jpeg = readFile(dir + L"face.jpg");

  std::vector<PictureFile> files;
  const auto add = [&](std::string kind, const std::wstring& name, const Bytes& data, Expect expect,
                       std::optional<Look> look = std::nullopt, bool inDialog = false) {
    const std::wstring path = name.find(L'\\') == std::wstring::npos ? dir + name : name;
    writeFile(path, data);
    files.push_back({std::move(kind), path, expect, look, inDialog});
  };
  const auto cut = [](const Bytes& data, std::size_t length) {
    return Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length));
  };

  // Cut in the file header, the info header, at the pixels' start and inside the pixels.
  for (const std::size_t n : {std::size_t{1}, std::size_t{2}, std::size_t{6}, std::size_t{13},
                              std::size_t{14}, std::size_t{18}, std::size_t{30}, std::size_t{53},
                              std::size_t{54}, std::size_t{1000}, bmp.size() / 2, bmp.size() - 1}) {
    add("truncated BMP", numbered(L"cut-%06zu.bmp", n), cut(bmp, n), Expect::reports, std::nullopt,
        n == 54);
  }
  // Cut before, in and after the markers of the header, and inside the compressed data.
  for (const std::size_t n :
       {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{4}, std::size_t{11},
        std::size_t{20}, std::size_t{100}, std::size_t{300}, std::size_t{600}, jpeg.size() / 4,
        jpeg.size() / 2, jpeg.size() - 2}) {
    add("truncated JPEG", numbered(L"cut-%06zu.jpg", n), cut(jpeg, n), Expect::reports,
        std::nullopt, n == 300);
  }

  Bytes bad = bmp;
  bad[0] = 'M';
  bad[1] = 'B';
  add("wrong magic", L"magic-mb.bmp", bad, Expect::reports);
  bad = jpeg;
  bad[0] = 0;
  add("wrong magic", L"magic-00.jpg", bad, Expect::reports);
  add("wrong magic", L"text.bmp", Bytes{'n', 'o', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e', '\n'},
      Expect::reports, std::nullopt, true);
  bad = Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  bad.resize(400, 0x5A);
  add("wrong magic", L"png-junk.bmp", bad, Expect::reports);
  bad = Bytes{'G', 'I', 'F', '8', '9', 'a'};
  bad.resize(400, 0xA5);
  add("wrong magic", L"gif-junk.jpg", bad, Expect::reports);
  bad = cut(bmp, 14);
  bad.resize(2000, 0xEE);
  add("wrong magic", L"junk-header.bmp", bad, Expect::reports);

  add("zero bytes", L"empty.bmp", {}, Expect::reports, std::nullopt, true);
  add("zero bytes", L"empty.jpg", {}, Expect::reports);
  const std::wstring folder = dir + L"folder.bmp";
  requireTrue(CreateDirectoryW(folder.c_str(), nullptr) != 0, "creating the folder folder.bmp",
              printed("error %lu", GetLastError()), "created");
  files.push_back({"directory", folder, Expect::reports, std::nullopt});

  constexpr Rgb kOne{10, 200, 30};
  add("1x1", L"one-pixel.bmp", bitmap(1, 1, 24, BI_RGB, 4, kOne), Expect::loads, Look{kOne, kOne});
  add("huge header", L"30000x30000.bmp", bitmap(30000, 30000, 24, BI_RGB, 3000), Expect::reports,
      std::nullopt, true);
  add("huge header", L"30000x1.bmp", bitmap(30000, 1, 24, BI_RGB, 3000), Expect::reports);
  add("huge header", L"1x30000.bmp", bitmap(1, 30000, 24, BI_RGB, 3000), Expect::reports);
  // As many pixels as the loader decodes at most, with far too few behind them.
  add("huge header", L"16384x16384.bmp", bitmap(16384, 16384, 24, BI_RGB, 3000), Expect::reports);
  add("bad header", L"0x0.bmp", bitmap(0, 0, 24, BI_RGB, 64), Expect::reports);
  add("bad header", L"width-minus-5.bmp", bitmap(-5, 5, 24, BI_RGB, 64), Expect::reports);
  add("bad header", L"bits-7.bmp", bitmap(4, 4, 7, BI_RGB, 64), Expect::reports);
  add("bad header", L"rle8-24bit.bmp", bitmap(4, 4, 24, BI_RLE8, 64), Expect::reports);
  add("bad header", L"info-size-7.bmp", bitmap(4, 4, 24, BI_RGB, 64, {}, 7), Expect::reports);
  bad = bitmap(4, 4, 8, BI_RGB, 64);
  put32(bad, 46, 1u << 31);
  add("bad header", L"palette-2g.bmp", bad, Expect::reports);
  bad = bitmap(4, 4, 24, BI_RGB, 64);
  put32(bad, 10, 1u << 30);
  add("bad header", L"offset-past-end.bmp", bad, Expect::reports);

  // A path of 300 characters: two long folder names, then an 8-character file name.
  const std::size_t names = 300 - dir.size() - 8;
  requireTrue(names > 20 && names < 400, "the long folders' name length", std::to_string(names),
              "between 20 and 400");
  const std::wstring outer = dir + std::wstring(names / 2, L'l');
  const std::wstring longDir = outer + L"\\" + std::wstring(names - names / 2 - 1, L'm');
  for (const std::wstring& folder : {outer, longDir}) {
    requireTrue(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr) != 0,
                "creating a long folder", printed("error %lu", GetLastError()), "created");
  }
  add("300-character path", longDir + L"\\cut.bmp", cut(bmp, 54), Expect::reports);
  // A valid face there may or may not open, as the system's path length limit decides.
  add("300-character path", longDir + L"\\gut.bmp", bmp, Expect::either, kFace1);

  add("non-ASCII name", L"kaputt \u00F6\u20AC\u00F1.jpg", cut(jpeg, jpeg.size() / 2),
      Expect::reports, std::nullopt, true);
  add("valid JPEG", L"face.jpg", jpeg, Expect::loads,
      Look{facegen::kFace1Corner, kFace1.centre, kJpegTolerance});
  add("valid JPEG", L"panorama.jpg", readFile(dir + L"panorama.jpg"), Expect::loads,
      Look{kPanoramaOutside, kPanoramaInside}, true);
  add("non-ASCII name", L"Zifferblatt \u00E4.bmp", bmp, Expect::loads, kFace1, true);
  return files;
}

// One start-up with the picture as the face; returns how it ended.
Outcome startWithPicture(const Context& context, const PictureFile& file) {
  const Where where = Where::current();
  writeLayoutText(L"Background", file.path);
  ClockProcess clock(context);
  const auto [outcome, found] = startUp(clock, where);
  const std::string what = file.kind + " " + describe(file.path);
  if (outcome == Outcome::reports) {
    expectTrue(file.expect != Expect::loads, what, "a report: " + describe(boxText(found)),
               "the face shown");
    expectFailedStart(clock, found, 230, file.path, where);
    return outcome;
  }
  expectTrue(file.expect != Expect::reports, what, "the clock window without a report",
             "a report at step 230");
  if (file.look) {
    expectLook(found, *file.look, 5000, "the clock showing " + what);
  } else {
    expectTrue(ticks(found, 3000), "the clock showing " + what, "no new picture in 3 s", "a tick");
  }
  expectTrue(clock.alive() && zarnBoxes(clock.id()).empty(), "the clock showing " + what,
             "ended or reporting", "running, no report");
  return outcome;
}

// The properties command with the chosen files: bad ones leave the preview empty and end
// in one report at line 190, the face shown before staying; valid ones are shown.
void chooseInDialog(const Context& context, const std::vector<PictureFile>& files) {
  deleteZarnSettings();
  writeLayoutText(L"Left", twips(760));
  writeLayoutText(L"Top", twips(120));
  writeLayoutText(L"Width", twips(400));
  writeLayoutText(L"Height", twips(400));
  ClockProcess clock(context);
  const HWND window = requireClockWindow(clock);
  Look shown = kFace5;
  expectLook(window, shown, 5000, "the clock before the dialog");
  bool badPathStored = false;
  for (const PictureFile& file : files) {
    const std::string what = file.kind + " " + describe(file.path);
    const HWND dialog = openProperties(clock, window, Where::current());
    if (badPathStored) expectEmptyPreview(dialog, "on opening with a bad path", Where::current());
    choosePicture(clock, dialog, file.path, Where::current());
    expectEqual(dialogItemText(dialog, txtBG), file.path, "the path box after choosing " + what);
    const bool valid = file.expect == Expect::loads;
    if (valid) {
      std::vector<Rgb> got;
      waitUntil(5000, [&] {
        return closeTo((got = previewColours(dialog)).front(), file.look->centre, kTolerance);
      });
      expectTrue(closeTo(got.front(), file.look->centre, kTolerance),
                 "the preview's centre after choosing " + what, describe(got.front()),
                 describe(file.look->centre));
    } else {
      expectEmptyPreview(dialog, "after choosing " + what, Where::current());
    }
    expectTrue(!gone(dialog) && zarnBoxes(clock.id()).empty(), "the dialog after choosing " + what,
               "closed or a report", "open, no report");

    clickControl(dialog, cmdOK);
    requireTrue(waitUntil(5000, [&] { return gone(dialog); }), "the dialog after OK", "still open",
                "closed");
    // The command stores after the dialog's window is gone, so the store may still be on its way.
    waitUntil(3000, [&] { return readLayoutText(L"Background") == std::optional(file.path); });
    expectEqual(readLayoutText(L"Background"), std::optional(file.path), "the stored Background");
    badPathStored = !valid;
    if (valid) {
      shown = *file.look;
      expectLook(window, shown, 3000, "the clock after OK with " + what);
      requireTrue(zarnBoxes(clock.id()).empty(), "reports after OK with " + what, "a box", "none");
      continue;
    }
    const HWND box = oneBox(clock, 5000, "the report after OK with " + what, Where::current());
    expectReport(box, L" in frmZarn.mitProp_Click bei Zeile  190", {file.path});
    requireTrue(pressOk(box), "the report after OK", "still open", "closed");
    expectTrue(ticks(window, 3000), "the clock after the report for " + what,
               "no new picture in 3 s", "hands moving at each tick");
    expectLook(window, shown, 3000, "the old face after the report for " + what);
  }
  expectTrue(clock.alive() && zarnBoxes(clock.id()).empty(), "the clock at the end",
             "ended or reporting", "running, no report");
}

}  // namespace

std::string badPictures(const Context& context) {
  const std::vector<PictureFile> files = makePictures(context);
  const ULONGLONG started = GetTickCount64();
  deleteZarnSettings();
  writeLayoutText(L"Width", twips(400));
  writeLayoutText(L"Height", twips(400));
  std::map<std::string, std::pair<int, int>> seen;  // kind: loaded, reported
  ULONGLONG slowest = 0;
  for (const PictureFile& file : files) {
    const ULONGLONG start = GetTickCount64();
    const Outcome outcome = startWithPicture(context, file);
    slowest = std::max(slowest, GetTickCount64() - start);
    auto& [loaded, reported] = seen[file.kind];
    ++(outcome == Outcome::loads ? loaded : reported);
  }
  expectEqual(layoutValueNames(), std::vector<std::wstring>{L"Background", L"Height", L"Width"},
              "the settings after every start-up");
  const ULONGLONG startUps = GetTickCount64() - started;

  std::vector<PictureFile> chosen;
  for (const PictureFile& file : files) {
    if (file.inDialog) chosen.push_back(file);
  }
  chooseInDialog(context, chosen);

  std::string account = printed("%zu files at start-up in %llu ms (slowest %llu ms):", files.size(),
                                startUps, slowest);
  for (const auto& [kind, counts] : seen) {
    account += printed(" %s %d loaded %d reported;", kind.c_str(), counts.first, counts.second);
  }
  return account + printed(" %zu chosen in the dialog in %llu ms", chosen.size(),
                           GetTickCount64() - started - startUps);
}

std::string badSettingsTypes(const Context& context) {
  struct Case {
    std::string what;
    std::wstring name;
    StoredValue value;
    int step;         // the failing step, or 0 when the value is taken
    Geometry window;  // when taken
    Look look = kFace5;
  };
  const std::wstring zeros(9996, L'0');
  const std::vector<Case> cases = {
      {"HourColor as REG_DWORD", L"HourColor", dword(255), 30, {}},
      {"Background as REG_DWORD", L"Background", dword(1), 60, {}},
      {"Width as REG_DWORD", L"Width", dword(4500), 90, {}},
      {"Width of 10,000 nines", L"Width", text(std::wstring(10000, L'9') + L'\0'), 90, {}},
      {"Width of 10,000 characters, leading zeros",
       L"Width",
       text(zeros + L"4500" + L'\0'),
       0,
       {0, 0, 300, 200}},
      {"Width with a NUL inside",
       L"Width",
       text(std::wstring(L"4500\0abc", 8) + L'\0'),
       0,
       {0, 0, 300, 200}},
      {"Width without a closing NUL", L"Width", text(L"4500"), 0, {0, 0, 300, 200}},
      {"Height starting with a NUL", L"Height", text(std::wstring(1, L'\0') + L"3000"), 100, {}},
      {"Background as REG_EXPAND_SZ naming %ZARN_FACES%",
       L"Background",
       expandable(L"%ZARN_FACES%\\clockbg1.bmp"),
       0,
       {0, 0, 200, 200},
       kFace1},
  };
  // The clock inherits the driver's environment.
  SetEnvironmentVariableW(L"ZARN_FACES", context.workDir.c_str());
  int reported = 0;
  for (const Case& c : cases) {
    deleteZarnSettings();
    storeRaw(c.name, c.value);
    const Where where = Where::current();
    {
      ClockProcess clock(context);
      const auto [outcome, found] = startUp(clock, where);
      if (c.step != 0) {
        requireTrue(outcome == Outcome::reports, c.what, "the clock window without a report",
                    printed("a report at step %d", c.step));
        expectFailedStart(clock, found, c.step, c.name, where);
        ++reported;
      } else {
        requireTrue(outcome == Outcome::loads, c.what, "a report: " + describe(boxText(found)),
                    "the value taken");
        expectEqual(windowGeometry(found), c.window, "the window's rectangle with " + c.what);
        expectLook(found, c.look, 5000, "the clock with " + c.what);
        expectTrue(zarnBoxes(clock.id()).empty(), "reports with " + c.what, "a box", "none");
      }
    }
    expectEqual(layoutValueNames(), std::vector<std::wstring>{c.name},
                "the settings after " + c.what);
    const auto stored = readRaw(c.name);
    expectTrue(stored == c.value, "the stored " + describe(c.name) + " after " + c.what,
               describeValue(stored), describeValue(c.value));
  }
  return printed("%d odd settings reported at their step, %zu taken, none written", reported,
                 cases.size() - static_cast<std::size_t>(reported));
}

}  // namespace zarn::e2e
