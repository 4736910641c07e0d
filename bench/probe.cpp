// zarn_probe.exe ZARN_EXE FLOOR_EXE WORK_DIR [--watch MINUTES]
//
// Measures the cost of zarn.exe against floor.exe under Wine, both started in WORK_DIR, with
// two faces: the default 400 x 400 bitmap and a 4000 x 4000 JPEG that the probe makes from
// it. Prints the comparison as a Markdown table; exits 0 when every figure was measured,
// whatever the ratios, and 1 when a measurement failed.
//
// With --watch, it only watches both programs with the default face for MINUTES minutes
// and prints, one row each, how late each new second's hand showed and which seconds were
// skipped or shown twice.
//
// The programs are watched from outside: the first painted frame is the moment their
// window's corners show the face on the screen, and CPU time, resident memory and context
// switches come from Linux's /proc entries of the Wine process, which Wine shows on drive
// Z:. (Under Wine 8, GetProcessTimes of another process gives 0.) Both programs run side by
// side at their real one-second timers while they are measured.

#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "e2e.h"
#include "tools/faces.h"
#include "win32/names.h"
#include "win32/text.h"

namespace {

using namespace zarn::e2e;

constexpr int kStarts = 10;
// The first seconds of a Wine process still hold work of its start; they pass first.
constexpr DWORD kSettleMilliseconds = 3000;
constexpr DWORD kRunMilliseconds = 60000;
constexpr DWORD kWindowMilliseconds = 15000;
constexpr int kClientSize = 200;
constexpr int kJpegSide = 4000;
// Both programs draw their second hand in red, which the probe reads on the screen.
constexpr DWORD kSecondColour = 255;
constexpr Rgb kSecondRgb{255, 0, 0};

struct Program {
  const char* name;
  std::wstring exe;
  std::wstring windowClass;
};

struct Face {
  const char* name;   // as the table names it
  std::wstring file;  // in the work folder
  bool isDefault;     // the clock's own default, so that the settings stay empty
  int tolerance;      // of its corners' colour on the screen
};

struct Figures {
  std::vector<double> shownMs;
  std::vector<double> paintedMs;
  double cpuMs = 0;
  double residentMiB = 0;
  double privateMiB = 0;
  double wakeupsPerSecond = 0;
  SecondsKept seconds;
};

class Stopwatch {
 public:
  Stopwatch() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
  }
  [[nodiscard]] double milliseconds() const {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) /
           static_cast<double>(frequency_.QuadPart);
  }

 private:
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER start_{};
};

struct MeasureFailed {};

[[noreturn]] void fail(const std::string& why) {
  std::printf("probe: %s\n", why.c_str());
  std::fflush(stdout);
  throw MeasureFailed{};
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The program's Linux process: only one copy of a program runs at a time here, so its
// path and the prefix name it.
std::string linuxPidOf(const Program& program) {
  const std::string pid = linuxPid({program.exe});
  if (pid.empty())
    fail("no Linux process runs " + zarn::win32::narrow(program.exe) + " in this prefix");
  return pid;
}

// The processor time of all the process's threads as the scheduler counts it, to the
// nanosecond: /proc/<pid>/stat only samples it 100 times a second, which for a process
// busy a tenth of the time is off by a tenth from run to run.
double cpuSeconds(const std::string& pid) {
  long long nanoseconds = 0;
  for (const std::string& thread : procIds(pid + "\\task\\")) {
    const std::string schedstat = readProc(pid + "\\task\\" + thread + "\\schedstat");
    if (schedstat.empty()) fail("cannot read /proc/" + pid + "/task/" + thread + "/schedstat");
    nanoseconds += std::atoll(schedstat.c_str());
  }
  return static_cast<double>(nanoseconds) / 1e9;
}

// The times the process's threads were put on a processor: each wait for the wineserver's
// answer is a voluntary switch, unless the server, woken on the same processor, takes it
// over first, which is an involuntary one; only the sum is steady from run to run.
long long wakeups(const std::string& pid) {
  long long total = 0;
  for (const std::string& thread : procIds(pid + "\\task\\")) {
    const std::string status = readProc(pid + "\\task\\" + thread + "\\status");
    total += procValue(status, "voluntary_ctxt_switches") +
             procValue(status, "nonvoluntary_ctxt_switches");
  }
  return total;
}

HWND visibleWindow(DWORD pid, const Program& program) {
  for (const HWND window : topLevelWindows(pid, program.windowClass)) {
    if (IsWindowVisible(window) != FALSE) return window;
  }
  return nullptr;
}

Rgb rgbOf(COLORREF pixel) { return Rgb{GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)}; }

