#pragma once
// The runner's commands and start-up, without any window: the configuration list, loading,
// Run and Stop, the device rescan, the priority and poll menus, the command line, drag and
// drop, the notification icon's clicks, closing. The Win32 shell forwards its events here and
// implements RunnerView.
#include "core/clock.h"
#include "core/dialogs.h"
#include "core/file_system.h"
#include "core/program_info.h"
#include "core/user_guide.h"
#include "devices/input_devices.h"
#include "engine/configuration_loader.h"
#include "engine/mapping_engine.h"
#include "engine/runner_engine_policy.h"
#include "keyboard/keyboard.h"
#include "runner/runner_preferences.h"
#include "runner/runner_view.h"
#include "runner/switching.h"
#include "settings/known_files.h"
#include "settings/process_priority.h"
#include "settings/settings_store.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// "Corvex Ver. 1.4.9 (Beta)": the caption, the tip and the single-instance key.
std::string RunnerCaption(const ProgramInfo& program);

// The enabled controls and menu items for a state.
RunnerMenuState MenuStateFor(bool devicesReady, bool running, int configurationCount);

// Members named after their seams: the types are qualified so that the names may be reused.
struct RunnerSeams {
    SettingsStore& Store;
    FileSystem& Files;
    qm::Dialogs& Dialogs;
    ProcessPriority& Priority;
    JoystickApi& Joysticks;
    BoardLibrary& Boards;
    qm::Keyboard& Keyboard;
    qm::Clock& Clock;
    GuideBrowser& Guide;
    // Being told of the program in front, and the global hotkeys; none: nothing switches.
    ForegroundWatch* Foreground = nullptr;
    HotkeyRegistrar* Hotkeys = nullptr;
};

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
    void ToggleRun() noexcept;
    // The Stop menu item: the button's command, its error box naming the menu item.
    void StopFromMenu() noexcept;
    // Stops the engine: icon, timer, process priority and menus back to stopped.
    void Stop() noexcept;
    void RescanDevices() noexcept;
    // A configuration item of the File menu: selects that entry, then runs it or stops the
    // running one.
    void SelectAndToggleRun(const std::string& entry) noexcept;
    // A configuration was chosen (in the selector or by a command): the Run/Stop button takes
    // the focus.
    void ConfigurationChosen() noexcept;
    // "Open...": asks for a file, then loads and runs it.
    void OpenConfigurationFile() noexcept { LoadConfigurationFile(""); }
    // Loads and runs a file, listing it if it is new; an empty path asks for one.
    void LoadConfigurationFile(const std::string& path) noexcept;
    void SetPriority(int index, bool ask) noexcept;
    void SetPoll(int index, bool ask) noexcept;
    // Opens the preferences dialog with the stored values.
    void EditPreferences() noexcept;
    // The user guide: Help > Contents and F1 (WM_HELP) open the topic's page. Where the guide
    // is, for the about box.
    void ShowGuide(GuideTopic topic) noexcept;
    std::string GuideLocation() const { return GuideLocationOf(program_, seams_.Files); }
    // After the preferences were applied: the engine takes the timings over at once.
    void TakeOverTimings(const EngineTimings& timings) noexcept;
    // Runs the default configuration file when the preferences ask for it.
    void RunDefaultConfiguration() noexcept;
    void DropFiles(const std::vector<std::string>& paths) noexcept;
    void NotificationIconClicked(TrayEvent event) noexcept;
    // A request to close the main window: false when it came from the close box, which only
    // hides the window; the program then goes on in the notification area.
    bool ClosingProceeds(bool fromCloseBox) noexcept;
    // Program end: notification icon removed, stopped, boards closed, then the message loop
    // ends whatever happened (the view's Quit is the one call outside the trap).
    void Exit();

    // The poll timer's tick: one engine pass while running.
    void TimerTick() noexcept;

    // Switching (runner_switching.cpp), through the Foreground and Hotkeys seams.
    // Takes the stored switching settings over: the hotkeys are registered again (a hotkey
    // another program holds is reported), and the foreground is watched while switching is
    // active. At start-up and after the preferences were applied.
    void ApplySwitching() noexcept;
    // Another window came to the front: runs its program's configuration, or does what the
    // user chose for programs without a rule.
    void ForegroundChanged(const ForegroundWindow& window) noexcept;
    void HotkeyPressed(HotkeyAction action) noexcept;
    const SwitchingSettings& Switching() const { return switching_; }

    // State, for the shell and for tests.
    bool Running() const { return running_; }
    bool DevicesReady() const { return devices_->DevicesReady; }
    int PollPeriodMs() const { return pollPeriodMs_; }
    std::uint32_t PriorityClass() const { return priorityClass_; }
    const EngineSettings& Engine() const { return engine_->Settings; }
    const DeviceTables& Devices() const { return devices_->Tables(); }
    const std::string& Caption() const { return caption_; }
    RunnerPreferences& Preferences() { return preferences_; }

private:
    void ToggleRunAs(std::string_view procedure);
    // Lists the configuration folder's new files and the known files that still exist.
    void SynchroniseConfigurationFolder();
    // Loads the entry's file and starts the engine; true when it runs.
    bool StartConfiguration(const std::string& entry);
    void AddToList(const std::string& entry, const std::string& path, const std::string& icon);
    void UpdateMenus();
    void ReadRates();
    void MarkRunning();
    // Runs the entry as choosing it and pressing Run would, the running one stopped first;
    // nothing when it runs already or the Run button is disabled.
    void SwitchTo(const std::string& entry);
    // The entry of the default configuration file when it is listed and exists.
    std::optional<std::string> DefaultEntry();
    // After a switch by rule or hotkey: the notification, when the user wants it.
    void NotifySwitch();

    ProgramInfo program_;
    RunnerSeams seams_;
    RunnerView& view_;
    std::string caption_;
    WindowHandle window_ = nullptr;
    std::unique_ptr<InputDevices> devices_;
    RunnerTables tables_;
    std::unique_ptr<RunnerEnginePolicy> policy_;
    std::unique_ptr<MappingEngine> engine_;
    RunnerPreferences preferences_;
    ReservedEntryNames reserved_;
    // The entries shown in the File menu and the selector.
    std::vector<std::string> listed_;
    bool running_ = false;
    SwitchingSettings switching_;
    // The hotkeys registered now.
    std::array<Hotkey, kHotkeyActions> registered_{};
    // What the last foreground change decided: an entry to run, "" to stop, nothing to keep
    // the running one. The same decision again changes nothing, so a configuration stopped or
    // switched by hand, or refused, stays so while the user moves between windows of the
    // same program.
    struct Decision {
        std::optional<std::string> Target;
        bool operator==(const Decision&) const = default;
    };
    std::optional<Decision> lastDecision_;
    int pollPeriodMs_ = 10;
    std::uint32_t priorityClass_ = kHighPriorityClass;
};

} // namespace qm
