#include "win32/single_clock.h"

#include <sddl.h>

#include <string>
#include <vector>

#include "win32/handles.h"
#include "win32/names.h"

namespace zarn::win32 {

namespace {

// How long a second start waits for the window of a clock that holds the mutex but is
// still starting, and for the running clock to answer.
constexpr ULONGLONG kStartUpWait = 10000;
constexpr DWORD kPoll = 50;
constexpr UINT kAnswerWait = 5000;

// The user of a process's token, as the bytes of its SID; empty when it cannot be read.
std::vector<BYTE> tokenUser(HANDLE process) {
  UniqueHandle token;
  if (OpenProcessToken(process, TOKEN_QUERY, token.put()) == FALSE) return {};
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size == 0 ||
      GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size) == FALSE) {
    return {};
  }
  const PSID sid = reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid;
  const auto* bytes = static_cast<const BYTE*>(sid);
  return {bytes, bytes + GetLengthSid(sid)};
}

// The name of the mutex: the session's namespace and the user's SID, so that another user
// running a clock in the same session (run as another user) keeps it.
std::wstring mutexName(const std::vector<BYTE>& user) {
  std::wstring name = L"Local\\Zarn.Clock";
  LocalText text;
  if (!user.empty() &&
      ConvertSidToStringSidW(const_cast<BYTE*>(user.data()), text.put()) != FALSE) {
    name += L".";
    name += text.get();
  }
  return name;
}

// A clock window of another process of the same user, or null. A clock run as
// administrator does not let this start read its token; it is taken when no clock is
// known to be the user's, since the mutex of this user was found taken.
HWND runningClock(const std::vector<BYTE>& user) {
  HWND unreadable = nullptr;
  for (HWND window = FindWindowExW(nullptr, nullptr, kClockClassName, nullptr); window != nullptr;
       window = FindWindowExW(nullptr, window, kClockClassName, nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == 0 || pid == GetCurrentProcessId()) continue;
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    const std::vector<BYTE> owner = process ? tokenUser(process.get()) : std::vector<BYTE>{};
    if (!owner.empty() && owner == user) return window;
    if (owner.empty() && unreadable == nullptr) unreadable = window;
  }
  return unreadable;
}

void askToComeBack(HWND clock) {
  DWORD pid = 0;
  GetWindowThreadProcessId(clock, &pid);
  // This start was launched by the user, so it may pass its right to the foreground on.
  AllowSetForegroundWindow(pid);
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(clock, RegisterWindowMessageW(kComeBackMessageName), 0, 0,
                      SMTO_NORMAL | SMTO_ABORTIFHUNG, kAnswerWait, &answer);
}

}  // namespace

OneClockMutex::OneClockMutex() = default;

OneClockMutex::~OneClockMutex() {
  // Released before the handle closes, so that a start waiting for it takes it at once.
  if (held_) ReleaseMutex(mutex_.get());
}

bool OneClockMutex::takeOrHandOver() {
  const std::vector<BYTE> user = tokenUser(GetCurrentProcess());
  const std::wstring name = mutexName(user);
  mutex_.reset(CreateMutexW(nullptr, TRUE, name.c_str()));
  const DWORD createError = GetLastError();
  if (!mutex_) {
    // A clock run as administrator holds a mutex that this start may not open for all
    // access; it may still wait on it. Any other refusal starts the clock all the same.
    if (createError != ERROR_ACCESS_DENIED) return true;
    mutex_.reset(OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()));
  } else if (createError != ERROR_ALREADY_EXISTS) {
    held_ = true;
    return true;
  }
  const ULONGLONG end = GetTickCount64() + kStartUpWait;
  for (;;) {
    if (const HWND clock = runningClock(user)) {
      askToComeBack(clock);
      return false;
    }
    // The wait for the mutex is also the pause between two looks for the window.
    const DWORD waited = mutex_ ? WaitForSingleObject(mutex_.get(), kPoll) : WAIT_TIMEOUT;
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
      held_ = true;
      return true;
    }
    if (!mutex_) Sleep(kPoll);
    if (GetTickCount64() >= end) return false;
  }
}

}  // namespace zarn::win32
