#pragma once
// What the fuzz targets share: a failed invariant aborts, so libFuzzer keeps the input.
#include "core/compiled_keys.h"
#include "core/key_names.h"
#include "core/scan_codes.h"
#include "keyboard/keyboard.h"

#include <cstdlib>

namespace qm::fuzz {

inline void Require(bool condition) {
    if (!condition)
        std::abort();
}

// A compiled step as a key cell may give: slots filled from the first with no gap, the
// modifiers first (SHIFT, CTRL, ALT, each at most once, in that order), then at most one main
// key or mouse action that has a name; each key's scan code is the layout's.
inline void RequireWellFormedStep(const KeyStep& step, const ScanCodeSource& scanCodes) {
    int lastModifier = 0;
    bool mainSeen = false;
    bool emptySeen = false;
    for (const auto& slot : step.Slots) {
        if (slot.VirtualKey == 0) {
            Require(slot.ScanCode == 0);
            emptySeen = true;
            continue;
        }
        Require(!emptySeen && !mainSeen);
        // A mouse action carries a scan code of its own, which counts the step as used.
        Require(slot.ScanCode == (IsMouseCode(slot.VirtualKey)
                                      ? kMouseScanCode
                                      : scanCodes.ScanCodeOf(slot.VirtualKey)));
        if (slot.VirtualKey >= kVkShift && slot.VirtualKey <= kVkMenu) {
            Require(slot.VirtualKey > lastModifier);
            lastModifier = slot.VirtualKey;
        } else {
            // Every main key is one of the names: the editor's, the runner's lock keys, or the
            // mouse's.
            Require(slot.VirtualKey < 256);
            Require(!DecodeKeyEvent(slot.VirtualKey, 0).Name.empty() ||
                    slot.VirtualKey == kVkCapsLock || slot.VirtualKey == kVkNumLock ||
                    IsMouseCode(slot.VirtualKey));
            mainSeen = true;
        }
    }
}

inline void RequireWellFormedKeys(const CompiledKeys& keys, const ScanCodeSource& scanCodes) {
    for (const auto& step : keys.Steps)
        RequireWellFormedStep(step, scanCodes);
}

} // namespace qm::fuzz
