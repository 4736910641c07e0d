// Long runs of the real clock: many ticks and hide/show cycles through the tray callback,
// then many notches of Ctrl + wheel, each followed by the face decoded at the new size, then
// many confirmed properties dialogs, some with picks in the system's colour and
// open-file dialogs, with the clock process's objects and memory read after a warm-up and
// after each phase. A tick is WM_TIMER with the timer's id, posted to the clock window as
// the system's timer delivers it, only faster.
//
// Under Wine 8, GetGuiResources gives 0 for another process and GetProcessMemoryInfo a
// PrivateUsage of 0, so the objects are counted in Wine's own GDI handle table of the
// process and as its windows, and the memory is the Linux process's anonymous memory.
//
// Wine's common controls keep a few bytes of every static control that was given a font,
// so any program showing the properties dialog's controls grows by itself. The dialogs are
// therefore measured against a floor: the driver run once more as a host that shows a
// window with the same controls, under the clock's own manifest, and the same system
// dialogs, as many times.

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "dialogs.h"
#include "e2e.h"
#include "hands.h"
#include "scenarios.h"
#include "win32/control_class.h"
#include "win32/text.h"

namespace zarn::e2e {

namespace {

// What a run drives; one in `pickEvery` of the dialogs picks a hand colour and a face
// before "OK".
struct Plan {
  int ticks;
  int cycles;
  int notches;
  int dialogs;
  int pickEvery;
};

constexpr Plan kQuick{1000, 50, 500, 30, 10};
constexpr Plan kLong{10000, 500, 500, 500, 10};
// The notches go five larger, then five smaller, so the clock ends at its size.
constexpr int kNotchRun = 5;
constexpr int kWarmUpTicks = 200;
constexpr int kWarmUpCycles = 10;
// The first resizes after the properties dialog has been shown grow Wine's heap once, by
// 0.8 to 1 MiB; 2000 notches more then added nothing. The warm-up ends with them.
constexpr int kWarmUpNotches = 300;
constexpr int kWarmUpDialogs = 2;
// The warm-up's pick leaves each window open this long, so that the system fills its
// caches (the open-file dialog's icons above all) before the first reading.
constexpr DWORD kWarmUpLinger = 2000;

constexpr long long kGrowthLimitKiB = 64;
// Wine's heap takes memory in steps of 64 KiB, so the growths of two processes compare only
// to within one step.
constexpr long long kHeapStepKiB = 64;
constexpr int kReadings = 5;
constexpr DWORD kTimeout = 10000;
constexpr DWORD kPoll = 5;

// The clock's menu entries and its tray icon's notification of a left double-click.
constexpr WPARAM kMitMini = 2;
constexpr WPARAM kMitProp = 4;
constexpr WPARAM kTrayIconId = 1;
// The timer that decodes the face again once the wheel has settled.
constexpr WPARAM kRescaleTimer = 3;
constexpr LPARAM kLeftDoubleClick = WM_LBUTTONDBLCLK;

// The driver is the floor host when it is given this, then the clock's program, as the
// clock's program.
constexpr wchar_t kHostArgument[] = L"floor-host=";
constexpr wchar_t kHostClass[] = L"ZarnSoakFloorHost";
constexpr wchar_t kReplicaClass[] = L"ZarnSoakFloorDialog";

// Away from where new windows appear, so that no dialog covers the clock.
constexpr int kClockLeft = 760;
constexpr int kClockTop = 120;
constexpr int kClockSize = 400;
constexpr int kTwipsPerPixel = 15;

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kPickedColours[] = {{255, 0, 0}, {0, 160, 60}};
constexpr int kTolerance = 2;
constexpr std::size_t kFewestPixels = 3;

// Thousands of waits: each is asked after more often than elsewhere.
template <typename Condition>
bool pollUntil(DWORD milliseconds, Condition condition) {
  return waitUntil(milliseconds, condition, kPoll);
}

// Wine keeps a process's GDI objects in a handle table that the process's PEB names; an
// entry with a nonzero type is a live object, the stock objects included.
struct GdiEntry {
  UINT64 object;
  ULONG owner;
  USHORT unique;
  UCHAR type;
  UCHAR flags;
  UINT64 user;
};
static_assert(sizeof(GdiEntry) == 24);
constexpr std::size_t kGdiEntries = 0x10000;
constexpr std::size_t kGdiTableInPeb = sizeof(void*) == 8 ? 0xF8 : 0x94;

// The process's GDI handle table, or nothing when it cannot be read.
std::vector<GdiEntry> gdiTable(HANDLE process) {
  using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  if (query == nullptr ||
      query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
    return {};
  }
  const auto* peb = reinterpret_cast<const char*>(basic.PebBaseAddress);
  void* table = nullptr;
  std::vector<GdiEntry> entries(kGdiEntries);
  if (!ReadProcessMemory(process, peb + kGdiTableInPeb, &table, sizeof table, nullptr) ||
      table == nullptr ||
      !ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(GdiEntry),
                         nullptr)) {
    return {};
  }
  return entries;
}

// The live objects by Wine's type number (1 DCs, 4 regions, 9 bitmaps, 10 fonts, 16 brushes
// and pens); all zero when the table cannot be read.
using GdiTypes = std::array<long long, 32>;

GdiTypes gdiTypes(HANDLE process) {
  GdiTypes types{};
  for (const GdiEntry& e : gdiTable(process)) {
    if (e.type != 0) ++types[e.type & 31];
  }
  return types;
}

long long total(const GdiTypes& types) {
  long long sum = 0;
  for (const long long n : types) sum += n;
  return sum;
}

std::string byType(const GdiTypes& types) {
  std::string text;
  for (std::size_t t = 0; t < types.size(); ++t) {
    if (types[t] != 0) text += printed("%s%zu:%lld", text.empty() ? "" : " ", t, types[t]);
  }
  return text;
}

// The counter must see objects come and go, or its counts prove nothing: ten new brushes
// of the driver's own must add ten.
void requireGdiCounterWorks() {
  const long long before = total(gdiTypes(GetCurrentProcess()));
  std::array<HBRUSH, 10> brushes{};
  for (std::size_t i = 0; i < brushes.size(); ++i) brushes[i] = CreateSolidBrush(RGB(i, 0, 0));
  const long long during = total(gdiTypes(GetCurrentProcess()));
  for (const HBRUSH b : brushes) DeleteObject(b);
  const long long after = total(gdiTypes(GetCurrentProcess()));
  requireTrue(before > 0 && during == before + 10 && after == before,
              "the driver's GDI table around ten brushes",
              printed("%lld, %lld, %lld", before, during, after), "n, n + 10, n with n > 0");
}

BOOL CALLBACK countWindow(HWND window, LPARAM parameter) {
  auto& count = *reinterpret_cast<std::pair<DWORD, long long>*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == count.first) {
    ++count.second;
    EnumChildWindows(window, countWindow, parameter);
  }
  return TRUE;
}

