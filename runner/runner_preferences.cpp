#include "runner/runner_preferences.h"

#include "core/error_trap.h"
#include "core/messages.h"
#include "settings/settings_table.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

constexpr auto kUser = RegistryRoot::CurrentUser;
constexpr auto kMachine = RegistryRoot::LocalMachine;

// The dialog's own defaulting: a value found missing gets the dialog's default, written back.
std::string ReadOr(SettingsStore& store, Setting setting, std::string_view fallback) {
    const auto& definition = DefinitionOf(setting);
    auto text = store.GetString(definition.Root, definition.Key, definition.Value);
    if (text.empty()) {
        text = fallback;
        store.SaveString(definition.Root, definition.Key, definition.Value, text);
    }
    return text;
}

} // namespace

std::string StartWithWindowsCommand(const AssociatingProgram& program) {
    return "\"" + ExecutablePath(program) + "\" /t";
}

RunnerPreferences::RunnerPreferences(SettingsStore& store, FileSystem& files, Dialogs& dialogs,
                                     AssociatingProgram program)
    : store_(store), files_(files), dialogs_(dialogs), program_(std::move(program)) {}

void RunnerPreferences::Load() {
    RunTrapped(dialogs_, "Form_Load", [&] {
        RunnerPreferencesState s;
        s.Startup = SettingToBool(ReadOr(store_, Setting::Startup, "False"));
        // Starting with Windows is the user's explicit choice: a missing value is unticked.
        s.Launch = SettingToBool(ReadOr(store_, Setting::Launch, "False"));
        s.Taskbar = SettingToBool(ReadOr(store_, Setting::Taskbar, "True"));
        s.Associate = SettingToBool(ReadOr(store_, Setting::RunnerAssociate, "False"));
        const auto& folder = DefinitionOf(Setting::ConfigPath);
        s.ConfigPath = store_.GetString(folder.Root, folder.Key, folder.Value);
        const auto& file = DefinitionOf(Setting::DefaultConfigFile);
        s.DefaultConfigFile = store_.GetString(file.Root, file.Key, file.Value);
        const auto timing = [&](Setting setting) {
            return std::to_string(ReadTimingSetting(store_, setting, program_.Folder));
        };
        s.KeyHold = timing(Setting::KeyHold);
        s.RepeatRate = timing(Setting::RepeatRate);
        s.RotaryRate = timing(Setting::RotaryRate);
        s.StartupEnabled = s.Launch;
        s.DefaultFileEnabled = s.Launch && s.Startup;
        state_ = std::move(s);
    });
}

namespace {
// The text of a timing box, of a state or of a const state.
template <class State> auto& TimingOf(State& state, TimingBox box) {
    switch (box) {
    case TimingBox::KeyHold:
        return state.KeyHold;
    case TimingBox::RepeatDelay:
        return state.RepeatRate;
    case TimingBox::RotaryThreshold:
        break;
    }
    return state.RotaryRate;
}

void Changed(RunnerPreferencesState& s) {
    s.ButtonsEnabled = true;
    s.ApplyEnabled = true;
}
} // namespace

void RunnerPreferences::SetLaunch(bool checked) {
    state_.Launch = checked;
    state_.StartupEnabled = checked;
    state_.DefaultFileEnabled = checked && state_.Startup;
    Changed(state_);
}

void RunnerPreferences::SetTaskbar(bool checked) {
    state_.Taskbar = checked;
    Changed(state_);
}

void RunnerPreferences::SetAssociate(bool checked) {
    state_.Associate = checked;
    Changed(state_);
}

void RunnerPreferences::SetStartup(bool checked) {
    state_.Startup = checked;
    state_.DefaultFileEnabled = checked && state_.Launch;
    Changed(state_);
}

void RunnerPreferences::SetConfigPath(std::string text) {
    state_.ConfigPath = std::move(text);
    Changed(state_);
}

void RunnerPreferences::SetDefaultConfigFile(std::string text) {
    state_.DefaultConfigFile = std::move(text);
    Changed(state_);
}

TimingScale ScaleOf(TimingBox box) {
    switch (box) {
    case TimingBox::KeyHold:
        return {500, 5, 25};
    case TimingBox::RepeatDelay:
        return {1000, 100, 100};
    case TimingBox::RotaryThreshold:
        return {500, 5, 25};
    }
    return {0, 0, 0};
}

const std::string& RunnerPreferences::TimingText(TimingBox box) const {
    return TimingOf(state_, box);
}

void RunnerPreferences::SetTiming(TimingBox box, std::string text) {
    TimingOf(state_, box) = std::move(text);
    Changed(state_);
}

int RunnerPreferences::ScaledValue(TimingBox box) const {
    return std::clamp(TimingValue(TimingText(box)), 0, ScaleOf(box).Maximum);
}

int RunnerPreferences::ScrollPosition(TimingBox box) const {
    return ScaleOf(box).Maximum - ScaledValue(box);
}

