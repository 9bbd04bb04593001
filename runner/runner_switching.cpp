// The runner's switching: configurations that follow the program in front, and the hotkeys.
#include "core/error_trap.h"
#include "core/messages.h"
#include "runner/runner_controller.h"
#include "settings/settings_table.h"

#include <algorithm>

namespace qm {

namespace {

constexpr std::array<std::string_view, kHotkeyActions> kHotkeyNames = {
    "Next configuration", "Previous configuration", "Run/Stop"};

} // namespace

void RunnerController::ApplySwitching() noexcept {
    RunTrapped(seams_.Dialogs, "ApplySwitching", [&] {
        if (seams_.Foreground == nullptr || seams_.Hotkeys == nullptr)
            return;
        switching_ = LoadSwitching(seams_.Store);
        lastDecision_.reset();
        seams_.Foreground->Watch(switching_.Active());
        for (int a = 0; a < kHotkeyActions; ++a) {
            const auto action = static_cast<HotkeyAction>(a);
            const Hotkey wanted = switching_.HotkeyOf(action);
            auto& registered = registered_[static_cast<std::size_t>(a)];
            if (registered == wanted)
                continue;
            if (registered.IsSet())
                seams_.Hotkeys->Unregister(action);
            registered = {};
            if (!wanted.IsSet())
                continue;
            if (seams_.Hotkeys->Register(action, wanted))
                registered = wanted;
            else
                seams_.Dialogs.ShowMessage(msg::HotkeyTaken(
                    HotkeyText(wanted), kHotkeyNames[static_cast<std::size_t>(a)]));
        }
    });
}

std::optional<std::string> RunnerController::DefaultEntry() {
    const auto file = ReadSetting(seams_.Store, Setting::DefaultConfigFile, program_.Folder);
    const auto known = FindKnownFile(seams_.Store, file);
    if (file.empty() || !known || !seams_.Files.Exists(known->Path) ||
        std::find(listed_.begin(), listed_.end(), known->Entry) == listed_.end())
        return std::nullopt;
    return known->Entry;
}

void RunnerController::ForegroundChanged(const ForegroundWindow& window) noexcept {
    if (!switching_.Active() || !CountsAsChange(window))
        return;
    RunTrapped(seams_.Dialogs, "ForegroundChanged", [&] {
        // A rule whose configuration is gone is skipped: the program counts as without one.
        const SwitchRule* rule = FindRule(switching_.Rules, window.Executable);
        Decision decision;
        if (const auto entry = rule ? RuleEntry(seams_.Store, seams_.Files, *rule) : std::nullopt)
            decision.Target = *entry;
        else if (switching_.NoRule == NoRuleChoice::Stop)
            decision.Target = "";
        else if (switching_.NoRule == NoRuleChoice::RunDefault)
            decision.Target = DefaultEntry();
        if (lastDecision_ == decision)
            return;
        lastDecision_ = decision;
        if (!decision.Target)
            return;
        if (!decision.Target->empty()) {
            SwitchTo(*decision.Target);
        } else if (running_) {
            Stop();
            NotifySwitch();
        }
    });
}

void RunnerController::SwitchTo(const std::string& entry) {
    if (running_ && view_.SelectedConfiguration() == entry)
        return;
    // Only what the Run button could do: nothing while no device is ready.
    if (!DevicesReady())
        return;
    // The running one stops as Stop stops it: every key it sent is up, its timer is off.
    if (running_)
        Stop();
    view_.SelectConfiguration(entry);
    ConfigurationChosen();
    ToggleRun();
    // A refusal was reported by its own box.
    if (running_)
        NotifySwitch();
}

void RunnerController::NotifySwitch() {
    if (!switching_.Notify)
        return;
    if (!running_) {
        view_.Notify("Stopped");
        return;
    }
    const auto path = seams_.Store.GetString(
        RegistryRoot::CurrentUser, EntryKey(view_.SelectedConfiguration()), kEntryPathValue);
    view_.Notify("Running " + FileNameOf(path));
}

void RunnerController::HotkeyPressed(HotkeyAction action) noexcept {
    RunTrapped(seams_.Dialogs, "HotkeyPressed", [&] {
        if (!MenuStateFor(DevicesReady(), running_, view_.ConfigurationCount()).RunButton)
            return;
        if (action == HotkeyAction::RunStop) {
            ToggleRun();
            NotifySwitch();
            return;
        }
        // The selector's order, round the end.
        const auto n = static_cast<std::ptrdiff_t>(listed_.size());
        const auto at = std::find(listed_.begin(), listed_.end(), view_.SelectedConfiguration());
        std::ptrdiff_t i = at == listed_.end() ? -1 : at - listed_.begin();
        if (action == HotkeyAction::Next)
            i = (i + 1) % n;
        else
            i = i <= 0 ? n - 1 : i - 1;
        SwitchTo(listed_[static_cast<std::size_t>(i)]);
    });
}

} // namespace qm
