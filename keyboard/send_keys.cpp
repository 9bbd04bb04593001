#include "keyboard/send_keys.h"

#include "core/app_error.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace qm {

int ClampKeyHold(double milliseconds) {
    if (std::isnan(milliseconds))
        return 0;
    // To the nearest whole millisecond, half to even.
    return static_cast<int>(std::nearbyint(std::clamp(milliseconds, 0.0, double{kMaxTimingMs})));
}

bool SendsExtended(std::uint16_t virtualKey, NavigationKeys navigation) {
    if (navigation != NavigationKeys::AsExtended)
        return false;
    // PAGE UP 33, PAGE DOWN 34, END 35, HOME 36, the arrows 37 to 40, INSERT 45, DELETE 46.
    return (virtualKey >= 33 && virtualKey <= 40) || virtualKey == 45 || virtualKey == 46;
}

// A step whose slot 0 is empty has nothing to press or release: the wait still happens, but no
// empty batch goes to the system. Only the slots pressed are released, so a slot after a gap
// never gets a key-up it had no key-down for.
void SendKey(Keyboard& keyboard, Clock& clock, const CompiledKeys& keys, int step, int keyHoldMs,
             NavigationKeys navigation) {
    if (step < 1 || step > kStepCount)
        throw AppError(err::SubscriptOutOfRange);
    const KeyStep& chord = keys.Step(step);

    std::array<KeyInput, 4> records{};
    std::size_t pressed = 0;
    while (pressed < chord.Slots.size() && chord.Slots[pressed].VirtualKey != 0) {
        const KeySlot& slot = chord.Slots[pressed];
        records[pressed] = KeyInput{slot.VirtualKey, slot.ScanCode, false,
                                    SendsExtended(slot.VirtualKey, navigation)};
        ++pressed;
    }
    if (pressed > 0)
        keyboard.Send(std::span(records.data(), pressed));

    clock.Sleep(std::clamp(keyHoldMs, 0, kMaxTimingMs));

    // The releases are the presses in reverse order, each flagged as it was pressed.
    std::reverse(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(pressed));
    for (std::size_t i = 0; i < pressed; ++i)
        records[i].KeyUp = true;
    if (pressed > 0)
        keyboard.Send(std::span(records.data(), pressed));
}

void SetKeyState(Keyboard& keyboard, std::uint16_t virtualKey, std::int16_t wanted) {
    const bool on = (keyboard.GetKeyState(virtualKey) & 1) != 0;
    if (on == (wanted != 0))
        return;
    const std::uint16_t scanCode = keyboard.ScanCodeOf(virtualKey);
    const std::array<KeyInput, 2> tap{KeyInput{virtualKey, scanCode, false},
                                      KeyInput{virtualKey, scanCode, true}};
    keyboard.Send(tap);
}

} // namespace qm
