#include "editor/win32/test_window.h"

#include "core/error_trap.h"
#include "core/key_names.h"
#include "core/win32/win32_text.h"
#include "editor/editor_controller.h"
#include "editor/win32/vantrel_ids.h"
#include "ui/win32/dpi.h"
#include "ui/win32/routed_procedures.h"
#include "ui/win32/window_parts.h"

#include <commctrl.h>

#include <string>

namespace qm::win32 {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
// The designed client size and the buttons' size and spacing, at 96 DPI.
constexpr int kWidth = 360, kHeight = 260, kButtonWidth = 80, kButtonHeight = 24, kGap = 8;
constexpr const wchar_t* kCaption = L"Test Output Window";

} // namespace

TestWindow::TestWindow(HINSTANCE instance, Win32Dialogs& dialogs)
    : instance_(instance), dialogs_(dialogs) {}

TestWindow::~TestWindow() {
    controller_ = nullptr;
    window_.Reset();
}

void TestWindow::Show(HWND owner) {
    if (!window_ && !Create(owner))
        return;
    SetWindowTextW(log_, L"");
    ShowWindow(window_.Get(), SW_SHOW);
    SetFocus(log_);
}

void TestWindow::Close() {
    window_.Reset();
}

void TestWindow::AppendLine(std::string_view text) {
    if (!IsShown())
        return;
    std::wstring line = WideFromUtf8(text);
    const int length = GetWindowTextLengthW(log_);
    if (length > 0)
        line.insert(0, L"\r\n");
    SendMessageW(log_, EM_SETSEL, static_cast<WPARAM>(length), length);
    SendMessageW(log_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
    SendMessageW(log_, EM_SCROLLCARET, 0, 0);
}

bool TestWindow::Create(HWND owner) {
    if (!RegisterWindowClass(instance_,
                             {VANTREL_TEST_WINDOW_CLASS, &RoutedProcedures::ForWindow<TestWindow>,
                              VANTREL_PROGRAM_ICON}))
        return false;
    // Beside the main window's top right corner, at the main window's DPI.
    dpi_ = WindowDpi(owner);
    RECT bounds{0, 0, Scale(kWidth, dpi_), Scale(kHeight, dpi_)};
    AdjustWindowRectForDpi(bounds, kStyle, false, 0, dpi_);
    RECT ownerBounds{};
    GetWindowRect(owner, &ownerBounds);
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    const HWND window = CreateWindowExW(
        0, VANTREL_TEST_WINDOW_CLASS, kCaption, kStyle, ownerBounds.right - width - Scale(24, dpi_),
        ownerBounds.top + Scale(24, dpi_), width, height, owner, nullptr, instance_, this);
    return window != nullptr;
}

void TestWindow::Unbind() {
    window_.Release();
    log_ = clear_ = close_ = nullptr;
}

LRESULT TestWindow::HandleControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
        RunTrapped(dialogs_, "Form_KeyDown", [&] { OnKeyDown(wParam); });
        // The window may have gone with its controls.
        if (!IsWindow(control))
            return 0;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

LRESULT TestWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = window_.Get();
    switch (message) {
    case WM_CREATE: {
        const auto child = [&](DWORD exStyle, const wchar_t* windowClass, const wchar_t* text,
                               DWORD style, int id) {
            const HWND control = CreateChildControl(window, instance_, exStyle, windowClass, text,
                                                    WS_VISIBLE | style, id);
            if (control != nullptr)
                RouteControl(control, *this);
            return control;
        };
        log_ = child(WS_EX_CLIENTEDGE, L"EDIT", L"",
                     WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                     IDC_TEST_LOG);
        clear_ = child(0, L"BUTTON", L"Clear", WS_TABSTOP | BS_PUSHBUTTON, IDC_TEST_CLEAR);
        close_ = child(0, L"BUTTON", L"Close", WS_TABSTOP | BS_PUSHBUTTON, IDC_TEST_CLOSE);
        if (log_ == nullptr || clear_ == nullptr || close_ == nullptr)
            return -1;
        // No limit but memory: a long test logs many keys.
        SendMessageW(log_, EM_SETLIMITTEXT, 0, 0);
        const LOGFONTW description = MessageFont(dpi_);
        font_.Reset(CreateFontIndirectW(&description));
        for (const HWND control : {log_, clear_, close_})
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        return 0;
    }
    case WM_SIZE:
        Layout();
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_TEST_CLEAR) {
            SetWindowTextW(log_, L"");
            return 0;
        }
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_TEST_CLOSE) {
            // The window goes; the test goes on.
            DestroyWindow(window);
            return 0;
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        OnKeyDown(wParam);
        break;
    case WM_PAINT:
        // Left open after a test: it goes at its next repaint.
        if (controller_ == nullptr || !controller_->Testing())
            PostMessageW(window, WM_CLOSE, 0, 0);
        break;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void TestWindow::Layout() {
    RECT client{};
    GetClientRect(window_.Get(), &client);
    const int gap = Scale(kGap, dpi_);
    const int buttonWidth = Scale(kButtonWidth, dpi_);
    const int buttonHeight = Scale(kButtonHeight, dpi_);
    const int buttonTop = client.bottom - gap - buttonHeight;
    MoveWindow(log_, gap, gap, client.right - 2 * gap, buttonTop - 2 * gap, TRUE);
    MoveWindow(close_, client.right - gap - buttonWidth, buttonTop, buttonWidth, buttonHeight,
               TRUE);
    MoveWindow(clear_, client.right - 2 * (gap + buttonWidth), buttonTop, buttonWidth, buttonHeight,
               TRUE);
}

// The key itself reaches the log through the main window, which previews every key of the
// thread; without a test the window goes.
void TestWindow::OnKeyDown(WPARAM) {
    if (controller_ == nullptr || !controller_->Testing())
        window_.Reset();
}

} // namespace qm::win32
