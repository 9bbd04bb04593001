#pragma once
// A command's keyboard shortcut: a key with the modifiers held, and how a menu shows it after
// its caption. The key is a virtual-key code and the modifiers the masks of key events
// (kCtrlMask, kShiftMask, kAltMask), as the window reports a key press.
#include "core/key_names.h"

#include <cstdint>
#include <string>

namespace qm {

struct Shortcut {
    std::uint16_t Key = 0; // 0: none
    std::uint16_t Modifiers = 0;
    constexpr bool operator==(const Shortcut&) const = default;
    constexpr explicit operator bool() const { return Key != 0; }
};

inline constexpr std::uint16_t kVkF1 = 112;
inline constexpr std::uint16_t kVkF4 = 115;
inline constexpr std::uint16_t kVkF5 = 116;

// Ctrl with a letter (its virtual-key code is the upper-case letter) or another key.
constexpr Shortcut CtrlKey(std::uint16_t key) {
    return {key, kCtrlMask};
}
constexpr Shortcut CtrlShiftKey(std::uint16_t key) {
    return {key, static_cast<std::uint16_t>(kCtrlMask | kShiftMask)};
}

// "Ctrl+Shift+S", "F5": letters, digits and function keys.
std::wstring ShortcutText(Shortcut shortcut);
// A menu item's text: the caption, then a tab and the shortcut's text when it has one.
std::wstring CaptionWithShortcut(const wchar_t* caption, Shortcut shortcut);

} // namespace qm
