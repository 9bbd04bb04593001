#pragma once
// The runner's configuration commands: the configuration list from the folder and the known
// files, loading, Run and Stop, the device rescan, the default configuration and dropped
// files. Each traps its own errors under the procedure name its error box shows.
#include "runner/runner_state.h"

#include <string>
#include <string_view>
#include <vector>

namespace qm {

class RunCommands {
public:
    explicit RunCommands(RunnerState& state) : state_(state) {}

    // Lists the configuration folder's new files and the known files that still exist.
    void SynchroniseConfigurationFolder();
    // The Run/Stop button: stops the running configuration, or rescans the devices and runs
    // the selected one.
    void ToggleRun() noexcept;
    // The Stop menu item: the button's command, its error box naming the menu item.
    void StopFromMenu() noexcept;
    // Stops the engine: icon, timer, process priority and menus back to stopped.
    void Stop() noexcept;
    void RescanDevices() noexcept;
    // While running, the rescan limited to the devices that came or went (their notices have
    // settled): a device lost lets its buttons go, one found again works again.
    void RescanChangedDevices() noexcept;
    // A configuration item of the File menu: selects that entry, then runs it or stops the
    // running one.
    void SelectAndToggleRun(const std::string& entry) noexcept;
    // A configuration was chosen (in the selector or by a command): the Run/Stop button takes
    // the focus.
    void ConfigurationChosen() noexcept;
    // Loads and runs a file, listing it if it is new; an empty path asks for one.
    void LoadConfigurationFile(const std::string& path) noexcept;
    // Runs the default configuration file when the preferences ask for it.
    void RunDefaultConfiguration() noexcept;
    void DropFiles(const std::vector<std::string>& paths) noexcept;

private:
    void ToggleRunAs(std::string_view procedure);
    // Loads the entry's file and starts the engine; true when it runs.
    bool StartConfiguration(const std::string& entry);
    void AddToList(const std::string& entry, const std::string& path, const std::string& icon);
    // The rates, the extended keys and the exact pointer, as the preferences stored them.
    void ReadRates();
    void MarkRunning();

    RunnerState& state_;
};

} // namespace qm
