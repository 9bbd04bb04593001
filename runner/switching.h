#pragma once
// Configurations that follow the program in front, and switching by hotkey: the rules, the
// choice for programs without a rule, the hotkeys and the notification option as stored
// under their own key, which window counts as a change, and the two seams the shell
// implements (being told of foreground changes, global hotkeys).
#include "core/file_system.h"
#include "settings/settings_store.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Everything of switching lives under this key: "enabled", "no rule", "notify", the three
// hotkeys and one value "rule<n>" per rule (n from 1, no gaps).
inline constexpr std::string_view kSwitchingKey = "Software\\Vantrel\\Runvex\\switch";

// What the runner does when a program without a rule comes to the front.
enum class NoRuleChoice { Keep, RunDefault, Stop };

// A program and the configuration that runs while it is in front. The program is an
// executable file name ("flightsim.exe") or, to tell apart two programs of one name, a full
// path; the configuration is the path of a known configuration file.
struct SwitchRule {
    std::string Program;
    std::string Configuration;
    bool operator==(const SwitchRule&) const = default;
};

enum class HotkeyAction { Next, Previous, RunStop };
inline constexpr int kHotkeyActions = 3;

// A global hotkey: a virtual key and modifiers (the key-name mask bits, plus Win). Key 0: none.
struct Hotkey {
    static constexpr std::uint16_t kWinMask = 8;
    std::uint16_t Modifiers = 0;
    std::uint16_t Key = 0;
    bool IsSet() const { return Key != 0; }
    bool operator==(const Hotkey&) const = default;
};

// "CTRL + ALT + N", as key cells name keys; "WIN + " in front for the Windows key.
std::string HotkeyText(Hotkey hotkey);
// A hotkey that is set without CTRL, ALT or WIN (SHIFT alone is typing): the system would give
// its key to the runner instead of any program, the runner's own keystrokes included. Such a
// hotkey is refused in the preferences and never registered.
bool LacksModifier(Hotkey hotkey);
// "Next configuration", "Previous configuration", "Run/Stop".
std::string_view HotkeyActionName(HotkeyAction action);

struct SwitchingSettings {
    bool Enabled = false;
    NoRuleChoice NoRule = NoRuleChoice::Keep;
    bool Notify = true;
    std::array<Hotkey, kHotkeyActions> Hotkeys{};
    std::vector<SwitchRule> Rules;

    // Switching follows the foreground only when it is on and there are rules.
    bool Active() const { return Enabled && !Rules.empty(); }
    Hotkey& HotkeyOf(HotkeyAction action) { return Hotkeys[static_cast<std::size_t>(action)]; }
    Hotkey HotkeyOf(HotkeyAction action) const { return Hotkeys[static_cast<std::size_t>(action)]; }
    bool operator==(const SwitchingSettings&) const = default;
};

// Reads the settings; missing or unreadable values give the defaults, and a rule value without
// a program or a configuration ends the list.
SwitchingSettings LoadSwitching(SettingsStore& store);
// Writes every value; rule values beyond the list are deleted.
void SaveSwitching(SettingsStore& store, const SwitchingSettings& settings);

// The rule for a program's executable path: a rule naming that full path wins over one
// naming its file name; both compare without regard to case. Null when none matches.
const SwitchRule* FindRule(const std::vector<SwitchRule>& rules, std::string_view executable);

// The known entry of a rule's configuration; nothing when the configuration is gone (no longer
// in the known-files list, or its file missing).
std::optional<std::string> RuleEntry(SettingsStore& store, FileSystem& files,
                                     const SwitchRule& rule);

// A window that came to the front, as the shell sees it.
struct ForegroundWindow {
    bool OwnProcess = false; // a window of the runner itself
    std::string ClassName;   // its window class
    std::string Executable;  // its program's full path; empty when it could not be read
};

// Whether a window counts as a change of the program in front: the runner's own windows, the
// shell's (taskbar, notification area, task switcher, desktop) and windows whose program is
// unknown do not.
bool CountsAsChange(const ForegroundWindow& window);

// Being told when another window comes to the front. The shell calls the controller's
// ForegroundChanged while watching.
class ForegroundWatch {
public:
    virtual ~ForegroundWatch() = default;
    virtual void Watch(bool on) = 0;
};

// Global hotkeys. The shell calls the controller's HotkeyPressed.
class HotkeyRegistrar {
public:
    virtual ~HotkeyRegistrar() = default;
    // False when another program holds the hotkey.
    virtual bool Register(HotkeyAction action, Hotkey hotkey) = 0;
    virtual void Unregister(HotkeyAction action) = 0;
};

} // namespace qm