// The process's windows, top-level and children, visible or not: the USER objects that
// another process can count under Wine.
long long windowsOf(DWORD pid) {
  std::pair<DWORD, long long> count{pid, 0};
  EnumWindows(countWindow, reinterpret_cast<LPARAM>(&count));
  return count.second;
}

// A process being read and driven: the clock or the floor host.
struct Watched {
  HANDLE process = nullptr;
  DWORD id = 0;
  HWND window = nullptr;  // takes the menu's commands and answers WM_NULL
  const wchar_t* dialogClass = kPropertiesClassName;
  std::string linuxPid;
};

struct Sample {
  GdiTypes gdiTable{};
  long long gdi = 0;  // GetGuiResources
  long long user = 0;
  long long windows = 0;
  long long anonymousKiB = 0;  // /proc/<pid>/smaps_rollup, counted page by page
  long long privateKiB = 0;    // GetProcessMemoryInfo
};

long long median(std::vector<long long> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Returns once the process has handled everything sent or posted to the window before.
void requireResponsive(const Watched& w,
                       const std::source_location& where = std::source_location::current()) {
  DWORD_PTR result = 0;
  requireTrue(SendMessageTimeoutW(w.window, WM_NULL, 0, 0, SMTO_NORMAL, kTimeout, &result) != 0,
              "the answer to WM_NULL", "none within 10 s", "an answer", where);
}

// The median of a few readings a moment apart; one may fall into a tick of the real timer.
Sample sample(const Watched& w,
              const std::source_location& where = std::source_location::current()) {
  requireResponsive(w, where);
  pause(1000);
  std::vector<long long> fields[5];
  std::vector<long long> types[std::tuple_size_v<GdiTypes>];
  for (int i = 0; i < kReadings; ++i) {
    if (i > 0) pause(300);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(w.process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof memory);
    const long long values[5] = {GetGuiResources(w.process, GR_GDIOBJECTS),
                                 GetGuiResources(w.process, GR_USEROBJECTS), windowsOf(w.id),
                                 procValue(readProc(w.linuxPid + "\\smaps_rollup"), "Anonymous"),
                                 static_cast<long long>(memory.PrivateUsage / 1024)};
    for (int f = 0; f < 5; ++f) fields[f].push_back(values[f]);
    const GdiTypes now = gdiTypes(w.process);
    for (std::size_t t = 0; t < now.size(); ++t) types[t].push_back(now[t]);
  }
  Sample m{{},
           median(fields[0]),
           median(fields[1]),
           median(fields[2]),
           median(fields[3]),
           median(fields[4])};
  for (std::size_t t = 0; t < m.gdiTable.size(); ++t) m.gdiTable[t] = median(types[t]);
  requireTrue(total(m.gdiTable) > 0 && m.anonymousKiB > 0, "the readings of /proc/" + w.linuxPid,
              printed("GDI table %lld, Anonymous %lld KiB", total(m.gdiTable), m.anonymousKiB),
              "both readable", where);
  return m;
}

void report(const char* when, const Sample& m) {
  std::printf(
      "%-30s GDI table %lld (%s), GetGuiResources GDI %lld USER %lld, windows %lld, "
      "Anonymous %lld KiB, PrivateUsage %lld KiB\n",
      when, total(m.gdiTable), byType(m.gdiTable).c_str(), m.gdi, m.user, m.windows, m.anonymousKiB,
      m.privateKiB);
  std::fflush(stdout);
}

HWND waitForTopLevel(DWORD pid, const wchar_t* windowClass, const wchar_t* title, int control,
                     DWORD milliseconds) {
  HWND found = nullptr;
  const std::wstring wanted = title;
  pollUntil(milliseconds, [&] {
    for (const HWND w : topLevelWindows(pid, windowClass, &wanted)) {
      if (IsWindowVisible(w) && GetDlgItem(w, control) != nullptr) found = w;
    }
    return found != nullptr;
  });
  requireTrue(found != nullptr, "the window " + describe(title),
              printed("none in %lu s", milliseconds / 1000),
              "a " + win32::narrow(windowClass) + printed(" window with the control %d", control));
  return found;
}

// Sets a box's text until it reads back so: a dialog that is still settling may overwrite
// it once.
void enterText(HWND dialog, int id, const std::wstring& text) {
  const bool entered = pollUntil(kTimeout, [&] {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(GetDlgItem(dialog, id), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000, &result);
    return dialogItemText(dialog, id) == text;
  });
  requireTrue(entered, printed("the text of control %d", id), describe(dialogItemText(dialog, id)),
              describe(text));
}

void press(HWND dialog, int button, const std::string& what) {
  PostMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
  requireTrue(pollUntil(kTimeout, [&] { return gone(dialog); }), what, "still open", "closed");
}

// The n-th pick: alternately red with the burgundy face and green with the navy one, chosen
// in the colour and open-file dialogs that the dialog's "..." buttons open.
void pick(const Context& context, const Watched& w, HWND dialog, int n, DWORD linger) {
  const Rgb colour = kPickedColours[n % 2];
  PostMessageW(GetDlgItem(dialog, number(cmdColHour)), BM_CLICK, 0, 0);
  const HWND colours = waitForTopLevel(w.id, L"#32770", L"Color", kRedEdit, kCommonDialogTimeout);
  pause(linger);
  enterText(colours, kRedEdit, std::to_wstring(colour.r));
  enterText(colours, kGreenEdit, std::to_wstring(colour.g));
  enterText(colours, kBlueEdit, std::to_wstring(colour.b));
  press(colours, IDOK, "the colour dialog after OK");
  PostMessageW(GetDlgItem(dialog, number(cmdBG)), BM_CLICK, 0, 0);
  const HWND files = waitForTopLevel(w.id, L"#32770", L"Open", kFileNameEdit, kCommonDialogTimeout);
  pause(linger);
  enterText(files, kFileNameEdit,
            context.workDir + (n % 2 == 0 ? L"\\clockbg1.bmp" : L"\\clockbg5.bmp"));
  press(files, IDOK, "the open-file dialog after Open");
}

// Opens the dialog with the menu's command, picks when `pickNumber` is not negative, and
// presses "OK".
void confirmDialog(const Context& context, const Watched& w, int showing, int pickNumber,
                   DWORD linger = 0) {
  PostMessageW(w.window, WM_COMMAND, kMitProp, 0);
  const HWND dialog =
      waitForTopLevel(w.id, w.dialogClass, kPropertiesCaption, number(cmdOK), kTimeout);
  pause(linger);
  if (pickNumber >= 0) pick(context, w, dialog, pickNumber, linger);
  press(dialog, number(cmdOK), printed("the properties dialog after \"OK\" (showing %d)", showing));
  requireResponsive(w);
}

// Confirmed dialogs after one another, one in `pickEvery` with a pick; returns the picks.
int confirmDialogs(const Context& context, const Watched& w, int dialogs, int pickEvery,
                   int picksBefore) {
  int picks = picksBefore;
  for (int d = 1; d <= dialogs; ++d) {
    confirmDialog(context, w, d, d % pickEvery == 0 ? picks++ : -1);
  }
  return picks;
}

void tick(const Watched& clock) {
  requireTrue(PostMessageW(clock.window, WM_TIMER, 1, 0) != 0, "posting WM_TIMER", "refused",
              "posted");
  requireResponsive(clock);
}

void hideAndShow(const Watched& clock, int cycle) {
  PostMessageW(clock.window, WM_COMMAND, kMitMini, 0);
  requireTrue(pollUntil(kTimeout, [&] { return !IsWindowVisible(clock.window); }),
              printed("the clock after \"Minimieren\" (cycle %d)", cycle), "visible", "hidden");
  // As the shell sends it: from another thread, so the clock cannot take it for a move.
  SendNotifyMessageW(clock.window, WM_MOUSEMOVE, kTrayIconId, kLeftDoubleClick);
  requireTrue(pollUntil(kTimeout, [&] { return IsWindowVisible(clock.window) != FALSE; }),
              printed("the clock after a double-click on its icon (cycle %d)", cycle), "hidden",
              "visible");
}

// One notch of Ctrl + wheel over the clock's centre, then the settled wheel's timer at once
// rather than after its delay. Both are sent, not posted: a message sent from another
// thread is handled before anything posted, so a WM_NULL after posted notches would come
// back while hundreds of them still wait.
void notch(const Watched& clock, int direction) {
  RECT rect{};
  GetWindowRect(clock.window, &rect);
  const LPARAM centre = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  DWORD_PTR result = 0;
  requireTrue(SendMessageTimeoutW(clock.window, WM_MOUSEWHEEL,
                                  MAKEWPARAM(MK_CONTROL, direction * WHEEL_DELTA), centre,
                                  SMTO_NORMAL, kTimeout, &result) != 0 &&
                  SendMessageTimeoutW(clock.window, WM_TIMER, kRescaleTimer, 0, SMTO_NORMAL,
                                      kTimeout, &result) != 0,
              "sending WM_MOUSEWHEEL and WM_TIMER", "no answer within 10 s", "answered");
}

// Returns the largest width the clock reached.
int resizeMany(const Watched& clock, int notches) {
  int largest = 0;
  for (int n = 0; n < notches; ++n) {
    notch(clock, (n / kNotchRun) % 2 == 0 ? 1 : -1);
    RECT rect{};
    GetWindowRect(clock.window, &rect);
    largest = std::max<int>(largest, rect.right - rect.left);
  }
  return largest;
}

// Ticks and cycles spread evenly over each other.
void tickAndCycle(const Watched& clock, int ticks, int cycles) {
  const int rounds = std::max(cycles, 1);
  for (int r = 0; r < rounds; ++r) {
    for (int t = ticks * r / rounds; t < ticks * (r + 1) / rounds; ++t) tick(clock);
    if (r < cycles) hideAndShow(clock, r + 1);
  }
}

// The problem with a picture of the clock at the possible times, or nothing: the face's
// centre disc, the hour hand and the minute hand where no other hand can lie over them.
std::string judge(const Capture& shown, const std::vector<ClockTime>& times, Rgb hour, Rgb centre) {
  const ClockPixels known = clockPixels(shown.width(), shown.height(), times);
  const std::size_t fewest =
      std::min({known.hour.size(), known.minute.size(), known.centre.size()});
  if (fewest < kFewestPixels) {
    return printed("only %zu hour, %zu minute and %zu centre pixels to judge", known.hour.size(),
                   known.minute.size(), known.centre.size());
  }
  const auto wrong = [&](const std::vector<Vertex>& pixels, Rgb colour, const char* part) {
    for (const Vertex v : pixels) {
      if (!closeTo(shown.at(v.x, v.y), colour, kTolerance)) {
        return printed("%s at (%d,%d) ", part, v.x, v.y) + describe(shown.at(v.x, v.y));
      }
    }
    return std::string();
  };
  if (std::string w = wrong(known.hour, hour, "hour hand"); !w.empty()) return w;
  if (std::string w = wrong(known.minute, kWhite, "minute hand"); !w.empty()) return w;
  return wrong(known.centre, centre, "face centre");
}

// Waits for a steady picture that shows what the last pick chose. Hands lying over one
// another leave too little to judge, and pass within a minute.
void expectPainted(const Context& context, HWND window, int lastPick) {
  const Rgb hour = kPickedColours[lastPick % 2];
  const Rgb centre = lastPick % 2 == 0 ? facegen::kFace1Centre : facegen::kFace5Centre;
  const ULONGLONG end = GetTickCount64() + 70000;
  std::string problem = "no steady picture";
  Capture shown;
  while (GetTickCount64() < end) {
    const double before = secondsOfDayNow();
    shown = captureClient(window);
    const bool steady = shown == captureClient(window);
    const auto times = shownTimes(before, secondsOfDayNow());
    const bool oneMinute = std::all_of(times.begin(), times.end(), [&](ClockTime t) {
      return t.hour == times.front().hour && t.minute == times.front().minute;
    });
    if (steady && oneMinute) {
      problem = judge(shown, times, hour, centre);
      if (problem.empty()) return;
    }
    pause(200);
  }
  saveForInspection(context, shown, "clock");
  printFailure(
      "the clock's picture at the end", problem,
      "hour hand " + describe(hour) + ", minute hand white, face centre " + describe(centre),
      std::source_location::current());
}

// The floor's dialog: the properties dialog's controls, made from the dialog's own table, in
// its window style, with a font of their own, and its "..." buttons opening the system's
// dialogs as the clock's do.
LRESULT CALLBACK replicaProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static const HMODULE dialogs = LoadLibraryW(L"comdlg32.dll");
  static COLORREF customColours[16] = {};
  static wchar_t fileName[MAX_PATH] = {};
  if (message == WM_COMMAND && LOWORD(wParam) == number(cmdColHour)) {
    CHOOSECOLORW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpCustColors = customColours;
    using Choose = BOOL(WINAPI*)(CHOOSECOLORW*);
    reinterpret_cast<Choose>(reinterpret_cast<void*>(GetProcAddress(dialogs, "ChooseColorW")))(
        &dialog);
  } else if (message == WM_COMMAND && LOWORD(wParam) == number(cmdBG)) {
    wchar_t directory[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, directory);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpstrFilter = L"*.jpg\0*.jpg\0";
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = MAX_PATH;
    dialog.Flags = OFN_EXPLORER;
    using Open = BOOL(WINAPI*)(OPENFILENAMEW*);
    reinterpret_cast<Open>(reinterpret_cast<void*>(GetProcAddress(dialogs, "GetOpenFileNameW")))(
        &dialog);
    SetCurrentDirectoryW(directory);
  } else if (message == WM_COMMAND && LOWORD(wParam) == number(cmdOK)) {
    DestroyWindow(window);
  } else if (message == WM_NCDESTROY) {
    DeleteObject(reinterpret_cast<HFONT>(GetWindowLongPtrW(window, GWLP_USERDATA)));
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void showReplica() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const HWND window =
      CreateWindowExW(0, kReplicaClass, kPropertiesCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                      CW_USEDEFAULT, 330, 180, nullptr, nullptr, instance, nullptr);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  const HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(font));
  for (const ControlLayout& layout : kPropertiesControls) {
    const win32::ControlClass kind = win32::controlClass(layout.kind);
    const PixelBox box = controlBox(layout, kTwipsPerPixel, kTwipsPerPixel);
    const HWND control = CreateWindowExW(
        kind.exStyle, kind.name, win32::widen(layout.text).c_str(), kind.style, box.left, box.top,
        box.width, box.height, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)),
        instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  ShowWindow(window, SW_SHOWNORMAL);
  SetFocus(GetDlgItem(window, number(cmdOK)));
}

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && wParam == kMitProp) showReplica();
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

