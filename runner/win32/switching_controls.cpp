#include "runner/win32/switching_controls.h"

#include "core/error_trap.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/win32/win32_text.h"
#include "runner/win32/corvex_ids.h"
#include "runner/win32/switching_win32.h"
#include "ui/win32/routed_procedures.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace qm::win32 {
namespace {

constexpr int kHotkeyControls[kHotkeyActions] = {IDC_HOTKEY_NEXT, IDC_HOTKEY_PREVIOUS,
                                                 IDC_HOTKEY_RUN_STOP};

void SetListText(HWND list, int row, int column, const std::string& text, bool insert) {
    std::wstring wide = WideFromUtf8(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = wide.data();
    SendMessageW(list, insert ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, insert ? 0 : row,
                 reinterpret_cast<LPARAM>(&item));
}

class AddRuleDialog {
public:
    explicit AddRuleDialog(Win32Dialogs& dialogs) : dialogs_(dialogs) {}

    static constexpr const char* kProcedure = "formAddRule";
    Win32Dialogs& Boxes() { return dialogs_; }
    // Owned by the preferences: F1 opens their section.
    GuideTopic HelpTopic() const { return GuideTopic::RunnerPreferences; }
    std::optional<ChosenProgram> chosen;

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
        case WM_INITDIALOG:
            dialog_ = dialog;
            owner_.emplace(dialogs_, dialog);
            programs_ = OpenWindowPrograms(dialogs_, "Form_Load");
            FillPrograms(0);
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case WM_DESTROY:
            owner_.reset();
            return FALSE;
        default:
            return FALSE;
        }
    }

private:
    // Programs by file name; two of one name by their full paths.
    void FillPrograms(std::size_t selected) {
        const HWND combo = GetDlgItem(dialog_, IDC_ADD_RULE_PROGRAM);
        SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        for (const auto& path : programs_) {
            const auto name = FileNameOf(path);
            const auto shared = std::count_if(programs_.begin(), programs_.end(), [&](auto& p) {
                return EqualsIgnoreCase(FileNameOf(p), name);
            });
            const std::wstring text = WideFromUtf8(shared > 1 ? path : name);
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        if (selected < programs_.size())
            SendMessageW(combo, CB_SETCURSEL, selected, 0);
    }

    void OnCommand(int id, int code) {
        if (code != BN_CLICKED)
            return;
        switch (id) {
        case IDC_ADD_RULE_BROWSE:
            RunTrapped(dialogs_, "CmdBrowseProgram_Click", [&] {
                const auto file = dialogs_.OpenFile(
                    {"Choose a Program", "Programs (*.exe)|*.exe|All Files (*.*)|*.*"});
                if (!file)
                    return;
                programs_.push_back(*file);
                FillPrograms(programs_.size() - 1);
            });
            break;
        case IDOK: {
            // The selection is read as it is now, however it was made.
            const auto selected =
                SendMessageW(GetDlgItem(dialog_, IDC_ADD_RULE_PROGRAM), CB_GETCURSEL, 0, 0);
            if (selected == CB_ERR || static_cast<std::size_t>(selected) >= programs_.size())
                return;
            chosen =
                ChosenProgram{programs_[static_cast<std::size_t>(selected)],
                              IsDlgButtonChecked(dialog_, IDC_ADD_RULE_FULL_PATH) == BST_CHECKED};
            EndDialog(dialog_, IDOK);
            break;
        }
        case IDCANCEL:
            EndDialog(dialog_, IDCANCEL);
            break;
        default:
            break;
        }
    }

    Win32Dialogs& dialogs_;
    HWND dialog_ = nullptr;
    std::optional<Win32Dialogs::OwnerScope> owner_;
    std::vector<std::string> programs_;
};

} // namespace

int HotkeyControlOf(HotkeyAction action) {
    return kHotkeyControls[static_cast<int>(action)];
}

void SwitchingControls::Attach(HWND dialog) {
    dialog_ = dialog;
    const HWND list = Item(IDC_SWITCH_RULES);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RECT bounds{};
    GetClientRect(list, &bounds);
    const int width = bounds.right - bounds.left;
    const wchar_t* titles[] = {L"Program", L"Configuration"};
    for (int c = 0; c < 2; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = c == 0 ? width * 2 / 5 : width - width * 2 / 5;
        column.pszText = const_cast<wchar_t*>(titles[c]);
        SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    }
}

void SwitchingControls::Show(const RunnerPreferencesState& state) {
    const SwitchingSettings& s = state.Switching;
    filling_ = true;
    CheckDlgButton(dialog_, IDC_SWITCHING_ON, s.Enabled ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog_, IDC_NOTIFY_SWITCH, s.Notify ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(dialog_, IDC_NO_RULE_KEEP, IDC_NO_RULE_STOP,
                     IDC_NO_RULE_KEEP + static_cast<int>(s.NoRule));
    for (int a = 0; a < kHotkeyActions; ++a)
        SendMessageW(Item(kHotkeyControls[a]), HKM_SETHOTKEY,
                     HotkeyToControl(s.Hotkeys[static_cast<std::size_t>(a)]), 0);

    const HWND list = Item(IDC_SWITCH_RULES);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t i = 0; i < s.Rules.size(); ++i) {
        const auto row = static_cast<int>(i);
        SetListText(list, row, 0, s.Rules[i].Program, true);
        SetListText(list, row, 1,
                    FileNameOf(s.Rules[i].Configuration) +
                        (state.RuleMissing[i] ? " (missing)" : ""),
                    false);
    }
    if (selected_ && *selected_ >= s.Rules.size())
        selected_ = s.Rules.empty() ? std::nullopt : std::optional(s.Rules.size() - 1);
    if (selected_) {
        LVITEMW item{};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, *selected_, reinterpret_cast<LPARAM>(&item));
    }

    const HWND combo = Item(IDC_RULE_CONFIGURATION);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    int current = -1;
    for (std::size_t i = 0; i < state.Configurations.size(); ++i) {
        const std::wstring text = WideFromUtf8(FileNameOf(state.Configurations[i].Path));
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (selected_ && SamePath(state.Configurations[i].Path, s.Rules[*selected_].Configuration))
            current = static_cast<int>(i);
    }
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(current), 0);
    EnableWindow(combo, selected_.has_value());
    EnableWindow(Item(IDC_RULE_CONFIGURATION_LABEL), selected_.has_value());
    EnableWindow(Item(IDC_REMOVE_RULE), selected_.has_value());
    EnableWindow(Item(IDC_ADD_RULE), !state.Configurations.empty());
    filling_ = false;
}

bool SwitchingControls::SelectionChanged(const NMHDR& header) {
    if (filling_ || header.idFrom != IDC_SWITCH_RULES || header.code != LVN_ITEMCHANGED)
        return false;
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if (!(change.uChanged & LVIF_STATE) || !(change.uNewState & LVIS_SELECTED))
        return false;
    selected_ = static_cast<std::size_t>(change.iItem);
    return true;
}

std::optional<ChosenProgram> AskForProgram(HINSTANCE instance, HWND owner, Win32Dialogs& dialogs) {
    AddRuleDialog dialog(dialogs);
    ShowObjectDialog(instance, IDD_ADD_RULE, owner, dialog);
    return dialog.chosen;
}

} // namespace qm::win32
