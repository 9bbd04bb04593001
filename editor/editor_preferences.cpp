#include "editor/editor_preferences.h"

#include "core/error_trap.h"
#include "core/messages.h"
#include "settings/settings_table.h"

#include <utility>

namespace qm {

AssociatingProgram EditorAssociation(const ProgramInfo& program) {
    return {std::string(kEditorTitle), program.Folder, program.Executable, "Edit"};
}

EditorPreferences::EditorPreferences(SettingsStore& store, Dialogs& dialogs,
                                     AssociatingProgram program)
    : store_(store), dialogs_(dialogs), program_(std::move(program)) {}

void EditorPreferences::Load() {
    RunTrapped(dialogs_, "Form_Load", [&] {
        EditorPreferencesState s;
        // Start-up writes "True" when the value is missing; this window writes its own default.
        s.Associate = SettingToBool(ReadSettingOr(store_, Setting::EditorAssociate, "False"));
        s.Timings.Load(store_, program_.Folder);
        s.ExtendedKeys = ReadExtendedKeys(store_);
        s.ExactPointer = ReadExactPointer(store_);
        s.ConfigPath = ReadConfigFolder(store_, program_.Folder);
        state_ = std::move(s);
    });
}

void EditorPreferences::Changed() {
    state_.OkEnabled = true;
    state_.ApplyEnabled = true;
    state_.CancelEnabled = true;
}

void EditorPreferences::SetAssociate(bool checked) {
    state_.Associate = checked;
    Changed();
}

void EditorPreferences::SetConfigPath(std::string text) {
    state_.ConfigPath = std::move(text);
    Changed();
}

void EditorPreferences::SetExtendedKeys(bool checked) {
    state_.ExtendedKeys = checked;
    Changed();
}

void EditorPreferences::SetExactPointer(bool checked) {
    state_.ExactPointer = checked;
    Changed();
}

void EditorPreferences::SetTiming(TimingBox box, std::string text) {
    state_.Timings.SetText(box, std::move(text));
    Changed();
}

bool EditorPreferences::Scroll(TimingBox box, ScrollAction action, int trackPosition) {
    if (!state_.Timings.Scroll(box, action, trackPosition))
        return false;
    Changed();
    return true;
}

void EditorPreferences::BrowseConfigFolder() {
    RunTrapped(dialogs_, "ComBrowse_Click", [&] {
        if (auto folder = dialogs_.BrowseFolder(std::string(kConfigurationFolderTitle)))
            SetConfigPath(std::move(*folder));
    });
}

EngineTimings EditorPreferences::Apply() {
    EngineTimings timings = state_.Timings.Values();
    timings.ExtendedKeys = state_.ExtendedKeys;
    timings.ExactPointer = state_.ExactPointer;
    RunTrapped(dialogs_, "cmdApply_Click", [&] {
        WriteSetting(store_, Setting::EditorAssociate, BoolSettingText(state_.Associate));
        RegisterFileType(store_, program_, state_.Associate);
        // The configuration list keeps its folder: the new one is used from the next start.
        state_.ConfigPath = ConfigFolderOf(std::move(state_.ConfigPath), program_.Folder);
        WriteSetting(store_, Setting::ConfigPath, state_.ConfigPath);
        state_.Timings.Write(store_);
        WriteSetting(store_, Setting::ExtendedKeys, BoolSettingText(state_.ExtendedKeys));
        WriteSetting(store_, Setting::ExactPointer, BoolSettingText(state_.ExactPointer));
        state_.ApplyEnabled = false;
        state_.CancelEnabled = false;
    });
    return timings;
}

} // namespace qm