// Both programs show a plain back buffer until they have drawn an opaque face; a layered
// one shows nothing, the desktop, until its first frame, which leaves the desktop in the
// corners only. Read on the screen, where a layered window shows what lies behind it.
bool showsFace(HWND window, int tolerance) {
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const HDC dc = GetDC(nullptr);
  const auto at = [&](int x, int y) { return rgbOf(GetPixel(dc, origin.x + x, origin.y + y)); };
  const auto is = [&](Rgb pixel, Rgb colour) { return closeTo(pixel, colour, tolerance); };
  // The bottom corners: the clock opens over Wine's tray window at the screen's corner.
  const Rgb bottomLeft = at(2, kClientSize - 3);
  const Rgb bottomRight = at(kClientSize - 3, kClientSize - 3);
  bool face =
      is(bottomLeft, zarn::facegen::kFace5Corner) && is(bottomRight, zarn::facegen::kFace5Corner);
  if (!face && is(bottomLeft, kDesktop) && is(bottomRight, kDesktop)) {
    // Three hands cover at most three of four points on the dial.
    const int nearSide = kClientSize / 2 - kClientSize / 5;
    const int farSide = kClientSize / 2 + kClientSize / 5;
    for (const POINT p : {POINT{nearSide, kClientSize / 2}, POINT{farSide, kClientSize / 2},
                          POINT{kClientSize / 2, nearSide}, POINT{kClientSize / 2, farSide}}) {
      face = face || !is(at(p.x, p.y), kDesktop);
    }
  }
  ReleaseDC(nullptr, dc);
  return face;
}

// A started program at its first painted frame, with the times since its start. The
// process ends with this object.
struct Started {
  std::unique_ptr<ClockProcess> process;
  HWND window = nullptr;
  double shownMs = 0;
  double paintedMs = 0;
};

// The clock takes its face from the settings, the floor from its command line.
Started startUntilPainted(const Program& program, const Face& face, const std::wstring& work) {
  deleteZarnSettings();
  const bool clock = program.windowClass == zarn::win32::kClockClassName;
  if (clock) writeLayoutText(L"SecondColor", std::to_wstring(kSecondColour));
  if (clock && !face.isDefault) writeLayoutText(L"Background", face.file);
  const Stopwatch watch;
  Started started{std::make_unique<ClockProcess>(
      Context{"bench", program.exe, work, 0, clock ? std::wstring() : face.file})};
  while (watch.milliseconds() < kWindowMilliseconds) {
    if (started.window == nullptr) {
      started.window = visibleWindow(started.process->id(), program);
      if (started.window != nullptr) started.shownMs = watch.milliseconds();
    }
    if (started.window != nullptr && showsFace(started.window, face.tolerance)) {
      started.paintedMs = watch.milliseconds();
      return started;
    }
    Sleep(2);
  }
  fail(std::string(program.name) + " painted no face within 15 s");
}

void measureStart(const Program& program, const Face& face, const std::wstring& work,
                  Figures* figures) {
  const Started started = startUntilPainted(program, face, work);
  if (figures != nullptr) {
    figures->shownMs.push_back(started.shownMs);
    figures->paintedMs.push_back(started.paintedMs);
  }
}

// A program past its first painted frame, placed for watching, with its Linux process.
struct Running {
  const Program* program;
  Started started;
  std::string pid;
};

