// The system's scan codes against the portable US table, over every key the programs send.
#include "core/key_names.h"
#include "keyboard/win32/system_scan_codes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qm {
namespace {

// The key names a key cell can hold, as the runner reads them.
std::vector<std::string> AllKeyNames() {
    // clang-format off
    std::vector<std::string> names = {
        "BACKSPACE", "TAB", "ENTER", "PAUSE", "CAPS LOCK", "ESC", "SPACEBAR",
        "PAGE UP", "PAGE DOWN", "END", "HOME", "LEFT ARROW", "UP ARROW", "RIGHT ARROW",
        "DOWN ARROW", "PRINT SCREEN", "INSERT", "DELETE", "NUM LOCK",
        "NUMPAD *", "NUMPAD +", "NUMPAD ENTER", "NUMPAD -", "NUMPAD .", "NUMPAD /",
        ";", "=", ",", "-", ".", "/", "`", "[", "\\", "]", "'"};
    // clang-format on
    for (int i = 1; i <= 12; ++i)
        names.push_back(std::string(1, 'F').append(std::to_string(i)));
    for (char c = '0'; c <= '9'; ++c) {
        names.push_back(std::string(1, c));
        names.push_back(std::string("NUMPAD ") + c);
    }
    for (char c = 'A'; c <= 'Z'; ++c)
        names.push_back(std::string(1, c));
    return names;
}

TEST(SystemScanCodesTest, AgreesWithTheUsLayoutOverTheWholeVocabulary) {
    const SystemScanCodes system;
    const UsLayoutScanCodes us;
    for (const auto& name : AllKeyNames()) {
        const auto code = KeyCodeOfName(name, Vocabulary::Runner);
        ASSERT_TRUE(code.has_value()) << name;
        EXPECT_EQ(system.ScanCodeOf(*code), us.ScanCodeOf(*code)) << name << " (" << *code << ")";
    }
    for (const std::uint16_t modifier : {kVkShift, kVkControl, kVkMenu})
        EXPECT_EQ(system.ScanCodeOf(modifier), us.ScanCodeOf(modifier)) << modifier;
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
