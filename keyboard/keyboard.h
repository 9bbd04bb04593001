#pragma once
// The keyboard seam: batches of key records injected by scan code (the mouse's buttons and wheel
// among them, by their codes of key_names.h), pointer moves, the toggle and hold state of keys,
// and the layout's scan codes.
#include "core/scan_codes.h"

#include <cstdint>
#include <span>

namespace qm {

struct KeyInput {
    std::uint16_t VirtualKey = 0;
    std::uint16_t ScanCode = 0;
    bool KeyUp = false;
    // Sent as an extended key (the arrow and navigation block, not the keypad).
    bool Extended = false;
    bool operator==(const KeyInput&) const = default;
};

inline constexpr std::uint16_t kVkNumLock = 0x90;
inline constexpr std::uint16_t kVkCapsLock = 0x14;
inline constexpr std::uint16_t kVkScrollLock = 0x91;

// The state words of the three lock keys, read together.
struct LockStates {
    std::int16_t NumLock = 0;
    std::int16_t CapsLock = 0;
    std::int16_t ScrollLock = 0;
    bool operator==(const LockStates&) const = default;
};

class Keyboard : public ScanCodeSource {
public:
    // Injects the records in one call, in order. A mouse button's record presses or releases
    // it; a wheel's key-down turns the wheel one notch and its key-up does nothing.
    virtual void Send(std::span<const KeyInput> records) = 0;
    // Moves the pointer by whole pixels, right and down positive.
    virtual void MovePointer(int dx, int dy) = 0;
    // Whether MovePointer moves by exactly those pixels, whatever the system's pointer speed
    // and acceleration, or as a mouse moved that far would (the default).
    virtual void SetExactPointer(bool /*exact*/) {}
    // The key's state word: low bit = toggled on, high bit (0x8000 as a signed 16-bit
    // value, i.e. negative) = held down.
    virtual std::int16_t GetKeyState(std::uint16_t virtualKey) = 0;
    // The three lock keys' state words at once (the system keyboard asks once for all three).
    virtual LockStates ReadLocks() {
        return {GetKeyState(kVkNumLock), GetKeyState(kVkCapsLock), GetKeyState(kVkScrollLock)};
    }
};

// A keyboard that passes everything to another: the base of the keyboards that watch or change
// what goes through, which override only that.
class ForwardingKeyboard : public Keyboard {
public:
    explicit ForwardingKeyboard(Keyboard& keyboard) : keyboard_(keyboard) {}
    void Send(std::span<const KeyInput> records) override { keyboard_.Send(records); }
    void MovePointer(int dx, int dy) override { keyboard_.MovePointer(dx, dy); }
    void SetExactPointer(bool exact) override { keyboard_.SetExactPointer(exact); }
    std::int16_t GetKeyState(std::uint16_t virtualKey) override {
        return keyboard_.GetKeyState(virtualKey);
    }
    LockStates ReadLocks() override { return keyboard_.ReadLocks(); }
    std::uint16_t ScanCodeOf(std::uint16_t virtualKey) const override {
        return keyboard_.ScanCodeOf(virtualKey);
    }

protected:
    Keyboard& Inner() const { return keyboard_; }

private:
    Keyboard& keyboard_;
};

} // namespace qm
