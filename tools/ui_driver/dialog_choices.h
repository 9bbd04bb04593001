#pragma once
// A program's own dialogs with a list or a drop-down: what they show, and a choice made in
// them as a user makes it (a click on a list row, a drop-down item) followed by OK.
#include <windows.h>

#include <string>
#include <vector>

namespace qm::e2e {

// The dialog's first list view or drop-down list (combo box); null when it has none.
HWND DialogListView(HWND dialog);
HWND DialogComboBox(HWND dialog);

// Records of what the dialog lists: `row` and the cell texts of each list row, with `checked`
// after a checked one; `item` and the text of each drop-down item, the selected one marked `*`.
std::vector<std::string> DialogItems(HANDLE process, HWND dialog);

// Clicks row `row` (from 1) of the dialog's list in its first column, waits until OK is
// enabled and clicks it. An empty text when done, else why not.
std::string ChooseRowAndConfirm(HANDLE process, HWND dialog, int row);
// Chooses the drop-down item with this text and clicks OK.
std::string ChooseItemAndConfirm(HWND dialog, const std::wstring& item);

} // namespace qm::e2e
