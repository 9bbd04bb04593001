#pragma once
// The "Switching" frame of the runner's preferences dialog (the rules list, the selected
// rule's configuration, the choice for programs without a rule, the hotkeys, the notification
// option) and its "Add Rule" dialog.
#include "runner/runner_preferences.h"
#include "ui/win32/win32_dialogs.h"

#include <windows.h>

#include <optional>
#include <string>

namespace qm::win32 {

class SwitchingControls {
public:
    // The list's columns; the dialog is open.
    void Attach(HWND dialog);
    // The controls as the state has them; the selected rule stays selected.
    void Show(const RunnerPreferencesState& state);
    // The selected rule; nothing without one.
    std::optional<std::size_t> SelectedRule() const { return selected_; }
    void Select(std::size_t rule) { selected_ = rule; }
    // A list notification: true when the selection changed (the dialog shows it).
    bool SelectionChanged(const NMHDR& header);

private:
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }

    HWND dialog_ = nullptr;
    std::optional<std::size_t> selected_;
    bool filling_ = false;
};

// The program chosen in the "Add Rule" dialog: its full path, and whether the rule names the
// full path. Nothing when cancelled.
struct ChosenProgram {
    std::string Path;
    bool ByFullPath = false;
};
std::optional<ChosenProgram> AskForProgram(HINSTANCE instance, HWND owner, Win32Dialogs& dialogs);

// The hotkey control of an action.
int HotkeyControlOf(HotkeyAction action);

} // namespace qm::win32
