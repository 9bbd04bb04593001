#pragma once
// The compiled form of one side of a mapping: 16 steps of up to four keys, ready to inject.
#include <array>
#include <cstdint>

namespace qm {

struct KeySlot {
    std::uint16_t VirtualKey = 0; // 0 = empty slot
    std::uint16_t ScanCode = 0;
    bool operator==(const KeySlot&) const = default;
};

// Slots in the order SHIFT, CTRL, ALT (those present), then the main key.
struct KeyStep {
    std::array<KeySlot, 4> Slots{};
    // A step is used when slot 0 has a scan code.
    bool IsUsed() const { return Slots[0].ScanCode != 0; }
    bool operator==(const KeyStep&) const = default;
};

inline constexpr int kStepCount = 16;

// Where an axis row moves the pointer.
enum class PointerDirection : std::int8_t { None, Up, Down, Left, Right };

struct CompiledKeys {
    // Steps 1 to 16 are Steps[0] to Steps[15].
    std::array<KeyStep, kStepCount> Steps{};
    // Run-time state of the mapping engine; 0 after a load.
    std::int16_t Pressed = 0;
    // Press side only: -1 or 0. Hold keeps the steps' keys down while the control is held; a
    // row with Hold neither repeats nor turns.
    std::int16_t Repeat = 0;
    std::int16_t Rotary = 0;
    std::int16_t Hold = 0;
    // Press side only: 1 forces the lock on during a burst, 0 forces it off.
    std::int16_t NumLock = 0;
    std::int16_t CapsLock = 0;
    std::int16_t ScrollLock = 0;
    // Press side only: 1, 2, 4 or 8.
    std::int16_t Multiplier = 0;
    std::int16_t CurrentMultiplier = 0;
    // Press side only: the shift layer (1 to 7) the row selects while its control is held, 0
    // for none.
    std::int16_t SelectsLayer = 0;
    // Press side only: where the row moves the pointer, how fast at full deflection (pixels a
    // second) and along which curve (1 linear, 2 steeper).
    PointerDirection Pointer = PointerDirection::None;
    std::int16_t PointerCurve = 1;
    std::int32_t PointerSpeed = 0;
    // Monotonic clock seconds of the last rotary press edge and the last repeat send.
    double LastRotaryTime = 0;
    double LastRepeatTime = 0;
    // While Hold holds the keys: the held-keys record's ticket; 0 otherwise.
    std::uint32_t HeldTicket = 0;

    // Whether the side does anything: sends a chord, selects a layer or moves the pointer.
    bool Acts() const {
        return Steps[0].IsUsed() || SelectsLayer != 0 || Pointer != PointerDirection::None;
    }

    KeyStep& Step(int step) { return Steps[static_cast<std::size_t>(step - 1)]; }
    const KeyStep& Step(int step) const { return Steps[static_cast<std::size_t>(step - 1)]; }
};

} // namespace qm
