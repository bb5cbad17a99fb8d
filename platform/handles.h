// How a handle is made: the program's slot on the desktop in the high bits,
// a per-program index in the low bits. Handles stay positive and within
// signed 32 bits, so peers read them back with a plain decimal conversion.
#pragma once

#include <cstdint>

#include "platform/messages.h"

namespace tellmar {

inline constexpr int kHandleIndexBits = 19;
inline constexpr std::uint32_t kHandleIndexLimit = 1u << kHandleIndexBits;  // 524288 windows
inline constexpr int kSlotLimit = 1 << (31 - kHandleIndexBits);             // slots 1..4095

constexpr HWND MakeHandle(int slot, std::uint32_t index) {
  return static_cast<HWND>((static_cast<std::uint32_t>(slot) << kHandleIndexBits) | index);
}
constexpr int SlotOfHandle(HWND hwnd) { return static_cast<int>(static_cast<std::uint32_t>(hwnd) >> kHandleIndexBits); }

}  // namespace tellmar
