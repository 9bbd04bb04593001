#pragma once
// One loaded binding of a device button as the runner keeps it.
#include <array>
#include <cstdint>
#include <string>

namespace qm {

// A piece of the text pool of the tables an entry belongs to (empty: length 0).
struct TextRef {
    std::uint32_t Offset = 0;
    std::uint32_t Length = 0;
};

struct MappingEntry {
    int ButtonNo = 0; // 0: a skipped record, never matched
    std::string DeviceIdentity;
    bool Repeat = false;
    bool Rotary = false;
    int Multiplier = 0; // as read; compiled to 1, 2, 4 or 8
    bool NumLock = false;
    bool CapsLock = false;
    bool ScrollLock = false;
    // Key cells 1 to 16 at [0] to [15], trimmed, kept in the tables' text pool: a loaded file
    // holds thousands of entries, and one block of text keeps them small and quick to free.
    std::array<TextRef, 16> PressName, PressText, ReleaseName, ReleaseText;
    // The entry's device is connected and has its button.
    bool Valid = false;
};

} // namespace qm
