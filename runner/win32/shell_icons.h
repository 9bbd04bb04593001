#pragma once
// The pictures of the runner's windows: the icons of its resources at a given size, the shell
// icon of a configuration's icon source, and the small bitmaps next to menu items.
#include "ui/win32/shell_handles.h"

#include <windows.h>

#include <string>

namespace qm::win32 {

// An icon resource of the program ("run_up", "run_off", "default", "corvex") at the size
// given; empty when it is missing.
UniqueIcon LoadIconResource(HINSTANCE instance, const wchar_t* name, int width, int height);

// The icon the shell shows for a file, large size (the system image list's large icons):
// what a configuration's "icon path" names. Empty when the shell has none (for instance the
// file does not exist).
UniqueIcon LargeShellIcon(const std::wstring& path);

// What decides a file's shell icon: the file itself for icons, programs and links, otherwise
// its type (lower-case extension), so that files of one type can share one picture.
std::wstring ShellIconSource(const std::wstring& path);

// The pictures drawn next to menu items (in place of the check mark).
enum class MenuGlyph { Run, Browse, Stop, Exit, Devices, Priority, Poll, Preferences };
inline constexpr int kMenuGlyphCount = 8;

// A glyph drawn at the menu check-mark size: on white, which the menu shows as transparent.
UniqueBitmap DrawMenuGlyph(MenuGlyph glyph, int width, int height);

} // namespace qm::win32
