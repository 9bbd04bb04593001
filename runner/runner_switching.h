#pragma once
// The runner's switching: configurations that follow the program in front, and the hotkeys.
// It runs and stops configurations as the configuration commands do.
#include "runner/run_commands.h"
#include "runner/runner_state.h"
#include "runner/switching.h"

#include <array>
#include <optional>
#include <string>

namespace qm {

class RunnerSwitching {
public:
    RunnerSwitching(RunnerState& state, RunCommands& run) : state_(state), run_(run) {}

    // Takes the stored switching settings over: the hotkeys are registered again (a hotkey
    // another program holds is reported), and the foreground is watched while switching is
    // active. Without the Foreground and Hotkeys seams nothing switches.
    void Apply() noexcept;
    // Another window came to the front: runs its program's configuration, or does what the
    // user chose for programs without a rule.
    void ForegroundChanged(const ForegroundWindow& window) noexcept;
    void HotkeyPressed(HotkeyAction action) noexcept;
    const SwitchingSettings& Settings() const { return settings_; }

private:
    // Runs the entry as choosing it and pressing Run would, the running one stopped first;
    // nothing when it runs already or the Run button is disabled.
    void SwitchTo(const std::string& entry);
    // The entry of the default configuration file when it is listed and exists.
    std::optional<std::string> DefaultEntry();
    // After a switch by rule or hotkey: the notification, when the user wants it.
    void NotifySwitch();

    RunnerState& state_;
    RunCommands& run_;
    SwitchingSettings settings_;
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
};

} // namespace qm
