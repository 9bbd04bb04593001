#include "keyboard/win32/keyboard_hook.h"

#include "core/error_trap.h"

namespace qm {

KeyboardHook* KeyboardHook::installed_ = nullptr;

bool KeyboardHook::Install(HookTarget& target) {
    if (installed_ != nullptr)
        installed_->Remove();
    target_ = &target;
    handle_.Reset(SetWindowsHookExW(WH_KEYBOARD_LL, &Procedure, GetModuleHandleW(nullptr), 0));
    if (!handle_) {
        dialogs_.ShowMessage(HookFailedMessage(GetLastError()));
        return false;
    }
    installed_ = this;
    dialogs_.ShowMessage(HookInstalledMessage());
    return true;
}

void KeyboardHook::Remove() noexcept {
    if (!handle_)
        return;
    handle_.Reset();
    if (installed_ == this)
        installed_ = nullptr;
}

LRESULT CALLBACK KeyboardHook::Procedure(int code, WPARAM message, LPARAM event) noexcept {
    KeyboardHook* const self = installed_;
    if (code != HC_ACTION || self == nullptr)
        return CallNextHookEx(nullptr, code, message, event);

    const auto& record = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(event);
    HookKeyEvent key;
    key.VirtualKey = static_cast<std::uint16_t>(record.vkCode);
    key.AltFlag = (record.flags & LLKHF_ALTDOWN) != 0;
    key.ShiftHeld = GetAsyncKeyState(VK_SHIFT) < 0;
    key.CtrlHeld = GetAsyncKeyState(VK_CONTROL) < 0;
    key.AltHeld = GetAsyncKeyState(VK_MENU) < 0;

    const HookDecision decision = DecideHookEvent(key);
    if (decision.Action == HookAction::Pass)
        return CallNextHookEx(nullptr, code, message, event);
    // The key is swallowed whatever the editor makes of it; a fault is reported and never
    // reaches the system's keyboard processing.
    RunTrapped(self->dialogs_, "KB_Decode", [&] {
        if (decision.Action == HookAction::Block)
            self->target_->ShowNote(decision.Note);
        else
            self->target_->DecodeKey(key.VirtualKey, decision.ModifierMask);
    });
    return 1;
}

} // namespace qm
