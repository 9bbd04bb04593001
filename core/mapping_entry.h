#pragma once
// One loaded binding of a device button as the runner keeps it.
#include <array>
#include <string>

namespace qm {

struct MappingEntry {
    int ButtonNo = 0; // 0: a skipped record, never matched
    std::string DeviceIdentity;
    bool Repeat = false;
    bool Rotary = false;
    int Multiplier = 0; // as read; compiled to 1, 2, 4 or 8
    bool NumLock = false;
    bool CapsLock = false;
    bool ScrollLock = false;
    // Key cells 1 to 16 at [0] to [15], trimmed.
    std::array<std::string, 16> PressName, PressText, ReleaseName, ReleaseText;
    // The entry's device is connected and has its button.
    bool Valid = false;
};

} // namespace qm