// Both programs started with `face` and past the work of their start.
std::array<Running, 2> startSideBySide(const Program& zarn, const Program& floor, const Face& face,
                                       const std::wstring& work) {
  std::array<Running, 2> running{{{&zarn, startUntilPainted(zarn, face, work), {}},
                                  {&floor, startUntilPainted(floor, face, work), {}}}};
  // Both windows open at the screen's corner; neither may cover the other, nor Wine's tray
  // window there cover either, so that their second hands show whole.
  SetWindowPos(running[0].started.window, nullptr, 0, 2 * kClientSize, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(running[1].started.window, nullptr, 2 * kClientSize, 2 * kClientSize, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (Running& r : running) r.pid = linuxPidOf(*r.program);
  Sleep(kSettleMilliseconds);
  return running;
}

void requireAlive(const Running& running) {
  if (!running.started.process->alive()) {
    fail(std::string(running.program->name) + " ended during the measurement");
  }
}

// Both programs run side by side at their own one-second timers, over the same minute, so
// that a change of the machine's speed falls on both alike.
void measureRunning(const Program& zarn, const Program& floor, const Face& face,
                    const std::wstring& work, Figures& zarnFigures, Figures& floorFigures) {
  std::array<Running, 2> running = startSideBySide(zarn, floor, face, work);
  struct Subject {
    const Running& running;
    Figures& figures;
    double cpu = 0;
    long long wakeups = 0;
  };
  Subject subjects[] = {{running[0], zarnFigures}, {running[1], floorFigures}};
  for (Subject& subject : subjects) {
    subject.cpu = cpuSeconds(subject.running.pid);
    subject.wakeups = wakeups(subject.running.pid);
  }
  const std::vector<SecondsKept> kept = watchSeconds(
      {running[0].started.window, running[1].started.window}, kSecondRgb, kRunMilliseconds);
  for (Subject& subject : subjects) {
    subject.figures.cpuMs = (cpuSeconds(subject.running.pid) - subject.cpu) * 1000;
    subject.figures.wakeupsPerSecond =
        static_cast<double>(wakeups(subject.running.pid) - subject.wakeups) * 1000 /
        kRunMilliseconds;
  }
  for (Subject& subject : subjects) {
    const std::string status = readProc(subject.running.pid + "\\status");
    subject.figures.seconds = kept[&subject == &subjects[0] ? 0 : 1];
    subject.figures.residentMiB = static_cast<double>(procValue(status, "VmRSS")) / 1024;
    subject.figures.privateMiB = static_cast<double>(procValue(status, "RssAnon")) / 1024;
    requireAlive(subject.running);
  }
}

// The long watch: both programs side by side with the default face for `minutes`, one row
// of seconds kept each. Only the clock has the goal of no second skipped or shown twice;
// the floor's row tells whether the machine let a program keep time at all.
void watchMinutes(const Program& zarn, const Program& floor, const Face& face,
                  const std::wstring& work, int minutes) {
  const std::array<Running, 2> running = startSideBySide(zarn, floor, face, work);
  const std::vector<SecondsKept> kept =
      watchSeconds({running[0].started.window, running[1].started.window}, kSecondRgb,
                   static_cast<DWORD>(minutes) * 60000);
  for (const Running& r : running) requireAlive(r);
  std::printf(
      "| program | new seconds shown | of them timed | lateness, ms: median | 90th percentile "
      "| greatest | skipped | shown twice | unread |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  for (std::size_t i = 0; i < running.size(); ++i) {
    const SecondsKept& k = kept[i];
    std::printf("| %s | %d | %d | %.0f | %.0f | %.0f | %d | %d | %d |\n", running[i].program->name,
                k.shown, k.timed, k.medianMs, k.p90Ms, k.maxMs, k.skipped, k.repeated, k.unread);
  }
  if (kept[0].skipped + kept[0].repeated > 0) {
    std::printf("goal missed: %s skipped %d and showed %d twice over %d minutes\n", zarn.name,
                kept[0].skipped, kept[0].repeated, minutes);
  }
}

// The large face: the default one stretched with HALFTONE to kJpegSide a side and encoded
// as a JPEG by the imaging component.
void writeLargeJpeg(const std::wstring& bitmapFile, const std::wstring& jpegFile) {
  const auto picture = static_cast<HBITMAP>(LoadImageW(nullptr, bitmapFile.c_str(), IMAGE_BITMAP, 0,
                                                       0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (picture == nullptr) fail("cannot load " + zarn::win32::narrow(bitmapFile));
  BITMAP size{};
  GetObjectW(picture, sizeof size, &size);
  void* bits = nullptr;
  const HBITMAP large = createTopDownDib(kJpegSide, kJpegSide, &bits);
  const HDC source = CreateCompatibleDC(nullptr);
  const HDC target = CreateCompatibleDC(nullptr);
  SelectObject(source, picture);
  SelectObject(target, large);
  SetStretchBltMode(target, HALFTONE);
  SetBrushOrgEx(target, 0, 0, nullptr);
  StretchBlt(target, 0, 0, kJpegSide, kJpegSide, source, 0, 0, size.bmWidth, size.bmHeight,
             SRCCOPY);
  GdiFlush();

  // The encoder takes three bytes a pixel.
  constexpr UINT kStride = kJpegSide * 3;
  std::vector<BYTE> rows(static_cast<std::size_t>(kStride) * kJpegSide);
  if (bits != nullptr) {
    const auto* pixels = static_cast<const BYTE*>(bits);
    for (std::size_t i = 0; i < static_cast<std::size_t>(kJpegSide) * kJpegSide; ++i) {
      std::copy_n(pixels + i * 4, 3, rows.begin() + static_cast<std::ptrdiff_t>(i * 3));
    }
  }
  IWICImagingFactory* factory = nullptr;
  IWICStream* stream = nullptr;
  IWICBitmapEncoder* encoder = nullptr;
  IWICBitmapFrameEncode* frame = nullptr;
  IPropertyBag2* options = nullptr;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  const bool written =
      bits != nullptr &&
      SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_PPV_ARGS(&factory))) &&
      SUCCEEDED(factory->CreateStream(&stream)) &&
      SUCCEEDED(stream->InitializeFromFilename(jpegFile.c_str(), GENERIC_WRITE)) &&
      SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder)) &&
      SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
      SUCCEEDED(encoder->CreateNewFrame(&frame, &options)) &&
      SUCCEEDED(frame->Initialize(options)) && SUCCEEDED(frame->SetSize(kJpegSide, kJpegSide)) &&
      SUCCEEDED(frame->SetPixelFormat(&format)) &&
      IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
      SUCCEEDED(frame->WritePixels(kJpegSide, kStride, kStride * kJpegSide, rows.data())) &&
      SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
  for (IUnknown* object : {static_cast<IUnknown*>(options), static_cast<IUnknown*>(frame),
                           static_cast<IUnknown*>(encoder), static_cast<IUnknown*>(stream),
                           static_cast<IUnknown*>(factory)}) {
    if (object != nullptr) object->Release();
  }
  DeleteDC(source);
  DeleteDC(target);
  DeleteObject(large);
  DeleteObject(picture);
  if (!written) fail("cannot write " + zarn::win32::narrow(jpegFile));
}

