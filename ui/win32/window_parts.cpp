#include "ui/win32/window_parts.h"

namespace qm::win32 {

bool RegisterWindowClass(HINSTANCE instance, const WindowClassOf& windowClass) {
    WNDCLASSEXW description{};
    description.cbSize = sizeof(description);
    description.lpfnWndProc = windowClass.Procedure;
    description.hInstance = instance;
    if (windowClass.Icon != nullptr) {
        description.hIcon = static_cast<HICON>(
            LoadImageW(instance, windowClass.Icon, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
        description.hIconSm = static_cast<HICON>(
            LoadImageW(instance, windowClass.Icon, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                       GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    }
    description.hCursor = LoadCursorW(nullptr, windowClass.Pointer);
    if (windowClass.ButtonFace)
        description.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    description.lpszClassName = windowClass.Name;
    return RegisterClassExW(&description) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateChildControl(HWND parent, HINSTANCE instance, DWORD exStyle, const wchar_t* windowClass,
                        const wchar_t* text, DWORD style, int id) {
    return CreateWindowExW(exStyle, windowClass, text, WS_CHILD | style, 0, 0, 10, 10, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

void WaitPointer::Set(HWND window, bool busy) {
    busy_ = busy;
    POINT cursor{};
    GetCursorPos(&cursor);
    const HWND under = WindowFromPoint(cursor);
    if (under == window || IsChild(window, under))
        SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

bool WaitPointer::OnSetCursor(LPARAM lParam) const {
    if (!busy_ || LOWORD(lParam) != HTCLIENT)
        return false;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    return true;
}

bool HandleMainWindowMessage(MainWindowEvents& window, const WaitPointer& pointer, UINT message,
                             WPARAM wParam, LPARAM lParam, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_QUERYENDSESSION:
        result = window.SessionMayEnd() ? TRUE : FALSE;
        return true;
    case WM_ENDSESSION:
        if (wParam != FALSE)
            window.OnEndSession();
        return true;
    case WM_SETCURSOR:
        if (!pointer.OnSetCursor(lParam))
            return false;
        result = TRUE;
        return true;
    case WM_DPICHANGED:
        window.OnDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return true;
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETNONCLIENTMETRICS)
            window.OnMessageFontChanged();
        return false;
    case WM_DESTROY:
        window.OnDestroy();
        PostQuitMessage(0);
        return true;
    default:
        return false;
    }
}

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
