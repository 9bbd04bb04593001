#pragma once
// The runner's preferences dialog, without its window: what it shows (texts, scroll-bar
// positions and steps), which controls are enabled, and what Apply writes (the settings, the
// Windows Run entry, the file type).
#include "core/dialogs.h"
#include "core/file_system.h"
#include "runner/switching.h"
#include "settings/file_association.h"
#include "settings/known_files.h"
#include "settings/settings_store.h"
#include "settings/timing_boxes.h"

#include <string>

namespace qm {

struct RunnerPreferencesState {
    bool Launch = false;           // launch on Windows startup
    bool Taskbar = false;          // start as an icon in the notification area
    bool Associate = false;        // associate *.qmf files
    bool Startup = false;          // run the default configuration file on startup
    bool ExtendedKeys = false;     // send the arrow and navigation keys as extended keys
    bool ExactPointer = false;     // move the pointer by exact pixels
    std::string ConfigPath;        // configuration folder
    std::string DefaultConfigFile; // default configuration file
    TimingBoxes Timings;
    SwitchingSettings Switching;
    // The known configurations a rule can name, in the store's order, and whether each rule's
    // configuration is gone (shown as such; the rule is skipped).
    std::vector<KnownFile> Configurations;
    std::vector<bool> RuleMissing;

    // Enabled controls.
    bool StartupEnabled = false;     // the startup check box: only with Launch
    bool DefaultFileEnabled = false; // the default file and its Browse: with Launch and Startup
    bool ButtonsEnabled = false;     // OK, Apply, Cancel after a change
    bool ApplyEnabled = false;
};

class RunnerPreferences {
public:
    RunnerPreferences(SettingsStore& store, FileSystem& files, Dialogs& dialogs,
                      AssociatingProgram program);

    // Reads every value (writing the dialog's own defaults for missing ones).
    void Load();
    const RunnerPreferencesState& State() const { return state_; }

    // Edits: the check boxes, the texts.
    void SetLaunch(bool checked);
    void SetTaskbar(bool checked);
    void SetAssociate(bool checked);
    void SetStartup(bool checked);
    void SetExtendedKeys(bool checked);
    void SetExactPointer(bool checked);
    void SetConfigPath(std::string text);
    void SetDefaultConfigFile(std::string text);
    void SetTiming(TimingBox box, std::string text);
    // Moves a timing box's scroll bar (TimingBoxes::Scroll); false when the value stays.
    bool Scroll(TimingBox box, ScrollAction action, int trackPosition = 0);

    // Switching (switching_preferences.cpp). A rule for a program that has one already
    // replaces it; the new rule's index is returned. A program path is kept whole when
    // `byFullPath`, otherwise its file name is.
    std::size_t AddRule(std::string_view program, bool byFullPath, std::string configuration);
    void RemoveRule(std::size_t index);
    void SetRuleConfiguration(std::size_t index, std::string configuration);
    void SetNoRule(NoRuleChoice choice);
    void SetSwitchingOn(bool on);
    void SetNotify(bool on);
    // A hotkey without CTRL, ALT or WIN is refused with a box (false): the hotkey is as it was
    // before the combination's first key (its modifiers come first, as the box reports them).
    bool SetHotkey(HotkeyAction action, Hotkey hotkey);

    // The Browse buttons of the folder and of the default file.
    void BrowseConfigFolder();
    void BrowseDefaultConfigFile();

    // Writes everything; returns the timings the engine takes over at once.
    EngineTimings Apply();

private:
    void LoadSwitchingState();
    void SwitchingChanged();

    SettingsStore& store_;
    FileSystem& files_;
    Dialogs& dialogs_;
    AssociatingProgram program_;
    RunnerPreferencesState state_;
    // The switching settings as stored.
    SwitchingSettings loadedSwitching_;
    // Each hotkey as it was before the modifiers now held in its box went down.
    std::array<Hotkey, kHotkeyActions> beforePressed_{};
};

// The command of the Windows Run entry: "\"<folder>\<exe>.exe\" /t".
std::string StartWithWindowsCommand(const AssociatingProgram& program);

} // namespace qm
