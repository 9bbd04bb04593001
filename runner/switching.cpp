#include "runner/switching.h"

#include "core/key_names.h"
#include "core/paths.h"
#include "core/text.h"
#include "settings/known_files.h"
#include "settings/settings_table.h"

#include <algorithm>
#include <charconv>

namespace qm {

namespace {

constexpr auto kUser = RegistryRoot::CurrentUser;
constexpr std::string_view kEnabledValue = "enabled";
constexpr std::string_view kNoRuleValue = "no rule";
constexpr std::string_view kNotifyValue = "notify";
constexpr std::array<std::string_view, kHotkeyActions> kHotkeyValues = {
    "hotkey next", "hotkey previous", "hotkey run stop"};
// A rule value: the program, this separator (no file name or path can hold it), the path.
constexpr char kRuleSeparator = '|';

std::string RuleValue(std::size_t index) {
    return "rule" + std::to_string(index + 1);
}

std::string Get(SettingsStore& store, std::string_view value) {
    return store.GetString(kUser, kSwitchingKey, value);
}

// Stored as modifiers * 256 + virtual key, in decimal.
Hotkey HotkeyFromText(std::string_view text) {
    text = TrimSpaces(text);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value > 0xFFFF)
        return {};
    const Hotkey hotkey{static_cast<std::uint16_t>(value >> 8),
                        static_cast<std::uint16_t>(value & 0xFF)};
    return hotkey.Modifiers <= 15 ? hotkey : Hotkey{};
}

std::string_view NoRuleText(NoRuleChoice choice) {
    switch (choice) {
    case NoRuleChoice::RunDefault:
        return "default";
    case NoRuleChoice::Stop:
        return "stop";
    case NoRuleChoice::Keep:
        break;
    }
    return "keep";
}

} // namespace

std::string HotkeyText(Hotkey hotkey) {
    const auto decoded =
        DecodeKeyEvent(hotkey.Key, static_cast<std::uint16_t>(hotkey.Modifiers & 7));
    std::string text = (hotkey.Modifiers & Hotkey::kWinMask) ? "WIN + " : "";
    if (decoded.Name.empty())
        return text + decoded.Text + "KEY " + std::to_string(hotkey.Key);
    return text + decoded.Text;
}

bool LacksModifier(Hotkey hotkey) {
    return hotkey.IsSet() && (hotkey.Modifiers & (kCtrlMask | kAltMask | Hotkey::kWinMask)) == 0;
}

std::string_view HotkeyActionName(HotkeyAction action) {
    static constexpr std::array<std::string_view, kHotkeyActions> kNames = {
        "Next configuration", "Previous configuration", "Run/Stop"};
    return kNames[static_cast<std::size_t>(action)];
}

SwitchingSettings LoadSwitching(SettingsStore& store) {
    SwitchingSettings s;
    s.Enabled = SettingToBool(Get(store, kEnabledValue));
    const std::string noRuleText = Get(store, kNoRuleValue); // the view below points into it
    const std::string_view noRule = TrimSpaces(noRuleText);
    for (const auto choice : {NoRuleChoice::RunDefault, NoRuleChoice::Stop})
        if (EqualsIgnoreCase(noRule, NoRuleText(choice)))
            s.NoRule = choice;
    const auto notify = Get(store, kNotifyValue);
    s.Notify = notify.empty() || SettingToBool(notify);
    for (std::size_t a = 0; a < kHotkeyActions; ++a)
        s.Hotkeys[a] = HotkeyFromText(Get(store, kHotkeyValues[a]));
    for (std::size_t i = 0;; ++i) {
        const auto value = Get(store, RuleValue(i));
        const auto split = value.find(kRuleSeparator);
        if (split == std::string::npos)
            break;
        SwitchRule rule{std::string(TrimSpaces(std::string_view(value).substr(0, split))),
                        std::string(TrimSpaces(std::string_view(value).substr(split + 1)))};
        if (rule.Program.empty() || rule.Configuration.empty())
            break;
        s.Rules.push_back(std::move(rule));
    }
    return s;
}

void SaveSwitching(SettingsStore& store, const SwitchingSettings& s) {
    const auto save = [&](std::string_view value, std::string_view text) {
        store.SaveString(kUser, kSwitchingKey, value, text);
    };
    save(kEnabledValue, BoolSettingText(s.Enabled));
    save(kNoRuleValue, NoRuleText(s.NoRule));
    save(kNotifyValue, BoolSettingText(s.Notify));
    for (std::size_t a = 0; a < kHotkeyActions; ++a)
        save(kHotkeyValues[a], std::to_string(s.Hotkeys[a].Modifiers * 256 + s.Hotkeys[a].Key));
    for (std::size_t i = 0; i < s.Rules.size(); ++i)
        save(RuleValue(i), s.Rules[i].Program + kRuleSeparator + s.Rules[i].Configuration);
    // Rules of an earlier, longer list.
    for (std::size_t i = s.Rules.size(); !Get(store, RuleValue(i)).empty(); ++i)
        store.DelSetting(kUser, kSwitchingKey, RuleValue(i));
}

const SwitchRule* FindRule(const std::vector<SwitchRule>& rules, std::string_view executable) {
    const auto byPath = std::find_if(rules.begin(), rules.end(), [&](const SwitchRule& r) {
        return r.Program.find('\\') != std::string::npos && SamePath(r.Program, executable);
    });
    if (byPath != rules.end())
        return &*byPath;
    const std::string name = FileNameOf(executable);
    const auto byName = std::find_if(rules.begin(), rules.end(), [&](const SwitchRule& r) {
        return r.Program.find('\\') == std::string::npos && EqualsIgnoreCase(r.Program, name);
    });
    return byName != rules.end() ? &*byName : nullptr;
}

std::optional<std::string> RuleEntry(SettingsStore& store, FileSystem& files,
                                     const SwitchRule& rule) {
    const auto known = FindKnownFile(store, rule.Configuration);
    if (!known || !files.Exists(known->Path))
        return std::nullopt;
    return known->Entry;
}

bool CountsAsChange(const ForegroundWindow& window) {
    // The taskbars, the notification area's overflow, the task switchers, the desktop.
    static constexpr std::string_view kShellClasses[] = {"Shell_TrayWnd",
                                                         "Shell_SecondaryTrayWnd",
                                                         "NotifyIconOverflowWindow",
                                                         "TopLevelWindowForOverflowXamlIsland",
                                                         "MultitaskingViewFrame",
                                                         "TaskSwitcherWnd",
                                                         "XamlExplorerHostIslandWindow",
                                                         "ForegroundStaging",
                                                         "Progman",
                                                         "WorkerW",
                                                         "#32769"};
    if (window.OwnProcess || window.Executable.empty())
        return false;
    return std::none_of(std::begin(kShellClasses), std::end(kShellClasses),
                        [&](std::string_view c) { return EqualsIgnoreCase(c, window.ClassName); });
}

} // namespace qm
