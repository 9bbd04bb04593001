#pragma once
// The replace dialog of Replace Device ("Replace Device"): the attached device that takes over
// the selected row's device.
#include "ui/win32/win32_dialogs.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace qm::win32 {

// Shows the dialog modally over `owner` with the names, the first one chosen: the position of
// the chosen name on OK; nothing on Cancel, the close box or Escape.
std::optional<int> ShowReplaceDialog(HINSTANCE instance, HWND owner, Win32Dialogs& dialogs,
                                     const std::vector<std::string>& deviceNames);

} // namespace qm::win32
