#pragma once
// Key names and key texts: the vocabulary of key cells both ways, the modifier prefixes, what
// an editor key event is called, and the compiling of a key cell into a step of keys.
#include "core/compiled_keys.h"
#include "core/scan_codes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The runner also understands "CAPS LOCK" and "NUM LOCK"; the editor does not.
enum class Vocabulary { Editor, Runner };

// Modifier mask bits of a key event.
inline constexpr std::uint16_t kShiftMask = 1;
inline constexpr std::uint16_t kCtrlMask = 2;
inline constexpr std::uint16_t kAltMask = 4;

inline constexpr std::uint16_t kVkShift = 16;
inline constexpr std::uint16_t kVkControl = 17;
inline constexpr std::uint16_t kVkMenu = 18;

// Name -> virtual-key code; names are matched exactly (upper case).
std::optional<std::uint16_t> KeyCodeOfName(std::string_view name, Vocabulary vocabulary);

// "SHIFT + CTRL + " and so on for a modifier mask; empty without modifiers.
std::string_view ModifierPrefix(std::uint16_t mask);

struct DecodedKeyEvent {
    std::string Name; // empty when the key has no name
    // Prefix + name. A key without a name gives the prefix alone ("CTRL + " for CTRL pressed
    // by itself); callers act on an event only when Name is not empty.
    std::string Text;
    std::uint16_t KeyCode = 0; // the event's key code, rewritten for punctuation keys
};

// An editor key event (code + modifier mask) -> its key name and text.
DecodedKeyEvent DecodeKeyEvent(std::uint16_t keyCode, std::uint16_t mask);

// Fills one step (1 to 16) from a key cell's text and name. Modifiers are taken from the text
// (exact-case "SHIFT", "CTRL", "ALT" anywhere in it), the main key from the name. A step
// outside 1 to 16 throws AppError(Subscript out of range) and changes nothing.
void FillKeyStep(CompiledKeys& keys, std::string_view keyText, std::string_view keyName, int step,
                 Vocabulary vocabulary, const ScanCodeSource& scanCodes);

} // namespace qm
