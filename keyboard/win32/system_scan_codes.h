#pragma once
// Scan codes as the keyboard layout in use maps them.
#include "core/scan_codes.h"

namespace qm {

// The layout's scan code of a virtual key. When the layout gives none for a key whose place
// does not depend on the layout (the numeric keypad, function and navigation keys), the
// standard set-1 code of that key is used: some systems leave the keypad digits unmapped.
class SystemScanCodes final : public ScanCodeSource {
public:
    std::uint16_t ScanCodeOf(std::uint16_t virtualKey) const override;
};

} // namespace qm