std::string joined(const std::vector<double>& values, const char* format) {
  std::string text;
  for (const double value : values) {
    char cell[32];
    std::snprintf(cell, sizeof cell, format, value);
    if (!text.empty()) text += ' ';
    text += cell;
  }
  return text;
}

enum class Goal { none, ratio, cpu, difference, limit };

struct Row {
  const char* measure;
  const char* format;
  double zarn;
  double floor;
  Goal goal;
  double limit = 0;  // of Goal::limit
};

// Start-up and wake-ups are compared as zarn/floor against 1.10, CPU time against 1.25
// times the floor's and 5 ms, memory as the difference in MiB against 1. The time until
// the window shows has no goal of its own: it tells the start-up work apart from drawing.
void printRows(const char* face, const Figures& zarn, const Figures& floor,
               std::vector<std::string>& missed) {
  const Row rows[] = {
      {"start to window shown, ms (median of 10)", "%.0f", median(zarn.shownMs),
       median(floor.shownMs), Goal::none},
      {"start to first painted frame, ms (median of 10)", "%.0f", median(zarn.paintedMs),
       median(floor.paintedMs), Goal::ratio},
      {"CPU ms per 60 s at the 1 s timer", "%.0f", zarn.cpuMs, floor.cpuMs, Goal::cpu},
      {"resident memory (VmRSS), MiB", "%.1f", zarn.residentMiB, floor.residentMiB,
       Goal::difference},
      {"private memory (RssAnon), MiB", "%.1f", zarn.privateMiB, floor.privateMiB,
       Goal::difference},
      {"wake-ups per s at the 1 s timer (context switches)", "%.1f", zarn.wakeupsPerSecond,
       floor.wakeupsPerSecond, Goal::ratio},
      {"second hand shown after its second began, ms: median", "%.0f", zarn.seconds.medianMs,
       floor.seconds.medianMs, Goal::limit, 5},
      {"second hand shown after its second began, ms: 90th percentile", "%.0f", zarn.seconds.p90Ms,
       floor.seconds.p90Ms, Goal::limit, 20},
      {"second hand shown after its second began, ms: greatest", "%.0f", zarn.seconds.maxMs,
       floor.seconds.maxMs, Goal::limit, 80},
      {"seconds skipped or shown twice over the minute", "%.0f",
       static_cast<double>(zarn.seconds.skipped + zarn.seconds.repeated),
       static_cast<double>(floor.seconds.skipped + floor.seconds.repeated), Goal::limit, 0},
  };
  for (const Row& row : rows) {
    char zarnCell[32];
    char floorCell[32];
    char comparison[32];
    char limitText[40];
    std::snprintf(zarnCell, sizeof zarnCell, row.format, row.zarn);
    std::snprintf(floorCell, sizeof floorCell, row.format, row.floor);
    bool met = true;
    const char* goal = "none";
    const double ratio = row.floor > 0 ? row.zarn / row.floor : 0;
    std::snprintf(comparison, sizeof comparison, "%.2f", ratio);
    switch (row.goal) {
      case Goal::none:
        break;
      case Goal::ratio:
        met = row.floor > 0 && ratio <= 1.1;
        goal = "1.10 at most";
        break;
      case Goal::cpu:
        met = row.zarn <= 1.25 * row.floor + 5;
        goal = "1.25 x floor + 5 ms at most";
        break;
      case Goal::limit:
        std::snprintf(comparison, sizeof comparison, "-");
        met = row.zarn <= row.limit;
        std::snprintf(limitText, sizeof limitText, "%.0f at most", row.limit);
        goal = limitText;
        break;
      case Goal::difference:
        std::snprintf(comparison, sizeof comparison, "%+.1f MiB", row.zarn - row.floor);
        met = row.zarn - row.floor <= 1.0;
        goal = "+1 MiB at most";
        break;
    }
    std::printf("| %s | %s | %s | %s | %s | %s%s |\n", face, row.measure, zarnCell, floorCell,
                comparison, goal, met ? "" : " (missed)");
    if (!met) missed.push_back(std::string(face) + ", " + row.measure + ": " + comparison);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const long minutes =
      argc == 6 && std::wcscmp(argv[4], L"--watch") == 0 ? std::wcstol(argv[5], nullptr, 10) : 0;
  if (argc != 4 && (minutes < 1 || minutes > 24 * 60)) {
    std::printf("usage: zarn_probe ZARN_EXE FLOOR_EXE WORK_DIR [--watch MINUTES]\n");
    return 2;
  }
  const Program zarn{"zarn.exe", argv[1], zarn::win32::kClockClassName};
  const Program floor{"floor.exe", argv[2], L"ZarnFloor"};
  const std::wstring work = argv[3];
  const Face faces[] = {{"default 400 x 400 BMP", L"clockbg5.bmp", true, 2},
                        {"4000 x 4000 JPEG", L"face4000.jpg", false, 6}};
  Figures zarnFigures[std::size(faces)];
  Figures floorFigures[std::size(faces)];
  try {
    if (minutes > 0) {
      watchMinutes(zarn, floor, faces[0], work, static_cast<int>(minutes));
      deleteZarnSettings();
      return 0;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) fail("COM does not start");
    writeLargeJpeg(work + L"\\clockbg5.bmp", work + L"\\" + faces[1].file);
    CoUninitialize();
    for (std::size_t f = 0; f < std::size(faces); ++f) {
      // One unmeasured start each fills the file cache. The order alternates, so that a
      // change of the machine's load during the run falls on both programs alike.
      measureStart(zarn, faces[f], work, nullptr);
      measureStart(floor, faces[f], work, nullptr);
      for (int i = 0; i < kStarts; ++i) {
        const bool zarnFirst = i % 2 == 0;
        measureStart(zarnFirst ? zarn : floor, faces[f], work,
                     zarnFirst ? &zarnFigures[f] : &floorFigures[f]);
        measureStart(zarnFirst ? floor : zarn, faces[f], work,
                     zarnFirst ? &floorFigures[f] : &zarnFigures[f]);
      }
      measureRunning(zarn, floor, faces[f], work, zarnFigures[f], floorFigures[f]);
    }
  } catch (const MeasureFailed&) {
    return 1;
  } catch (const ScenarioFailed&) {
    return 1;
  }
  deleteZarnSettings();

  std::printf("| face | measure | zarn.exe | floor.exe | zarn against floor | goal |\n");
  std::printf("|---|---|---:|---:|---:|---|\n");
  std::vector<std::string> missed;
  for (std::size_t f = 0; f < std::size(faces); ++f) {
    printRows(faces[f].name, zarnFigures[f], floorFigures[f], missed);
  }
  std::printf("\n");
  for (std::size_t f = 0; f < std::size(faces); ++f) {
    std::printf("%s, ms to window shown:   zarn %s; floor %s\n", faces[f].name,
                joined(zarnFigures[f].shownMs, "%.0f").c_str(),
                joined(floorFigures[f].shownMs, "%.0f").c_str());
    std::printf("%s, ms to painted frame:  zarn %s; floor %s\n", faces[f].name,
                joined(zarnFigures[f].paintedMs, "%.0f").c_str(),
                joined(floorFigures[f].paintedMs, "%.0f").c_str());
  }
  for (const std::string& line : missed) std::printf("goal missed: %s\n", line.c_str());
  return 0;
}
