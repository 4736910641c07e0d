// Long runs of the real clock: many ticks, confirmed properties dialogs and hide/show
// cycles through the tray callback, with the clock process's objects and memory read
// after a warm-up and at the end. A tick is WM_TIMER with the timer's id, posted to the
// clock window as the system's timer delivers it, only faster.
//
// Under Wine 8, GetGuiResources gives 0 for another process and GetProcessMemoryInfo a
// PrivateUsage of 0, so the objects are counted in Wine's own GDI handle table of the
// process and its windows, and the memory is the Linux process's anonymous memory.
//
// The system's colour and open-file dialogs grow Wine's heap by themselves, in whatever
// program shows them. So the picks through them run as a phase of their own, after the
// ticks, dialogs and cycles, and their growth is compared with that of the same dialogs
// shown the same number of times by a floor: the driver run once more as a dialog host.

#include <windows.h>

#include <commdlg.h>
#include <objbase.h>
#include <psapi.h>
#include <wincodec.h>
#include <winternl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e.h"
#include "hands.h"
#include "scenarios.h"

namespace zarn::e2e {

namespace {

// What a run drives; one in `pickEvery` of the dialogs picks a hand colour and a face in
// the system's own dialogs before "OK".
struct Plan {
  int ticks;
  int dialogs;
  int cycles;
  int pickEvery;
};

constexpr Plan kWarmUp{200, 2, 10, 0};
constexpr Plan kQuick{1000, 30, 50, 10};
constexpr Plan kLong{10000, 500, 500, 10};
// The first pick leaves both dialogs open this long, so that the system fills its caches
// (the icons of the open-file dialog's list above all) before the first reading.
constexpr DWORD kFirstPickLinger = 3000;

constexpr long long kGrowthLimitKiB = 64;
constexpr int kReadings = 5;
constexpr DWORD kTimeout = 10000;
constexpr DWORD kPoll = 5;

// The clock's menu entries and its tray icon's notification of a left double-click.
constexpr WPARAM kMitMini = 2;
constexpr WPARAM kMitProp = 4;
constexpr WPARAM kTrayIconId = 1;
constexpr LPARAM kLeftDoubleClick = WM_LBUTTONDBLCLK;

// The properties dialog as its window declares it, and the system's common dialogs.
constexpr wchar_t kPropertiesClass[] = L"ZarnProperties";
constexpr wchar_t kPropertiesCaption[] = L"Zarn - Eigenschaften";
constexpr int cmdOK = 100;
constexpr int cmdBG = 107;
constexpr int cmdColHour = 108;
constexpr int kRedEdit = 706;
constexpr int kGreenEdit = 707;
constexpr int kBlueEdit = 708;
constexpr int kFileNameEdit = 1148;
constexpr DWORD kCommonDialogTimeout = 30000;

// The driver started with this in place of the clock's program is the dialog host.
constexpr wchar_t kHostArgument[] = L"dialog-host";
constexpr wchar_t kHostClass[] = L"ZarnSoakDialogHost";

// Away from where new windows appear, so that no dialog covers the clock.
constexpr int kClockLeft = 760;
constexpr int kClockTop = 120;
constexpr int kClockSize = 400;
constexpr int kTwipsPerPixel = 15;

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kPickedColours[] = {{255, 0, 0}, {0, 160, 60}};
constexpr int kTolerance = 2;
constexpr double kInside = 0.9;
constexpr double kClear = 1.5;
constexpr int kFewestPixels = 3;

template <typename Condition>
bool waitUntil(DWORD milliseconds, Condition condition) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  while (!condition()) {
    if (GetTickCount64() >= end) return false;
    pause(kPoll);
  }
  return true;
}

bool gone(HWND window) { return !IsWindow(window) || !IsWindowVisible(window); }

std::string utf8(const std::wstring& wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, text.data(), n, nullptr, nullptr);
  return text;
}

// A file under Linux's /proc, which Wine shows on drive Z:; empty when it cannot be read.
std::string readProc(const std::string& path) {
  const HANDLE file =
      CreateFileA(("Z:\\proc\\" + path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string text;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) != FALSE && got > 0) {
    text.append(chunk, got);
  }
  CloseHandle(file);
  return text;
}

