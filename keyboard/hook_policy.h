#pragma once
// What the editor's low-level keyboard hook does with each key event while recording: the
// task-switching combinations are swallowed with a note, the navigation keys the mapping list
// would consume are handed to the key decoder and swallowed, everything else passes.
#include "core/dialogs.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace qm {

// One key event as the hook sees it. Presses and releases are treated alike.
struct HookKeyEvent {
    std::uint16_t VirtualKey = 0;
    // The event's own ALT-down flag.
    bool AltFlag = false;
    // High bits of the asynchronous key states at the time of the event.
    bool ShiftHeld = false;
    bool CtrlHeld = false;
    bool AltHeld = false;
};

enum class HookAction {
    Pass,    // to the next hook, unchanged
    Block,   // swallowed; Note says which combination
    Capture, // swallowed after handing VirtualKey and ModifierMask to the key decoder
};

struct HookDecision {
    HookAction Action = HookAction::Pass;
    std::string_view Note;          // Block only
    std::uint16_t ModifierMask = 0; // Capture only: kShiftMask | kCtrlMask | kAltMask
    bool operator==(const HookDecision&) const = default;
};

HookDecision DecideHookEvent(const HookKeyEvent& event);

// Where the hook's effects go; implemented by the editor, called on its user-interface thread.
class HookTarget {
public:
    virtual ~HookTarget() = default;
    // A captured navigation key, as if the main window had received it (once on press and
    // once on release).
    virtual void DecodeKey(std::uint16_t virtualKey, std::uint16_t modifierMask) = 0;
    // The note for the main window's text box when a combination was blocked.
    virtual void ShowNote(std::string_view note) = 0;
};

// Installs and removes the hook (KeyboardHook on Windows).
class KeyboardHookControl {
public:
    virtual ~KeyboardHookControl() = default;
    // Installs the hook with its events going to `target` and shows HookInstalledMessage, or
    // HookFailedMessage when it could not. True when installed.
    virtual bool Install(HookTarget& target) = 0;
    // Nothing when none is installed.
    virtual void Remove() noexcept = 0;
};

struct HookRemover {
    void operator()(KeyboardHookControl* hook) const noexcept { hook->Remove(); }
};
// An installed hook, removed when its owner lets it go.
using InstalledHook = std::unique_ptr<KeyboardHookControl, HookRemover>;

// Installs the hook with its events going to `target`: empty when it could not be installed.
// An installation that fails part-way leaves no hook behind.
InstalledHook InstallHook(KeyboardHookControl& hook, HookTarget& target);

// The box shown after installing the hook: which combinations are blocked, or why it failed.
Message HookInstalledMessage();
Message HookFailedMessage(std::uint32_t lastError);

} // namespace qm
