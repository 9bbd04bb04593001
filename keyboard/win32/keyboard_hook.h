#pragma once
// The editor's low-level keyboard hook while recording. What it does with each key is decided
// by DecideHookEvent; this class owns the hook and translates the system's events.
#include "core/dialogs.h"
#include "core/win32/win32_handle.h"
#include "keyboard/hook_policy.h"

#include <windows.h>

namespace qm {

// At most one hook is installed in the process: installing removes the hook installed before,
// by this object or another. Use on the user-interface thread only; the hook procedure runs
// on that thread while it pumps messages.
class KeyboardHook final : public KeyboardHookControl {
public:
    explicit KeyboardHook(Dialogs& dialogs) : dialogs_(dialogs) {}
    ~KeyboardHook() override { Remove(); }
    KeyboardHook(const KeyboardHook&) = delete;
    KeyboardHook& operator=(const KeyboardHook&) = delete;

    // Installs the hook for all threads and says so in a box, or says why it failed. True when
    // installed.
    bool Install(HookTarget& target) override;
    void Remove() noexcept override;
    bool Installed() const { return static_cast<bool>(handle_); }

private:
    static LRESULT CALLBACK Procedure(int code, WPARAM message, LPARAM event) noexcept;

    HookTarget* target_ = nullptr;
    Dialogs& dialogs_;
    win32::UniqueHook handle_;
    static KeyboardHook* installed_;
};

} // namespace qm