// Wine runs each Windows process as a Linux process whose command line is the Windows
// one, split at the blanks; the prefix tells this run's processes from any other.
std::string linuxPid(const std::vector<std::wstring>& arguments) {
  std::string start;
  for (const std::wstring& argument : arguments) start += utf8(argument) + '\0';
  char prefix[1024] = {};
  GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
  const std::string prefixEntry = std::string(1, '\0') + "WINEPREFIX=" + prefix + '\0';
  WIN32_FIND_DATAA entry{};
  const HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
  std::string found;
  for (BOOL more = search != INVALID_HANDLE_VALUE; more && found.empty();
       more = FindNextFileA(search, &entry)) {
    const std::string pid = entry.cFileName;
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    if (readProc(pid + "\\cmdline").compare(0, start.size(), start) != 0) continue;
    std::string environment(1, '\0');
    environment += readProc(pid + "\\environ");
    if (environment.find(prefixEntry) != std::string::npos) {
      found = pid;
    }
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  return found;
}

// The number after "label:" in a /proc file, or -1.
long long procValue(const std::string& text, const std::string& label) {
  const std::size_t at = text.find("\n" + label + ":");
  return at == std::string::npos ? -1 : std::atoll(text.c_str() + at + label.size() + 2);
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

long long gdiObjects(HANDLE process) {
  using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  if (query == nullptr ||
      query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) {
    return -1;
  }
  const auto* peb = reinterpret_cast<const char*>(basic.PebBaseAddress);
  void* table = nullptr;
  if (!ReadProcessMemory(process, peb + kGdiTableInPeb, &table, sizeof table, nullptr) ||
      table == nullptr) {
    return -1;
  }
  std::vector<GdiEntry> entries(kGdiEntries);
  if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(GdiEntry),
                         nullptr)) {
    return -1;
  }
  return std::count_if(entries.begin(), entries.end(),
                       [](const GdiEntry& e) { return e.type != 0; });
}

