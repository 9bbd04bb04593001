#include "keyboard/win32/send_input_keyboard.h"

#include <windows.h>

#include <algorithm>
#include <array>

namespace qm {

// Every record names its key by scan code, without the extended flag. The virtual key goes
// along as well: Windows ignores it when the scan-code flag is set, but Wine takes the key from
// it (without it every key arrives as virtual key 0).
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
            input.ki.dwFlags = KEYEVENTF_SCANCODE | (records[i].KeyUp ? KEYEVENTF_KEYUP : 0);
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
KeyStateReader::KeyStateReader() : thread_([this] { Serve(); }) {
    Read(0);
}

KeyStateReader::~KeyStateReader() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

std::int16_t KeyStateReader::Read(std::uint16_t virtualKey) {
    const std::lock_guard one(reading_);
    std::unique_lock lock(mutex_);
    request_ = virtualKey;
    answer_.reset();
    changed_.notify_all();
    changed_.wait(lock, [&] { return answer_.has_value(); });
    return *answer_;
}

void KeyStateReader::Serve() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return stopping_ || request_.has_value(); });
        if (stopping_)
            return;
        answer_ = static_cast<std::int16_t>(::GetKeyState(*request_));
        request_.reset();
        changed_.notify_all();
    }
}

} // namespace qm
