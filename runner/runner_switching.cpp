// The runner's switching: configurations that follow the program in front, and the hotkeys.
#include "runner/runner_switching.h"

#include "core/error_trap.h"
#include "core/messages.h"
#include "core/paths.h"
#include "settings/settings_table.h"

#include <algorithm>

namespace qm {

void RunnerSwitching::Apply() noexcept {
    RunTrapped(state_.Seams.Dialogs, "ApplySwitching", [&] {
        if (state_.Seams.Foreground == nullptr || state_.Seams.Hotkeys == nullptr)
            return;
        settings_ = LoadSwitching(state_.Seams.Store);
        lastDecision_.reset();
        state_.Seams.Foreground->Watch(settings_.Active());
        for (int a = 0; a < kHotkeyActions; ++a) {
            const auto action = static_cast<HotkeyAction>(a);
            const Hotkey wanted = settings_.HotkeyOf(action);
            auto& registered = registered_[static_cast<std::size_t>(a)];
            if (registered == wanted)
                continue;
            if (registered.IsSet())
                state_.Seams.Hotkeys->Unregister(action);
            registered = {};
            if (!wanted.IsSet())
                continue;
            // Stored by an earlier version, or written by hand: said, and left unregistered.
            if (LacksModifier(wanted))
                state_.Seams.Dialogs.ShowMessage(
                    msg::HotkeyWithoutModifier(HotkeyText(wanted), HotkeyActionName(action)));
            else if (state_.Seams.Hotkeys->Register(action, wanted))
                registered = wanted;
            else
                state_.Seams.Dialogs.ShowMessage(
                    msg::HotkeyTaken(HotkeyText(wanted), HotkeyActionName(action)));
        }
    });
}

std::optional<std::string> RunnerSwitching::DefaultEntry() {
    const auto file =
        ReadSetting(state_.Seams.Store, Setting::DefaultConfigFile, state_.Program.Folder);
    const auto known = FindKnownFile(state_.Seams.Store, file);
    if (file.empty() || !known || !state_.Seams.Files.Exists(known->Path) ||
        std::find(state_.Listed.begin(), state_.Listed.end(), known->Entry) == state_.Listed.end())
        return std::nullopt;
    return known->Entry;
}

void RunnerSwitching::ForegroundChanged(const ForegroundWindow& window) noexcept {
    if (!settings_.Active() || !CountsAsChange(window))
        return;
    RunTrapped(state_.Seams.Dialogs, "ForegroundChanged", [&] {
        // A rule whose configuration is gone is skipped: the program counts as without one.
        const SwitchRule* rule = FindRule(settings_.Rules, window.Executable);
        Decision decision;
        if (const auto entry =
                rule ? RuleEntry(state_.Seams.Store, state_.Seams.Files, *rule) : std::nullopt)
            decision.Target = *entry;
        else if (settings_.NoRule == NoRuleChoice::Stop)
            decision.Target = "";
        else if (settings_.NoRule == NoRuleChoice::RunDefault)
            decision.Target = DefaultEntry();
        if (lastDecision_ == decision)
            return;
        lastDecision_ = decision;
        if (!decision.Target)
            return;
        if (!decision.Target->empty()) {
            SwitchTo(*decision.Target);
        } else if (state_.Running) {
            run_.Stop();
            NotifySwitch();
        }
    });
}

void RunnerSwitching::SwitchTo(const std::string& entry) {
    if (state_.Running && state_.View.SelectedConfiguration() == entry)
        return;
    // Only what the Run button could do: nothing while no device is ready.
    if (!state_.DevicesReady())
        return;
    // The running one stops as Stop stops it: every key it sent is up, its timer is off.
    if (state_.Running)
        run_.Stop();
    state_.View.SelectConfiguration(entry);
    run_.ConfigurationChosen();
    run_.ToggleRun();
    // A refusal was reported by its own box.
    if (state_.Running)
        NotifySwitch();
}

void RunnerSwitching::NotifySwitch() {
    if (!settings_.Notify)
        return;
    if (!state_.Running) {
        state_.View.Notify("Stopped");
        return;
    }
    const auto path = state_.Seams.Store.GetString(
        RegistryRoot::CurrentUser, EntryKey(state_.View.SelectedConfiguration()), kEntryPathValue);
    state_.View.Notify("Running " + FileNameOf(path));
}

void RunnerSwitching::HotkeyPressed(HotkeyAction action) noexcept {
    RunTrapped(state_.Seams.Dialogs, "HotkeyPressed", [&] {
        // The runner's own keys pressed it: a configuration that sends the chord does not
        // switch itself.
        const Hotkey hotkey = registered_[static_cast<std::size_t>(action)];
        if (state_.Sent.TakeRecent(hotkey.Modifiers, hotkey.Key))
            return;
        if (!MenuStateFor(state_.DevicesReady(), state_.Running, state_.View.ConfigurationCount())
                 .RunButton)
            return;
        if (action == HotkeyAction::RunStop) {
            run_.ToggleRun();
            NotifySwitch();
            return;
        }
        // The selector's order, round the end.
        const auto n = static_cast<std::ptrdiff_t>(state_.Listed.size());
        const auto at = std::find(state_.Listed.begin(), state_.Listed.end(),
                                  state_.View.SelectedConfiguration());
        std::ptrdiff_t i = at == state_.Listed.end() ? -1 : at - state_.Listed.begin();
        if (action == HotkeyAction::Next)
            i = (i + 1) % n;
        else
            i = i <= 0 ? n - 1 : i - 1;
        SwitchTo(state_.Listed[static_cast<std::size_t>(i)]);
    });
}

} // namespace qm