// The floor host's life: the clock's manifest in effect, as it is for the clock's own
// controls and dialogs, its common controls and COM started as the clock starts them.
std::string runFloorHost(const std::wstring& clockExe) {
  ACTCTXW manifest{};
  manifest.cbSize = sizeof manifest;
  manifest.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  manifest.lpSource = clockExe.c_str();
  manifest.lpResourceName = MAKEINTRESOURCEW(1);
  const HANDLE context = CreateActCtxW(&manifest);
  ULONG_PTR cookie = 0;
  requireTrue(context != INVALID_HANDLE_VALUE && ActivateActCtx(context, &cookie),
              "the clock's manifest in the floor host", printed("error %lu", GetLastError()),
              "in effect");
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  using Init = BOOL(WINAPI*)(INITCOMMONCONTROLSEX*);
  reinterpret_cast<Init>(reinterpret_cast<void*>(
      GetProcAddress(LoadLibraryW(L"comctl32.dll"), "InitCommonControlsEx")))(&controls);

  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = hostProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kHostClass;
  RegisterClassW(&windowClass);
  windowClass.lpfnWndProc = replicaProc;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = kReplicaClass;
  RegisterClassW(&windowClass);
  const HWND window = CreateWindowExW(0, kHostClass, L"", WS_POPUP | WS_VISIBLE, 40, 700, 20, 20,
                                      nullptr, nullptr, instance, nullptr);
  requireTrue(window != nullptr, "the floor host's window", "not created", "a window");
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return "floor host ended";
}

