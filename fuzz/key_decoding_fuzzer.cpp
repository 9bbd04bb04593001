// Key decoding both ways: a key event to its cell text and name, a name to its key code, and a
// cell's text and name compiled into a step of keys. A recorded cell compiles back to the keys
// that were pressed; any text and name compile to a well-formed step of named keys only.
#include "core/app_error.h"
#include "core/key_names.h"
#include "fuzz_check.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

namespace {

using qm::fuzz::Require;

const qm::UsLayoutScanCodes kLayout;

// A key event decoded as the editor records it, then compiled as the test and the runner do.
void CheckRecordedKey(std::uint16_t keyCode, std::uint16_t mask) {
    const auto event = qm::DecodeKeyEvent(keyCode, mask);
    Require(event.Text == std::string(qm::ModifierPrefix(mask)) + event.Name);
    if (event.Name.empty())
        return;
    // The name is the key's: it reads back to the code that was pressed.
    Require(qm::KeyCodeOfName(event.Name, qm::Vocabulary::Editor) == keyCode);
    Require(qm::KeyCodeOfName(event.Name, qm::Vocabulary::Runner) == keyCode);
    Require(event.KeyCode == keyCode ||
            (event.Name.size() == 1 && event.KeyCode == static_cast<unsigned char>(event.Name[0])));

    for (const auto vocabulary : {qm::Vocabulary::Editor, qm::Vocabulary::Runner}) {
        qm::CompiledKeys keys;
        qm::FillKeyStep(keys, event.Text, event.Name, 1, vocabulary, kLayout);
        std::uint16_t expected[4] = {};
        int n = 0;
        if (mask & qm::kShiftMask)
            expected[n++] = qm::kVkShift;
        if (mask & qm::kCtrlMask)
            expected[n++] = qm::kVkControl;
        if (mask & qm::kAltMask)
            expected[n++] = qm::kVkMenu;
        expected[n++] = keyCode;
        for (int i = 0; i < 4; ++i)
            Require(keys.Steps[0].Slots[static_cast<std::size_t>(i)].VirtualKey == expected[i]);
        qm::fuzz::RequireWellFormedStep(keys.Steps[0], kLayout);
    }
}

// A name read from a file: a known name belongs to exactly one key code.
void CheckName(const std::string& name, qm::Vocabulary vocabulary) {
    const auto code = qm::KeyCodeOfName(name, vocabulary);
    if (!code)
        return;
    Require(*code > 0 && *code < 256);
    Require(qm::NameOfCode(*code) == name);
    if (qm::IsMouseCode(*code)) {
        // The mouse's names exist in the editor and in version 1.5 files, not in older ones.
        Require(!qm::KeyCodeOfName(name, qm::Vocabulary::Runner14));
        return;
    }
    const auto event = qm::DecodeKeyEvent(*code, 0);
    if (event.Name.empty()) {
        // Only the runner knows the lock keys; the editor never records them.
        Require(vocabulary != qm::Vocabulary::Editor &&
                (*code == qm::kVkCapsLock || *code == qm::kVkNumLock));
        Require(!qm::KeyCodeOfName(name, qm::Vocabulary::Editor));
    } else {
        Require(event.Name == name);
    }
}

// Any text and name into one step: only that step changes, into a well-formed one; a step
// outside 1 to 16 is refused and changes nothing.
void CheckCell(const std::string& text, const std::string& name, int step,
               qm::Vocabulary vocabulary, std::uint16_t filler) {
    qm::CompiledKeys keys;
    for (int s = 1; s <= qm::kStepCount; ++s)
        keys.Step(s).Slots[0] = {filler, static_cast<std::uint16_t>(s)};
    const auto before = keys;
    try {
        qm::FillKeyStep(keys, text, name, step, vocabulary, kLayout);
    } catch (const qm::AppError&) {
        Require(step < 1 || step > qm::kStepCount);
        Require(keys.Steps == before.Steps);
        return;
    }
    Require(step >= 1 && step <= qm::kStepCount);
    for (int s = 1; s <= qm::kStepCount; ++s)
        if (s != step)
            Require(keys.Step(s) == before.Step(s));
    const auto& filled = keys.Step(step);
    qm::fuzz::RequireWellFormedStep(filled, kLayout);
    // The main key is the name's, and only the name's.
    const auto code = qm::KeyCodeOfName(name, vocabulary);
    int mainKeys = 0;
    for (const auto& slot : filled.Slots)
        if (slot.VirtualKey != 0 &&
            (slot.VirtualKey < qm::kVkShift || slot.VirtualKey > qm::kVkMenu)) {
            Require(code == slot.VirtualKey);
            ++mainKeys;
        }
    Require(mainKeys == (code && (*code < qm::kVkShift || *code > qm::kVkMenu) ? 1 : 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    CheckRecordedKey(input.ConsumeIntegral<std::uint16_t>(),
                     input.ConsumeIntegral<std::uint16_t>());
    const auto vocabulary = static_cast<qm::Vocabulary>(input.ConsumeIntegralInRange(0, 2));
    const int step = input.ConsumeIntegralInRange(-2, qm::kStepCount + 2);
    const auto filler = input.ConsumeIntegral<std::uint16_t>();
    const auto text = input.ConsumeRandomLengthString(64);
    const auto name = input.ConsumeRandomLengthString(64);
    CheckName(name, vocabulary);
    CheckCell(text, name, step, vocabulary, filler);
    return 0;
}
