#pragma once
// What the driver knows of the target programs' window (target_window.cpp).
#include <windows.h>

inline constexpr wchar_t kTargetWindowClass[] = L"QmTargetWindow";
// The read-only text box with the log, a line per key message ("down 65 0x1E") and per mouse
// button or wheel message ("button down left 40 30 LBUTTON+CONTROL", "wheel -120 40 30 -").
inline constexpr int kTargetLogId = 100;
// The window extras with the QueryPerformanceCounter value of the last activation: the low
// 32 bits at this offset, the high ones 4 bytes further.
inline constexpr int kTargetActivatedAt = 0;
// The window's top band: the heading, and where a click brings it to the front.
inline constexpr int kTargetBandHeight = 28;
