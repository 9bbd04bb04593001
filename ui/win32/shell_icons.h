#pragma once
// The programs' icons: their own icon resources at a given size, and the icon the shell shows
// for a file.
#include "ui/win32/shell_handles.h"

#include <windows.h>

#include <string>

namespace qm::win32 {

// An icon resource of the program at the size given; empty when it is missing.
UniqueIcon LoadIconResource(HINSTANCE instance, const wchar_t* name, int width, int height);

// The icon the shell shows for a file, large size (the system image list's large icons):
// what a configuration's "icon path" names. Empty when the shell has none (for instance the
// file does not exist).
UniqueIcon LargeShellIcon(const std::wstring& path);
// The same at the small size (the system image list's small icons).
UniqueIcon SmallShellIcon(const std::wstring& path);

// What decides a file's shell icon: the file itself for icons, programs and links, otherwise
// its type (lower-case extension), so that files of one type can share one picture.
std::wstring ShellIconSource(const std::wstring& path);

} // namespace qm::win32