// The counter must see objects come and go, or its counts prove nothing: ten new brushes
// of the driver's own must add ten.
void requireGdiCounterWorks() {
  const long long before = gdiObjects(GetCurrentProcess());
  std::array<HBRUSH, 10> brushes{};
  for (std::size_t i = 0; i < brushes.size(); ++i) {
    brushes[i] = CreateSolidBrush(RGB(i, 0, 0));
  }
  const long long during = gdiObjects(GetCurrentProcess());
  for (const HBRUSH b : brushes) DeleteObject(b);
  const long long after = gdiObjects(GetCurrentProcess());
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

// A process being read: the clock or the dialog host.
struct Watched {
  HANDLE process = nullptr;
  DWORD id = 0;
  HWND window = nullptr;  // the one that answers WM_NULL
  std::string linuxPid;
};

struct Sample {
  long long gdiTable = 0;
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

// The median of a few readings a moment apart; a reading may fall into a tick of the
// real timer.
Sample sample(const Watched& w,
              const std::source_location& where = std::source_location::current()) {
  requireResponsive(w, where);
  pause(1000);
  std::vector<long long> fields[6];
  for (int i = 0; i < kReadings; ++i) {
    if (i > 0) pause(300);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(w.process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof memory);
    const long long values[6] = {gdiObjects(w.process),
                                 GetGuiResources(w.process, GR_GDIOBJECTS),
                                 GetGuiResources(w.process, GR_USEROBJECTS),
                                 windowsOf(w.id),
                                 procValue(readProc(w.linuxPid + "\\smaps_rollup"), "Anonymous"),
                                 static_cast<long long>(memory.PrivateUsage / 1024)};
    for (int f = 0; f < 6; ++f) fields[f].push_back(values[f]);
  }
  const Sample m{median(fields[0]), median(fields[1]), median(fields[2]),
                 median(fields[3]), median(fields[4]), median(fields[5])};
  requireTrue(m.gdiTable > 0 && m.anonymousKiB > 0, "the readings of /proc/" + w.linuxPid,
              printed("GDI table %lld, Anonymous %lld KiB", m.gdiTable, m.anonymousKiB),
              "both readable", where);
  return m;
}

std::string account(const Sample& m) {
  return printed(
      "GDI table %lld, GetGuiResources GDI %lld USER %lld, windows %lld, "
      "Anonymous %lld KiB, PrivateUsage %lld KiB",
      m.gdiTable, m.gdi, m.user, m.windows, m.anonymousKiB, m.privateKiB);
}

void report(const char* when, const Sample& m) {
  std::printf("%-34s %s\n", when, account(m).c_str());
  std::fflush(stdout);
}

HWND commonDialog(DWORD pid, const wchar_t* title, int control) {
  HWND found = nullptr;
  const std::wstring wanted = title;
  waitUntil(kCommonDialogTimeout, [&] {
    for (const HWND w : topLevelWindows(pid, L"#32770", &wanted)) {
      if (IsWindowVisible(w) && GetDlgItem(w, control) != nullptr) found = w;
    }
    return found != nullptr;
  });
  requireTrue(found != nullptr, "the system's dialog " + describe(title), "none in 30 s",
              printed("a #32770 window with the control %d", control));
  return found;
}

// Sets a box's text until it reads back so: a dialog that is still settling may overwrite
// it once.
void enterText(HWND dialog, int id, const std::wstring& text) {
  const bool entered = waitUntil(kTimeout, [&] {
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
  requireTrue(waitUntil(kTimeout, [&] { return gone(dialog); }), what, "still open", "closed");
}

// The n-th pick: alternately red with the burgundy face and green with the navy one, chosen
// in the colour and open-file dialogs that the owner's "..." buttons open.
void pick(const Context& context, DWORD pid, HWND owner, int n, DWORD linger) {
  if (getenv("SOAK_SAME")) n = 0;
  const Rgb colour = kPickedColours[n % 2];
  PostMessageW(GetDlgItem(owner, cmdColHour), BM_CLICK, 0, 0);
  const HWND colours = commonDialog(pid, L"Color", kRedEdit);
  pause(linger);
  enterText(colours, kRedEdit, std::to_wstring(colour.r));
  enterText(colours, kGreenEdit, std::to_wstring(colour.g));
  enterText(colours, kBlueEdit, std::to_wstring(colour.b));
  press(colours, IDOK, "the colour dialog after OK");
  PostMessageW(GetDlgItem(owner, cmdBG), BM_CLICK, 0, 0);
  const HWND files = commonDialog(pid, L"Open", kFileNameEdit);
  pause(linger);
  enterText(files, kFileNameEdit,
            context.workDir + (n % 2 == 0 ? L"\\clockbg1.bmp" : L"\\clockbg5.bmp"));
  press(files, IDOK, "the open-file dialog after Open");
}

struct Soak {
  explicit Soak(const Context& c) : context(c), clock(c) {}

  const Context& context;
  ClockProcess clock;
  Watched watched;
  int dialogs = 0;
  int picks = 0;
  Rgb hour = kWhite;
  Rgb faceCentre = facegen::kFace5Centre;
};

void tick(const Soak& s) {
  requireTrue(PostMessageW(s.watched.window, WM_TIMER, 1, 0) != 0, "posting WM_TIMER", "refused",
              "posted");
  requireResponsive(s.watched);
}

void hideAndShow(const Soak& s, int cycle) {
  PostMessageW(s.watched.window, WM_COMMAND, kMitMini, 0);
  requireTrue(waitUntil(kTimeout, [&] { return !IsWindowVisible(s.watched.window); }),
              printed("the clock after \"Minimieren\" (cycle %d)", cycle), "visible", "hidden");
  // As the shell sends it: from another thread, so the clock cannot take it for a move.
  SendNotifyMessageW(s.watched.window, WM_MOUSEMOVE, kTrayIconId, kLeftDoubleClick);
  requireTrue(waitUntil(kTimeout, [&] { return IsWindowVisible(s.watched.window) != FALSE; }),
              printed("the clock after a double-click on its icon (cycle %d)", cycle), "hidden",
              "visible");
}

void confirmDialog(Soak& s, bool picking, DWORD linger = 0) {
  PostMessageW(s.watched.window, WM_COMMAND, kMitProp, 0);
  HWND dialog = nullptr;
  const std::wstring caption = kPropertiesCaption;
  waitUntil(kTimeout, [&] {
    for (const HWND w : topLevelWindows(s.clock.id(), kPropertiesClass, &caption)) {
      if (IsWindowVisible(w)) dialog = w;
    }
    return dialog != nullptr;
  });
  requireTrue(dialog != nullptr, printed("the properties dialog (showing %d)", s.dialogs + 1),
              "no visible window in 10 s", "a ZarnProperties window");
  if (picking) {
    pick(s.context, s.clock.id(), dialog, s.picks, linger);
    s.hour = kPickedColours[s.picks % 2];
    s.faceCentre = s.picks % 2 == 0 ? facegen::kFace1Centre : facegen::kFace5Centre;
    ++s.picks;
  }
  if (getenv("SOAK_PLAIN_LINGER") && !picking) pause(atoi(getenv("SOAK_PLAIN_LINGER")));
  press(dialog, getenv("SOAK_CANCEL") ? 101 : cmdOK,
        printed("the properties dialog after \"OK\" (showing %d)", s.dialogs + 1));
  requireResponsive(s.watched);
  ++s.dialogs;
}

// The ticks, dialogs without picks and cycles, spread evenly over as many rounds as there
// are dialogs or cycles.
void drive(Soak& s, int ticks, int dialogs, int cycles) {
  const int rounds = std::max({dialogs, cycles, 1});
  const auto share = [rounds](int total, int round) { return total * round / rounds; };
  for (int r = 0; r < rounds; ++r) {
    for (int t = share(ticks, r); t < share(ticks, r + 1); ++t) tick(s);
    if (share(dialogs, r) != share(dialogs, r + 1)) confirmDialog(s, false);
    if (share(cycles, r) != share(cycles, r + 1)) hideAndShow(s, share(cycles, r) + 1);
  }
}

// The problem with a picture of the clock at the possible times, or nothing: the face's
// centre disc, the hour hand and the minute hand where no other hand can lie over them.
std::string judge(const Capture& shown, const std::vector<ClockTime>& times, Rgb hour, Rgb centre) {
  std::vector<HandShapes> shapes;
  for (const ClockTime t : times) shapes.push_back(handShapes(shown.width(), shown.height(), t));
  const HandShapes& hands = shapes.front();
  const double radius = 0.75 * facegen::kCentreFlatRadius *
                        std::min(shown.width(), shown.height()) / facegen::kFaceSize;
  int counts[3] = {};
  std::string wrong;
  const auto expect = [&](int part, int x, int y, Rgb colour) {
    static constexpr const char* kParts[] = {"hour hand", "minute hand", "face centre"};
    ++counts[part];
    if (wrong.empty() && !closeTo(shown.at(x, y), colour, kTolerance)) {
      wrong = printed("%s at (%d,%d) ", kParts[part], x, y) + describe(shown.at(x, y));
    }
  };
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) {
      double second = 1e9;
      for (const HandShapes& h : shapes) {
        second = std::min(second, distanceToSegment(x, y, h.secondTip, h.centre));
      }
      if (second < kClear) continue;
      const double inHour = polygonMargin(x, y, hands.hour);
      const double inMinute = polygonMargin(x, y, hands.minute);
      if (inHour >= kInside && -inMinute >= kClear) expect(0, x, y, hour);
      if (inMinute >= kInside) expect(1, x, y, kWhite);
      if (-inHour >= kClear && -inMinute >= kClear &&
          std::hypot(x - hands.centre.x, y - hands.centre.y) <= radius) {
        expect(2, x, y, centre);
      }
    }
  }
  if (std::min({counts[0], counts[1], counts[2]}) < kFewestPixels) {
    return printed("only %d hour, %d minute and %d centre pixels to judge", counts[0], counts[1],
                   counts[2]);
  }
  return wrong;
}

// Waits for a steady picture that shows what the last pick chose. Hands lying over one
// another leave too little to judge, and pass within a minute.
void expectPainted(const Soak& s) {
  const ULONGLONG end = GetTickCount64() + 70000;
  std::string problem = "no steady picture";
  Capture shown;
  while (GetTickCount64() < end) {
    const double before = secondsOfDayNow();
    shown = captureClient(s.watched.window);
    const bool steady = shown == captureClient(s.watched.window);
    const auto times = shownTimes(before, secondsOfDayNow());
    const bool oneMinute = std::all_of(times.begin(), times.end(), [&](ClockTime t) {
      return t.hour == times.front().hour && t.minute == times.front().minute;
    });
    if (steady && oneMinute) {
      problem = judge(shown, times, s.hour, s.faceCentre);
      if (problem.empty()) return;
    }
    pause(200);
  }
  saveForInspection(s.context, shown, "clock");
  printFailure("the clock's picture at the end", problem,
               "hour hand " + describe(s.hour) + ", minute hand white, face centre " +
                   describe(s.faceCentre),
               std::source_location::current());
}

void hostLoad(const wchar_t* path) {
  static IWICImagingFactory* factory = nullptr;
  if (!factory)
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     reinterpret_cast<void**>(&factory));
  IWICBitmapDecoder* decoder = nullptr;
  if (FAILED(factory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, &decoder))) {
    std::printf("decode failed\n");
    return;
  }
  IWICBitmapFrameDecode* frame = nullptr;
  decoder->GetFrame(0, &frame);
  UINT w = 0, h = 0;
  frame->GetSize(&w, &h);
  IWICFormatConverter* conv = nullptr;
  factory->CreateFormatConverter(&conv);
  conv->Initialize(frame, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                   WICBitmapPaletteTypeCustom);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -(LONG)h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  conv->CopyPixels(nullptr, w * 4, w * 4 * h, (BYTE*)bits);
  conv->Release();
  frame->Release();
  decoder->Release();
  DeleteObject(bm);
}

