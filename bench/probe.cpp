// zarn_probe.exe ZARN_EXE FLOOR_EXE WORK_DIR
//
// Measures the cost of zarn.exe against floor.exe under Wine, both started in WORK_DIR, and prints
// the comparison as a Markdown table. Exits 0 when every figure was measured, whatever the ratios,
// and 1 when a measurement failed.
//
// The programs are watched from outside: the first painted frame is the moment their
// window's corners show the default face on the screen, a tick is WM_TIMER with the timer
// id 1 posted to the window, and CPU time, resident memory and context switches come from
// Linux's /proc entries of the Wine process, which Wine shows on drive Z:. (Under Wine 8,
// GetProcessTimes of another process gives 0.)

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "e2e.h"
#include "tools/faces.h"

namespace {

using namespace zarn::e2e;

constexpr int kStarts = 10;
constexpr int kTicks = 1000;
constexpr int kTickRounds = 5;
constexpr DWORD kTickPace = 10;
constexpr DWORD kIdleMilliseconds = 10000;
constexpr DWORD kWindowMilliseconds = 15000;
constexpr int kClientSize = 200;

struct Program {
  const char* name;
  std::wstring exe;
  std::wstring windowClass;
};

struct Figures {
  std::vector<double> shownMs;
  std::vector<double> paintedMs;
  std::vector<double> cpuPerThousand;
  double tickWallSeconds = 0;
  double residentMiB = 0;
  double privateMiB = 0;
  double wakeupsPerSecond = 0;
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

bool isCorner(COLORREF pixel) {
  return pixel != CLR_INVALID && closeTo(Rgb{GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)},
                                         zarn::facegen::kFace5Corner, 2);
}

// Both programs show a plain back buffer until their first tick has drawn the face.
bool showsFace(HWND window) {
  const HDC dc = GetDC(window);
  const bool face =
      isCorner(GetPixel(dc, 2, 2)) && isCorner(GetPixel(dc, kClientSize - 3, kClientSize - 3));
  ReleaseDC(window, dc);
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

Started startUntilPainted(const Program& program, const std::wstring& work) {
  deleteZarnSettings();
  const Stopwatch watch;
  Started started{std::make_unique<ClockProcess>(Context{"bench", program.exe, work})};
  while (watch.milliseconds() < kWindowMilliseconds) {
    if (started.window == nullptr) {
      started.window = visibleWindow(started.process->id(), program);
      if (started.window != nullptr) started.shownMs = watch.milliseconds();
    }
    if (started.window != nullptr && showsFace(started.window)) {
      started.paintedMs = watch.milliseconds();
      return started;
    }
    Sleep(2);
  }
  fail(std::string(program.name) + " painted no face within 15 s");
}

void measureStart(const Program& program, const std::wstring& work, Figures* figures) {
  const Started started = startUntilPainted(program, work);
  if (figures != nullptr) {
    figures->shownMs.push_back(started.shownMs);
    figures->paintedMs.push_back(started.paintedMs);
  }
}

// One tick as the timer gives it: WM_TIMER with the timer id 1 from the queue, then, once
// the clock has drawn and invalidated its window, the repaint. The pause lets both happen
// before the next tick, as the real timer's second does; a tick takes about a millisecond.
void tick(HWND window) {
  if (PostMessageW(window, WM_TIMER, 1, 0) == FALSE) fail("WM_TIMER could not be posted");
  Sleep(kTickPace);
}

// Both programs run side by side, and their rounds of ticks take turns, so that a change
// of the machine's speed during the run falls on both alike.
void measureRunning(const Program& zarn, const Program& floor, const std::wstring& work,
                    Figures& zarnFigures, Figures& floorFigures) {
  struct Subject {
    const Program& program;
    Figures& figures;
    Started started;
    std::string pid;
  };
  Subject subjects[] = {{zarn, zarnFigures, startUntilPainted(zarn, work), {}},
                        {floor, floorFigures, startUntilPainted(floor, work), {}}};
  // Both windows open at the screen's corner; neither may cover the other.
  SetWindowPos(subjects[1].started.window, nullptr, 2 * kClientSize, 0, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (Subject& subject : subjects) subject.pid = linuxPidOf(subject.program);

  // The first seconds of a Wine process still hold work of its start; they pass first.
  Sleep(2000);
  for (Subject& subject : subjects) {
    for (int i = 0; i < 100; ++i) tick(subject.started.window);
  }
  for (int round = 0; round < kTickRounds; ++round) {
    for (int turn = 0; turn < 2; ++turn) {
      Subject& subject = subjects[(round + turn) % 2];
      const Stopwatch wall;
      const double before = cpuSeconds(subject.pid);
      for (int i = 0; i < kTicks; ++i) tick(subject.started.window);
      subject.figures.cpuPerThousand.push_back((cpuSeconds(subject.pid) - before) * 1000 / kTicks);
      subject.figures.tickWallSeconds += wall.milliseconds() / 1000 / kTickRounds;
    }
  }

  Sleep(1000);
  long long before[2] = {wakeups(subjects[0].pid), wakeups(subjects[1].pid)};
  Sleep(kIdleMilliseconds);
  for (int k = 0; k < 2; ++k) {
    Subject& subject = subjects[k];
    subject.figures.wakeupsPerSecond =
        static_cast<double>(wakeups(subject.pid) - before[k]) * 1000 / kIdleMilliseconds;
    const std::string status = readProc(subject.pid + "\\status");
    subject.figures.residentMiB = static_cast<double>(procValue(status, "VmRSS")) / 1024;
    subject.figures.privateMiB = static_cast<double>(procValue(status, "RssAnon")) / 1024;
    if (!subject.started.process->alive()) {
      fail(std::string(subject.program.name) + " ended during the measurement");
    }
  }
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

// Time, CPU and wake-ups are compared as zarn/floor against 1.10, memory as the difference
// in MiB against 1. The time until the window shows has no goal of its own: it tells the
// start-up work that the first painted frame, a second later, hides.
enum class Goal { none, ratio, difference };

struct Row {
  const char* measure;
  const char* format;
  double zarn;
  double floor;
  Goal goal;
};

void printTable(const Figures& zarn, const Figures& floor) {
  const Row rows[] = {
      {"start to window shown, ms (median of 10)", "%.0f", median(zarn.shownMs),
       median(floor.shownMs), Goal::none},
      {"start to first painted frame, ms (median of 10)", "%.0f", median(zarn.paintedMs),
       median(floor.paintedMs), Goal::ratio},
      {"CPU s per 1,000 ticks (median of 5)", "%.3f", median(zarn.cpuPerThousand),
       median(floor.cpuPerThousand), Goal::ratio},
      {"resident memory (VmRSS), MiB", "%.1f", zarn.residentMiB, floor.residentMiB,
       Goal::difference},
      {"private memory (RssAnon), MiB", "%.1f", zarn.privateMiB, floor.privateMiB,
       Goal::difference},
      {"wake-ups per s while idle (context switches)", "%.1f", zarn.wakeupsPerSecond,
       floor.wakeupsPerSecond, Goal::ratio},
  };
  std::printf("| measure | zarn.exe | floor.exe | zarn/floor | goal |\n");
  std::printf("|---|---:|---:|---:|---|\n");
  std::vector<std::string> missed;
  for (const Row& row : rows) {
    char zarnCell[32];
    char floorCell[32];
    char comparison[32];
    std::snprintf(zarnCell, sizeof zarnCell, row.format, row.zarn);
    std::snprintf(floorCell, sizeof floorCell, row.format, row.floor);
    bool met = true;
    const char* goal = "none";
    if (row.goal == Goal::difference) {
      std::snprintf(comparison, sizeof comparison, "%+.1f MiB", row.zarn - row.floor);
      met = row.zarn - row.floor <= 1.0;
      goal = "+1 MiB at most";
    } else {
      const double ratio = row.floor > 0 ? row.zarn / row.floor : 0;
      std::snprintf(comparison, sizeof comparison, "%.2f", ratio);
      if (row.goal == Goal::ratio) {
        met = row.floor > 0 && ratio <= 1.1;
        goal = "1.10 at most";
      }
    }
    std::printf("| %s | %s | %s | %s | %s%s |\n", row.measure, zarnCell, floorCell, comparison,
                goal, met ? "" : " (missed)");
    if (!met) missed.push_back(std::string(row.measure) + ": " + comparison);
  }
  std::printf("\nstarts, ms to window shown:   zarn %s; floor %s\n",
              joined(zarn.shownMs, "%.0f").c_str(), joined(floor.shownMs, "%.0f").c_str());
  std::printf("starts, ms to painted frame:  zarn %s; floor %s\n",
              joined(zarn.paintedMs, "%.0f").c_str(), joined(floor.paintedMs, "%.0f").c_str());
  std::printf("CPU s per 1,000 ticks:        zarn %s; floor %s\n",
              joined(zarn.cpuPerThousand, "%.3f").c_str(),
              joined(floor.cpuPerThousand, "%.3f").c_str());
  std::printf("wall time of 1,000 ticks, s:  zarn %.2f; floor %.2f\n", zarn.tickWallSeconds,
              floor.tickWallSeconds);
  for (const std::string& line : missed) std::printf("goal missed: %s\n", line.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::printf("usage: zarn_probe ZARN_EXE FLOOR_EXE WORK_DIR\n");
    return 2;
  }
  const Program zarn{"zarn.exe", argv[1], L"frmZarn"};
  const Program floor{"floor.exe", argv[2], L"ZarnFloor"};
  const std::wstring work = argv[3];
  Figures zarnFigures;
  Figures floorFigures;
  try {
    // One unmeasured start each fills the file cache. The order alternates, so that a
    // change of the machine's load during the run falls on both programs alike.
    measureStart(zarn, work, nullptr);
    measureStart(floor, work, nullptr);
    for (int i = 0; i < kStarts; ++i) {
      const bool zarnFirst = i % 2 == 0;
      measureStart(zarnFirst ? zarn : floor, work, zarnFirst ? &zarnFigures : &floorFigures);
      measureStart(zarnFirst ? floor : zarn, work, zarnFirst ? &floorFigures : &zarnFigures);
    }
    measureRunning(zarn, floor, work, zarnFigures, floorFigures);
  } catch (const MeasureFailed&) {
    return 1;
  } catch (const ScenarioFailed&) {
    return 1;
  }
  deleteZarnSettings();
  printTable(zarnFigures, floorFigures);
  return 0;
}
