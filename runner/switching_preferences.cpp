// The switching part of the runner's preferences: the rules, the choice for programs without
// a rule, switching on or off, the hotkeys and the notification option.
#include "core/messages.h"
#include "core/paths.h"
#include "core/text.h"
#include "runner/runner_preferences.h"

#include <algorithm>

namespace qm {

void RunnerPreferences::LoadSwitchingState() {
    state_.Switching = loadedSwitching_ = LoadSwitching(store_);
    beforePressed_ = state_.Switching.Hotkeys;
    state_.Configurations.clear();
    for (auto& known : KnownFiles(store_))
        if (files_.Exists(known.Path))
            state_.Configurations.push_back(std::move(known));
    SwitchingChanged();
    state_.ButtonsEnabled = state_.ApplyEnabled = false;
}

void RunnerPreferences::SwitchingChanged() {
    auto& rules = state_.Switching.Rules;
    state_.RuleMissing.assign(rules.size(), false);
    for (std::size_t i = 0; i < rules.size(); ++i)
        state_.RuleMissing[i] = std::none_of(
            state_.Configurations.begin(), state_.Configurations.end(),
            [&](const KnownFile& k) { return SamePath(k.Path, rules[i].Configuration); });
    state_.ButtonsEnabled = state_.ApplyEnabled = true;
}

std::size_t RunnerPreferences::AddRule(std::string_view program, bool byFullPath,
                                       std::string configuration) {
    std::string name = byFullPath ? std::string(TrimSpaces(program)) : FileNameOf(program);
    auto& rules = state_.Switching.Rules;
    auto same = std::find_if(rules.begin(), rules.end(), [&](const SwitchRule& r) {
        return EqualsIgnoreCase(r.Program, name);
    });
    if (same == rules.end())
        same = rules.insert(rules.end(), SwitchRule{std::move(name), {}});
    same->Configuration = std::move(configuration);
    SwitchingChanged();
    return static_cast<std::size_t>(same - rules.begin());
}

void RunnerPreferences::RemoveRule(std::size_t index) {
    auto& rules = state_.Switching.Rules;
    if (index >= rules.size())
        return;
    rules.erase(rules.begin() + static_cast<std::ptrdiff_t>(index));
    SwitchingChanged();
}

void RunnerPreferences::SetRuleConfiguration(std::size_t index, std::string configuration) {
    if (index >= state_.Switching.Rules.size())
        return;
    state_.Switching.Rules[index].Configuration = std::move(configuration);
    SwitchingChanged();
}

void RunnerPreferences::SetNoRule(NoRuleChoice choice) {
    state_.Switching.NoRule = choice;
    SwitchingChanged();
}

void RunnerPreferences::SetSwitchingOn(bool on) {
    state_.Switching.Enabled = on;
    SwitchingChanged();
}

void RunnerPreferences::SetNotify(bool on) {
    state_.Switching.Notify = on;
    SwitchingChanged();
}

bool RunnerPreferences::SetHotkey(HotkeyAction action, Hotkey hotkey) {
    Hotkey& current = state_.Switching.HotkeyOf(action);
    Hotkey& before = beforePressed_[static_cast<std::size_t>(action)];
    // The box reports its modifiers as they go down, before the key: the combination is
    // refused whole, and the hotkey goes back to what it was before its first key.
    const auto pressing = [](Hotkey h) { return !h.IsSet() && h.Modifiers != 0; };
    if (LacksModifier(hotkey)) {
        dialogs_.ShowMessage(
            msg::HotkeyWithoutModifier(HotkeyText(hotkey), HotkeyActionName(action)));
        if (pressing(current)) {
            current = before;
            SwitchingChanged();
        }
        return false;
    }
    if (pressing(hotkey) && !pressing(current))
        before = current;
    current = hotkey;
    SwitchingChanged();
    return true;
}

} // namespace qm
