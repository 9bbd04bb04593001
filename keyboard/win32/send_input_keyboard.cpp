#include "keyboard/win32/send_input_keyboard.h"

#include "core/key_names.h"

#include <windows.h>

#include <algorithm>
#include <array>

namespace qm {

namespace {

// A mouse button's press or release, or a wheel's notch; none for a wheel's key-up.
std::optional<INPUT> MouseInputOf(const KeyInput& record) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    MOUSEINPUT& mouse = input.mi;
    const bool up = record.KeyUp;
    switch (record.VirtualKey) {
    case kVkMouseLeft:
        mouse.dwFlags = up ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
        return input;
    case kVkMouseRight:
        mouse.dwFlags = up ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_RIGHTDOWN;
        return input;
    case kVkMouseMiddle:
        mouse.dwFlags = up ? MOUSEEVENTF_MIDDLEUP : MOUSEEVENTF_MIDDLEDOWN;
        return input;
    case kVkMouseX1:
    case kVkMouseX2:
        mouse.dwFlags = up ? MOUSEEVENTF_XUP : MOUSEEVENTF_XDOWN;
        mouse.mouseData = record.VirtualKey == kVkMouseX1 ? XBUTTON1 : XBUTTON2;
        return input;
    default:
        break;
    }
    if (up)
        return std::nullopt;
    // mouseData holds the signed distance: a negative one as its two's complement.
    const auto notch = [&](DWORD wheel, int delta) {
        mouse.dwFlags = wheel;
        mouse.mouseData = static_cast<DWORD>(delta);
        return input;
    };
    switch (record.VirtualKey) {
    case kVkWheelUp:
        return notch(MOUSEEVENTF_WHEEL, WHEEL_DELTA);
    case kVkWheelDown:
        return notch(MOUSEEVENTF_WHEEL, -WHEEL_DELTA);
    case kVkWheelRight:
        return notch(MOUSEEVENTF_HWHEEL, WHEEL_DELTA);
    default:
        return notch(MOUSEEVENTF_HWHEEL, -WHEEL_DELTA);
    }
}

// One coordinate of an exact move: the target clamped to [low, high) and normalised over it.
LONG Normalised(LONG at, int offset, LONG low, LONG high) {
    const long long size = std::max<long long>(1, static_cast<long long>(high) - low);
    const long long target =
        std::clamp<long long>(static_cast<long long>(at) + offset, low, low + size - 1) - low;
    return static_cast<LONG>((2 * target + 1) * 65536 / (2 * size));
}

} // namespace

// Every key names itself by scan code, flagged as extended when it says so. The virtual key
// goes along as well: Windows ignores it when the scan-code flag is set, but Wine takes the key
// from it (without it every key arrives as virtual key 0).
std::optional<INPUT> InputOf(const KeyInput& record) {
    if (IsMouseCode(record.VirtualKey))
        return MouseInputOf(record);
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = record.VirtualKey;
    input.ki.wScan = record.ScanCode;
    input.ki.dwFlags = KEYEVENTF_SCANCODE | (record.KeyUp ? KEYEVENTF_KEYUP : 0) |
                       (record.Extended ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

INPUT ExactMoveInput(POINT from, int dx, int dy, const RECT& screen) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = Normalised(from.x, dx, screen.left, screen.right);
    input.mi.dy = Normalised(from.y, dy, screen.top, screen.bottom);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    return input;
}

// A relative move is scaled by the system's pointer speed and acceleration, as a mouse's own
// movement is. An absolute move is not: the exact move asks where the pointer is and sends it
// to that point plus the offset. It stays a move in the input stream, like the relative one
// (SetCursorPos would pass by low-level hooks and raw input, and could overtake keys sent
// before it). Where the pointer cannot be read, the move is relative.
void SendInputKeyboard::MovePointer(int dx, int dy) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.dwFlags = MOUSEEVENTF_MOVE;
    if (exactPointer_) {
        const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        const RECT screen{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                          top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
        POINT from{};
        if (screen.right > screen.left && screen.bottom > screen.top && GetCursorPos(&from))
            input = ExactMoveInput(from, dx, dy, screen);
    }
    SendInput(1, &input, sizeof(INPUT));
}

// In order, a batch of at most kMaxRecordsPerCall system records per call.
void SendInputKeyboard::Send(std::span<const KeyInput> records) {
    std::array<INPUT, kMaxRecordsPerCall> inputs{};
    std::size_t count = 0;
    const auto flush = [&] {
        // Input the system refuses is lost; nothing more can be done about it here.
        if (count > 0)
            SendInput(static_cast<UINT>(count), inputs.data(), sizeof(INPUT));
        count = 0;
    };
    for (const KeyInput& record : records) {
        const std::optional<INPUT> input = InputOf(record);
        if (!input)
            continue;
        inputs[count++] = *input;
        if (count == inputs.size())
            flush();
    }
    flush();
}

// The first read gives the thread its input state, which from then on follows the keyboard's
// changes (under Wine it starts with every lock off).
KeyStateReader::KeyStateReader() : thread_([this] { Serve(); }) {
    Read(0);
}

KeyStateReader::~KeyStateReader() {
    {
        const std::lock_guard one(reading_);
        AcquireSRWLockExclusive(&guard_);
        request_ = Request::Stop;
        ReleaseSRWLockExclusive(&guard_);
        WakeAllConditionVariable(&changed_);
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
    AcquireSRWLockExclusive(&guard_);
    count_ = count;
    request_ = Request::Asked;
    WakeAllConditionVariable(&changed_);
    while (request_ != Request::Answered)
        SleepConditionVariableSRW(&changed_, &guard_, INFINITE, 0);
    request_ = Request::None;
    ReleaseSRWLockExclusive(&guard_);
}

// The first key by itself, which brings the thread's input state up to date; the others from
// the whole keyboard's state, read in the same request to the system.
void KeyStateReader::ReadStates() {
    answers_[0] = static_cast<std::int16_t>(::GetKeyState(keys_[0]));
    if (count_ < 2)
        return;
    std::array<BYTE, 256> keyboard{};
    if (!GetKeyboardState(keyboard.data())) {
        for (std::size_t i = 1; i < count_; ++i)
            answers_[i] = static_cast<std::int16_t>(::GetKeyState(keys_[i]));
        return;
    }
    // As GetKeyState answers: down is negative, toggled is the lowest bit.
    for (std::size_t i = 1; i < count_; ++i)
        answers_[i] = static_cast<signed char>(keyboard[keys_[i] & 0xFF] & 0x81);
}

void KeyStateReader::Serve() {
    AcquireSRWLockExclusive(&guard_);
    for (;;) {
        while (request_ != Request::Asked && request_ != Request::Stop)
            SleepConditionVariableSRW(&changed_, &guard_, INFINITE, 0);
        if (request_ == Request::Stop)
            break;
        ReadStates();
        request_ = Request::Answered;
        WakeAllConditionVariable(&changed_);
    }
    ReleaseSRWLockExclusive(&guard_);
}

} // namespace qm
