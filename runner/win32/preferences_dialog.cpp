#include "runner/win32/preferences_dialog.h"

#include "core/error_trap.h"
#include "core/messages.h"
#include "core/win32/win32_text.h"
#include "runner/win32/corvex_ids.h"
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
    }

    bool OnOwnCommand(int id, int code) override {
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
};

} // namespace

void ShowPreferencesDialog(HINSTANCE instance, HWND owner, RunnerPreferences& preferences,
                           Win32Dialogs& dialogs,
                           std::function<void(const EngineTimings&)> takeOverTimings) {
    PreferencesDialog dialog(preferences, dialogs, std::move(takeOverTimings));
    dialog.Run(instance, IDD_PREFERENCES, owner);
}

} // namespace qm::win32