// The dialog host: a window whose two buttons open the system's colour and open-file
// dialogs with the parameters the clock's properties dialog gives them.
LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static const HMODULE dialogs = LoadLibraryW(L"comdlg32.dll");
  static COLORREF customColours[16] = {};
  static wchar_t fileName[260] = {};
  static HWND transientOwner = nullptr;
  if (getenv("HOST_OWNER") && message == WM_COMMAND && (LOWORD(wParam) == cmdColHour) &&
      HIWORD(wParam) != 77) {
    transientOwner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE | WS_CAPTION,
                                     300, 300, 200, 100, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(transientOwner, GWLP_ID, 1);
    hostProc(window, WM_COMMAND, MAKEWPARAM(cmdColHour, 77), 0);
    return 0;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == cmdColHour) {
    CHOOSECOLORW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = transientOwner ? transientOwner : window;
    dialog.lpCustColors = customColours;
    using Choose = BOOL(WINAPI*)(CHOOSECOLORW*);
    reinterpret_cast<Choose>(reinterpret_cast<void*>(GetProcAddress(dialogs, "ChooseColorW")))(
        &dialog);
    return 0;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == cmdBG) {
    wchar_t directory[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, directory);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpstrFilter = L"*.jpg\0*.jpg\0";
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = static_cast<DWORD>(std::size(fileName));
    dialog.Flags = OFN_EXPLORER;
    if (transientOwner) dialog.hwndOwner = transientOwner;
    using Open = BOOL(WINAPI*)(OPENFILENAMEW*);
    reinterpret_cast<Open>(reinterpret_cast<void*>(GetProcAddress(dialogs, "GetOpenFileNameW")))(
        &dialog);
    SetCurrentDirectoryW(directory);
    if (getenv("HOST_WIC")) {
      for (int i = 0; i < atoi(getenv("HOST_WIC")); ++i) hostLoad(fileName);
    }
    if (transientOwner) {
      DestroyWindow(transientOwner);
      transientOwner = nullptr;
    }
    return 0;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == 301) {
    static HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW,
                                        120, 0, 73, 73, window, nullptr, nullptr, nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 400;
    info.bmiHeader.biHeight = -400;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bm = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    for (int i = 0; i < 1000; ++i) {
      HDC dc = GetDC(child);
      HDC src = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(src, bm);
      int mode = SetStretchBltMode(dc, getenv("HOST_COLORONCOLOR") ? COLORONCOLOR : HALFTONE);
      POINT o;
      SetBrushOrgEx(dc, 0, 0, &o);
      StretchBlt(dc, 0, 0, 73, 73, src, 0, 0, 400, 400, SRCCOPY);
      SetBrushOrgEx(dc, o.x, o.y, nullptr);
      SetStretchBltMode(dc, mode);
      SelectObject(src, old);
      DeleteDC(src);
      ReleaseDC(child, dc);
    }
    DeleteObject(bm);
    return 0;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == 300) {
    for (int i = 0; i < 1000; ++i) {
      HWND w =
          CreateWindowExW(0, L"STATIC", L"Zarn - Eigenschaften", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                          CW_USEDEFAULT, 330, 180, nullptr, nullptr, nullptr, nullptr);
      for (int c = 0; c < 15; ++c)
        CreateWindowExW(c == 6 ? WS_EX_CLIENTEDGE : 0,
                        c < 2 || c > 6 ? L"BUTTON"
                        : c == 6       ? L"EDIT"
                                       : L"STATIC",
                        L"...", WS_CHILD | WS_VISIBLE | WS_TABSTOP, c * 20, 10, 18, 18, w,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + c)), nullptr, nullptr);
      HFONT font = nullptr;
      if (getenv("HOST_FONT")) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        LOGFONTW lf = metrics.lfMessageFont;
        HDC screen = GetDC(nullptr);
        for (int k = 0; k < atoi(getenv("HOST_FONT")); ++k) {
          if (font) DeleteObject(font);
          font = CreateFontIndirectW(&lf);
          HGDIOBJ old = SelectObject(screen, font);
          SIZE e;
          GetTextExtentPoint32W(screen, L"Hintergrundbild", 15, &e);
          SelectObject(screen, old);
          lf.lfHeight += lf.lfHeight < 0 ? 1 : -1;
        }
        ReleaseDC(nullptr, screen);
        for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
          SendMessageW(c, WM_SETFONT, (WPARAM)font, FALSE);
      }
      ShowWindow(w, SW_SHOWNORMAL);
      SetFocus(GetDlgItem(w, 100));
      MSG m;
      while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
      DestroyWindow(w);
      if (font) DeleteObject(font);
      while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    }
    return 0;
  }
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

