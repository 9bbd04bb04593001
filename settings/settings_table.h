#pragma once
// Every setting the programs keep, with its key path, value name and default, in one place,
// and the start-up defaulting pattern: read; when empty, write the default back and use it.
#include "core/clock.h"
#include "settings/settings_store.h"

#include <string>
#include <string_view>

namespace qm {

inline constexpr std::string_view kConfigKey = "Software\\Vantrel\\config";
inline constexpr std::string_view kRunnerPrefKey = "Software\\Vantrel\\Runvex\\pref";
inline constexpr std::string_view kUserKey = "Software\\Vantrel\\user";
inline constexpr std::string_view kWindowsRunKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// Values of a known-files entry ("Software\Vantrel\user\" + entry name).
inline constexpr std::string_view kEntryPathValue = "path";
inline constexpr std::string_view kEntryIconPathValue = "icon path";

enum class Setting {
    EditorAssociate,   // config\associate, "True"
    ConfigPath,        // config\ConfigPath, program folder + "\config\"
    IconPath,          // config\IconPath, program folder + "\default.ico"
    RepeatRate,        // config\RepeatRate, "500"
    RotaryRate,        // config\RotaryRate, "35"
    KeyHold,           // config\KeyHold, "0"
    ThreadPriority,    // config\ThreadPriority, "1"
    PollFrequency,     // config\PollFrequency, "1"
    ExtendedKeys,      // config\ExtendedKeys, "False"
    ExactPointer,      // config\ExactPointer, "False"
    RunnerAssociate,   // Runvex\pref\associate, "True"
    Taskbar,           // Runvex\pref\taskbar, "False"
    Launch,            // Runvex\pref\launch, "False"
    Startup,           // Runvex\pref\startup, "False"
    DefaultConfigFile, // Runvex\pref\DefaultConfigFile, no default
};

struct SettingDefinition {
    RegistryRoot Root;
    std::string_view Key;
    std::string_view Value;
    // The default text; for ConfigPath and IconPath the part after the program folder.
    std::string_view Default;
    bool DefaultIsInProgramFolder;
};

const SettingDefinition& DefinitionOf(Setting setting);

// The default text of a setting for a program installed in programFolder (no trailing "\").
std::string DefaultOf(Setting setting, std::string_view programFolder);

// Reads a setting; when it is empty and has a default, writes the default back and returns it.
std::string ReadSetting(SettingsStore& store, Setting setting, std::string_view programFolder);
void WriteSetting(SettingsStore& store, Setting setting, std::string_view text);
// A preferences window's own defaulting: an empty value gets `fallback`, written back.
std::string ReadSettingOr(SettingsStore& store, Setting setting, std::string_view fallback);

// The configuration folder as stored: the text with a trailing "\", or the default folder when
// it is empty.
std::string ConfigFolderOf(std::string text, std::string_view programFolder);
// Reads "ConfigPath"; an empty one or one without its trailing "\" is stored as it is used.
std::string ReadConfigFolder(SettingsStore& store, std::string_view programFolder);

// Reads a timing setting (RepeatRate, RotaryRate, KeyHold) in whole milliseconds, clamped to
// 0..kMaxTimingMs. A stored value that is not a number or is negative counts as missing: the
// default is written back and used (a rate read as 0 would send on every pass).
int ReadTimingSetting(SettingsStore& store, Setting setting, std::string_view programFolder);

// A menu index as stored ("2", " 2"); `fallback` when it is not one of 0 to items - 1.
int StoredMenuIndex(std::string_view text, int items, int fallback);

// The poll menu: 5, 10 or 15 ms ("PollFrequency" 0, 1, 2; 1 when it names none).
inline constexpr int kPollMenuItems = 3;
inline constexpr int kDefaultPollIndex = 1;
// The poll period of a poll-menu index (5, 10 or 15 ms); 0 for an unknown index.
int PollPeriodForIndex(int index);
// The poll period the stored "PollFrequency" names (the default written back when empty).
int ReadPollPeriodMs(SettingsStore& store, std::string_view programFolder);

// Whether both programs send the arrow and navigation keys as extended keys ("ExtendedKeys").
// Off unless stored as on; reading writes nothing (only the preferences windows store it).
bool ReadExtendedKeys(SettingsStore& store);
// Whether both programs move the pointer by exact pixels, whatever the system's pointer speed
// and acceleration ("ExactPointer"). Likewise off unless stored as on; reading writes nothing.
bool ReadExactPointer(SettingsStore& store);

// Booleans are stored as "True"/"False" and compared without regard to case; anything else
// (numbers included) reads as False unless it is a non-zero number.
bool SettingToBool(std::string_view text);
inline std::string_view BoolSettingText(bool value) {
    return value ? "True" : "False";
}

} // namespace qm
