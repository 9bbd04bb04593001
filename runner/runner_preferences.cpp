#include "runner/runner_preferences.h"

#include "core/error_trap.h"
#include "core/messages.h"
#include "settings/settings_table.h"

namespace qm {

namespace {

constexpr auto kUser = RegistryRoot::CurrentUser;
constexpr auto kMachine = RegistryRoot::LocalMachine;

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
        s.Startup = SettingToBool(ReadSettingOr(store_, Setting::Startup, "False"));
        // Starting with Windows is the user's explicit choice: a missing value is unticked.
        s.Launch = SettingToBool(ReadSettingOr(store_, Setting::Launch, "False"));
        s.Taskbar = SettingToBool(ReadSettingOr(store_, Setting::Taskbar, "True"));
        s.Associate = SettingToBool(ReadSettingOr(store_, Setting::RunnerAssociate, "False"));
        s.ExtendedKeys = ReadExtendedKeys(store_);
        s.ExactPointer = ReadExactPointer(store_);
        const auto& folder = DefinitionOf(Setting::ConfigPath);
        s.ConfigPath = store_.GetString(folder.Root, folder.Key, folder.Value);
        const auto& file = DefinitionOf(Setting::DefaultConfigFile);
        s.DefaultConfigFile = store_.GetString(file.Root, file.Key, file.Value);
        s.Timings.Load(store_, program_.Folder);
        s.StartupEnabled = s.Launch;
        s.DefaultFileEnabled = s.Launch && s.Startup;
        state_ = std::move(s);
        LoadSwitchingState();
    });
}

namespace {
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

void RunnerPreferences::SetExtendedKeys(bool checked) {
    state_.ExtendedKeys = checked;
    Changed(state_);
}

void RunnerPreferences::SetExactPointer(bool checked) {
    state_.ExactPointer = checked;
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

void RunnerPreferences::SetTiming(TimingBox box, std::string text) {
    state_.Timings.SetText(box, std::move(text));
    Changed(state_);
}

bool RunnerPreferences::Scroll(TimingBox box, ScrollAction action, int trackPosition) {
    if (!state_.Timings.Scroll(box, action, trackPosition))
        return false;
    Changed(state_);
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

EngineTimings RunnerPreferences::Apply() {
    EngineTimings timings = state_.Timings.Values();
    timings.ExtendedKeys = state_.ExtendedKeys;
    timings.ExactPointer = state_.ExactPointer;
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
        WriteSetting(store_, Setting::ExtendedKeys, BoolSettingText(state_.ExtendedKeys));
        WriteSetting(store_, Setting::ExactPointer, BoolSettingText(state_.ExactPointer));

        state_.ConfigPath = ConfigFolderOf(std::move(state_.ConfigPath), program_.Folder);
        WriteSetting(store_, Setting::ConfigPath, state_.ConfigPath);
        WriteSetting(store_, Setting::DefaultConfigFile, state_.DefaultConfigFile);

        state_.Timings.Write(store_);
        // Nothing is written for switching the user never touched.
        if (state_.Switching != loadedSwitching_)
            SaveSwitching(store_, loadedSwitching_ = state_.Switching);
        state_.ApplyEnabled = false;
    });
    return timings;
}

} // namespace qm
