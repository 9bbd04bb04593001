#include "keyboard/lock_keeping_keyboard.h"

namespace qm {

namespace {

std::int16_t* StateOf(LockStates& locks, std::uint16_t virtualKey) {
    switch (virtualKey) {
    case kVkNumLock:
        return &locks.NumLock;
    case kVkCapsLock:
        return &locks.CapsLock;
    case kVkScrollLock:
        return &locks.ScrollLock;
    default:
        return nullptr;
    }
}

constexpr std::uint16_t kHeld = 0x8000;

} // namespace

void LockKeepingKeyboard::Send(std::span<const KeyInput> records) {
    Inner().Send(records);
    if (!kept_)
        return;
    for (const KeyInput& record : records) {
        std::int16_t* state = StateOf(*kept_, record.VirtualKey);
        if (state == nullptr)
            continue;
        auto word = static_cast<std::uint16_t>(*state);
        if (record.KeyUp)
            word &= static_cast<std::uint16_t>(~kHeld);
        else if ((word & kHeld) == 0) // a key already down repeats: no toggle
            word = static_cast<std::uint16_t>((word ^ 1u) | kHeld);
        *state = static_cast<std::int16_t>(word);
    }
}

std::int16_t LockKeepingKeyboard::GetKeyState(std::uint16_t virtualKey) {
    LockStates locks;
    if (!StateOf(locks, virtualKey))
        return Inner().GetKeyState(virtualKey);
    locks = ReadLocks();
    return *StateOf(locks, virtualKey);
}

LockStates LockKeepingKeyboard::ReadLocks() {
    if (!kept_)
        kept_ = Inner().ReadLocks();
    return *kept_;
}

} // namespace qm
