#include "core/key_names.h"

#include "core/app_error.h"

#include <algorithm>
#include <array>

namespace qm {

namespace {

struct NamedKey {
    std::string_view Name;
    std::uint16_t Code;
};

constexpr std::uint16_t kVkCapsLock = 20;
constexpr std::uint16_t kVkNumLock = 144;

// The names longer than one character. The lock keys are understood by the runner only.
constexpr NamedKey kWordKeys[] = {
    {"F1", 112},       {"F2", 113},         {"F3", 114},        {"F4", 115},
    {"F5", 116},       {"F6", 117},         {"F7", 118},        {"F8", 119},
    {"F9", 120},       {"F10", 121},        {"F11", 122},       {"F12", 123},
    {"BACKSPACE", 8},  {"TAB", 9},          {"ENTER", 13},      {"PAUSE", 19},
    {"CAPS LOCK", 20}, {"ESC", 27},         {"SPACEBAR", 32},   {"PAGE UP", 33},
    {"PAGE DOWN", 34}, {"END", 35},         {"HOME", 36},       {"LEFT ARROW", 37},
    {"UP ARROW", 38},  {"RIGHT ARROW", 39}, {"DOWN ARROW", 40}, {"PRINT SCREEN", 42},
    {"INSERT", 45},    {"DELETE", 46},      {"NUM LOCK", 144},  {"NUMPAD 0", 96},
    {"NUMPAD 1", 97},  {"NUMPAD 2", 98},    {"NUMPAD 3", 99},   {"NUMPAD 4", 100},
    {"NUMPAD 5", 101}, {"NUMPAD 6", 102},   {"NUMPAD 7", 103},  {"NUMPAD 8", 104},
    {"NUMPAD 9", 105}, {"NUMPAD *", 106},   {"NUMPAD +", 107},  {"NUMPAD ENTER", 108},
    {"NUMPAD -", 109}, {"NUMPAD .", 110},   {"NUMPAD /", 111},
};

// The mouse's names, which exist in version 1.5 files and the editor only.
constexpr NamedKey kMouseKeys[] = {
    {"MOUSE LEFT", kVkMouseLeft}, {"MOUSE RIGHT", kVkMouseRight}, {"MOUSE MIDDLE", kVkMouseMiddle},
    {"MOUSE X1", kVkMouseX1},     {"MOUSE X2", kVkMouseX2},       {"WHEEL UP", kVkWheelUp},
    {"WHEEL DOWN", kVkWheelDown}, {"WHEEL LEFT", kVkWheelLeft},   {"WHEEL RIGHT", kVkWheelRight},
};

constexpr std::string_view kPointerNames[] = {"POINTER UP", "POINTER DOWN", "POINTER LEFT",
                                              "POINTER RIGHT"};
constexpr std::string_view kLayerPrefix = "LAYER ";

constexpr bool IsRunnerOnly(std::uint16_t code) {
    return code == kVkCapsLock || code == kVkNumLock;
}

// kWordKeys sorted by name, for a binary search.
constexpr auto kWordKeysByName = [] {
    std::array<NamedKey, std::size(kWordKeys)> sorted{};
    std::copy(std::begin(kWordKeys), std::end(kWordKeys), sorted.begin());
    std::sort(sorted.begin(), sorted.end(),
              [](const NamedKey& a, const NamedKey& b) { return a.Name < b.Name; });
    return sorted;
}();
static_assert(std::adjacent_find(kWordKeysByName.begin(), kWordKeysByName.end(),
                                 [](const NamedKey& a, const NamedKey& b) {
                                     return a.Name == b.Name;
                                 }) == kWordKeysByName.end(),
              "key names are unique");

// Names of the character keys: each is the character itself.
constexpr std::string_view kDigitsAndLetters = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::string_view kPunctuation = ";=,-./`[\\]'";
// The virtual-key codes of the kPunctuation characters.
constexpr std::array<std::uint16_t, 11> kPunctuationCodes = {186, 187, 188, 189, 190, 191,
                                                             192, 219, 220, 221, 222};

constexpr bool IsPunctuationCode(std::uint16_t code) {
    return (code >= 186 && code <= 192) || (code >= 219 && code <= 222);
}

// The name of every code the editor's decoder knows (the lock keys are not among them).
constexpr auto kNameOfCode = [] {
    std::array<std::string_view, 256> names{};
    for (const auto& key : kWordKeys)
        if (!IsRunnerOnly(key.Code))
            names[key.Code] = key.Name;
    for (std::size_t i = 0; i < kDigitsAndLetters.size(); ++i)
        names[static_cast<unsigned char>(kDigitsAndLetters[i])] = kDigitsAndLetters.substr(i, 1);
    for (std::size_t i = 0; i < kPunctuation.size(); ++i)
        names[kPunctuationCodes[i]] = kPunctuation.substr(i, 1);
    return names;
}();

// kNameOfCode with the runner's lock keys and the mouse.
constexpr auto kNameOfAnyCode = [] {
    auto names = kNameOfCode;
    for (const auto& key : kWordKeys)
        names[key.Code] = key.Name;
    for (const auto& key : kMouseKeys)
        names[key.Code] = key.Name;
    return names;
}();

std::optional<std::uint16_t> CodeOfCharacter(char c) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))
        return static_cast<std::uint16_t>(c);
    const auto at = kPunctuation.find(c);
    if (at == std::string_view::npos)
        return std::nullopt;
    return kPunctuationCodes[at];
}

} // namespace

