#pragma once
// The duplicate dialog of Remove Items ("Select Item"): the rows of one group that map the same
// button, of which the user keeps one, or skips the group, or skips every group left.
#include "editor/editor_dialogs.h"
#include "ui/win32/win32_dialogs.h"

#include <windows.h>

#include <vector>

namespace qm::win32 {

// Shows the dialog modally over `owner`; its title bar's close box and Escape skip the group.
// Boxes shown while it is open belong to it.
DuplicateChoice ShowDuplicateDialog(HINSTANCE instance, HWND owner, Win32Dialogs& dialogs,
                                    const std::vector<DuplicateRow>& rows);

} // namespace qm::win32
