#include "core/app_error.h"
#include "core/key_names.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace qm {
namespace {

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

KeyStep Decode(std::string_view text, std::string_view name,
               Vocabulary vocabulary = Vocabulary::Runner) {
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

TEST(KeyNames, EveryNameRoundTripsToItsCode) {
    const auto codes = NamedCodes();
    // F1-F12, ten named keys, four arrows, PRINT SCREEN, INSERT, DELETE, sixteen numpad keys,
    // ten digits, 26 letters, eleven punctuation keys.
    EXPECT_EQ(codes.size(), 92u);
    for (auto code : codes) {
        const auto name = DecodeKeyEvent(code, 0).Name;
        EXPECT_EQ(KeyCodeOfName(name, Vocabulary::Editor), code) << name;
        EXPECT_EQ(KeyCodeOfName(name, Vocabulary::Runner), code) << name;
    }
    EXPECT_EQ(KeyCodeOfName("PRINT SCREEN", Vocabulary::Editor), 42);
    EXPECT_EQ(KeyCodeOfName("NUMPAD ENTER", Vocabulary::Editor), 108);
}

TEST(KeyNames, OnlyExactNamesMatch) {
    for (std::string_view name : {"", " ", "a", "f1", "Enter", " A", "A ", "AB", "F13", "NUMPAD",
                                  "NUMPAD ENTE", "NUMPAD ENTER ", "SHIFT", "SCROLL LOCK", "+"})
        for (auto vocabulary : {Vocabulary::Editor, Vocabulary::Runner})
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

TEST(KeyEvents, PrefixesNameTheHeldModifiersInOrder) {
    EXPECT_EQ(ModifierPrefix(0), "");
    EXPECT_EQ(ModifierPrefix(kAltMask | kShiftMask), "SHIFT + ALT + ");
    EXPECT_EQ(ModifierPrefix(0xFFFF), "SHIFT + CTRL + ALT + "); // other bits ignored
    EXPECT_EQ(ModifierPrefix(0xFFF8 | kCtrlMask), "CTRL + ");
    const auto event = DecodeKeyEvent('A', kShiftMask | kAltMask);
    EXPECT_EQ(event.Name, "A");
    EXPECT_EQ(event.Text, "SHIFT + ALT + A");
    EXPECT_EQ(event.KeyCode, 'A');
}

TEST(KeyEvents, KeysWithoutANameGiveThePrefixAlone) {
    const auto ctrl = DecodeKeyEvent(17, kCtrlMask);
    EXPECT_EQ(ctrl.Name, "");
    EXPECT_EQ(ctrl.Text, "CTRL + ");
    for (std::uint16_t code : {16, 18, 20, 44, 144, 145, 256, 0xFFFF}) {
        const auto event = DecodeKeyEvent(code, 0);
        EXPECT_EQ(event.Text, "") << code;
        EXPECT_EQ(event.KeyCode, code);
    }
}

TEST(KeyEvents, PunctuationKeysBecomeTheirCharacter) {
    const auto apostrophe = DecodeKeyEvent(222, kShiftMask);
    EXPECT_EQ(apostrophe.Text, "SHIFT + '");
    EXPECT_EQ(apostrophe.KeyCode, 39);
    int rewritten = 0;
    for (auto code : NamedCodes()) {
        const auto event = DecodeKeyEvent(code, 0);
        if (event.KeyCode == code)
            continue;
        ++rewritten;
        EXPECT_EQ(event.Name, std::string(1, static_cast<char>(event.KeyCode)));
        EXPECT_TRUE((code >= 186 && code <= 192) || (code >= 219 && code <= 222)) << code;
    }
    EXPECT_EQ(rewritten, 11);
}

TEST(DecodeScancodes, ModifiersComeFirstInAFixedOrder) {
    EXPECT_EQ(Decode("CTRL + ALT + DELETE", "DELETE"), StepOf({17, 18, 46}));
    EXPECT_EQ(Decode("ALT + SHIFT + X", "X"), StepOf({16, 18, 'X'}));
    EXPECT_EQ(Decode("ALT + CTRL + SHIFT + X", "X"), StepOf({16, 17, 18, 'X'}));
    EXPECT_EQ(Decode("CTRL + ", ""), StepOf({17}));
}

TEST(DecodeScancodes, UnknownNamesLeaveTheMainSlotEmpty) {
    EXPECT_EQ(Decode("SHIFT + BOGUS", "BOGUS"), StepOf({16}));
    EXPECT_EQ(Decode(" ", " "), KeyStep{});
    EXPECT_EQ(Decode("a", "a"), KeyStep{});
    EXPECT_EQ(Decode("shift + A", "A"), StepOf({'A'}));
}

TEST(DecodeScancodes, LockKeysAreNamesOfTheRunnerOnly) {
    EXPECT_EQ(Decode("CAPS LOCK", "CAPS LOCK", Vocabulary::Runner), StepOf({20}));
    EXPECT_EQ(Decode("CAPS LOCK", "CAPS LOCK", Vocabulary::Editor), KeyStep{});
    EXPECT_EQ(Decode("SHIFT + NUM LOCK", "NUM LOCK", Vocabulary::Runner), StepOf({16, 144}));
    EXPECT_EQ(Decode("SHIFT + NUM LOCK", "NUM LOCK", Vocabulary::Editor), StepOf({16}));
    EXPECT_EQ(DecodeKeyEvent(20, 0).Name, "");
}

TEST(DecodeScancodes, UsesTheScanCodesOfTheLayout) {
    CompiledKeys keys;
    FillKeyStep(keys, "CTRL + UP ARROW", "UP ARROW", 1, Vocabulary::Runner, UsLayoutScanCodes{});
    EXPECT_EQ(keys.Step(1).Slots[0], (KeySlot{17, 0x1D}));
    EXPECT_EQ(keys.Step(1).Slots[1], (KeySlot{38, 0x48}));
    // No scan code in slot 0: the step is skipped when sent.
    FillKeyStep(keys, "NUMPAD ENTER", "NUMPAD ENTER", 2, Vocabulary::Runner, UsLayoutScanCodes{});
    EXPECT_EQ(keys.Step(2).Slots[0], (KeySlot{108, 0}));
    EXPECT_FALSE(keys.Step(2).IsUsed());
}

TEST(DecodeScancodes, FillsOnlyTheGivenStepAndRejectsOthers) {
    CompiledKeys keys;
    const OffsetScanCodes scans;
    FillKeyStep(keys, "W", "W", 1, Vocabulary::Runner, scans);
    FillKeyStep(keys, "SHIFT + CTRL + ALT + Q", "Q", 16, Vocabulary::Runner, scans);
    FillKeyStep(keys, "E", "E", 16, Vocabulary::Runner, scans);
    EXPECT_EQ(keys.Step(1), StepOf({'W'}));
    EXPECT_EQ(keys.Step(16), StepOf({'E'}));
    const CompiledKeys before = keys;
    for (int step : {0, 17, -1})
        EXPECT_EQ(testing::ErrorOf([&] {
                      FillKeyStep(keys, "B", "B", step, Vocabulary::Runner, scans);
                  }).number(),
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
            EXPECT_EQ(Decode(event.Text, event.Name, Vocabulary::Editor), expected) << event.Text;
        }
    }
}

} // namespace
} // namespace qm
