#include "win32/properties_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/failure.h"
#include "platform/numeric.h"
#include "properties/dialog_layout.h"
#include "win32/control_class.h"
#include "win32/dpi.h"
#include "win32/handles.h"
#include "win32/picture.h"
#include "win32/system_error.h"
#include "win32/text.h"
#include "win32/window_base.h"

namespace zarn::win32 {
namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW;

COLORREF toColorRef(Colour colour) {
  return static_cast<COLORREF>(static_cast<std::uint32_t>(colour));
}

// The system's message font at `dpi`, made smaller a pixel at a time until every label
// caption fits its width.
UniqueFont createMessageFont(UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  if (!nonClientMetricsForDpi(metrics, dpi)) return {};
  LOGFONTW font = metrics.lfMessageFont;
  const ScreenDc screenDc(GetDC(nullptr));
  if (!screenDc) return UniqueFont(CreateFontIndirectW(&font));
  const int sign = font.lfHeight < 0 ? -1 : 1;
  constexpr int kSmallestHeight = 9;
  const auto captionWidth = [&](int height, std::string_view caption) {
    LOGFONTW sized = font;
    sized.lfHeight = sign * height;
    sized.lfWidth = 0;
    const UniqueFont trial(CreateFontIndirectW(&sized));
    if (!trial) return 0;
    const SelectionGuard selected(screenDc.get(), trial.get());
    const std::wstring text = widen(std::string(caption));
    SIZE extent{};
    GetTextExtentPoint32W(screenDc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
    return static_cast<int>(extent.cx);
  };
  const int start = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
  font.lfHeight = sign * fittedFontHeight(start, kSmallestHeight, twipsPerPixel(dpi), captionWidth);
  font.lfWidth = 0;
  return UniqueFont(CreateFontIndirectW(&font));
}

}  // namespace

// The dialog window while it is shown; it is also the view through which frmProperties
// fills the controls.
class PropertiesWindow::Shown final : public PropertiesView,
                                      public WindowBase<PropertiesWindow::Shown> {
 public:
  Shown(PropertiesWindow& owner, frmProperties& form)
      : owner_(owner), form_(form), font_(createMessageFont(owner.dpi_)) {}
  ~Shown() override { close(); }
  Shown(const Shown&) = delete;
  Shown& operator=(const Shown&) = delete;

  void run();

  void setSwatchColour(Swatch swatch, Colour colour) override;
  void setPathText(const std::string& text) override;
  void setPreview(std::unique_ptr<Picture> picture) override;
  void unload() override { unloadRequested_ = true; }

  using WindowBase::windowProc;

 private:
  friend class WindowBase<Shown>;
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT onCommand(int id, int code) noexcept;
  LRESULT onDrawItem(const DRAWITEMSTRUCT& item) noexcept;
  LRESULT onClose() noexcept;
  LRESULT onActivate(WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT onSetFocus() noexcept;
  LRESULT onGetDefId() noexcept;
  LRESULT onDpiChanged(WPARAM dpi, LPARAM suggested) noexcept;
  void onNcDestroy() noexcept;

  void create();
  // Puts every control where the layout's twips put it at the dialog's DPI, in its font.
  void layOutControls() const noexcept;
  void runLoop() noexcept;
  void close() noexcept;
  void click(void (frmProperties::*procedure)()) noexcept;
  template <typename Procedure>
  void guarded(Procedure&& procedure) noexcept;

  void drawSwatch(const DRAWITEMSTRUCT& item, Colour colour) const noexcept;
  void drawPreview(const DRAWITEMSTRUCT& item) const noexcept;

  [[nodiscard]] HWND control(PropertiesControl id) const noexcept {
    return GetDlgItem(hwnd_, static_cast<int>(id));
  }
  [[nodiscard]] HFONT font() const noexcept {
    return font_ ? font_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }
  void rememberFocus() noexcept;

  PropertiesWindow& owner_;
  frmProperties& form_;
  UniqueFont font_;
  std::array<Colour, 3> swatchColours_{};
  std::unique_ptr<Picture> preview_;
  // hwnd_ (of the base) is destroyed by close(), before the font and the picture go.
  HWND focus_ = nullptr;  // the control that gets the focus back when the window is activated
  HWND clock_ = nullptr;  // the clock window while this window keeps it disabled
  bool loaded_ = false;   // between Form_Load and Form_Unload
  bool unloadRequested_ = false;
  std::exception_ptr failure_;
};

void PropertiesWindow::Shown::run() {
  HWND clock = owner_.clockWindow_ ? owner_.clockWindow_() : nullptr;
  create();
  owner_.dialog_ = hwnd_;
  loaded_ = true;
  guarded([this] { form_.Form_Load(*this); });
  if (!unloadRequested_ && hwnd_ != nullptr) {
    focus_ = control(PropertiesControl::cmdOK);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetFocus(focus_);
    if (clock != nullptr && IsWindow(clock) && !EnableWindow(clock, FALSE)) clock_ = clock;
    runLoop();
  }
  close();
  if (failure_) std::rethrow_exception(failure_);
}

void PropertiesWindow::Shown::create() {
  const float perPixel = twipsPerPixel(owner_.dpi_);
  const RECT frame = frameForClient(twipsToPixels(kPropertiesClientWidth, perPixel, "Breite"),
                                    twipsToPixels(kPropertiesClientHeight, perPixel, "H\u00F6he"),
                                    kWindowStyle, owner_.dpi_);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  // On the clock's monitor, at its DPI: the default place where that is the primary monitor,
  // the middle of its work area on another one.
  int x = CW_USEDEFAULT;
  int y = CW_USEDEFAULT;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  const HWND clock = owner_.clockWindow_ ? owner_.clockWindow_() : nullptr;
  if (clock != nullptr &&
      GetMonitorInfoW(MonitorFromWindow(clock, MONITOR_DEFAULTTONEAREST), &monitor) != FALSE &&
      (monitor.dwFlags & MONITORINFOF_PRIMARY) == 0) {
    const RECT& work = monitor.rcWork;
    x = work.left + std::max(0L, (work.right - work.left - width) / 2);
    y = work.top + std::max(0L, (work.bottom - work.top - height) / 2);
  }
  if (CreateWindowExW(0, kPropertiesClassName, kPropertiesCaption, kWindowStyle, x, y, width,
                      height, nullptr, nullptr, owner_.instance_, this) == nullptr) {
    throw lastErrorFailure("CreateWindowExW");
  }
  for (const ControlLayout& layout : kPropertiesControls) {
    const ControlClass kind = controlClass(layout.kind);
    const PixelBox box = controlBox(layout, perPixel, perPixel);
    HWND created = CreateWindowExW(kind.exStyle, kind.name, widen(layout.text).c_str(), kind.style,
                                   box.left, box.top, box.width, box.height, hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)),
                                   owner_.instance_, nullptr);
    if (created == nullptr) throw lastErrorFailure("CreateWindowExW");
    SendMessageW(created, WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
  }
}

void PropertiesWindow::Shown::layOutControls() const noexcept {
  const float perPixel = twipsPerPixel(owner_.dpi_);
  for (const ControlLayout& layout : kPropertiesControls) {
    const HWND placed = control(layout.id);
    PixelBox box{};
    try {
      box = controlBox(layout, perPixel, perPixel);
    } catch (const Failure&) {
      continue;
    }
    SetWindowPos(placed, nullptr, box.left, box.top, box.width, box.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(placed, WM_SETFONT, reinterpret_cast<WPARAM>(font()), TRUE);
  }
}

LRESULT PropertiesWindow::Shown::onDpiChanged(WPARAM dpi, LPARAM suggested) noexcept {
  const auto* rect = reinterpret_cast<const RECT*>(suggested);
  if (LOWORD(dpi) == 0 || rect == nullptr) return 0;
  owner_.dpi_ = LOWORD(dpi);
  // The controls take the new font before the old one goes.
  UniqueFont previous = std::exchange(font_, createMessageFont(owner_.dpi_));
  layOutControls();
  previous.reset();
  SetWindowPos(hwnd_, nullptr, rect->left, rect->top, rect->right - rect->left,
               rect->bottom - rect->top, SWP_NOZORDER | SWP_NOACTIVATE);
  // The preview shows the picture decoded for the old size stretched to the new one.
  InvalidateRect(hwnd_, nullptr, TRUE);
  return 0;
}

// The window is an ordinary one of its own class, not a dialog box made from a template:
// its controls stand where the twips of the layout table put them, which a template's
// dialog units, measured from the dialog's font, would not reproduce. So it keeps itself
// the manners that the dialog manager gives a dialog box: this loop with IsDialogMessageW
// for Tab, the arrows and Enter, the focus given back on activation, and the default button
// answered at DM_GETDEFID.
void PropertiesWindow::Shown::runLoop() noexcept {
  MSG message;
  while (!unloadRequested_ && hwnd_ != nullptr) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // The program is quitting: leave the quit message for the outer loop.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (!IsDialogMessageW(hwnd_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

void PropertiesWindow::Shown::close() noexcept {
  // The clock is enabled again before this window goes, so that the activation passes to it.
  if (clock_ != nullptr) {
    if (IsWindow(clock_)) EnableWindow(clock_, TRUE);
    clock_ = nullptr;
  }
  if (loaded_) {
    loaded_ = false;
    guarded([this] { form_.Form_Unload(); });
  }
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

template <typename Procedure>
void PropertiesWindow::Shown::guarded(Procedure&& procedure) noexcept {
  try {
    procedure();
  } catch (...) {
    if (!failure_) failure_ = std::current_exception();
    unloadRequested_ = true;
  }
}

void PropertiesWindow::Shown::click(void (frmProperties::*procedure)()) noexcept {
  rememberFocus();
  guarded([this, procedure] { (form_.*procedure)(); });
}

void PropertiesWindow::Shown::rememberFocus() noexcept {
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(hwnd_, focus)) focus_ = focus;
}

void PropertiesWindow::Shown::setSwatchColour(Swatch swatch, Colour colour) {
  static constexpr std::array<PropertiesControl, 3> kSwatches{
      PropertiesControl::shpColHour, PropertiesControl::shpColMin, PropertiesControl::shpColSec};
  const auto index = static_cast<std::size_t>(swatch);
  swatchColours_.at(index) = colour;
  InvalidateRect(control(kSwatches.at(index)), nullptr, FALSE);
}

void PropertiesWindow::Shown::setPathText(const std::string& text) {
  SetWindowTextW(control(PropertiesControl::txtBG), widen(text).c_str());
}

void PropertiesWindow::Shown::setPreview(std::unique_ptr<Picture> picture) {
  preview_ = std::move(picture);
  InvalidateRect(control(PropertiesControl::imgBG), nullptr, FALSE);
}

LRESULT PropertiesWindow::Shown::onMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  switch (message) {
    case WM_COMMAND:
      return onCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_DRAWITEM:
      return onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_CLOSE:
      return onClose();
    case WM_ACTIVATE:
      return onActivate(wParam, lParam);
    case WM_SETFOCUS:
      return onSetFocus();
    case DM_GETDEFID:
      return onGetDefId();
    case WM_DPICHANGED:
      return onDpiChanged(wParam, lParam);
    case WM_NCDESTROY:
      onNcDestroy();
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT PropertiesWindow::Shown::onCommand(int id, int code) noexcept {
  if (code != BN_CLICKED) return 0;
  // IDOK and IDCANCEL, which the dialog manager sends for Enter and Escape, fall through.
  switch (static_cast<PropertiesControl>(id)) {
    case PropertiesControl::cmdOK:
      click(&frmProperties::cmdOK_Click);
      break;
    case PropertiesControl::cmdCancel:
      click(&frmProperties::cmdCancel_Click);
      break;
    case PropertiesControl::cmdBG:
      click(&frmProperties::cmdBG_Click);
      break;
    case PropertiesControl::cmdColHour:
      click(&frmProperties::cmdColHour_Click);
      break;
    case PropertiesControl::cmdColMin:
      click(&frmProperties::cmdColMin_Click);
      break;
    case PropertiesControl::cmdColSec:
      click(&frmProperties::cmdColSec_Click);
      break;
    default:
      break;
  }
  return 0;
}

LRESULT PropertiesWindow::Shown::onDrawItem(const DRAWITEMSTRUCT& item) noexcept {
  switch (static_cast<PropertiesControl>(item.CtlID)) {
    case PropertiesControl::shpColHour:
      drawSwatch(item, swatchColours_[0]);
      return TRUE;
    case PropertiesControl::shpColMin:
      drawSwatch(item, swatchColours_[1]);
      return TRUE;
    case PropertiesControl::shpColSec:
      drawSwatch(item, swatchColours_[2]);
      return TRUE;
    case PropertiesControl::imgBG:
      drawPreview(item);
      return TRUE;
    default:
      return FALSE;
  }
}

LRESULT PropertiesWindow::Shown::onClose() noexcept {
  // The close box and the system menu unload the dialog without running a button's procedure.
  unload();
  return 0;
}

LRESULT PropertiesWindow::Shown::onActivate(WPARAM wParam, LPARAM lParam) noexcept {
  if (LOWORD(wParam) == WA_INACTIVE) {
    rememberFocus();
  } else if (HIWORD(wParam) == 0) {
    // As in a dialog, the focus goes back to the control that last had it, not to the frame.
    return onSetFocus();
  }
  return DefWindowProcW(hwnd_, WM_ACTIVATE, wParam, lParam);
}

LRESULT PropertiesWindow::Shown::onSetFocus() noexcept {
  HWND target = focus_ != nullptr && IsWindow(focus_) ? focus_ : control(PropertiesControl::cmdOK);
  if (target != nullptr) SetFocus(target);
  return 0;
}

LRESULT PropertiesWindow::Shown::onGetDefId() noexcept {
  // No button is the default one; Enter presses the button that has the focus.
  HWND focus = GetFocus();
  if (focus == nullptr || !IsChild(hwnd_, focus)) return 0;
  const int id = GetDlgCtrlID(focus);
  switch (static_cast<PropertiesControl>(id)) {
    case PropertiesControl::cmdOK:
    case PropertiesControl::cmdCancel:
    case PropertiesControl::cmdBG:
    case PropertiesControl::cmdColHour:
    case PropertiesControl::cmdColMin:
    case PropertiesControl::cmdColSec:
      return MAKELRESULT(id, DC_HASDEFID);
    default:
      return 0;
  }
}

void PropertiesWindow::Shown::onNcDestroy() noexcept {
  if (owner_.dialog_ == hwnd_) owner_.dialog_ = nullptr;
  focus_ = nullptr;
}

void PropertiesWindow::Shown::drawSwatch(const DRAWITEMSTRUCT& item, Colour colour) const noexcept {
  RECT area = item.rcItem;
  FrameRect(item.hDC, &area, GetSysColorBrush(COLOR_WINDOWTEXT));
  InflateRect(&area, -1, -1);
  const UniqueBrush fill(CreateSolidBrush(toColorRef(colour)));
  if (fill) FillRect(item.hDC, &area, fill.get());
}

void PropertiesWindow::Shown::drawPreview(const DRAWITEMSTRUCT& item) const noexcept {
  const RECT& area = item.rcItem;
  // The dialog's loader decodes the picture to the preview's square, which is then copied,
  // or blended over the dialog's own background where it is transparent.
  const Win32Picture* shown = preview_ ? win32Picture(*preview_) : nullptr;
  if (shown == nullptr || shown->transparent()) {
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  }
  if (shown != nullptr) {
    drawPicture(item.hDC, *shown, area.left, area.top, area.right - area.left,
                area.bottom - area.top, HALFTONE, true);
  }
}

SIZE PropertiesWindow::previewSize() const {
  const auto preview =
      std::find_if(kPropertiesControls.begin(), kPropertiesControls.end(),
                   [](const ControlLayout& c) { return c.id == PropertiesControl::imgBG; });
  const float perPixel = twipsPerPixel(dpi_ != 0 ? dpi_ : screen_.dpi());
  const PixelBox box = controlBox(*preview, perPixel, perPixel);
  return SIZE{box.width, box.height};
}

PropertiesWindow::PropertiesWindow(HINSTANCE instance, const Win32Screen& screen,
                                   std::function<HWND()> clockWindow)
    : instance_(instance), screen_(screen), clockWindow_(std::move(clockWindow)) {}

void PropertiesWindow::registerClass() {
  if (classRegistered_) return;
  if (commonControls_ == nullptr) {
    // The manifest makes this version 6, whose controls the dialog's buttons and boxes are.
    commonControls_ = LoadLibraryW(L"comctl32.dll");
    if (commonControls_ == nullptr) throw lastErrorFailure("LoadLibraryW");
    using Init = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = reinterpret_cast<Init>(
        reinterpret_cast<void*>(GetProcAddress(commonControls_, "InitCommonControlsEx")));
    if (init == nullptr) throw lastErrorFailure("GetProcAddress");
    const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    init(&controls);
  }
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &Shown::windowProc;
  windowClass.hInstance = instance_;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = kPropertiesClassName;
  registerWindowClass(windowClass);
  classRegistered_ = true;
}

void PropertiesWindow::showModal(frmProperties& form) {
  registerClass();
  dpi_ = screen_.dpi();
  Shown shown(*this, form);
  shown.run();
}

}  // namespace zarn::win32
