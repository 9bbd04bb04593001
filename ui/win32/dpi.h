#pragma once
// Sizes for the monitor a window is on. The per-monitor calls exist from Windows 10 on; on
// older systems the system DPI is used.
#include <windows.h>

namespace qm::win32 {

inline constexpr UINT kDefaultDpi = 96;

// The DPI of the window's monitor (the system DPI without per-monitor support).
UINT WindowDpi(HWND window);
// A length given at 96 DPI, at `dpi`.
inline int Scale(int length96, UINT dpi) {
    return MulDiv(length96, static_cast<int>(dpi), static_cast<int>(kDefaultDpi));
}
int SystemMetric(int index, UINT dpi);
// The message-box font of the system at `dpi`.
LOGFONTW MessageFont(UINT dpi);
// The window rectangle around a client rectangle.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, bool menu, DWORD exStyle, UINT dpi);

} // namespace qm::win32
