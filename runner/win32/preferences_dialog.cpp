#include "runner/win32/preferences_dialog.h"

#include "core/error_trap.h"
#include "core/messages.h"
#include "core/win32/win32_text.h"
#include "runner/win32/corvex_ids.h"
#include "ui/win32/shell_handles.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>

namespace qm::win32 {
namespace {

// A timing box's controls: its text box, its scroll bar and its label, the hint they show, and
// the names of the procedures that handle their changes.
struct TimingControls {
    TimingBox Box;
    int Text;
    int Bar;
    int Label;
    const wchar_t* Hint;
    const char* TextChange;
    const char* BarChange;
};

constexpr std::array<TimingControls, 3> kTimingControls = {{
    {TimingBox::KeyHold, IDC_KEY_HOLD, IDC_KEY_HOLD_SCROLL, IDC_KEY_HOLD_LABEL,
     L"Duration in milliseconds to hold a key pressed before releasing.", "TextHold_Change",
     "VScrollHold_Change"},
    {TimingBox::RepeatDelay, IDC_REPEAT_DELAY, IDC_REPEAT_DELAY_SCROLL, IDC_REPEAT_DELAY_LABEL,
     L"Delay in milliseconds between key macro outputs.", "TextRepeat_Change",
     "VScrollRepeat_Change"},
    {TimingBox::RotaryThreshold, IDC_ROTARY_THRESHOLD, IDC_ROTARY_THRESHOLD_SCROLL,
     IDC_ROTARY_THRESHOLD_LABEL, L"Threshold in milliseconds before switching from Low to Hi rate.",
     "TextRotary_Change", "VScrollRotary_Change"},
}};

// The scroll-bar action of a WM_VSCROLL code; none for the codes that change nothing.
std::optional<ScrollAction> ScrollActionOf(int code) {
    switch (code) {
    case SB_LINEUP:
        return ScrollAction::LineUp;
    case SB_LINEDOWN:
        return ScrollAction::LineDown;
    case SB_PAGEUP:
        return ScrollAction::PageUp;
    case SB_PAGEDOWN:
        return ScrollAction::PageDown;
    case SB_TOP:
        return ScrollAction::Top;
    case SB_BOTTOM:
        return ScrollAction::Bottom;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        return ScrollAction::Track;
    default:
        return std::nullopt;
    }
}

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
            // Every event traps its own errors; this only keeps anything else from unwinding
            // through the system's code.
            ReportCurrentError(self->dialogs_, "formOptions");
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
        SetDlgItemTextW(dialog_, IDC_LAUNCH_AT_STARTUP,
                        (L"Launch " + title + L" on Windows startup.").c_str());
        SetDlgItemTextW(dialog_, IDC_START_HIDDEN,
                        (L"Start " + title + L" as an icon in the taskbar.").c_str());
        SetDlgItemTextW(dialog_, IDC_ASSOCIATE_FILES,
                        (L"Associate *.qmf files with " + title).c_str());
        SetDlgItemTextW(dialog_, IDC_RUN_DEFAULT_AT_STARTUP,
                        (L"Run default configuration file on " + title + L" startup.").c_str());
        for (const TimingControls& box : kTimingControls) {
            SCROLLINFO info{};
            info.cbSize = sizeof(info);
            info.fMask = SIF_RANGE | SIF_PAGE;
            info.nMin = 0;
            info.nMax = ScaleOf(box.Box).Maximum;
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
        for (const TimingControls& box : kTimingControls) {
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

    // The controls as the preferences' state says (checks, texts, scroll bars, enabling).
    void ShowState() {
        const RunnerPreferencesState& state = preferences_.State();
        updating_ = true;
        CheckDlgButton(dialog_, IDC_LAUNCH_AT_STARTUP, state.Launch ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog_, IDC_START_HIDDEN, state.Taskbar ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog_, IDC_ASSOCIATE_FILES, state.Associate ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog_, IDC_RUN_DEFAULT_AT_STARTUP,
                       state.Startup ? BST_CHECKED : BST_UNCHECKED);
        SetText(IDC_CONFIG_FOLDER, state.ConfigPath);
        SetText(IDC_DEFAULT_CONFIG_FILE, state.DefaultConfigFile);
        for (const TimingControls& box : kTimingControls) {
            SetText(box.Text, preferences_.TimingText(box.Box));
            SetScrollPos(Item(box.Bar), SB_CTL, preferences_.ScrollPosition(box.Box), TRUE);
        }
        EnableWindow(Item(IDC_RUN_DEFAULT_AT_STARTUP), state.StartupEnabled);
        EnableWindow(Item(IDC_DEFAULT_CONFIG_FILE), state.DefaultFileEnabled);
        EnableWindow(Item(IDC_BROWSE_DEFAULT_CONFIG_FILE), state.DefaultFileEnabled);
        EnableWindow(Item(IDOK), state.ButtonsEnabled);
        EnableWindow(Item(IDCANCEL), state.ButtonsEnabled);
        EnableWindow(Item(IDC_APPLY), state.ApplyEnabled);
        updating_ = false;
        // Keyboard focus never stays on a control that was just disabled.
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(dialog_, focus) && !IsWindowEnabled(focus))
            SendMessageW(dialog_, WM_NEXTDLGCTL, 0, FALSE);
    }

    void OnCommand(int id, int code) {
        switch (id) {
        case IDC_LAUNCH_AT_STARTUP:
        case IDC_START_HIDDEN:
        case IDC_ASSOCIATE_FILES:
        case IDC_RUN_DEFAULT_AT_STARTUP:
            if (code == BN_CLICKED && !updating_)
                OnCheck(id);
            return;
        case IDC_CONFIG_FOLDER:
            if (code == EN_CHANGE && !updating_)
                RunTrapped(dialogs_, "Text1_Change", [&] {
                    preferences_.SetConfigPath(Text(IDC_CONFIG_FOLDER));
                    ShowState();
                });
            return;
        case IDC_DEFAULT_CONFIG_FILE:
            if (code == EN_CHANGE && !updating_)
                RunTrapped(dialogs_, "Text2_Change", [&] {
                    preferences_.SetDefaultConfigFile(Text(IDC_DEFAULT_CONFIG_FILE));
                    ShowState();
                });
            return;
        case IDC_BROWSE_CONFIG_FOLDER:
            if (code == BN_CLICKED) {
                preferences_.BrowseConfigFolder();
                ShowState();
            }
            return;
        case IDC_BROWSE_DEFAULT_CONFIG_FILE:
            if (code == BN_CLICKED && IsWindowEnabled(Item(IDC_BROWSE_DEFAULT_CONFIG_FILE))) {
                preferences_.BrowseDefaultConfigFile();
                ShowState();
            }
            return;
        case IDC_APPLY:
            if (code == BN_CLICKED && IsWindowEnabled(Item(IDC_APPLY)))
                Apply();
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
        for (const TimingControls& box : kTimingControls) {
            if (id == box.Text && code == EN_CHANGE && !updating_) {
                RunTrapped(dialogs_, box.TextChange, [&] {
                    preferences_.SetTiming(box.Box, Text(box.Text));
                    ShowState();
                });
                return;
            }
        }
    }

    void OnCheck(int id) {
        struct CheckBox {
            int Id;
            void (RunnerPreferences::*Set)(bool);
            const char* Click;
        };
        static constexpr CheckBox kCheckBoxes[] = {
            {IDC_LAUNCH_AT_STARTUP, &RunnerPreferences::SetLaunch, "Check1_Click"},
            {IDC_START_HIDDEN, &RunnerPreferences::SetTaskbar, "Check2_Click"},
            {IDC_ASSOCIATE_FILES, &RunnerPreferences::SetAssociate, "Check3_Click"},
            {IDC_RUN_DEFAULT_AT_STARTUP, &RunnerPreferences::SetStartup, "Check4_Click"},
        };
        const bool checked = IsDlgButtonChecked(dialog_, id) == BST_CHECKED;
        for (const CheckBox& box : kCheckBoxes) {
            if (box.Id == id)
                RunTrapped(dialogs_, box.Click, [&] {
                    (preferences_.*box.Set)(checked);
                    ShowState();
                });
        }
    }

    void OnScroll(HWND bar, int code) {
        const int id = GetDlgCtrlID(bar);
        const auto action = ScrollActionOf(code);
        for (const TimingControls& box : kTimingControls) {
            if (id != box.Bar || !action)
                continue;
            RunTrapped(dialogs_, box.BarChange, [&] {
                int trackPosition = 0;
                if (*action == ScrollAction::Track) {
                    SCROLLINFO info{};
                    info.cbSize = sizeof(info);
                    info.fMask = SIF_TRACKPOS;
                    if (!GetScrollInfo(bar, SB_CTL, &info))
                        return;
                    trackPosition = info.nTrackPos;
                }
                if (preferences_.Scroll(box.Box, *action, trackPosition))
                    ShowState();
            });
            return;
        }
    }

    // Apply traps its own errors (the OK button applies too); the dialog shows the outcome.
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
        Apply();
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
