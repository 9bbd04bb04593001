#include "ui/win32/window_parts.h"

namespace qm::win32 {

bool RememberedFocus::OnMessage(HWND window, UINT message, WPARAM wParam) {
    if (message == WM_ACTIVATE) {
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus != nullptr && IsChild(window, focus))
                control_ = focus;
        }
        return false;
    }
    // The window itself takes no keys: the remembered control gets the focus.
    if (message != WM_SETFOCUS || control_ == nullptr || !IsChild(window, control_) ||
        !IsWindowEnabled(control_) || !IsWindowVisible(control_))
        return false;
    SetFocus(control_);
    return true;
}

void PopUpMenuAtPointer(HWND window, HMENU menu) {
    POINT cursor{};
    GetCursorPos(&cursor);
    // Without being the foreground window the menu would not close when clicked away.
    SetForegroundWindow(window);
    const UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON |
                       (GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN);
    const auto command =
        static_cast<UINT>(TrackPopupMenuEx(menu, flags, cursor.x, cursor.y, window, nullptr));
    PostMessageW(window, WM_NULL, 0, 0);
    if (command != 0)
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

} // namespace qm::win32
