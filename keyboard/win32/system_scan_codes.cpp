#include "keyboard/win32/system_scan_codes.h"

#include <windows.h>

namespace qm {

namespace {

// Digits, letters and the punctuation keys sit where the layout puts them; a layout without
// such a key has no scan code for it.
bool DependsOnLayout(std::uint16_t virtualKey) {
    return (virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z') ||
           (virtualKey >= VK_OEM_1 && virtualKey <= VK_OEM_3) ||
           (virtualKey >= VK_OEM_4 && virtualKey <= VK_OEM_8) || virtualKey == VK_OEM_102;
}

} // namespace

std::uint16_t SystemScanCodes::ScanCodeOf(std::uint16_t virtualKey) const {
    const auto mapped = static_cast<std::uint16_t>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    if (mapped != 0 || DependsOnLayout(virtualKey))
        return mapped;
    return UsLayoutScanCodes().ScanCodeOf(virtualKey);
}

} // namespace qm
