#pragma once
// The small bitmaps next to the runner's menu items.
#include "runner/win32/runner_commands.h"
#include "ui/win32/shell_handles.h"

#include <windows.h>

namespace qm::win32 {

// A glyph drawn at the menu check-mark size: on white, which the menu shows as transparent.
UniqueBitmap DrawMenuGlyph(MenuGlyph glyph, int width, int height);

} // namespace qm::win32
