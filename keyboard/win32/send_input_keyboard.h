#pragma once
// The system keyboard: records injected with SendInput by scan code (the mouse's buttons and
// wheel as mouse records), pointer moves, key states as the system has them, scan codes from
// the layout in use.
#include "keyboard/keyboard.h"
#include "keyboard/win32/system_scan_codes.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

namespace qm {

// The system's input record of one key record: a key by its scan code; a mouse button's press
// or release; a wheel's key-down one notch (up and right positive). A wheel's key-up has none.
std::optional<INPUT> InputOf(const KeyInput& record);

// The move that puts the pointer at `from` plus the offset, kept on the virtual screen
// `screen`, by absolute position: normalised coordinates over the virtual screen (0 to 65535
// across it), aimed at the middle of the target pixel so that the system's rounding lands on it.
INPUT ExactMoveInput(POINT from, int dx, int dy, const RECT& screen);

// Reads key states on a thread of its own. GetKeyState answers from the calling thread's input
// state, which moves on only as that thread removes keyboard messages from its queue: while
// keys wait there (the program's own injected keys when its window has the focus, or a key
// the user pressed), it lags behind the keyboard. A thread without windows never has keyboard
// messages waiting, and the system brings its input state up to date when it asks.
class KeyStateReader {
public:
    KeyStateReader();
    ~KeyStateReader();
    KeyStateReader(const KeyStateReader&) = delete;
    KeyStateReader& operator=(const KeyStateReader&) = delete;

    std::int16_t Read(std::uint16_t virtualKey);
    // The three lock keys in one request.
    LockStates ReadLocks();

private:
    static constexpr std::size_t kMaxKeys = 3;
    enum class Request { None, Asked, Answered, Stop };
    // Asks the thread for the states of `count` keys of `keys_`, into `answers_`, and waits.
    void Ask(std::size_t count);
    void Serve();
    void ReadStates();

    std::mutex reading_; // one request at a time
    // The request and its fields are the guard's. A slim lock and a condition variable rather
    // than events: a burst waits for the answer before its first key, and these hand over
    // within the process, without a round trip through the system for each side.
    SRWLOCK guard_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    Request request_ = Request::None;
    std::array<std::uint16_t, kMaxKeys> keys_{};
    std::array<std::int16_t, kMaxKeys> answers_{};
    std::size_t count_ = 0;
    std::thread thread_;
};

class SendInputKeyboard final : public Keyboard {
public:
    // Records per SendInput call; a longer batch goes out in several calls, in order.
    static constexpr std::size_t kMaxRecordsPerCall = 8;

    void Send(std::span<const KeyInput> records) override;
    void MovePointer(int dx, int dy) override;
    void SetExactPointer(bool exact) override { exactPointer_ = exact; }
    std::int16_t GetKeyState(std::uint16_t virtualKey) override { return states_.Read(virtualKey); }
    LockStates ReadLocks() override { return states_.ReadLocks(); }
    std::uint16_t ScanCodeOf(std::uint16_t virtualKey) const override {
        return scanCodes_.ScanCodeOf(virtualKey);
    }

private:
    SystemScanCodes scanCodes_;
    KeyStateReader states_;
    // Set by the program's window while a live test's thread may be moving the pointer.
    std::atomic<bool> exactPointer_ = false;
};

} // namespace qm
