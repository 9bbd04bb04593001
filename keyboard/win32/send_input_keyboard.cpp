#include "keyboard/win32/send_input_keyboard.h"

#include <windows.h>

#include <algorithm>
#include <array>

namespace qm {

void SendInputKeyboard::MovePointer(int dx, int dy) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.dwFlags = MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof(INPUT));
}

// Every record names its key by scan code, flagged as extended when it says so. The virtual key
// goes along as well: Windows ignores it when the scan-code flag is set, but Wine takes the key
// from it (without it every key arrives as virtual key 0).
void SendInputKeyboard::Send(std::span<const KeyInput> records) {
    std::array<INPUT, kMaxRecordsPerCall> inputs{};
    while (!records.empty()) {
        const std::size_t count = std::min(records.size(), inputs.size());
        for (std::size_t i = 0; i < count; ++i) {
            INPUT& input = inputs[i];
            input = INPUT{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = records[i].VirtualKey;
            input.ki.wScan = records[i].ScanCode;
            input.ki.dwFlags = KEYEVENTF_SCANCODE | (records[i].KeyUp ? KEYEVENTF_KEYUP : 0) |
                               (records[i].Extended ? KEYEVENTF_EXTENDEDKEY : 0);
            input.ki.time = 0;
            input.ki.dwExtraInfo = 0;
        }
        // Keys the system refuses are lost; nothing more can be done about them here.
        SendInput(static_cast<UINT>(count), inputs.data(), sizeof(INPUT));
        records = records.subspan(count);
    }
}

// The first read gives the thread its input state, which from then on follows the keyboard's
// changes (under Wine it starts with every lock off).
KeyStateReader::KeyStateReader()
    : asked_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      answered_(CreateEventW(nullptr, FALSE, FALSE, nullptr)), thread_([this] { Serve(); }) {
    Read(0);
}

KeyStateReader::~KeyStateReader() {
    {
        const std::lock_guard one(reading_);
        stopping_ = true;
        SetEvent(asked_.Get());
    }
    thread_.join();
}

std::int16_t KeyStateReader::Read(std::uint16_t virtualKey) {
    const std::lock_guard one(reading_);
    keys_[0] = virtualKey;
    Ask(1);
    return answers_[0];
}

LockStates KeyStateReader::ReadLocks() {
    const std::lock_guard one(reading_);
    keys_ = {kVkNumLock, kVkCapsLock, kVkScrollLock};
    Ask(3);
    return {answers_[0], answers_[1], answers_[2]};
}

void KeyStateReader::Ask(std::size_t count) {
    count_ = count;
    if (!asked_ || !answered_) { // no events: this thread's own view
        for (std::size_t i = 0; i < count; ++i)
            answers_[i] = static_cast<std::int16_t>(::GetKeyState(keys_[i]));
        return;
    }
    SetEvent(asked_.Get());
    WaitForSingleObject(answered_.Get(), INFINITE);
}

void KeyStateReader::Serve() {
    while (asked_ && WaitForSingleObject(asked_.Get(), INFINITE) == WAIT_OBJECT_0 && !stopping_) {
        for (std::size_t i = 0; i < count_; ++i)
            answers_[i] = static_cast<std::int16_t>(::GetKeyState(keys_[i]));
        SetEvent(answered_.Get());
    }
}

} // namespace qm
