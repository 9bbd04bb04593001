#pragma once
// The runner's preferences dialog, without its window: what it shows (texts, scroll-bar
// positions and steps), which controls are enabled, and what Apply writes (the settings, the
// Windows Run entry, the file type).
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

// The dialog's three timing boxes, each a text box with a scroll bar beside it.
enum class TimingBox { KeyHold, RepeatDelay, RotaryThreshold };

// A timing box's scroll bar: values 0 to Maximum, moved by SmallStep (the arrows) or
// LargeStep (a click beside the thumb). The top of the bar is the maximum.
struct TimingScale {
    int Maximum;
    int SmallStep;
    int LargeStep;
};
TimingScale ScaleOf(TimingBox box);

// What the user did to a timing box's scroll bar. Up raises the value.
enum class ScrollAction { LineUp, LineDown, PageUp, PageDown, Top, Bottom, Track };

struct RunnerPreferencesState {
    bool Launch = false;           // launch on Windows startup
    bool Taskbar = false;          // start as an icon in the notification area
    bool Associate = false;        // associate *.qmf files
    bool Startup = false;          // run the default configuration file on startup
    std::string ConfigPath;        // configuration folder
    std::string DefaultConfigFile; // default configuration file
    std::string KeyHold;           // the timing boxes' texts, as typed
    std::string RepeatRate;
    std::string RotaryRate;

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
    void SetConfigPath(std::string text);
    void SetDefaultConfigFile(std::string text);
    void SetTiming(TimingBox box, std::string text);
    const std::string& TimingText(TimingBox box) const;

    // The position of the box's scroll bar for its text (0 at the top, the maximum); a value
    // beyond the range shows at the bar's end.
    int ScrollPosition(TimingBox box) const;
    // Moves the box's value by the action's step, or to the bar position `trackPosition`
    // (Track), within the bar's range, and shows it in the text. False, with nothing
    // changed, when the value stays.
    bool Scroll(TimingBox box, ScrollAction action, int trackPosition = 0);

    // The Browse buttons of the folder and of the default file.
    void BrowseConfigFolder();
    void BrowseDefaultConfigFile();

    // Writes everything; returns the timings the engine takes over at once.
    EngineTimings Apply();

    // The leading number of a timing box ("250ms" -> 250, "x" -> 0), as Apply reads it.
    static int TimingValue(const std::string& text);

private:
    // The box's value within its scroll bar's range.
    int ScaledValue(TimingBox box) const;

    SettingsStore& store_;
    FileSystem& files_;
    Dialogs& dialogs_;
    AssociatingProgram program_;
    RunnerPreferencesState state_;
};

// The command of the Windows Run entry: "\"<folder>\<exe>.exe\" /t".
std::string StartWithWindowsCommand(const AssociatingProgram& program);

} // namespace qm