std::string runDialogHost() {
  if (getenv("HOST_DPI")) {
    using SetCtx = BOOL(WINAPI*)(HANDLE);
    auto f = reinterpret_cast<SetCtx>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    std::printf("dpi ctx %d\n", f ? (int)f(reinterpret_cast<HANDLE>(-4)) : -1);
  }
  if (getenv("HOST_COM"))
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  if (getenv("HOST_V6")) {
    ACTCTXW actctx{};
    actctx.cbSize = sizeof actctx;
    actctx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    std::wstring src = L"Z:\\tmp\\b-soak64\\bin\\zarn.exe";
    actctx.lpSource = src.c_str();
    actctx.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE h = CreateActCtxW(&actctx);
    ULONG_PTR cookie;
    std::printf("actctx %p %d\n", h, (int)ActivateActCtx(h, &cookie));
    if (getenv("HOST_ICC")) {
      HMODULE cc = LoadLibraryW(L"comctl32.dll");
      struct Icc {
        DWORD size, classes;
      } icc{8, 0x4000};
      using Init = BOOL(WINAPI*)(Icc*);
      std::printf("icc %d\n", (int)reinterpret_cast<Init>(reinterpret_cast<void*>(
                                  GetProcAddress(cc, "InitCommonControlsEx")))(&icc));
    }
  }
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = hostProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH));
  windowClass.lpszClassName = kHostClass;
  RegisterClassW(&windowClass);
  const HWND window =
      CreateWindowExW(0, kHostClass, L"Zarn soak dialog host", WS_POPUP | WS_VISIBLE, 40, 700, 200,
                      60, nullptr, nullptr, windowClass.hInstance, nullptr);
  requireTrue(window != nullptr, "the dialog host's window", "not created", "a window");
  for (const int id : {cmdBG, cmdColHour}) {
    CreateWindowExW(0, L"BUTTON", L"...", WS_CHILD | WS_VISIBLE, id == cmdBG ? 10 : 110, 10, 80, 40,
                    window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                    windowClass.hInstance, nullptr);
  }
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return "dialog host ended";
}

