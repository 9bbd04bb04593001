#pragma once
// One copy of a program at a time: a second start finds the first by its main window's caption,
// which carries the program's name and version.
#include <string>

namespace qm::win32 {

// When a window with this caption exists, restores it, brings it to the front and returns true
// (the caller then ends); false when the program is not running yet.
bool BringRunningInstanceForward(const std::wstring& caption);

} // namespace qm::win32