std::optional<std::uint16_t> KeyCodeOfName(std::string_view name, Vocabulary vocabulary) {
    if (name.size() == 1)
        return CodeOfCharacter(name[0]);
    if (vocabulary != Vocabulary::Runner14)
        for (const auto& key : kMouseKeys)
            if (key.Name == name)
                return key.Code;
    const auto it = std::lower_bound(
        kWordKeysByName.begin(), kWordKeysByName.end(), name,
        [](const NamedKey& key, std::string_view wanted) { return key.Name < wanted; });
    if (it == kWordKeysByName.end() || it->Name != name)
        return std::nullopt;
    if (IsRunnerOnly(it->Code) && vocabulary == Vocabulary::Editor)
        return std::nullopt;
    return it->Code;
}

PointerDirection PointerDirectionOfName(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kPointerNames); ++i)
        if (kPointerNames[i] == name)
            return static_cast<PointerDirection>(i + 1);
    return PointerDirection::None;
}

int LayerOfName(std::string_view name) {
    if (name.size() != kLayerPrefix.size() + 1 || !name.starts_with(kLayerPrefix))
        return 0;
    const char digit = name.back();
    return digit >= '1' && digit <= '7' ? digit - '0' : 0;
}

bool IsNewestName(std::string_view name) {
    return PointerDirectionOfName(name) != PointerDirection::None || LayerOfName(name) != 0 ||
           std::any_of(std::begin(kMouseKeys), std::end(kMouseKeys),
                       [&](const NamedKey& key) { return key.Name == name; });
}

std::string_view NameOfCode(std::uint16_t code) {
    return code < kNameOfAnyCode.size() ? kNameOfAnyCode[code] : std::string_view();
}

std::string_view ModifierPrefix(std::uint16_t mask) {
    const bool shift = (mask & kShiftMask) != 0;
    const bool ctrl = (mask & kCtrlMask) != 0;
    const bool alt = (mask & kAltMask) != 0;
    if (shift && ctrl && alt)
        return "SHIFT + CTRL + ALT + ";
    if (shift && alt)
        return "SHIFT + ALT + ";
    if (shift && ctrl)
        return "SHIFT + CTRL + ";
    if (ctrl && alt)
        return "CTRL + ALT + ";
    if (shift)
        return "SHIFT + ";
    if (ctrl)
        return "CTRL + ";
    if (alt)
        return "ALT + ";
    return {};
}

DecodedKeyEvent DecodeKeyEvent(std::uint16_t keyCode, std::uint16_t mask) {
    DecodedKeyEvent event;
    event.KeyCode = keyCode;
    if (keyCode < kNameOfCode.size())
        event.Name = kNameOfCode[keyCode];
    // A punctuation key stands for its character from here on.
    if (IsPunctuationCode(keyCode))
        event.KeyCode = static_cast<unsigned char>(event.Name[0]);
    event.Text = ModifierPrefix(mask);
    event.Text += event.Name;
    return event;
}

bool FillKeyStep(CompiledKeys& keys, std::string_view keyText, std::string_view keyName, int step,
                 Vocabulary vocabulary, const ScanCodeSource& scanCodes) {
    if (step < 1 || step > kStepCount)
        throw AppError(err::SubscriptOutOfRange);
    KeyStep& target = keys.Step(step);
    target = KeyStep{};
    if (vocabulary != Vocabulary::Runner14) {
        // A layer or a pointer direction is no chord: the row carries it.
        if (const int layer = LayerOfName(keyName)) {
            keys.SelectsLayer = static_cast<std::int16_t>(layer);
            return false;
        }
        if (const auto pointer = PointerDirectionOfName(keyName);
            pointer != PointerDirection::None) {
            keys.Pointer = pointer;
            return false;
        }
    }
    std::size_t n = 0;
    const auto put = [&](std::uint16_t code) {
        target.Slots[n++] =
            KeySlot{code, IsMouseCode(code) ? kMouseScanCode : scanCodes.ScanCodeOf(code)};
    };
    // Modifiers always in the order SHIFT, CTRL, ALT, whatever the order in the text.
    if (keyText.find("SHIFT") != std::string_view::npos)
        put(kVkShift);
    if (keyText.find("CTRL") != std::string_view::npos)
        put(kVkControl);
    if (keyText.find("ALT") != std::string_view::npos)
        put(kVkMenu);
    // An unknown or empty name leaves the main slot empty.
    if (const auto code = KeyCodeOfName(keyName, vocabulary))
        put(*code);
    return true;
}

} // namespace qm