// The driver run once more as the floor host, in the same folder; it ends with this
// object, and with the driver through its job.
class FloorHost {
 public:
  explicit FloorHost(const Context& context) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const std::vector<std::wstring> arguments = {
        exe, std::wstring(context.scenario.begin(), context.scenario.end()),
        kHostArgument + context.clockExe, context.workDir};
    std::wstring commandLine;
    for (const std::wstring& a : arguments) commandLine += L"\"" + a + L"\" ";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    job_ = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    // Under load Wine now and then refuses a start with "internal error" and takes it a
    // moment later.
    BOOL started = FALSE;
    for (int attempt = 0; attempt < 5 && started == FALSE; ++attempt) {
      if (attempt > 0) pause(500);
      started = CreateProcessW(exe, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                               nullptr, context.workDir.c_str(), &startup, &info);
      if (started == FALSE && GetLastError() != ERROR_INTERNAL_ERROR) break;
    }
    requireTrue(started != FALSE, "starting the floor host", printed("error %lu", GetLastError()),
                "started");
    watched.process = info.hProcess;
    watched.id = info.dwProcessId;
    watched.dialogClass = kReplicaClass;
    AssignProcessToJobObject(job_, info.hProcess);
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    watched.window = waitForWindow(watched.id, kHostClass, kTimeout);
    requireTrue(watched.window != nullptr, "the floor host's window", "none in 10 s", "shown");
    watched.linuxPid = linuxPid(arguments);
    requireTrue(!watched.linuxPid.empty(), "the floor host's Linux process", "not found",
                "a /proc entry");
  }
  ~FloorHost() {
    if (watched.process != nullptr) {
      TerminateProcess(watched.process, 0xE2E);
      WaitForSingleObject(watched.process, 5000);
      CloseHandle(watched.process);
    }
    CloseHandle(job_);
  }
  FloorHost(const FloorHost&) = delete;
  FloorHost& operator=(const FloorHost&) = delete;

  Watched watched;

 private:
  HANDLE job_ = nullptr;
};

