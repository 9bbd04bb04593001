#pragma once
// The runner's commands and start-up, without any window. The controller owns the state its
// units share and routes each command to its unit: the configuration commands (the list,
// loading, Run and Stop, the device rescan, drag and drop) and switching. Start-up, the
// priority and poll menus, the preferences, the notification icon's clicks and closing it does
// itself. The Win32 shell forwards its events here and implements RunnerView.
#include "core/program_info.h"
#include "core/user_guide.h"
#include "runner/run_commands.h"
#include "runner/runner_preferences.h"
#include "runner/runner_state.h"
#include "runner/runner_switching.h"
#include "runner/runner_view.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

enum class TrayEvent { LeftDoubleClick, RightButtonUp, Other };

class RunnerController {
public:
    RunnerController(ProgramInfo program, RunnerSeams seams, RunnerView& view);
    ~RunnerController();

    // Start-up once the window exists: caption, device scan, notification icon, priority and
    // poll from the settings, folder synchronisation, menus, "taskbar", then the command line
    // ("" or "/t": the default configuration check; otherwise a file to run).
    void Start(std::string_view commandLine, WindowHandle mainWindow) noexcept;

    // The file a command line names to run (not yet a full path); nothing for "" or "/t".
    static std::optional<std::string> FileOnCommandLine(std::string_view commandLine);
    // What a second start hands over to the runner that runs: the full path of the file its
    // command line names (expanded in the second start's folder), or nothing.
    static std::optional<std::string> PathToHandOver(std::string_view commandLine,
                                                     FileSystem& files);
    // A full path handed over by a second start: does what the command line does at start-up
    // (hides the window, loads and runs the file, with the same refusals), after stopping the
    // configuration that runs unless the file is missing.
    void RunHandedOver(const std::string& path) noexcept;

    // Commands. Each traps its own errors under the procedure name its error box shows, and
    // nothing escapes it: the window calls them without a trap of its own.

    // The Run/Stop button: stops the running configuration, or rescans the devices and runs
    // the selected one.
    void ToggleRun() noexcept { run_.ToggleRun(); }
    // The Stop menu item: the button's command, its error box naming the menu item.
    void StopFromMenu() noexcept { run_.StopFromMenu(); }
    // Stops the engine: icon, timer, process priority and menus back to stopped.
    void Stop() noexcept { run_.Stop(); }
    void RescanDevices() noexcept { run_.RescanDevices(); }
    // A configuration item of the File menu: selects that entry, then runs it or stops the
    // running one.
    void SelectAndToggleRun(const std::string& entry) noexcept { run_.SelectAndToggleRun(entry); }
    // A configuration was chosen (in the selector or by a command): the Run/Stop button takes
    // the focus.
    void ConfigurationChosen() noexcept { run_.ConfigurationChosen(); }
    // "Open...": asks for a file, then loads and runs it.
    void OpenConfigurationFile() noexcept { run_.LoadConfigurationFile(""); }
    // Loads and runs a file, listing it if it is new; an empty path asks for one.
    void LoadConfigurationFile(const std::string& path) noexcept {
        run_.LoadConfigurationFile(path);
    }
    void SetPriority(int index, bool ask) noexcept;
    void SetPoll(int index, bool ask) noexcept;
    // Opens the preferences dialog with the stored values.
    void EditPreferences() noexcept;
    // The user guide: Help > Contents and F1 (WM_HELP) open the topic's page. Where the guide
    // is, for the about box.
    void ShowGuide(GuideTopic topic) noexcept;
    std::string GuideLocation() const {
        return GuideLocationOf(state_.Program, state_.Seams.Files);
    }
    // After the preferences were applied: the engine takes the timings over at once.
    void TakeOverTimings(const EngineTimings& timings) noexcept;
    // Runs the default configuration file when the preferences ask for it.
    void RunDefaultConfiguration() noexcept { run_.RunDefaultConfiguration(); }
    void DropFiles(const std::vector<std::string>& paths) noexcept { run_.DropFiles(paths); }
    void NotificationIconClicked(TrayEvent event) noexcept;
    // A request to close the main window: false when it came from the close box, which only
    // hides the window; the program then goes on in the notification area.
    bool ClosingProceeds(bool fromCloseBox) noexcept;
    // Program end: notification icon removed, stopped, boards closed, then the message loop
    // ends whatever happened (the view's Quit is the one call outside the trap).
    void Exit();

    // The poll timer's tick: one engine pass while running, after the limited rescan once
    // the notices of devices that came or went have settled.
    void TimerTick() noexcept;
    // The controllers' events to wait on beside the timer while running; none otherwise.
    std::span<void* const> DeviceEvents() const;
    // One of them was set: the changes the controllers buffered are handled at once.
    void HandleDeviceEvents() noexcept;
    // The system said devices came or went: noted while running (a Run scans them all).
    void DevicesChanged() noexcept;

    // Switching (RunnerSwitching): the stored settings taken over, at start-up and after the
    // preferences were applied; the program in front changed; a global hotkey.
    void ApplySwitching() noexcept { switching_.Apply(); }
    void ForegroundChanged(const ForegroundWindow& window) noexcept {
        switching_.ForegroundChanged(window);
    }
    void HotkeyPressed(HotkeyAction action) noexcept { switching_.HotkeyPressed(action); }
    const SwitchingSettings& Switching() const { return switching_.Settings(); }

    // State, for the shell and for tests.
    bool Running() const { return state_.Running; }
    bool DevicesReady() const { return state_.DevicesReady(); }
    int PollPeriodMs() const { return state_.PollPeriodMs; }
    std::uint32_t PriorityClass() const { return state_.PriorityClass; }
    const EngineSettings& Engine() const { return state_.Engine->Settings; }
    const DeviceTables& Devices() const { return state_.Devices->Tables(); }
    const std::string& Caption() const { return state_.Caption; }
    RunnerPreferences& Preferences() { return preferences_; }

private:
    // The state the units share, then the units over it.
    RunnerState state_;
    RunCommands run_;
    RunnerSwitching switching_;
    RunnerPreferences preferences_;
};

} // namespace qm