// The driver run once more as the dialog host, in the same folder; it ends with this object,
// and with the driver through its job.
class DialogHost {
 public:
  explicit DialogHost(const Context& context) {
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    arguments_ = {exe, std::wstring(context.scenario.begin(), context.scenario.end()),
                  kHostArgument, context.workDir};
    std::wstring commandLine;
    for (const std::wstring& a : arguments_) commandLine += L"\"" + a + L"\" ";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    requireTrue(CreateProcessW(exe, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                               nullptr, context.workDir.c_str(), &startup, &info) != 0,
                "starting the dialog host", printed("error %lu", GetLastError()), "started");
    watched.process = info.hProcess;
    watched.id = info.dwProcessId;
    job_ = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    AssignProcessToJobObject(job_, info.hProcess);
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    watched.window = waitForWindow(watched.id, kHostClass, kTimeout);
    requireTrue(watched.window != nullptr, "the dialog host's window", "none in 10 s", "shown");
    watched.linuxPid = linuxPid(arguments_);
    requireTrue(!watched.linuxPid.empty(), "the dialog host's Linux process", "not found",
                "a /proc entry");
  }
  ~DialogHost() {
    TerminateProcess(watched.process, 0xE2E);
    WaitForSingleObject(watched.process, 5000);
    CloseHandle(watched.process);
    if (job_ != nullptr) CloseHandle(job_);
  }
  DialogHost(const DialogHost&) = delete;
  DialogHost& operator=(const DialogHost&) = delete;

