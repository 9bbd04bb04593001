#pragma once
// One loaded binding of a device button as the runner keeps it. A loaded file may hold a
// million of them: an entry keeps only what the runner consults after the load; the key cells
// are compiled straight from the file's lines.

#include <cstdint>

namespace qm {

struct MappingEntry {
    int ButtonNo = 0; // its button, hat or axis number; 0: a skipped record, never matched
    bool Repeat = false;
    bool Rotary = false;
    bool Hold = false;
    bool IsControl = false;      // a hat or axis row, which never turns
    std::int16_t Multiplier = 0; // as read, within -1 to 9; compiled to 1, 2, 4 or 8
    bool NumLock = false;
    bool CapsLock = false;
    bool ScrollLock = false;
    // The entry's device is connected and has its button.
    bool Valid = false;
};

} // namespace qm
