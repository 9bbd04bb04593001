#pragma once
// A keyboard that keeps the lock keys' states once it has read them, so that a burst of keys
// does not wait for the system before and after its keys: the states read once follow every
// press sent through it, as the system's would. What the user does meanwhile is seen after
// Forget, which the mapping engine calls at the start of every pass.
#include "keyboard/keyboard.h"

#include <optional>

namespace qm {

class LockKeepingKeyboard final : public ForwardingKeyboard {
public:
    explicit LockKeepingKeyboard(Keyboard& keyboard) : ForwardingKeyboard(keyboard) {}

    // Sends through the keyboard; a press of a lock key that is not held toggles it, a press
    // holds it and a release lets it go.
    void Send(std::span<const KeyInput> records) override;
    // A lock key's state as kept (all three read at once when none is kept); any other key's
    // as the keyboard has it.
    std::int16_t GetKeyState(std::uint16_t virtualKey) override;
    LockStates ReadLocks() override;

    // The kept states are dropped: the next question reads them again.
    void Forget() { kept_.reset(); }

private:
    std::optional<LockStates> kept_;
};

} // namespace qm
