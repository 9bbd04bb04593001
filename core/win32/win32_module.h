#pragma once
// Loaded libraries and the program's own folder.
#include "core/win32/win32_handle.h"

#include <windows.h>

#include <string>
#include <utility>

namespace qm::win32 {

// The folder of the running program's executable, with a trailing backslash; empty when it
// cannot be found.
std::wstring ProgramFolder();

// Loads a library by its full path, its own dependencies searched in its folder first, without
// any error box of the system. The module is empty on failure; `error` gets the system error.
UniqueModule LoadLibraryByPath(const std::wstring& path, DWORD& error);

} // namespace qm::win32
