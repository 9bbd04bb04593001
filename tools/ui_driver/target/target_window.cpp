// A target program for the end-to-end tests: a window that another program's keys land in.
// Built twice under two file names (target-one.exe, target-two.exe), so that the runner can
// tell the two apart by the program in front. The window (class "QmTargetWindow", titled with
// the file name) keeps the keyboard focus for itself and logs every key message it receives
// as a line "down VK 0xSC" or "up VK 0xSC", and every mouse button and wheel message as a line
// "button down left X Y FLAGS", "wheel DELTA X Y FLAGS" or "hwheel DELTA X Y FLAGS" (client
// coordinates; FLAGS the MK_ flags held, such as "LBUTTON+CONTROL", or "-"; not the buttons of
// its top band, where the driver clicks to bring it to the front), in a read-only text box
// (control id 100), which the driver reads with WM_GETTEXT. Its window extras 0 and 4 hold
// the QueryPerformanceCounter value of its last activation (low and high half), so that the driver
// can time from the moment it came to the front. Test equipment: never installed or packaged.
#include "target_window_ids.h"

#include <windows.h>
#include <windowsx.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>

namespace {

HWND g_log = nullptr;
std::wstring g_title;

void Append(const wchar_t* line) {
    const int end = GetWindowTextLengthW(g_log);
    SendMessageW(g_log, EM_SETSEL, end, end);
    SendMessageW(g_log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line));
}

void Log(bool up, WPARAM vk, LPARAM lParam) {
    wchar_t line[48];
    std::swprintf(line, std::size(line), L"%ls %u 0x%02X\r\n", up ? L"up" : L"down",
                  static_cast<unsigned>(vk), static_cast<unsigned>((lParam >> 16) & 0xFF));
    Append(line);
}

// The MK_ flags of a mouse message, by name in the order of their bits, or "-".
std::wstring MouseFlags(WPARAM wParam) {
    static constexpr std::pair<unsigned, const wchar_t*> kFlags[] = {
        {MK_LBUTTON, L"LBUTTON"},   {MK_RBUTTON, L"RBUTTON"}, {MK_SHIFT, L"SHIFT"},
        {MK_CONTROL, L"CONTROL"},   {MK_MBUTTON, L"MBUTTON"}, {MK_XBUTTON1, L"XBUTTON1"},
        {MK_XBUTTON2, L"XBUTTON2"},
    };
    std::wstring names;
    for (const auto& [flag, name] : kFlags)
        if ((GET_KEYSTATE_WPARAM(wParam) & flag) != 0)
            names += (names.empty() ? L"" : L"+") + std::wstring(name);
    return names.empty() ? L"-" : names;
}

// A mouse button or wheel message as a log line; false for another message.
bool LogMouse(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const wchar_t* button = nullptr;
    bool up = false;
    switch (message) {
    case WM_LBUTTONUP:
        up = true;
        [[fallthrough]];
    case WM_LBUTTONDOWN:
        button = L"left";
        break;
    case WM_RBUTTONUP:
        up = true;
        [[fallthrough]];
    case WM_RBUTTONDOWN:
        button = L"right";
        break;
    case WM_MBUTTONUP:
        up = true;
        [[fallthrough]];
    case WM_MBUTTONDOWN:
        button = L"middle";
        break;
    case WM_XBUTTONUP:
        up = true;
        [[fallthrough]];
    case WM_XBUTTONDOWN:
        button = GET_XBUTTON_WPARAM(wParam) == XBUTTON1 ? L"x1" : L"x2";
        break;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        break;
    default:
        return false;
    }
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; // a button's: in the client area
    if (button != nullptr && at.y < kTargetBandHeight)
        return true; // the driver's clicks that bring the window to the front
    wchar_t line[96];
    if (button != nullptr) {
        std::swprintf(line, std::size(line), L"button %ls %ls %ld %ld %ls\r\n",
                      up ? L"up" : L"down", button, at.x, at.y, MouseFlags(wParam).c_str());
    } else {
        // Where the pointer was when the message came: a wheel message's own position is on the
        // screen, and Wine 8 gives WM_MOUSEHWHEEL's in client coordinates instead.
        const DWORD position = GetMessagePos();
        at = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
        ScreenToClient(window, &at);
        std::swprintf(line, std::size(line), L"%ls %d %ld %ld %ls\r\n",
                      message == WM_MOUSEWHEEL ? L"wheel" : L"hwheel",
                      static_cast<int>(GET_WHEEL_DELTA_WPARAM(wParam)), at.x, at.y,
                      MouseFlags(wParam).c_str());
    }
    Append(line);
    return true;
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (LogMouse(window, message, wParam, lParam))
        return message == WM_XBUTTONDOWN || message == WM_XBUTTONUP ? TRUE : 0;
    switch (message) {
    case WM_CREATE:
        g_log = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_VSCROLL | ES_MULTILINE |
                                    ES_READONLY | ES_AUTOVSCROLL,
                                0, kTargetBandHeight, 10, 10, window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTargetLogId)),
                                nullptr, nullptr);
        // The log grows for as long as the test runs; the default limit is 30,000 characters.
        SendMessageW(g_log, EM_SETLIMITTEXT, 0, 0);
        return 0;
    case WM_SIZE:
        MoveWindow(g_log, 0, kTargetBandHeight, LOWORD(lParam), HIWORD(lParam) - kTargetBandHeight,
                   TRUE);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            LARGE_INTEGER now{};
            QueryPerformanceCounter(&now);
            // Two 32-bit halves: a window long is 32 bits in 32-bit builds.
            const auto stamp = static_cast<std::uint64_t>(now.QuadPart);
            SetWindowLongW(window, kTargetActivatedAt, static_cast<LONG>(stamp & 0xFFFFFFFF));
            SetWindowLongW(window, kTargetActivatedAt + 4, static_cast<LONG>(stamp >> 32));
        }
        break; // the default gives the window itself the focus
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
        Log(message == WM_KEYUP || message == WM_SYSKEYUP, wParam, lParam);
        return 0; // no menu for Alt or F10
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(window, &paint);
        const std::wstring heading = L"Keys received by " + g_title;
        SetBkMode(dc, TRANSPARENT);
        TextOutW(dc, 6, 6, heading.c_str(), static_cast<int>(heading.size()));
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    g_title = path;
    g_title = g_title.substr(g_title.find_last_of(L'\\') + 1);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &Procedure;
    windowClass.cbWndExtra = 8;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kTargetWindowClass;
    if (RegisterClassExW(&windowClass) == 0)
        return 1;
    // The two programs side by side, below where the runner's window opens.
    const int x = g_title.find(L"two") != std::wstring::npos ? 340 : 20;
    const HWND window = CreateWindowExW(0, kTargetWindowClass, g_title.c_str(), WS_OVERLAPPEDWINDOW,
                                        x, 420, 300, 220, nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        return 1;
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
