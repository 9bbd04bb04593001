#pragma once
// The runner's preferences dialog, without its window: what it shows, which controls are
// enabled, and what Apply writes (the settings, the Windows Run entry, the file type).
#include "core/dialogs.h"
#include "core/file_system.h"
#include "settings/file_association.h"
#include "settings/settings_store.h"

#include <string>

namespace qm {

// The engine timings the running program takes over on Apply.
struct EngineTimings {
    int RepeatRateMs = 500;
    int RotaryRateMs = 35;
    int KeyHoldMs = 0;
};

struct RunnerPreferencesState {
    bool Launch = false;    // Check1
    bool Taskbar = false;   // Check2
    bool Associate = false; // Check3
    bool Startup = false;   // Check4
    std::string ConfigPath;        // Text1
    std::string DefaultConfigFile; // Text2
    std::string KeyHold;           // TextHold (text, as typed)
    std::string RepeatRate;        // TextRepeat
    std::string RotaryRate;        // TextRotary

    // Enabled controls.
    bool StartupEnabled = false;     // Check4: only with Check1
    bool DefaultFileEnabled = false; // Text2 and CmdBrowse1: with Check1 and Check4
    bool ButtonsEnabled = false;     // OK, Apply, Cancel after a change
    bool ApplyEnabled = false;
};

class RunnerPreferences {
public:
    RunnerPreferences(SettingsStore& store, FileSystem& files, Dialogs& dialogs,
                      AssociatingProgram program);

    // Form_Load: reads every value (writing the dialog's own defaults for missing ones).
    void Load();
    const RunnerPreferencesState& State() const { return state_; }

    // Check1_Click .. Check4_Click, text and scroll-bar changes.
    void SetLaunch(bool checked);
    void SetTaskbar(bool checked);
    void SetAssociate(bool checked);
    void SetStartup(bool checked);
    void SetConfigPath(std::string text);
    void SetDefaultConfigFile(std::string text);
    void SetKeyHold(std::string text);
    void SetRepeatRate(std::string text);
    void SetRotaryRate(std::string text);
    // ComBrowse_Click, CmdBrowse1_Click.
    void BrowseConfigFolder();
    void BrowseDefaultConfigFile();

    // cmdApply_Click: writes everything; returns the timings the engine takes over at once.
    EngineTimings Apply();

    // The leading number of a timing box ("250ms" -> 250, "x" -> 0), as Apply reads it.
    static int TimingValue(const std::string& text);

private:
    SettingsStore& store_;
    FileSystem& files_;
    Dialogs& dialogs_;
    AssociatingProgram program_;
    RunnerPreferencesState state_;
};

// The command of the Windows Run entry: "\"<folder>\<exe>.exe\" /t".
std::string StartWithWindowsCommand(const AssociatingProgram& program);

} // namespace qm