// Wine loads one 32 by 32 icon into a process once, its colour, alpha and mask bitmaps, at a
// moment that depends on the machine's load: seen during fast dialogs on a busy machine,
// where the clock loads no icon. That one icon is let pass, once.
constexpr std::size_t kBitmapType = 9;
constexpr long long kIconBitmaps = 3;

void expectSameObjects(const Sample& before, const Sample& after, const std::string& over,
                       bool iconMayLoad,
                       const std::source_location& where = std::source_location::current()) {
  const std::string of = " of the clock " + over;
  GdiTypes expected = before.gdiTable;
  if (iconMayLoad && after.gdiTable[kBitmapType] == expected[kBitmapType] + kIconBitmaps) {
    expected[kBitmapType] += kIconBitmaps;
    std::printf("note: Wine loaded its one icon (three bitmaps) %s\n", over.c_str());
  }
  expectTrue(after.gdiTable == expected, "live GDI objects by type in the table" + of,
             byType(after.gdiTable), byType(before.gdiTable), where);
  expectEqual(after.gdi, before.gdi, "GetGuiResources(GR_GDIOBJECTS)" + of, where);
  expectEqual(after.user, before.user, "GetGuiResources(GR_USEROBJECTS)" + of, where);
  expectEqual(after.windows, before.windows, "the windows" + of, where);
}

