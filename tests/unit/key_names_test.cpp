#include "core/app_error.h"
#include "core/key_names.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace qm {
namespace {

constexpr auto kEditor = Vocabulary::Editor;
constexpr auto kRunner = Vocabulary::Runner;

// Scan codes that cannot be mistaken for virtual-key codes.
class OffsetScanCodes final : public ScanCodeSource {
public:
    std::uint16_t ScanCodeOf(std::uint16_t vk) const override {
        return static_cast<std::uint16_t>(0x1000 + vk);
    }
};

// The step holding these virtual keys (with their offset scan codes), the rest empty.
KeyStep StepOf(std::initializer_list<std::uint16_t> vks) {
    KeyStep step;
    std::size_t n = 0;
    for (auto vk : vks)
        step.Slots[n++] = KeySlot{vk, OffsetScanCodes{}.ScanCodeOf(vk)};
    return step;
}

KeyStep Decode(std::string_view text, std::string_view name, Vocabulary vocabulary = kRunner) {
    CompiledKeys keys;
    FillKeyStep(keys, text, name, 1, vocabulary, OffsetScanCodes{});
    return keys.Step(1);
}

// Every code the editor has a name for, found through the code -> name direction.
std::vector<std::uint16_t> NamedCodes() {
    std::vector<std::uint16_t> codes;
    for (std::uint16_t code = 0; code < 512; ++code)
        if (!DecodeKeyEvent(code, 0).Name.empty())
            codes.push_back(code);
    return codes;
}

TEST(KeyNames, EveryNameRoundTripsToItsCodeAndOnlyExactNamesMatch) {
    const auto codes = NamedCodes();
    // F1-F12, ten named keys, four arrows, PRINT SCREEN, INSERT, DELETE, sixteen numpad keys,
    // ten digits, 26 letters, eleven punctuation keys.
    EXPECT_EQ(codes.size(), 92u);
    for (auto code : codes)
        for (auto vocabulary : {kEditor, kRunner})
            EXPECT_EQ(KeyCodeOfName(DecodeKeyEvent(code, 0).Name, vocabulary), code) << code;
    for (std::string_view name : {"", " ", "a", "f1", "Enter", " A", "A ", "AB", "F13", "NUMPAD",
                                  "NUMPAD ENTE", "NUMPAD ENTER ", "SHIFT", "SCROLL LOCK", "+"})
        for (auto vocabulary : {kEditor, kRunner})
            EXPECT_EQ(KeyCodeOfName(name, vocabulary), std::nullopt) << '"' << name << '"';
}

TEST(KeyNames, TheUsLayoutHasAScanCodeForEveryKeyTheSystemMaps) {
    const UsLayoutScanCodes us;
    for (auto code : NamedCodes())
        EXPECT_EQ(us.ScanCodeOf(code) == 0, code == 42 || code == 108) << code;
    for (std::uint16_t code : {16, 17, 18, 20, 144, 145})
        EXPECT_NE(us.ScanCodeOf(code), 0) << code;
    for (std::uint16_t code : {0, 91, 255, 256, 0xFFFF})
        EXPECT_EQ(us.ScanCodeOf(code), 0) << code;
}

TEST(KeyEvents, TextIsTheHeldModifiersInOrderThenTheName) {
    EXPECT_EQ(DecodeKeyEvent('A', kShiftMask | kAltMask).Text, "SHIFT + ALT + A");
    EXPECT_EQ(DecodeKeyEvent(17, kCtrlMask).Text, "CTRL + "); // no name: the prefix alone
    EXPECT_EQ(DecodeKeyEvent(16, 0xFFFF).Text, "SHIFT + CTRL + ALT + "); // other bits ignored
    EXPECT_EQ(DecodeKeyEvent(16, 0xFFF8 | kCtrlMask).Text, "CTRL + ");
    for (std::uint16_t code : {16, 18, 20, 44, 144, 145, 256, 0xFFFF})
        EXPECT_EQ(std::pair(DecodeKeyEvent(code, 0).Text, DecodeKeyEvent(code, 0).KeyCode),
                  std::pair(std::string(), code));
    // A punctuation key becomes its character.
    const auto apostrophe = DecodeKeyEvent(222, kShiftMask);
    EXPECT_EQ(std::pair(apostrophe.Text, apostrophe.KeyCode),
              std::pair(std::string("SHIFT + '"), std::uint16_t{39}));
    int rewritten = 0;
    for (auto code : NamedCodes()) {
        const auto event = DecodeKeyEvent(code, 0);
        if (event.KeyCode != code) {
            ++rewritten;
            EXPECT_EQ(event.Name, std::string(1, static_cast<char>(event.KeyCode))) << code;
        }
    }
    EXPECT_EQ(rewritten, 11);
}

// Modifiers come first in a fixed order; an unknown name leaves the main slot empty; the lock
// keys are names of the runner only.
TEST(DecodeScancodes, FillsModifiersThenTheNamedKey) {
    // In their own order (every key so recorded: RecordedKeysCompileToThePressedChord) or not.
    EXPECT_EQ(Decode("ALT + SHIFT + X", "X"), StepOf({16, 18, 'X'}));
    EXPECT_EQ(Decode("ALT + CTRL + SHIFT + X", "X"), StepOf({16, 17, 18, 'X'}));
    EXPECT_EQ(Decode("CTRL + ", ""), StepOf({17}));
    EXPECT_EQ(Decode("SHIFT + BOGUS", "BOGUS"), StepOf({16}));
    EXPECT_EQ(Decode(" ", " "), KeyStep{});
    EXPECT_EQ(Decode("a", "a"), KeyStep{});
    EXPECT_EQ(Decode("shift + A", "A"), StepOf({'A'}));
    EXPECT_EQ(Decode("CAPS LOCK", "CAPS LOCK"), StepOf({20}));
    EXPECT_EQ(Decode("CAPS LOCK", "CAPS LOCK", kEditor), KeyStep{});
    EXPECT_EQ(Decode("SHIFT + NUM LOCK", "NUM LOCK"), StepOf({16, 144}));
    EXPECT_EQ(Decode("SHIFT + NUM LOCK", "NUM LOCK", kEditor), StepOf({16}));
}

TEST(DecodeScancodes, FillsOnlyTheGivenStepWithTheLayoutsScanCodes) {
    CompiledKeys keys;
    const UsLayoutScanCodes us;
    FillKeyStep(keys, "CTRL + UP ARROW", "UP ARROW", 1, kRunner, us);
    EXPECT_EQ(keys.Step(1).Slots, (std::array<KeySlot, 4>{{{17, 0x1D}, {38, 0x48}}}));
    // No scan code in slot 0: the step is skipped when sent.
    FillKeyStep(keys, "NUMPAD ENTER", "NUMPAD ENTER", 2, kRunner, us);
    EXPECT_TRUE(keys.Step(2).Slots[0] == (KeySlot{108, 0}) && !keys.Step(2).IsUsed());

    const OffsetScanCodes scans;
    FillKeyStep(keys, "SHIFT + CTRL + ALT + Q", "Q", 16, kRunner, scans);
    FillKeyStep(keys, "E", "E", 16, kRunner, scans);
    EXPECT_EQ(keys.Step(16), StepOf({'E'}));
    const CompiledKeys before = keys;
    for (int step : {0, 17, -1})
        EXPECT_EQ(
            testing::ErrorOf([&] { FillKeyStep(keys, "B", "B", step, kRunner, scans); }).number(),
            err::SubscriptOutOfRange);
    EXPECT_EQ(keys.Steps, before.Steps);
}

// A recorded key compiles to exactly the keys that were pressed.
TEST(DecodeScancodes, RecordedKeysCompileToThePressedChord) {
    for (auto code : NamedCodes()) {
        for (std::uint16_t mask = 0; mask < 8; ++mask) {
            const auto event = DecodeKeyEvent(code, mask);
            KeyStep expected;
            std::size_t n = 0;
            for (auto [bit, vk] : {std::pair{kShiftMask, kVkShift},
                                   std::pair{kCtrlMask, kVkControl}, std::pair{kAltMask, kVkMenu}})
                if (mask & bit)
                    expected.Slots[n++] = StepOf({vk}).Slots[0];
            expected.Slots[n] = StepOf({code}).Slots[0];
            EXPECT_EQ(Decode(event.Text, event.Name, kEditor), expected) << event.Text;
        }
    }
}

} // namespace
} // namespace qm
