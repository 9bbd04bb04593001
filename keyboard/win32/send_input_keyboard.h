#pragma once
// The system keyboard: records injected with SendInput by scan code, key states from the
// calling thread's view, scan codes from the layout in use.
#include "keyboard/keyboard.h"
#include "keyboard/win32/system_scan_codes.h"

namespace qm {

class SendInputKeyboard final : public Keyboard {
public:
    // Records per SendInput call; a longer batch goes out in several calls, in order.
    static constexpr std::size_t kMaxRecordsPerCall = 8;

    void Send(std::span<const KeyInput> records) override;
    std::int16_t GetKeyState(std::uint16_t virtualKey) override;
    std::uint16_t ScanCodeOf(std::uint16_t virtualKey) const override {
        return scanCodes_.ScanCodeOf(virtualKey);
    }

private:
    SystemScanCodes scanCodes_;
};

} // namespace qm
