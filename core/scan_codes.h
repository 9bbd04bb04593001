#pragma once
// Virtual-key code to hardware scan code, as the keyboard layout in use maps it.
#include <cstdint>

namespace qm {

class ScanCodeSource {
public:
    virtual ~ScanCodeSource() = default;
    // 0 when the layout has no scan code for the key.
    virtual std::uint16_t ScanCodeOf(std::uint16_t virtualKey) const = 0;
};

// The US keyboard layout's set-1 make codes, as the system maps them (no extended prefix).
// Keys the system itself maps to 0 (the Print key 42, the separator key 108) give 0.
class UsLayoutScanCodes final : public ScanCodeSource {
public:
    std::uint16_t ScanCodeOf(std::uint16_t virtualKey) const override;
};

} // namespace qm
