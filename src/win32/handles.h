#pragma once

// Owners for the platform handles of the Win32 layer: each handle is released exactly
// once, by the owner that holds it. COM objects are held in Microsoft::WRL::ComPtr.

#include <windows.h>

#include <utility>

#include "platform/types.h"

namespace zarn::win32 {

// The portable core holds every handle as a Handle, at its full width.
template <typename T>
T fromHandle(Handle handle) {
  return reinterpret_cast<T>(handle);
}

template <typename T>
Handle toHandle(T value) {
  return reinterpret_cast<Handle>(value);
}

template <typename T, auto Release, T Invalid = T{}>
class Unique {
 public:
  Unique() = default;
  explicit Unique(T value) : value_(value) {}
  ~Unique() { reset(); }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& other) noexcept : value_(std::exchange(other.value_, Invalid)) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) {
      reset();
      value_ = std::exchange(other.value_, Invalid);
    }
    return *this;
  }

  [[nodiscard]] T get() const { return value_; }
  explicit operator bool() const { return value_ != Invalid; }
  T release() { return std::exchange(value_, Invalid); }
  // For a call that hands its handle out through a parameter: lets go of the one held and
  // gives the address the new one is written to, so that no raw local carries it.
  [[nodiscard]] T* put() {
    reset();
    return &value_;
  }
  void reset(T value = Invalid) {
    if (value_ != Invalid) Release(value_);
    value_ = value;
  }

 private:
  T value_ = Invalid;
};

inline void deleteDc(HDC dc) { DeleteDC(dc); }
inline void destroyMenu(HMENU menu) { DestroyMenu(menu); }
inline void destroyIcon(HICON icon) { DestroyIcon(icon); }
inline void closeKey(HKEY key) { RegCloseKey(key); }
inline void closeHandle(HANDLE handle) { CloseHandle(handle); }
inline void releaseScreenDc(HDC dc) { ReleaseDC(nullptr, dc); }
inline void freeLocalText(wchar_t* text) { LocalFree(text); }

// Named functions rather than lambdas: a lambda's type in a header has internal linkage,
// which every class holding such an owner would inherit.
inline void deleteBitmap(HBITMAP bitmap) { DeleteObject(bitmap); }
inline void deleteBrush(HBRUSH brush) { DeleteObject(brush); }
inline void deleteFont(HFONT font) { DeleteObject(font); }

using UniqueBitmap = Unique<HBITMAP, deleteBitmap>;
using UniqueBrush = Unique<HBRUSH, deleteBrush>;
using UniqueFont = Unique<HFONT, deleteFont>;
using UniqueDc = Unique<HDC, deleteDc>;
// The whole screen's DC, from GetDC(nullptr).
using ScreenDc = Unique<HDC, releaseScreenDc>;
using UniqueMenu = Unique<HMENU, destroyMenu>;
using UniqueIcon = Unique<HICON, destroyIcon>;
using UniqueKey = Unique<HKEY, closeKey>;
// A kernel object's handle (mutex, process, token); null is its invalid value here.
using UniqueHandle = Unique<HANDLE, closeHandle>;
// A text the system allocated with LocalAlloc for its caller (ConvertSidToStringSidW).
using LocalText = Unique<wchar_t*, freeLocalText>;

// Restores the object that a SelectObject replaced when the scope ends.
class SelectionGuard {
 public:
  SelectionGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectionGuard() { SelectObject(dc_, previous_); }
  SelectionGuard(const SelectionGuard&) = delete;
  SelectionGuard& operator=(const SelectionGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace zarn::win32
