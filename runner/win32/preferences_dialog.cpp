#include "runner/win32/preferences_dialog.h"

#include "core/messages.h"
#include "core/win32/win32_text.h"
#include "runner/command_trap.h"
#include "runner/win32/corvex_ids.h"
#include "runner/win32/shell_handles.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>

namespace qm::win32 {
namespace {

// A timing box: its text box, its scroll bar (up raises the value), range and steps, and the
// hint its controls show.
struct TimingBox {
    int Text;
    int Bar;
    int Label;
    int Maximum;
    int SmallStep;
    int LargeStep;
    void (RunnerPreferences::*Set)(std::string);
    std::string RunnerPreferencesState::*Value;
    const wchar_t* Hint;
};

constexpr std::array<TimingBox, 3> kTimingBoxes = {{
    {IDC_TEXTHOLD, IDC_VSCROLLHOLD, IDC_LABELHOLD, 500, 5, 25, &RunnerPreferences::SetKeyHold,
     &RunnerPreferencesState::KeyHold,
     L"Duration in milliseconds to hold a key pressed before releasing."},
    {IDC_TEXTREPEAT, IDC_VSCROLLREPEAT, IDC_LABELREPEAT, 1000, 100, 100,
     &RunnerPreferences::SetRepeatRate, &RunnerPreferencesState::RepeatRate,
     L"Delay in milliseconds between key macro outputs."},
    {IDC_TEXTROTARY, IDC_VSCROLLROTARY, IDC_LABELROTARY, 500, 5, 25,
     &RunnerPreferences::SetRotaryRate, &RunnerPreferencesState::RotaryRate,
     L"Threshold in milliseconds before switching from Low to Hi rate."},
}};

class PreferencesDialog {
public:
    PreferencesDialog(RunnerPreferences& preferences, Win32Dialogs& dialogs,
                      std::function<void(const EngineTimings&)> takeOverTimings)
        : preferences_(preferences), dialogs_(dialogs),
          takeOverTimings_(std::move(takeOverTimings)) {}

    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG)
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<PreferencesDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (self == nullptr)
            return FALSE;
        try {
            return self->Handle(dialog, message, wParam, lParam);
        } catch (...) {
            RunTrapped(self->dialogs_, "formOptions", [] { throw; });
            return FALSE;
        }
    }

private:
    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG:
            dialog_ = dialog;
            owner_.emplace(dialogs_, dialog);
            RunTrapped(dialogs_, "Form_Load", [&] { Load(); });
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_VSCROLL:
            OnScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case WM_DESTROY:
            tooltip_.Reset();
            owner_.reset();
            return FALSE;
        default:
            return FALSE;
        }
    }

    HWND Item(int id) const { return GetDlgItem(dialog_, id); }

    void Load() {
        const std::wstring title = WideFromUtf8(kRunnerTitle);
        SetDlgItemTextW(dialog_, IDC_CHECK1,
                        (L"Launch " + title + L" on Windows startup.").c_str());
        SetDlgItemTextW(dialog_, IDC_CHECK2,
                        (L"Start " + title + L" as an icon in the taskbar.").c_str());
        SetDlgItemTextW(dialog_, IDC_CHECK3, (L"Associate *.qmf files with " + title).c_str());
        SetDlgItemTextW(dialog_, IDC_CHECK4,
                        (L"Run default configuration file on " + title + L" startup.").c_str());
        for (const TimingBox& box : kTimingBoxes) {
            SCROLLINFO info{};
            info.cbSize = sizeof(info);
            info.fMask = SIF_RANGE | SIF_PAGE;
            info.nMin = 0;
            info.nMax = box.Maximum;
            info.nPage = 0;
            SetScrollInfo(Item(box.Bar), SB_CTL, &info, FALSE);
        }
        AddHints();
        // The controller loaded the values before opening the dialog.
        ShowState();
    }

    void AddHints() {
        tooltip_.Reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                       WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog_,
                                       nullptr, nullptr, nullptr));
        if (!tooltip_)
            return;
        SendMessageW(tooltip_.Get(), TTM_SETMAXTIPWIDTH, 0, 400);
        for (const TimingBox& box : kTimingBoxes) {
            for (const int id : {box.Text, box.Bar, box.Label}) {
                TOOLINFOW tool{};
                tool.cbSize = sizeof(tool);
                tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
                tool.hwnd = dialog_;
                tool.uId = reinterpret_cast<UINT_PTR>(Item(id));
                tool.lpszText = const_cast<wchar_t*>(box.Hint);
                SendMessageW(tooltip_.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
            }
        }
    }

    std::string Text(int id) const {
        const HWND item = Item(id);
        const int length = GetWindowTextLengthW(item);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
        return Utf8FromWide(text);
    }

    void SetText(int id, const std::string& text) {
        if (Text(id) != text)
            SetDlgItemTextW(dialog_, id, WideFromUtf8(text).c_str());
    }

    static int Clamp(int value, const TimingBox& box) { return std::clamp(value, 0, box.Maximum); }

    // The controls as the preferences' state says (checks, texts, scroll bars, enabling).
    void ShowState() {
        const RunnerPreferencesState& state = preferences_.State();
        updating_ = true;
        CheckDlgButton(dialog_, IDC_CHECK1, state.Launch ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog_, IDC_CHECK2, state.Taskbar ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog_, IDC_CHECK3, state.Associate ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog_, IDC_CHECK4, state.Startup ? BST_CHECKED : BST_UNCHECKED);
        SetText(IDC_TEXT1, state.ConfigPath);
        SetText(IDC_TEXT2, state.DefaultConfigFile);
        for (const TimingBox& box : kTimingBoxes) {
            const std::string& value = state.*box.Value;
            SetText(box.Text, value);
            const int position = box.Maximum - Clamp(RunnerPreferences::TimingValue(value), box);
            SetScrollPos(Item(box.Bar), SB_CTL, position, TRUE);
        }
        EnableWindow(Item(IDC_CHECK4), state.StartupEnabled);
        EnableWindow(Item(IDC_TEXT2), state.DefaultFileEnabled);
        EnableWindow(Item(IDC_CMDBROWSE1), state.DefaultFileEnabled);
        EnableWindow(Item(IDOK), state.ButtonsEnabled);
        EnableWindow(Item(IDCANCEL), state.ButtonsEnabled);
        EnableWindow(Item(IDC_CMDAPPLY), state.ApplyEnabled);
        updating_ = false;
        // Keyboard focus never stays on a control that was just disabled.
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(dialog_, focus) && !IsWindowEnabled(focus))
            SendMessageW(dialog_, WM_NEXTDLGCTL, 0, FALSE);
    }

    void OnCommand(int id, int code) {
        switch (id) {
        case IDC_CHECK1:
        case IDC_CHECK2:
        case IDC_CHECK3:
        case IDC_CHECK4:
            if (code == BN_CLICKED && !updating_)
                OnCheck(id);
            return;
        case IDC_TEXT1:
            if (code == EN_CHANGE && !updating_)
                RunTrapped(dialogs_, "Text1_Change", [&] {
                    preferences_.SetConfigPath(Text(IDC_TEXT1));
                    ShowState();
                });
            return;
        case IDC_TEXT2:
            if (code == EN_CHANGE && !updating_)
                RunTrapped(dialogs_, "Text2_Change", [&] {
                    preferences_.SetDefaultConfigFile(Text(IDC_TEXT2));
                    ShowState();
                });
            return;
        case IDC_COMBROWSE:
            if (code == BN_CLICKED)
                RunTrapped(dialogs_, "ComBrowse_Click", [&] {
                    preferences_.BrowseConfigFolder();
                    ShowState();
                });
            return;
        case IDC_CMDBROWSE1:
            if (code == BN_CLICKED && IsWindowEnabled(Item(IDC_CMDBROWSE1)))
                RunTrapped(dialogs_, "CmdBrowse1_Click", [&] {
                    preferences_.BrowseDefaultConfigFile();
                    ShowState();
                });
            return;
        case IDC_CMDAPPLY:
            if (code == BN_CLICKED && IsWindowEnabled(Item(IDC_CMDAPPLY)))
                RunTrapped(dialogs_, "cmdApply_Click", [&] { Apply(); });
            return;
        case IDOK:
            if (code == BN_CLICKED)
                OnOk();
            return;
        case IDCANCEL:
            // Escape and the close box close without saving, whatever the button shows.
            if (code == BN_CLICKED)
                EndDialog(dialog_, IDCANCEL);
            return;
        default:
            break;
        }
        for (const TimingBox& box : kTimingBoxes) {
            if (id == box.Text && code == EN_CHANGE && !updating_) {
                RunTrapped(dialogs_, "Text_Change", [&] {
                    (preferences_.*box.Set)(Text(box.Text));
                    ShowState();
                });
                return;
            }
        }
    }

    void OnCheck(int id) {
        const bool checked = IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
        switch (id) {
        case IDC_CHECK1:
            RunTrapped(dialogs_, "Check1_Click", [&] { preferences_.SetLaunch(checked); });
            break;
        case IDC_CHECK2:
            RunTrapped(dialogs_, "Check2_Click", [&] { preferences_.SetTaskbar(checked); });
            break;
        case IDC_CHECK3:
            RunTrapped(dialogs_, "Check3_Click", [&] { preferences_.SetAssociate(checked); });
            break;
        case IDC_CHECK4:
            RunTrapped(dialogs_, "Check4_Click", [&] { preferences_.SetStartup(checked); });
            break;
        default:
            break;
        }
        RunTrapped(dialogs_, "Form_Paint", [&] { ShowState(); });
    }

    void OnScroll(HWND bar, int code) {
        const int id = GetDlgCtrlID(bar);
        for (const TimingBox& box : kTimingBoxes) {
            if (id != box.Bar)
                continue;
            RunTrapped(dialogs_, "VScroll_Change", [&] {
                const int current =
                    Clamp(RunnerPreferences::TimingValue(preferences_.State().*box.Value), box);
                int value = current;
                switch (code) {
                case SB_LINEUP:
                    value += box.SmallStep;
                    break;
                case SB_LINEDOWN:
                    value -= box.SmallStep;
                    break;
                case SB_PAGEUP:
                    value += box.LargeStep;
                    break;
                case SB_PAGEDOWN:
                    value -= box.LargeStep;
                    break;
                case SB_TOP:
                    value = box.Maximum;
                    break;
                case SB_BOTTOM:
                    value = 0;
                    break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION: {
                    SCROLLINFO info{};
                    info.cbSize = sizeof(info);
                    info.fMask = SIF_TRACKPOS;
                    if (GetScrollInfo(bar, SB_CTL, &info))
                        value = box.Maximum - info.nTrackPos;
                    break;
                }
                default:
                    return;
                }
                value = Clamp(value, box);
                if (value == current && code != SB_THUMBTRACK && code != SB_THUMBPOSITION)
                    return;
                (preferences_.*box.Set)(std::to_string(value));
                ShowState();
            });
            return;
        }
    }

    void Apply() {
        const EngineTimings timings = preferences_.Apply();
        if (takeOverTimings_)
            takeOverTimings_(timings);
        ShowState();
    }

    void OnOk() {
        // Without a change there is nothing to apply (the button is disabled then).
        if (!IsWindowEnabled(Item(IDOK))) {
            EndDialog(dialog_, IDCANCEL);
            return;
        }
        // An error is reported by Apply's trap; the dialog closes all the same.
        RunTrapped(dialogs_, "cmdOK_Click", [&] { Apply(); });
        EndDialog(dialog_, IDOK);
    }

    RunnerPreferences& preferences_;
    Win32Dialogs& dialogs_;
    std::function<void(const EngineTimings&)> takeOverTimings_;
    HWND dialog_ = nullptr;
    // Boxes the preferences show while the dialog is open belong to it.
    std::optional<Win32Dialogs::OwnerScope> owner_;
    UniqueWindow tooltip_;
    // Set while the controls are being filled: their change notifications are not edits.
    bool updating_ = false;
};

} // namespace

void ShowPreferencesDialog(HINSTANCE instance, HWND owner, RunnerPreferences& preferences,
                           Win32Dialogs& dialogs,
                           std::function<void(const EngineTimings&)> takeOverTimings) {
    PreferencesDialog dialog(preferences, dialogs, std::move(takeOverTimings));
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PREFERENCES), owner,
                    &PreferencesDialog::Procedure, reinterpret_cast<LPARAM>(&dialog));
}

} // namespace qm::win32
