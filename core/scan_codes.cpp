#include "core/scan_codes.h"

#include <array>

namespace qm {

namespace {

// Set-1 make codes of the US layout by virtual-key code, without the extended prefix (the
// navigation keys share their codes with the numeric keypad, as the system reports them).
constexpr std::array<std::uint8_t, 256> kUsScanCodes = [] {
    std::array<std::uint8_t, 256> t{};
    t[8] = 0x0E;  // BACKSPACE
    t[9] = 0x0F;  // TAB
    t[13] = 0x1C; // ENTER
    t[16] = 0x2A; // SHIFT
    t[17] = 0x1D; // CTRL
    t[18] = 0x38; // ALT
    t[19] = 0x45; // PAUSE
    t[20] = 0x3A; // CAPS LOCK
    t[27] = 0x01; // ESC
    t[32] = 0x39; // SPACEBAR
    t[33] = 0x49; // PAGE UP
    t[34] = 0x51; // PAGE DOWN
    t[35] = 0x4F; // END
    t[36] = 0x47; // HOME
    t[37] = 0x4B; // LEFT ARROW
    t[38] = 0x48; // UP ARROW
    t[39] = 0x4D; // RIGHT ARROW
    t[40] = 0x50; // DOWN ARROW
    t[44] = 0x37; // the Snapshot key (the Print key 42 has none)
    t[45] = 0x52; // INSERT
    t[46] = 0x53; // DELETE

    // "0" is after "9" on the top row.
    t['0'] = 0x0B;
    for (int d = 1; d <= 9; ++d)
        t['0' + d] = static_cast<std::uint8_t>(0x01 + d);

    constexpr std::array<std::uint8_t, 26> letters = {
        0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
        0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    for (int i = 0; i < 26; ++i)
        t['A' + i] = letters[i];

    // NUMPAD 0 to NUMPAD 9, then * + (separator) - . /
    constexpr std::array<std::uint8_t, 16> numpad = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C,
                                                     0x4D, 0x47, 0x48, 0x49, 0x37, 0x4E,
                                                     0x00, 0x4A, 0x53, 0x35};
    for (int i = 0; i < 16; ++i)
        t[96 + i] = numpad[i];

    for (int i = 0; i < 10; ++i)
        t[112 + i] = static_cast<std::uint8_t>(0x3B + i); // F1 to F10
    t[122] = 0x57;                                        // F11
    t[123] = 0x58;                                        // F12

    t[144] = 0x45; // NUM LOCK
    t[145] = 0x46; // SCROLL LOCK

    // ; = , - . / `
    constexpr std::array<std::uint8_t, 7> oem1 = {0x27, 0x0D, 0x33, 0x0C, 0x34, 0x35, 0x29};
    for (int i = 0; i < 7; ++i)
        t[186 + i] = oem1[i];
    // [ \ ] '
    constexpr std::array<std::uint8_t, 4> oem2 = {0x1A, 0x2B, 0x1B, 0x28};
    for (int i = 0; i < 4; ++i)
        t[219 + i] = oem2[i];
    return t;
}();

} // namespace

std::uint16_t UsLayoutScanCodes::ScanCodeOf(std::uint16_t virtualKey) const {
    return virtualKey < kUsScanCodes.size() ? kUsScanCodes[virtualKey] : 0;
}

} // namespace qm
