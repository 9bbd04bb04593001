#include "keyboard/recording_keyboard.h"

#include <algorithm>

namespace qm {

namespace {

bool* LockOf(std::uint16_t virtualKey, bool& num, bool& caps, bool& scroll) {
    switch (virtualKey) {
    case kVkNumLock:
        return &num;
    case kVkCapsLock:
        return &caps;
    case kVkScrollLock:
        return &scroll;
    default:
        return nullptr;
    }
}

} // namespace

// Like the system: a press toggles a lock key, and a key is held from its press to its release,
// whoever pressed it.
void RecordingKeyboard::Send(std::span<const KeyInput> records) {
    for (const KeyInput& record : records) {
        if (!record.KeyUp) {
            if (bool* lock = LockOf(record.VirtualKey, numLock_, capsLock_, scrollLock_))
                *lock = !*lock;
        }
        SetHeld(record.VirtualKey, !record.KeyUp);
    }
    if (Record)
        Batches.emplace_back(records.begin(), records.end());
    if (OnSend)
        OnSend(records);
}

void RecordingKeyboard::MovePointer(int dx, int dy) {
    PointerX += dx;
    PointerY += dy;
    ++PointerMoves;
    if (OnMove)
        OnMove(dx, dy);
}

std::int16_t RecordingKeyboard::GetKeyState(std::uint16_t virtualKey) {
    ++KeyReads;
    const bool held = std::find(held_.begin(), held_.end(), virtualKey) != held_.end();
    return static_cast<std::int16_t>((held ? 0x8000 : 0) | (Toggled(virtualKey) ? 1 : 0));
}

LockStates RecordingKeyboard::ReadLocks() {
    ++LockReads;
    const int keyReads = KeyReads;
    const LockStates locks = Keyboard::ReadLocks();
    KeyReads = keyReads;
    return locks;
}

void RecordingKeyboard::SetToggled(std::uint16_t virtualKey, bool on) {
    if (bool* lock = LockOf(virtualKey, numLock_, capsLock_, scrollLock_))
        *lock = on;
}

bool RecordingKeyboard::Toggled(std::uint16_t virtualKey) const {
    switch (virtualKey) {
    case kVkNumLock:
        return numLock_;
    case kVkCapsLock:
        return capsLock_;
    case kVkScrollLock:
        return scrollLock_;
    default:
        return false;
    }
}

void RecordingKeyboard::SetHeld(std::uint16_t virtualKey, bool held) {
    const auto it = std::find(held_.begin(), held_.end(), virtualKey);
    if (held && it == held_.end())
        held_.push_back(virtualKey);
    else if (!held && it != held_.end())
        held_.erase(it);
}

} // namespace qm
