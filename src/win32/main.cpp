// The Windows program: builds the platform objects, loads the clock window and runs the
// thread's message loop until the clock window is gone.

#include <windows.h>

#include <objbase.h>

#include "clock/frmZarn.h"
#include "platform/failure.h"
#include "platform/platform.h"
#include "properties/frmProperties.h"
#include "win32/clock_window.h"
#include "win32/common_dialogs.h"
#include "win32/picture.h"
#include "win32/properties_window.h"
#include "win32/single_clock.h"
#include "win32/text.h"
#include "win32/tick_timer.h"
#include "win32/win32_platform.h"

namespace {

// The imaging component and the common dialogs need COM on this thread, in an apartment
// of its own.
class ComApartment {
 public:
  ComApartment()
      : initialised_(
            SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
  }
  ~ComApartment() {
    if (initialised_) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

int runMessageLoop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
  using namespace zarn;
  using namespace zarn::win32;

  // A second start brings the running clock back and ends before it reads or shows
  // anything.
  OneClockMutex oneClock;
  if (!oneClock.takeOrHandOver()) return 0;

  const ComApartment com;

  Win32Screen screen;
  TickTimer time;
  FrmZarnWindow window(instance, screen, time);
  // The face is decoded to the clock's client size; asking for it places the restored
  // geometry, which Form_Load has assigned by the time it loads the face.
  WicPictureLoader pictures([&window] { return window.clientSize(); });
  RegistrySettingsStore settings;
  Win32UserLocale locale;
  Win32MessageBoxes messages([&window] { return window.hwnd(); });
  Win32Process process;
  Win32Shell shell;
  Win32WindowActivation activation;
  Platform platform{
      window,  screen, window.backBuffer(), pictures, time, settings, locale, messages,
      process, shell,  activation};

  // The dialog decodes its pictures to the preview's square with a loader of its own.
  PropertiesWindow propertiesWindow(instance, screen, [&window] { return window.hwnd(); });
  WicPictureLoader previewPictures([&propertiesWindow] { return propertiesWindow.previewSize(); });
  Win32CommonDialogs dialogs([&propertiesWindow] { return propertiesWindow.dialog(); });
  frmProperties properties(propertiesWindow, dialogs, previewPictures);
  frmZarn form(platform, properties);

  try {
    window.create(form);
  } catch (const Failure& failure) {
    MessageBoxW(nullptr, widen(failure.description()).c_str(), L"Zarn", MB_ICONERROR);
    return 1;
  }
  // The window system loads the form before it first shows it.
  form.Form_Load();
  window.followTrayIcon();
  // The first frame is drawn as the window appears, so that its first paint shows the face
  // and the hands rather than an empty window until the timer's first tick.
  window.showFirstTime();
  return runMessageLoop();
}
