#pragma once
// The small bitmaps next to the runner's menu items.
#include "ui/win32/shell_handles.h"

#include <windows.h>

namespace qm::win32 {

// The pictures drawn next to menu items (in place of the check mark).
enum class MenuGlyph { Run, Browse, Stop, Exit, Devices, Priority, Poll, Preferences };
inline constexpr int kMenuGlyphCount = 8;

// A glyph drawn at the menu check-mark size: on white, which the menu shows as transparent.
UniqueBitmap DrawMenuGlyph(MenuGlyph glyph, int width, int height);

} // namespace qm::win32
