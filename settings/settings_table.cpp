#include "settings/settings_table.h"

#include "core/text.h"
#include "core/variant.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace qm {

namespace {

constexpr auto kUser = RegistryRoot::CurrentUser;

// In the order of the Setting enumeration.
constexpr std::array<SettingDefinition, 15> kDefinitions = {{
    {kUser, kConfigKey, "associate", "True", false},
    {kUser, kConfigKey, "ConfigPath", "\\config\\", true},
    {kUser, kConfigKey, "IconPath", "\\default.ico", true},
    {kUser, kConfigKey, "RepeatRate", "500", false},
    {kUser, kConfigKey, "RotaryRate", "35", false},
    {kUser, kConfigKey, "KeyHold", "0", false},
    {kUser, kConfigKey, "ThreadPriority", "1", false},
    {kUser, kConfigKey, "PollFrequency", "1", false},
    {kUser, kConfigKey, "ExtendedKeys", "False", false},
    {kUser, kConfigKey, "ExactPointer", "False", false},
    {kUser, kRunnerPrefKey, "associate", "True", false},
    {kUser, kRunnerPrefKey, "taskbar", "False", false},
    {kUser, kRunnerPrefKey, "launch", "False", false},
    {kUser, kRunnerPrefKey, "startup", "False", false},
    {kUser, kRunnerPrefKey, "DefaultConfigFile", "", false},
}};

static_assert(kDefinitions.size() == static_cast<std::size_t>(Setting::DefaultConfigFile) + 1);

} // namespace

const SettingDefinition& DefinitionOf(Setting setting) {
    return kDefinitions[static_cast<std::size_t>(setting)];
}

std::string DefaultOf(Setting setting, std::string_view programFolder) {
    const auto& definition = DefinitionOf(setting);
    if (!definition.DefaultIsInProgramFolder)
        return std::string(definition.Default);
    // A program at the root of a drive has the folder "C:\": do not double the backslash.
    if (!programFolder.empty() && programFolder.back() == '\\')
        programFolder.remove_suffix(1);
    std::string text(programFolder);
    text += definition.Default;
    return text;
}

std::string ReadSetting(SettingsStore& store, Setting setting, std::string_view programFolder) {
    const auto& definition = DefinitionOf(setting);
    std::string text = store.GetString(definition.Root, definition.Key, definition.Value);
    if (!text.empty() || definition.Default.empty())
        return text;
    text = DefaultOf(setting, programFolder);
    store.SaveString(definition.Root, definition.Key, definition.Value, text);
    return text;
}

void WriteSetting(SettingsStore& store, Setting setting, std::string_view text) {
    const auto& definition = DefinitionOf(setting);
    store.SaveString(definition.Root, definition.Key, definition.Value, text);
}

std::string ReadSettingOr(SettingsStore& store, Setting setting, std::string_view fallback) {
    const auto& definition = DefinitionOf(setting);
    std::string text = store.GetString(definition.Root, definition.Key, definition.Value);
    if (text.empty()) {
        text = fallback;
        store.SaveString(definition.Root, definition.Key, definition.Value, text);
    }
    return text;
}

std::string ConfigFolderOf(std::string text, std::string_view programFolder) {
    if (text.empty())
        return DefaultOf(Setting::ConfigPath, programFolder);
    if (text.back() != '\\')
        text += '\\';
    return text;
}

std::string ReadConfigFolder(SettingsStore& store, std::string_view programFolder) {
    const auto& definition = DefinitionOf(Setting::ConfigPath);
    const std::string stored = store.GetString(definition.Root, definition.Key, definition.Value);
    std::string folder = ConfigFolderOf(stored, programFolder);
    if (folder != stored)
        WriteSetting(store, Setting::ConfigPath, folder);
    return folder;
}

int ReadTimingSetting(SettingsStore& store, Setting setting, std::string_view programFolder) {
    double ms = 0;
    if (!ParseNumber(ReadSetting(store, setting, programFolder), ms) || ms < 0) {
        const auto fallback = DefaultOf(setting, programFolder);
        WriteSetting(store, setting, fallback);
        ParseNumber(fallback, ms);
    }
    return static_cast<int>(std::lround(std::min(ms, static_cast<double>(kMaxTimingMs))));
}

bool SettingToBool(std::string_view text) {
    const auto trimmed = TrimSpaces(text);
    if (EqualsIgnoreCase(trimmed, "True"))
        return true;
    double number = 0;
    return ParseNumber(trimmed, number) && number != 0;
}

namespace {
// A switch only the preferences windows store: off unless stored as on.
bool ReadSwitch(SettingsStore& store, Setting setting) {
    const auto& definition = DefinitionOf(setting);
    return SettingToBool(store.GetString(definition.Root, definition.Key, definition.Value));
}
} // namespace

bool ReadExtendedKeys(SettingsStore& store) {
    return ReadSwitch(store, Setting::ExtendedKeys);
}

bool ReadExactPointer(SettingsStore& store) {
    return ReadSwitch(store, Setting::ExactPointer);
}

int StoredMenuIndex(std::string_view text, int items, int fallback) {
    double n = 0;
    if (!ParseNumber(text, n) || n != std::floor(n) || n < 0 || n >= items)
        return fallback;
    return static_cast<int>(n);
}

int PollPeriodForIndex(int index) {
    switch (index) {
    case 0:
        return 5;
    case 1:
        return 10;
    case 2:
        return 15;
    default:
        return 0;
    }
}

int ReadPollPeriodMs(SettingsStore& store, std::string_view programFolder) {
    return PollPeriodForIndex(
        StoredMenuIndex(ReadSetting(store, Setting::PollFrequency, programFolder), kPollMenuItems,
                        kDefaultPollIndex));
}

} // namespace qm
