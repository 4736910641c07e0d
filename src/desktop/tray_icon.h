#pragma once

#include <array>
#include <cstdint>

#include "platform/platform.h"
#include "platform/types.h"

namespace zarn::tray {

inline constexpr std::uint32_t kRecordSize = 88;  // the first, single-byte form
inline constexpr std::uint32_t kIconId = 1;
inline constexpr std::uint32_t kFlags = 7;              // NIF_MESSAGE | NIF_ICON | NIF_TIP
inline constexpr std::uint32_t kCallbackMessage = 512;  // WM_MOUSEMOVE
inline constexpr std::uint32_t kLeftDoubleClick = 515;  // WM_LBUTTONDBLCLK

// The tooltip as a fixed-length text of 64 characters: `text`, one NUL, then spaces.
std::array<char, 64> fixedTip(const char* text);

}  // namespace zarn::tray