std::string soak(const Context& context, const Plan& plan) {
  if (context.clockExe.starts_with(kHostArgument)) {
    return runFloorHost(context.clockExe.substr(std::size(kHostArgument) - 1));
  }
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  requireEqual(dpi, 96, "the screen's DPI (15 twips per pixel)");
  requireGdiCounterWorks();
  deleteZarnSettings();
  writeLayoutText(L"Left", std::to_wstring(kClockLeft * kTwipsPerPixel));
  writeLayoutText(L"Top", std::to_wstring(kClockTop * kTwipsPerPixel));
  writeLayoutText(L"Width", std::to_wstring(kClockSize * kTwipsPerPixel));
  writeLayoutText(L"Height", std::to_wstring(kClockSize * kTwipsPerPixel));

  const ULONGLONG started = GetTickCount64();
  const ClockProcess process(context);
  Watched clock;
  clock.window = requireClockWindow(process);
  clock.id = process.id();
  clock.process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, clock.id);
  requireTrue(clock.process != nullptr, "opening the clock's process to read it",
              printed("error %lu", GetLastError()), "a handle");
  clock.linuxPid = linuxPid({context.clockExe});
  requireTrue(!clock.linuxPid.empty(), "the clock's Linux process", "not found", "a /proc entry");

  tickAndCycle(clock, kWarmUpTicks, kWarmUpCycles);
  confirmDialogs(context, clock, kWarmUpDialogs, kWarmUpDialogs + 1, 0);
  confirmDialog(context, clock, kWarmUpDialogs + 1, 0, kWarmUpLinger);
  resizeMany(clock, kWarmUpNotches);
  const Sample warm = sample(clock);
  report("clock after the warm-up:", warm);

  const ULONGLONG phase = GetTickCount64();
  tickAndCycle(clock, plan.ticks, plan.cycles);
  const double tickSeconds = static_cast<double>(GetTickCount64() - phase) / 1000;
  const Sample ticked = sample(clock);
  report("clock after ticks and cycles:", ticked);
  const ULONGLONG wheelPhase = GetTickCount64();
  const int largest = resizeMany(clock, plan.notches);
  const double wheelSeconds = static_cast<double>(GetTickCount64() - wheelPhase) / 1000;
  const Geometry resized = windowGeometry(clock.window);
  const Sample wheeled = sample(clock);
  report("clock after the wheel notches:", wheeled);
  const ULONGLONG dialogPhase = GetTickCount64();
  const int picks = confirmDialogs(context, clock, plan.dialogs, plan.pickEvery, 1);
  const double dialogSeconds = static_cast<double>(GetTickCount64() - dialogPhase) / 1000;
  const Sample confirmed = sample(clock);
  report("clock after the dialogs:", confirmed);

  FloorHost host(context);
  confirmDialogs(context, host.watched, kWarmUpDialogs, kWarmUpDialogs + 1, 0);
  confirmDialog(context, host.watched, kWarmUpDialogs + 1, 0, kWarmUpLinger);
  const Sample floorWarm = sample(host.watched);
  report("floor after its warm-up:", floorWarm);
  confirmDialogs(context, host.watched, plan.dialogs, plan.pickEvery, 1);
  const Sample floorConfirmed = sample(host.watched);
  report("floor after the dialogs:", floorConfirmed);

  expectSameObjects(warm, ticked, "over the ticks and cycles", false);
  const long long tickGrowth = ticked.anonymousKiB - warm.anonymousKiB;
  expectTrue(tickGrowth < kGrowthLimitKiB, "the clock's memory growth over the ticks and cycles",
             printed("%+lld KiB", tickGrowth), printed("under %lld KiB", kGrowthLimitKiB));
  expectEqual(resized, Geometry{kClockLeft, kClockTop, kClockSize, kClockSize},
              "the clock after the notches, as many larger as smaller");
  expectTrue(largest > kClockSize * 3 / 2, "the largest clock over the notches",
             printed("%d pixels wide", largest), printed("over %d", kClockSize * 3 / 2));
  expectSameObjects(ticked, wheeled, "over the wheel notches", false);
  const long long wheelGrowth = wheeled.anonymousKiB - ticked.anonymousKiB;
  expectTrue(wheelGrowth < kGrowthLimitKiB, "the clock's memory growth over the wheel notches",
             printed("%+lld KiB", wheelGrowth), printed("under %lld KiB", kGrowthLimitKiB));
  expectSameObjects(wheeled, confirmed, "over the dialogs", true);
  const long long dialogGrowth = confirmed.anonymousKiB - wheeled.anonymousKiB;
  const long long floorGrowth = floorConfirmed.anonymousKiB - floorWarm.anonymousKiB;
  expectTrue(dialogGrowth - floorGrowth < kGrowthLimitKiB + kHeapStepKiB,
             "the clock's memory growth over the dialogs", printed("%+lld KiB", dialogGrowth),
             printed("under the floor's %+lld KiB plus %lld KiB and a heap step of %lld KiB",
                     floorGrowth, kGrowthLimitKiB, kHeapStepKiB));
  expectPainted(context, clock.window, picks - 1);
  expectTrue(process.alive() && zarnBoxes(clock.id).empty(), "the clock at the end",
             "ended or reporting", "running, no report box");
  CloseHandle(clock.process);

  return printed(
      "%d ticks and %d hide/show cycles in %.0f s: GDI objects %lld -> %lld, windows %lld -> "
      "%lld, memory %+lld KiB; %d wheel notches (up to %d pixels wide) in %.0f s: GDI objects "
      "%lld, memory %+lld KiB; %d confirmed dialogs (%d with picks) in %.0f s: GDI objects "
      "%lld, memory %+lld KiB, the floor's %+lld KiB; %.0f s in all. GetGuiResources gave "
      "%lld GDI and %lld USER objects and PrivateUsage %lld KiB",
      plan.ticks, plan.cycles, tickSeconds, total(warm.gdiTable), total(ticked.gdiTable),
      warm.windows, ticked.windows, tickGrowth, plan.notches, largest, wheelSeconds,
      total(wheeled.gdiTable), wheelGrowth, plan.dialogs, picks - 1, dialogSeconds,
      total(confirmed.gdiTable), dialogGrowth, floorGrowth,
      static_cast<double>(GetTickCount64() - started) / 1000, warm.gdi, warm.user, warm.privateKiB);
}

}  // namespace

std::string soakQuick(const Context& context) { return soak(context, kQuick); }

std::string soakLong(const Context& context) { return soak(context, kLong); }

}  // namespace zarn::e2e
