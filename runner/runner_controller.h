#pragma once
// The runner's commands and start-up, without any window: the configuration list, loading,
// Run and Stop, the device rescan, the priority and poll menus, the command line, drag and
// drop, the notification icon's clicks, closing. The Win32 shell forwards its events here and
// implements RunnerView.
#include "core/clock.h"
#include "core/dialogs.h"
#include "core/file_system.h"
#include "devices/input_devices.h"
#include "keyboard/keyboard.h"
#include "runner/configuration_loader.h"
#include "runner/mapping_engine.h"
#include "runner/runner_engine_policy.h"
#include "runner/runner_preferences.h"
#include "runner/runner_view.h"
#include "settings/known_files.h"
#include "settings/process_priority.h"
#include "settings/settings_store.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

struct ProgramInfo {
    std::string Folder;     // the program's folder, no trailing "\"
    std::string Executable; // "corvex"
    int Major = 1, Minor = 4, Revision = 0;
};

// "Corvex Ver. 1.4.9 (Beta)": the caption, the tip and the single-instance key.
std::string RunnerCaption(const ProgramInfo& program);

// The poll period of a poll-menu index (5, 10 or 15 ms); 0 for an unknown index.
int PollPeriodForIndex(int index);

// SetMenus: the enabled controls for a state, as a pure function.
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
};

enum class TrayEvent { LeftDoubleClick, RightButtonUp, Other };

class RunnerController {
public:
    RunnerController(ProgramInfo program, RunnerSeams seams, RunnerView& view);
    ~RunnerController();

    // Form_Load once the window exists: caption, device scan, notification icon, priority and
    // poll from the settings, folder synchronisation (startmeup), menus, "taskbar", then the
    // command line ("" or "/t": the default configuration check; otherwise a file to run).
    void Start(std::string_view commandLine, WindowHandle mainWindow);

    // Commands.
    void ComRun_Click();
    void Stop_Click();
    void MNjoy_Click();
    void MNcfg_Click(const std::string& entry);
    void ImageCombo1_Click();
    void MNbrowse_Click() { load_click(""); }
    // Loads and runs a file; an empty path asks for one with the open dialog.
    void load_click(const std::string& path);
    void SetPriority(int index, bool ask);
    void SetPoll(int index, bool ask);
    void MNpreferences_Click();
    // After the preferences were applied: the engine takes the timings over at once.
    void TakeOverTimings(const EngineTimings& timings);
    void RunDefaultConfig();
    void DropFiles(const std::vector<std::string>& paths);
    void TrayCallback(TrayEvent event);
    // Form_QueryUnload: false when the close box only hides the window.
    bool QueryClose(bool fromCloseBox);
    // Form_Unload: notification icon removed, stopped, boards closed, message loop ended.
    void Exit();

    // The poll timer's tick: one engine pass while running.
    void TimerTick();

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
    void startmeup();
    bool open_click(const std::string& entry);
    void AddToList(const std::string& entry, const std::string& path, const std::string& icon);
    void SetMenus();
    void ReadRates();
    void MarkRunning();

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
    int pollPeriodMs_ = 10;
    std::uint32_t priorityClass_ = kHighPriorityClass;
};

} // namespace qm