  Watched watched;

 private:
  std::vector<std::wstring> arguments_;
  HANDLE job_ = nullptr;
};

// The floor's growth over `picks` picks after a warm-up pick like the clock's.
std::pair<Sample, Sample> measureFloor(const Context& context, int picks) {
  DialogHost host(context);
  pick(context, host.watched.id, host.watched.window, 0, kFirstPickLinger);
  const Sample before = sample(host.watched);
  for (int n = 1; n <= picks; ++n) pick(context, host.watched.id, host.watched.window, n, 0);
  if (getenv("HOST_WINDOWS")) {
    const Sample mid = sample(host.watched);
    report("floor picks done", mid);
    for (int k = 0; k < 3; ++k) {
      DWORD_PTR r = 0;
      SendMessageTimeoutW(host.watched.window, WM_COMMAND, getenv("HOST_STRETCH") ? 301 : 300, 0,
                          SMTO_NORMAL, 600000, &r);
      report("floor 1000 windows", sample(host.watched));
    }
  }
  return {before, sample(host.watched)};
}

void expectSameObjects(const Sample& before, const Sample& after, const std::string& over,
                       const std::source_location& where = std::source_location::current()) {
  expectEqual(after.gdiTable, before.gdiTable, "live GDI objects in the clock's table " + over,
              where);
  expectEqual(after.gdi, before.gdi, "GetGuiResources(GR_GDIOBJECTS) " + over, where);
  expectEqual(after.user, before.user, "GetGuiResources(GR_USEROBJECTS) " + over, where);
  expectEqual(after.windows, before.windows, "the clock's windows " + over, where);
}

