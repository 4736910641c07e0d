#pragma once

// The window procedure shared by the program's window classes, whose windows are C++
// objects: the object is handed over as the creation parameter, stored at WM_NCCREATE and
// forgotten at WM_NCDESTROY; every message in between goes to Derived::onMessage, which
// must not throw, since no exception may cross the window system.

#include <windows.h>

namespace zarn::win32 {

// Registers a window class once per process. A class that is registered already (by an
// earlier window of the same kind) is fine; any other refusal throws a Failure. Classes
// stay registered until the process ends.
void registerWindowClass(const WNDCLASSEXW& windowClass);

template <typename Derived>
class WindowBase {
 public:
  // Null before WM_NCCREATE and after WM_NCDESTROY.
  [[nodiscard]] HWND hwnd() const { return hwnd_; }

 protected:
  WindowBase() = default;
  ~WindowBase() = default;
  WindowBase(const WindowBase&) = delete;
  WindowBase& operator=(const WindowBase&) = delete;

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept {
    Derived* self = nullptr;
    if (message == WM_NCCREATE) {
      self = static_cast<Derived*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      static_cast<WindowBase*>(self)->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<Derived*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    // The few messages before WM_NCCREATE (WM_GETMINMAXINFO) have no object yet.
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    const LRESULT result = self->onMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      static_cast<WindowBase*>(self)->hwnd_ = nullptr;
    }
    return result;
  }

  HWND hwnd_ = nullptr;
};

}  // namespace zarn::win32
