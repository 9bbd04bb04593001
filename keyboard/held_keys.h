#pragma once
// The one record of every key the program holds down: the keys of rows with Hold go down at
// their control's press and stay down until its release, or until the record is emptied (at
// Stop, at a switch, before a box, at the end). A key held for two rows goes up when the last
// lets go. A chord sent meanwhile that contains a held key leaves it down.
#include "core/compiled_keys.h"
#include "keyboard/keyboard.h"
#include "keyboard/send_keys.h"

#include <array>
#include <cstdint>

namespace qm {

class HeldKeys final : public ForwardingKeyboard {
public:
    explicit HeldKeys(Keyboard& keyboard) : ForwardingKeyboard(keyboard) {}

    // Sends the records, but a key-up of a key the record holds is left out.
    void Send(std::span<const KeyInput> records) override;

    // Presses every key of every used step of `keys`, in order, and keeps them down, with the
    // lock keys `keys` forces on counted as wanted on. Returns the ticket LetGo needs.
    std::uint32_t Hold(const CompiledKeys& keys, NavigationKeys navigation);
    // Lets go of what Hold pressed for `keys` with `ticket`: each key whose last holder this
    // was goes up, in reverse order. Nothing when the record was emptied since.
    void LetGo(const CompiledKeys& keys, std::uint32_t ticket);
    // Every held key goes up, the newest first, and the lock keys held rows forced on are
    // forced off. Tickets given before are void.
    void ReleaseAll();

    bool Empty() const { return count_ == 0; }
    // Whether a held row forces the lock key on (1) or not (0): what every burst ends with.
    std::int16_t LockWanted(std::uint16_t virtualKey) const;

private:
    struct Held {
        KeyInput Key;
        std::uint16_t Holders = 0;
    };
    // Every key a keyboard has can be held at once.
    static constexpr std::size_t kMaxHeld = 256;

    Held* Find(std::uint16_t virtualKey);
    void CountLocks(const CompiledKeys& keys, int by);

    std::array<Held, kMaxHeld> held_{};
    std::size_t count_ = 0;
    std::uint32_t ticket_ = 1;
    std::array<int, 3> locksOn_{}; // Num, Caps, Scroll Lock
};

} // namespace qm
