// The system's scan codes against the portable US table, over every key the programs send.
#include "core/key_names.h"
#include "keyboard/win32/system_scan_codes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qm {
namespace {

// The US table covers every key the programs send (checked natively against the key names).
TEST(SystemScanCodesTest, AgreesWithTheUsLayoutOnEveryKeyItMaps) {
    const SystemScanCodes system;
    const UsLayoutScanCodes us;
    for (std::uint16_t code = 0; code < 256; ++code)
        if (us.ScanCodeOf(code) != 0) {
            EXPECT_EQ(system.ScanCodeOf(code), us.ScanCodeOf(code)) << code;
        }
}

TEST(SystemScanCodesTest, KeypadDigitsHaveTheirMakeCodesAndUnmappedKeysStayZero) {
    const SystemScanCodes system;
    const std::uint16_t keypad[] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
    for (std::uint16_t digit = 0; digit < 10; ++digit)
        EXPECT_EQ(system.ScanCodeOf(96 + digit), keypad[digit]) << "NUMPAD " << digit;

    EXPECT_EQ(system.ScanCodeOf(42), 0) << "the Print key";
    EXPECT_EQ(system.ScanCodeOf(108), 0) << "the separator key";
    EXPECT_EQ(system.ScanCodeOf(0), 0);
    EXPECT_EQ(system.ScanCodeOf(0xFFFF), 0);
}

} // namespace
} // namespace qm