std::string soak(const Context& context, const Plan& plan) {
  if (context.clockExe == kHostArgument) return runDialogHost();
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
  Soak s(context);
  s.watched.window = requireClockWindow(s.clock);
  s.watched.id = s.clock.id();
  s.watched.process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, s.clock.id());
  requireTrue(s.watched.process != nullptr, "opening the clock's process to read it",
              printed("error %lu", GetLastError()), "a handle");
  s.watched.linuxPid = linuxPid({context.clockExe});
  requireTrue(!s.watched.linuxPid.empty(), "the clock's Linux process", "not found",
              "a /proc entry");

  if (getenv("FLOOR_ONLY")) {
    const auto [a, b] = measureFloor(context, plan.dialogs / plan.pickEvery);
    report("floor before", a);
    report("floor after", b);
    return "floor";
  }
  drive(s, kWarmUp.ticks, kWarmUp.dialogs, kWarmUp.cycles);
  confirmDialog(s, true, kFirstPickLinger);
  const Sample warm = sample(s.watched);
  report("clock after the warm-up:", warm);
  const int picks = plan.dialogs / plan.pickEvery;
  if (getenv("SOAK_PICKS_ONLY")) {
    {
      using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
      const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
      PROCESS_BASIC_INFORMATION basic{};
      query(s.watched.process, ProcessBasicInformation, &basic, sizeof basic, nullptr);
      void* heap = nullptr;
      ULONG heaps = 0;
      void* list = nullptr;
      ReadProcessMemory(s.watched.process, reinterpret_cast<char*>(basic.PebBaseAddress) + 0x30,
                        &heap, sizeof heap, nullptr);
      ReadProcessMemory(s.watched.process, reinterpret_cast<char*>(basic.PebBaseAddress) + 0xE8,
                        &heaps, sizeof heaps, nullptr);
      ReadProcessMemory(s.watched.process, reinterpret_cast<char*>(basic.PebBaseAddress) + 0xF0,
                        &list, sizeof list, nullptr);
      void* all[32] = {};
      ReadProcessMemory(s.watched.process, list, all, sizeof(void*) * std::min<ULONG>(heaps, 32),
                        nullptr);
      std::printf("process heap %p, %lu heaps:", heap, heaps);
      for (ULONG i = 0; i < heaps && i < 32; ++i) std::printf(" %p", all[i]);
      std::printf("\n");
    }
    for (int round = 0; round < (getenv("SOAK_CANCEL") ? 0 : 6); ++round) {
      for (int n = 0; n < 50; ++n) confirmDialog(s, true);
      report("picks", sample(s.watched));
    }
    for (int round = 0; round < 4; ++round) {
      drive(s, 0, 250, 0);
      report("plain dialogs", sample(s.watched));
    }
    return "picks only";
  }
  if (getenv("SOAK_ISOLATE")) {
    for (int round = 0; round < 2; ++round) {
      drive(s, plan.ticks, 0, 0);
      report("ticks", sample(s.watched));
      drive(s, 0, 0, plan.cycles);
      report("cycles", sample(s.watched));
      drive(s, 0, getenv("SOAK_NDIALOGS") ? atoi(getenv("SOAK_NDIALOGS")) : plan.dialogs, 0);
      report("dialogs", sample(s.watched));
      for (int n = 0; n < picks; ++n) confirmDialog(s, true);
      report("picks", sample(s.watched));
    }
    return "isolated";
  }
  const ULONGLONG soakStarted = GetTickCount64();
  drive(s, plan.ticks, plan.dialogs - picks, plan.cycles);
  const double driveSeconds = static_cast<double>(GetTickCount64() - soakStarted) / 1000;
  const Sample driven = sample(s.watched);
  report("clock after ticks, dialogs, cycles:", driven);
  for (int n = 0; n < picks; ++n) confirmDialog(s, true);
  const Sample picked = sample(s.watched);
  report("clock after the picks:", picked);
  if (getenv("FLOOR_ONLY")) {
    const auto [a, b] = measureFloor(context, picks);
    report("floor before", a);
    report("floor after", b);
    return "floor";
  }
  const auto [floorBefore, floorAfter] = measureFloor(context, picks);
  report("floor after its warm-up pick:", floorBefore);
  report("floor after the picks:", floorAfter);
  const double soakSeconds = static_cast<double>(GetTickCount64() - soakStarted) / 1000;

  expectSameObjects(warm, driven, "over the ticks, dialogs and cycles");
  const long long growth = driven.anonymousKiB - warm.anonymousKiB;
  expectTrue(growth < kGrowthLimitKiB,
             "the growth of the clock's memory over the ticks, dialogs and cycles",
             printed("%+lld KiB", growth), printed("under %lld KiB", kGrowthLimitKiB));
  expectSameObjects(driven, picked, "over the picks");
  const long long pickGrowth = picked.anonymousKiB - driven.anonymousKiB;
  const long long floorGrowth = floorAfter.anonymousKiB - floorBefore.anonymousKiB;
  expectTrue(pickGrowth - floorGrowth < kGrowthLimitKiB,
             "the growth of the clock's memory over the picks", printed("%+lld KiB", pickGrowth),
             printed("under the floor's %+lld KiB plus %lld KiB", floorGrowth, kGrowthLimitKiB));
  expectPainted(s);
  expectTrue(s.clock.alive() && zarnBoxes(s.clock.id()).empty(), "the clock at the end",
             "ended or reporting", "running, no report box");
  CloseHandle(s.watched.process);

  return printed(
      "%d ticks, %d confirmed dialogs, %d hide/show cycles in %.0f s: GDI objects "
      "%lld -> %lld, windows %lld -> %lld, memory %+lld KiB; then %d dialogs with "
      "picks: GDI objects %lld, memory %+lld KiB against the floor's %+lld KiB; "
      "%.0f s in all (%.0f s after the warm-up). GetGuiResources gave %lld/%lld and "
      "PrivateUsage %lld KiB for the clock",
      plan.ticks, plan.dialogs - picks, plan.cycles, driveSeconds, warm.gdiTable, driven.gdiTable,
      warm.windows, driven.windows, growth, picks, picked.gdiTable, pickGrowth, floorGrowth,
      static_cast<double>(GetTickCount64() - started) / 1000, soakSeconds, warm.gdi, warm.user,
      warm.privateKiB);
}

}  // namespace

std::string soakQuick(const Context& context) { return soak(context, kQuick); }

std::string soakLong(const Context& context) { return soak(context, kLong); }

}  // namespace zarn::e2e
