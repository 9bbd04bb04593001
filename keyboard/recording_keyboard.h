#pragma once
// A keyboard that behaves like the system's for the programs' purposes and records what it is
// sent: it keeps the toggle state of Num Lock, Caps Lock and Scroll Lock, and an injected
// press of a lock key toggles it. Used by tests and by dry runs.
#include "keyboard/keyboard.h"

#include <functional>
#include <span>
#include <vector>

namespace qm {

class RecordingKeyboard final : public Keyboard {
public:
    // Scan codes come from `layout` (for example UsLayoutScanCodes).
    explicit RecordingKeyboard(const ScanCodeSource& layout) : layout_(layout) {}

    void Send(std::span<const KeyInput> records) override;
    void MovePointer(int dx, int dy) override;
    void SetExactPointer(bool exact) override { ExactPointer = exact; }
    std::int16_t GetKeyState(std::uint16_t virtualKey) override;
    LockStates ReadLocks() override;
    std::uint16_t ScanCodeOf(std::uint16_t virtualKey) const override {
        return layout_.ScanCodeOf(virtualKey);
    }

    void SetToggled(std::uint16_t virtualKey, bool on);
    bool Toggled(std::uint16_t virtualKey) const;
    // A key the user holds down (high bit of its state).
    void SetHeld(std::uint16_t virtualKey, bool held);

    // How often a key's state, and the three locks' states together, were asked for.
    int KeyReads = 0;
    int LockReads = 0;
    // Every batch sent, in order, unless recording is switched off.
    std::vector<std::vector<KeyInput>> Batches;
    bool Record = true;
    // Called with every batch (after the lock toggles it causes), when set.
    std::function<void(std::span<const KeyInput>)> OnSend;
    // Where the pointer is: the sum of every move since the start.
    int PointerX = 0;
    int PointerY = 0;
    int PointerMoves = 0;
    // How moves are to go: by exact pixels or as the system's pointer settings scale them.
    bool ExactPointer = false;
    // Called with every move, when set.
    std::function<void(int dx, int dy)> OnMove;

private:
    const ScanCodeSource& layout_;
    bool numLock_ = false;
    bool capsLock_ = false;
    bool scrollLock_ = false;
    std::vector<std::uint16_t> held_;
};

} // namespace qm