bool RunnerPreferences::Scroll(TimingBox box, ScrollAction action, int trackPosition) {
    const TimingScale scale = ScaleOf(box);
    const int current = ScaledValue(box);
    int value = current;
    switch (action) {
    case ScrollAction::LineUp:
        value += scale.SmallStep;
        break;
    case ScrollAction::LineDown:
        value -= scale.SmallStep;
        break;
    case ScrollAction::PageUp:
        value += scale.LargeStep;
        break;
    case ScrollAction::PageDown:
        value -= scale.LargeStep;
        break;
    case ScrollAction::Top:
        value = scale.Maximum;
        break;
    case ScrollAction::Bottom:
        value = 0;
        break;
    case ScrollAction::Track:
        value = scale.Maximum - trackPosition;
        break;
    }
    value = std::clamp(value, 0, scale.Maximum);
    if (value == current)
        return false;
    SetTiming(box, std::to_string(value));
    return true;
}

void RunnerPreferences::BrowseConfigFolder() {
    RunTrapped(dialogs_, "ComBrowse_Click", [&] {
        if (auto folder = dialogs_.BrowseFolder(std::string(kConfigurationFolderTitle)))
            SetConfigPath(std::move(*folder));
    });
}

void RunnerPreferences::BrowseDefaultConfigFile() {
    RunTrapped(dialogs_, "CmdBrowse1_Click", [&] {
        auto file = dialogs_.OpenFile(
            {std::string(kDefaultConfigurationTitle), std::string(kConfigurationFileFilter)});
        if (!file)
            return;
        if (!files_.Exists(*file)) {
            dialogs_.ShowMessage(msg::CannotOpenMissingFile());
            return;
        }
        SetDefaultConfigFile(std::move(*file));
    });
}

int RunnerPreferences::TimingValue(const std::string& text) {
    std::size_t i = 0;
    const auto at = [&](char c) { return i < text.size() && text[i] == c; };
    const auto digit = [&] { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    while (at(' ') || at('\t'))
        ++i;
    const bool negative = at('-');
    if (negative || at('+'))
        ++i;
    double value = 0;
    bool any = false;
    for (; digit(); ++i, any = true)
        value = std::min(value * 10 + (text[i] - '0'), 1e12);
    if (at('.')) {
        ++i;
        for (double scale = 0.1; digit(); ++i, scale /= 10, any = true)
            value += (text[i] - '0') * scale;
    }
    if (!any || negative)
        return 0;
    return static_cast<int>(std::lround(std::min(value, static_cast<double>(kMaxTimingMs))));
}

EngineTimings RunnerPreferences::Apply() {
    EngineTimings timings{TimingValue(state_.RepeatRate), TimingValue(state_.RotaryRate),
                          TimingValue(state_.KeyHold)};
    RunTrapped(dialogs_, "cmdApply_Click", [&] {
        const auto runKey = kWindowsRunKey;
        const auto& name = program_.Title;
        if (state_.Launch) {
            // The machine-wide entry needs rights a standard user lacks, and a refused write is
            // silent: read it back, and fall back to the user's own entry.
            const auto command = StartWithWindowsCommand(program_);
            const auto written = [&](RegistryRoot root) {
                store_.SaveString(root, runKey, name, command);
                return store_.GetString(root, runKey, name) == command;
            };
            if (written(kMachine)) {
                store_.DelSetting(kUser, runKey, name); // one entry: no second start
            } else if (!written(kUser)) {
                dialogs_.ShowMessage(msg::StartWithWindowsRefused(program_.Title));
                SetLaunch(false);
            }
        } else {
            store_.DelSetting(kMachine, runKey, name);
            store_.DelSetting(kUser, runKey, name);
        }
        WriteSetting(store_, Setting::Launch, BoolSettingText(state_.Launch));
        WriteSetting(store_, Setting::Taskbar, BoolSettingText(state_.Taskbar));
        WriteSetting(store_, Setting::RunnerAssociate, BoolSettingText(state_.Associate));
        RegisterFileType(store_, program_, state_.Associate);
        WriteSetting(store_, Setting::Startup, BoolSettingText(state_.Startup));

        if (state_.ConfigPath.empty())
            state_.ConfigPath = DefaultOf(Setting::ConfigPath, program_.Folder);
        else if (state_.ConfigPath.back() != '\\')
            state_.ConfigPath += '\\';
        WriteSetting(store_, Setting::ConfigPath, state_.ConfigPath);
        WriteSetting(store_, Setting::DefaultConfigFile, state_.DefaultConfigFile);

        // The boxes show what was stored.
        state_.RepeatRate = std::to_string(timings.RepeatRateMs);
        state_.RotaryRate = std::to_string(timings.RotaryRateMs);
        state_.KeyHold = std::to_string(timings.KeyHoldMs);
        WriteSetting(store_, Setting::RepeatRate, state_.RepeatRate);
        WriteSetting(store_, Setting::RotaryRate, state_.RotaryRate);
        WriteSetting(store_, Setting::KeyHold, state_.KeyHold);
        state_.ApplyEnabled = false;
    });
    return timings;
}

} // namespace qm
