#include "core/shortcut.h"

namespace qm {

std::wstring ShortcutText(Shortcut shortcut) {
    std::wstring text;
    if (shortcut.Modifiers & kCtrlMask)
        text += L"Ctrl+";
    if (shortcut.Modifiers & kAltMask)
        text += L"Alt+";
    if (shortcut.Modifiers & kShiftMask)
        text += L"Shift+";
    const std::uint16_t key = shortcut.Key;
    if (key >= kVkF1 && key < kVkF1 + 24)
        text += L"F" + std::to_wstring(key - kVkF1 + 1);
    else
        text += static_cast<wchar_t>(key);
    return text;
}

std::wstring CaptionWithShortcut(const wchar_t* caption, Shortcut shortcut) {
    std::wstring text = caption != nullptr ? caption : L"";
    if (shortcut)
        text += L"\t" + ShortcutText(shortcut);
    return text;
}

} // namespace qm
