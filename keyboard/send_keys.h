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

// SendKey: the step's keys down in slot order in one call, wait `keyHoldMs` on the clock,
// then up in reverse order in one call. Steps are 1 to 16; no allocation.
void SendKey(Keyboard& keyboard, Clock& clock, const CompiledKeys& keys, int step, int keyHoldMs);

// SetKeyState: when the key's toggle bit differs from `wanted` (1 on, 0 off), one press and
// release of it in one call. A lock key held down by the user is not toggled by mistake: only
// the toggle bit is compared.
void SetKeyState(Keyboard& keyboard, std::uint16_t virtualKey, std::int16_t wanted);

} // namespace qm
