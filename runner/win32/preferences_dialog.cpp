#include "runner/win32/preferences_dialog.h"

#include "core/error_trap.h"
#include "core/messages.h"
#include "core/win32/win32_text.h"
#include "runner/win32/corvex_ids.h"
#include "ui/win32/preferences_controls.h"

#include <optional>
#include <string>
#include <utility>

namespace qm::win32 {
namespace {

class PreferencesDialog {
public:
    PreferencesDialog(RunnerPreferences& preferences, Win32Dialogs& dialogs,
                      std::function<void(const EngineTimings&)> takeOverTimings)
        : preferences_(preferences), dialogs_(dialogs),
          takeOverTimings_(std::move(takeOverTimings)) {}

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
            timingBoxes_.Detach();
            owner_.reset();
            return FALSE;
        default:
            return FALSE;
        }
    }

private:
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
        timingBoxes_.Attach(dialog_);
        // The controller loaded the values before opening the dialog.
        ShowState();
    }

    std::string Text(int id) const { return ControlText(Item(id)); }

    void SetText(int id, const std::string& text) { ShowControlText(Item(id), text); }

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
        timingBoxes_.Show(state.Timings);
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
        if (const auto change = timingBoxes_.TextChangeOf(id, code); change && !updating_)
            RunTrapped(dialogs_, change->Procedure, [&] {
                preferences_.SetTiming(change->Box, change->Text);
                ShowState();
            });
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
        if (const auto change = timingBoxes_.BarChangeOf(bar, code))
            RunTrapped(dialogs_, change->Procedure, [&] {
                if (preferences_.Scroll(change->Box, change->Action, change->TrackPosition))
                    ShowState();
            });
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
    TimingBoxControls timingBoxes_;
    // Set while the controls are being filled: their change notifications are not edits.
    bool updating_ = false;
};

} // namespace

void ShowPreferencesDialog(HINSTANCE instance, HWND owner, RunnerPreferences& preferences,
                           Win32Dialogs& dialogs,
                           std::function<void(const EngineTimings&)> takeOverTimings) {
    PreferencesDialog dialog(preferences, dialogs, std::move(takeOverTimings));
    ShowModalDialog(instance, IDD_PREFERENCES, owner, dialog, dialogs, "formOptions");
}

} // namespace qm::win32
