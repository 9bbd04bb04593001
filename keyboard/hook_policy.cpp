#include "keyboard/hook_policy.h"

#include "core/key_names.h"
#include "core/messages.h"

#include <string>

namespace qm {

namespace {
constexpr std::uint16_t kVkTab = 9;
constexpr std::uint16_t kVkEscape = 27;
constexpr std::uint16_t kVkPageUp = 33;
constexpr std::uint16_t kVkDown = 40;
} // namespace

// ALT counts as down for the combinations when the event says so or the key state does: both
// agree on Windows, but Wine leaves the flag clear on injected keys even while ALT is held.
HookDecision DecideHookEvent(const HookKeyEvent& event) {
    const auto vk = event.VirtualKey;
    const bool alt = event.AltFlag || event.AltHeld;
    if (event.CtrlHeld && vk == kVkEscape)
        return {HookAction::Block, "CTRL + ESC blocked"};
    if (alt && vk == kVkTab)
        return {HookAction::Block, "ALT + TAB blocked"};
    if (alt && vk == kVkEscape)
        return {HookAction::Block, "ALT + ESC blocked"};
    // TAB, and PAGE UP to DOWN ARROW: PAGE UP, PAGE DOWN, END, HOME and the four arrows.
    if (vk == kVkTab || (vk >= kVkPageUp && vk <= kVkDown)) {
        const auto mask = static_cast<std::uint16_t>((event.ShiftHeld ? kShiftMask : 0) |
                                                     (event.CtrlHeld ? kCtrlMask : 0) |
                                                     (event.AltHeld ? kAltMask : 0));
        return {HookAction::Capture, {}, mask};
    }
    return {};
}

InstalledHook InstallHook(KeyboardHookControl& hook, HookTarget& target) {
    // Owned before installing: a box that fails after the hook went in still removes it.
    InstalledHook owner(&hook);
    if (!hook.Install(target))
        static_cast<void>(owner.release()); // nothing was installed
    return owner;
}

Message HookInstalledMessage() {
    return {"CTRL + ESC, ALT + ESC and ALT + TAB are blocked.", "Keyboard Hook Active",
            MessageButtons::Ok, MessageIcon::Information};
}

Message HookFailedMessage(std::uint32_t lastError) {
    return {"Failed to install low-level keyboard hook - " + std::to_string(lastError),
            std::string(kEditorTitle), MessageButtons::Ok, MessageIcon::None};
}

} // namespace qm
