#include "runner/win32/preferences_dialog.h"

#include "core/error_trap.h"
#include "core/messages.h"
#include "core/win32/win32_text.h"
#include "runner/win32/corvex_ids.h"
#include "runner/win32/switching_controls.h"
#include "runner/win32/switching_win32.h"
#include "ui/win32/preferences_dialog_frame.h"

#include <string>
#include <utility>

namespace qm::win32 {
namespace {

class PreferencesDialog final : public PreferencesDialogFrame<RunnerPreferences> {
public:
    using PreferencesDialogFrame::PreferencesDialogFrame;

private:
    GuideTopic HelpTopic() const override { return GuideTopic::RunnerPreferences; }
    void SetCaptions() override {
        const std::wstring title = WideFromUtf8(kRunnerTitle);
        SetItemText(IDC_LAUNCH_AT_STARTUP, L"&Launch " + title + L" on Windows startup.");
        SetItemText(IDC_START_HIDDEN, L"&Start " + title + L" as an icon in the taskbar.");
        SetItemText(IDC_ASSOCIATE_FILES, L"Associate *.&qmf files with " + title);
        SetItemText(IDC_RUN_DEFAULT_AT_STARTUP,
                    L"&Run default configuration file on " + title + L" startup.");
        switching_.Attach(GetParent(Item(IDC_SWITCH_RULES)));
    }

    // The start-up check boxes, the default file and the buttons.
    void ShowOwnState() override {
        const RunnerPreferencesState& state = preferences_.State();
        SetCheck(IDC_LAUNCH_AT_STARTUP, state.Launch);
        SetCheck(IDC_START_HIDDEN, state.Taskbar);
        SetCheck(IDC_RUN_DEFAULT_AT_STARTUP, state.Startup);
        ShowControlText(Item(IDC_DEFAULT_CONFIG_FILE), state.DefaultConfigFile);
        EnableWindow(Item(IDC_RUN_DEFAULT_AT_STARTUP), state.StartupEnabled);
        EnableWindow(Item(IDC_DEFAULT_CONFIG_FILE), state.DefaultFileEnabled);
        EnableWindow(Item(IDC_BROWSE_DEFAULT_CONFIG_FILE), state.DefaultFileEnabled);
        EnableWindow(Item(IDOK), state.ButtonsEnabled);
        EnableWindow(Item(IDCANCEL), state.ButtonsEnabled);
        EnableWindow(Item(IDC_APPLY), state.ApplyEnabled);
        switching_.Show(state);
    }

    bool OnOwnNotify(const NMHDR& header) override {
        if (!switching_.SelectionChanged(header))
            return false;
        RunTrapped(dialogs_, "ListRules_Click", [&] { ShowState(); });
        return true;
    }

    // The switching frame's controls; false for another control.
    bool OnSwitchingCommand(int id, int code) {
        for (int a = 0; a < kHotkeyActions; ++a) {
            const auto action = static_cast<HotkeyAction>(a);
            if (id != HotkeyControlOf(action))
                continue;
            if (code == EN_CHANGE)
                Edit("Hotkey_Change", [&] {
                    preferences_.SetHotkey(
                        action, HotkeyFromControl(SendMessageW(Item(id), HKM_GETHOTKEY, 0, 0)));
                });
            return true;
        }
        if (id == IDC_RULE_CONFIGURATION) {
            const auto chosen = SendMessageW(Item(id), CB_GETCURSEL, 0, 0);
            const auto& known = preferences_.State().Configurations;
            const auto rule = switching_.SelectedRule();
            if (code == CBN_SELCHANGE && rule && chosen >= 0 &&
                static_cast<std::size_t>(chosen) < known.size())
                Edit("ComboRuleConfiguration_Click", [&] {
                    preferences_.SetRuleConfiguration(*rule,
                                                      known[static_cast<std::size_t>(chosen)].Path);
                });
            return true;
        }
        if (code != BN_CLICKED)
            return id >= IDC_FRAME_SWITCHING && id <= IDC_NOTIFY_SWITCH;
        switch (id) {
        case IDC_SWITCHING_ON:
            Edit("CheckSwitching_Click", [&] { preferences_.SetSwitchingOn(Checked(id)); });
            return true;
        case IDC_NOTIFY_SWITCH:
            Edit("CheckNotify_Click", [&] { preferences_.SetNotify(Checked(id)); });
            return true;
        case IDC_NO_RULE_KEEP:
        case IDC_NO_RULE_DEFAULT:
        case IDC_NO_RULE_STOP:
            Edit("OptionNoRule_Click",
                 [&] { preferences_.SetNoRule(static_cast<NoRuleChoice>(id - IDC_NO_RULE_KEEP)); });
            return true;
        case IDC_ADD_RULE:
            if (!IsWindowEnabled(Item(id)))
                return true;
            if (const auto program = AskForProgram(
                    reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(Item(id), GWLP_HINSTANCE)),
                    GetParent(Item(id)), dialogs_))
                Edit("CmdAddRule_Click", [&] {
                    // A new rule starts with the first configuration; the drop-down changes it.
                    switching_.Select(
                        preferences_.AddRule(program->Path, program->ByFullPath,
                                             preferences_.State().Configurations.front().Path));
                });
            return true;
        case IDC_REMOVE_RULE:
            if (const auto rule = switching_.SelectedRule(); rule && IsWindowEnabled(Item(id)))
                Edit("CmdRemoveRule_Click", [&] { preferences_.RemoveRule(*rule); });
            return true;
        default:
            return id >= IDC_FRAME_SWITCHING && id <= IDC_NOTIFY_SWITCH;
        }
    }

    bool OnOwnCommand(int id, int code) override {
        if (OnSwitchingCommand(id, code))
            return true;
        struct CheckBox {
            int Id;
            void (RunnerPreferences::*Set)(bool);
            const char* Click;
        };
        static constexpr CheckBox kCheckBoxes[] = {
            {IDC_LAUNCH_AT_STARTUP, &RunnerPreferences::SetLaunch, "Check1_Click"},
            {IDC_START_HIDDEN, &RunnerPreferences::SetTaskbar, "Check2_Click"},
            {IDC_RUN_DEFAULT_AT_STARTUP, &RunnerPreferences::SetStartup, "Check4_Click"},
        };
        for (const CheckBox& box : kCheckBoxes) {
            if (box.Id != id)
                continue;
            if (code == BN_CLICKED)
                Edit(box.Click, [&] { (preferences_.*box.Set)(Checked(id)); });
            return true;
        }
        switch (id) {
        case IDC_DEFAULT_CONFIG_FILE:
            if (code == EN_CHANGE)
                Edit("Text2_Change", [&] {
                    preferences_.SetDefaultConfigFile(ControlText(Item(IDC_DEFAULT_CONFIG_FILE)));
                });
            return true;
        case IDC_BROWSE_DEFAULT_CONFIG_FILE:
            if (code == BN_CLICKED && IsWindowEnabled(Item(IDC_BROWSE_DEFAULT_CONFIG_FILE))) {
                preferences_.BrowseDefaultConfigFile(); // traps its own errors
                ShowState();
            }
            return true;
        default:
            return false;
        }
    }

    SwitchingControls switching_;
};

} // namespace

void ShowPreferencesDialog(HINSTANCE instance, HWND owner, RunnerPreferences& preferences,
                           Win32Dialogs& dialogs,
                           std::function<void(const EngineTimings&)> takeOverTimings) {
    PreferencesDialog dialog(preferences, dialogs, std::move(takeOverTimings));
    dialog.Run(instance, IDD_PREFERENCES, owner);
}

} // namespace qm::win32
