#pragma once
// Files dropped on a window (WM_DROPFILES).
#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include <string>
#include <vector>

namespace qm::win32 {

// The dropped files' full paths, in the order the system gives them; the drop's handle is
// released.
std::vector<std::string> TakeDroppedFiles(HDROP drop);

} // namespace qm::win32
