#pragma once

// The properties dialog and the system's colour and open-file dialogs behind it, driven
// from the clock's real popup menu with real input, as a user would; and JPEG files made
// with the system's imaging component.

#include <windows.h>

#include <source_location>
#include <string>
#include <string_view>

#include "e2e.h"
#include "win32/names.h"

namespace zarn::e2e {

// The dialog's window class, caption and controls, by the names the dialog window is built
// with.
using win32::kPropertiesCaption;
using win32::kPropertiesClassName;
using win32::PropertiesControl;
using enum win32::PropertiesControl;

// A control's number, as GetDlgItem takes it and WM_COMMAND carries it.
constexpr int number(PropertiesControl control) { return static_cast<int>(control); }

inline std::wstring dialogItemText(HWND dialog, PropertiesControl control) {
  return dialogItemText(dialog, number(control));
}

// The system's colour dialog: its red, green and blue boxes.
inline constexpr int kRedEdit = 706;
inline constexpr int kGreenEdit = 707;
inline constexpr int kBlueEdit = 708;
// The system's open-file dialog: its file name box.
inline constexpr int kFileNameEdit = 1148;
// The common dialogs of Wine can take several seconds to appear on a busy machine.
inline constexpr DWORD kCommonDialogTimeout = 30000;

// Opens "Eigenschaften" from the clock's popup menu: a right press on the clock, then a
// click on the menu's last row. The dialog is visible and in the foreground.
HWND openProperties(const ClockProcess& clock, HWND window,
                    const std::source_location& where = std::source_location::current());

// A real click in the middle of one of the dialog's buttons.
void clickControl(HWND dialog, PropertiesControl control);

// The process's visible common dialog with this title, once the control exists in it.
HWND waitForCommonDialog(const ClockProcess& clock, const wchar_t* title, int control,
                         const std::source_location& where);

// Sets a box's text until it reads back so: a dialog that is still settling may overwrite
// it once.
void enterText(HWND dialog, int id, const std::wstring& text, const std::source_location& where);

// Clicks a button by message and waits until the dialog has gone.
void pressAndWaitGone(HWND dialog, int button, std::string_view what,
                      const std::source_location& where);

// Presses a "..." button for a hand's colour; in the colour dialog either enters the
// colour and confirms it or, without one, cancels.
void chooseColour(const ClockProcess& clock, HWND dialog, PropertiesControl button,
                  const Rgb* colour,
                  const std::source_location& where = std::source_location::current());

// Presses the background's "..." button; in the open-file dialog either enters the path
// and confirms it or, with an empty path, cancels. Returns the file name the dialog
// started with.
std::wstring choosePicture(const ClockProcess& clock, HWND dialog, const std::wstring& path,
                           const std::source_location& where = std::source_location::current());

// Ends the scenario when a system call's result is a failure.
void requireHr(HRESULT hr, std::string_view what);

// Encodes a bitmap file as a JPEG file with the system's imaging component.
void writeJpeg(const std::wstring& bitmap, const std::wstring& jpeg);

// Writes a JPEG file of the size in the colour `outside`, with its middle fifth across and
// down in the colour `inside`, encoded a strip at a time so that no copy of the whole
// picture is made.
void writeFramedJpeg(const std::wstring& jpeg, UINT width, UINT height, Rgb outside, Rgb inside);

}  // namespace zarn::e2e
