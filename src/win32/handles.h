#pragma once

// Owners for the platform handles of the Win32 layer: each handle is released exactly
// once, by the owner that holds it.

#include <windows.h>

#include <utility>

namespace zarn::win32 {

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
  void reset(T value = Invalid) {
    if (value_ != Invalid) Release(value_);
    value_ = value;
  }

 private:
  T value_ = Invalid;
};

inline void deleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void deleteDc(HDC dc) { DeleteDC(dc); }
inline void destroyMenu(HMENU menu) { DestroyMenu(menu); }
inline void destroyIcon(HICON icon) { DestroyIcon(icon); }
inline void closeKey(HKEY key) { RegCloseKey(key); }

using UniqueBitmap = Unique<HBITMAP, [](HBITMAP b) { deleteGdiObject(b); }>;
using UniqueBrush = Unique<HBRUSH, [](HBRUSH b) { deleteGdiObject(b); }>;
using UniqueFont = Unique<HFONT, [](HFONT f) { deleteGdiObject(f); }>;
using UniqueDc = Unique<HDC, deleteDc>;
using UniqueMenu = Unique<HMENU, destroyMenu>;
using UniqueIcon = Unique<HICON, destroyIcon>;
using UniqueKey = Unique<HKEY, closeKey>;

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
