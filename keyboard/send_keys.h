#pragma once
// Key injection: one compiled step as a chord, and forcing a lock key's toggle state.
#include "core/clock.h"
#include "core/compiled_keys.h"
#include "keyboard/keyboard.h"

#include <cstdint>

namespace qm {

// The key-hold setting in whole milliseconds, clamped to 0..kMaxTimingMs (a negative or huge value
// would hold keys down for weeks).
int ClampKeyHold(double milliseconds);

// How the arrow and navigation keys go out. By their scan codes alone (the default) they are
// the numeric keypad's keys, whose scan codes they share: programs that read scan codes see
// keypad 8 for UP ARROW, and with Num Lock on the keys type digits. As extended keys they are
// the keys of their own block.
enum class NavigationKeys { AsKeypad, AsExtended };
inline NavigationKeys NavigationKeysOf(bool extended) {
    return extended ? NavigationKeys::AsExtended : NavigationKeys::AsKeypad;
}

// Whether a key goes out flagged as extended: the ten arrow and navigation keys (UP, DOWN,
// LEFT, RIGHT ARROW, INSERT, DELETE, HOME, END, PAGE UP, PAGE DOWN) when `navigation` asks
// for it; never a keypad key or any other.
bool SendsExtended(std::uint16_t virtualKey, NavigationKeys navigation);

// SendKey: the step's keys down in slot order in one call, wait `keyHoldMs` on the clock,
// then up in reverse order in one call. Steps are 1 to 16; no allocation.
void SendKey(Keyboard& keyboard, Clock& clock, const CompiledKeys& keys, int step, int keyHoldMs,
             NavigationKeys navigation = NavigationKeys::AsKeypad);

// SetKeyState: when the key's toggle bit differs from `wanted` (1 on, 0 off), one press and
// release of it in one call. A lock key held down by the user is not toggled by mistake: only
// the toggle bit is compared.
void SetKeyState(Keyboard& keyboard, std::uint16_t virtualKey, std::int16_t wanted);

} // namespace qm
