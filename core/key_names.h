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

// The runner also understands "CAPS LOCK" and "NUM LOCK"; the editor does not. Reading a file of
// version 1.4 or older, the runner knows the keys alone, as those versions did: the mouse, layer
// and pointer names a version 1.5 file may hold are nothing there.
enum class Vocabulary { Editor, Runner, Runner14 };

// The mouse actions a cell can name, by codes of their own: the five buttons by the system's
// codes for them, the wheel's four directions by codes no key has. A slot holding one carries
// kMouseScanCode, so that its step counts as used.
inline constexpr std::uint16_t kVkMouseLeft = 0x01;
inline constexpr std::uint16_t kVkMouseRight = 0x02;
inline constexpr std::uint16_t kVkMouseMiddle = 0x04;
inline constexpr std::uint16_t kVkMouseX1 = 0x05;
inline constexpr std::uint16_t kVkMouseX2 = 0x06;
inline constexpr std::uint16_t kVkWheelUp = 0x3A;
inline constexpr std::uint16_t kVkWheelDown = 0x3B;
inline constexpr std::uint16_t kVkWheelLeft = 0x3C;
inline constexpr std::uint16_t kVkWheelRight = 0x3D;
inline constexpr std::uint16_t kMouseScanCode = 0xFFFF;
constexpr bool IsMouseButtonCode(std::uint16_t code) {
    return code == kVkMouseLeft || code == kVkMouseRight ||
           (code >= kVkMouseMiddle && code <= kVkMouseX2);
}
constexpr bool IsWheelCode(std::uint16_t code) {
    return code >= kVkWheelUp && code <= kVkWheelRight;
}
constexpr bool IsMouseCode(std::uint16_t code) {
    return IsMouseButtonCode(code) || IsWheelCode(code);
}

// Where "POINTER UP", "POINTER DOWN", "POINTER LEFT" or "POINTER RIGHT" moves the pointer.
PointerDirection PointerDirectionOfName(std::string_view name);
// The shift layer "LAYER 1" to "LAYER 7" selects; 0 for any other name.
int LayerOfName(std::string_view name);
// Whether a cell's name exists since version 1.5 of the file only (a mouse action, a pointer
// direction or a layer): a row naming one is written as 1.5.
bool IsNewestName(std::string_view name);

// The name of a key or mouse code as a cell names it; empty for a code without a name.
std::string_view NameOfCode(std::uint16_t code);

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
// (exact-case "SHIFT", "CTRL", "ALT" anywhere in it), the main key from the name. A layer or
// pointer name leaves the step empty and sets the row's SelectsLayer or Pointer instead; then
// false is returned, and the next cell takes the same step. A step outside 1 to 16 throws
// AppError(Subscript out of range) and changes nothing.
bool FillKeyStep(CompiledKeys& keys, std::string_view keyText, std::string_view keyName, int step,
                 Vocabulary vocabulary, const ScanCodeSource& scanCodes);

} // namespace qm
