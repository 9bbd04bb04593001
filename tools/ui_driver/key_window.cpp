// Keys: the driver's own window that takes the focus and keeps every key it receives, keys
// typed as a user types them, and the lock keys.
#include "harness.h"

#include "ui/win32/shell_handles.h"

#include <cstdio>
#include <string>
#include <vector>

namespace qm::e2e {

namespace {

constexpr wchar_t kKeyWindowClass[] = L"QmEndToEndKeys";

constexpr std::size_t kShownLines = 22;

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

} // namespace

std::vector<KeyEvent> Taps(unsigned vk, unsigned scan, int times) {
    std::vector<KeyEvent> keys;
    for (int i = 0; i < times; ++i) {
        keys.push_back(Down(vk, scan));
        keys.push_back(Up(vk, scan));
    }
    return keys;
}

std::vector<KeyEvent> Join(std::initializer_list<std::vector<KeyEvent>> parts) {
    std::vector<KeyEvent> keys;
    for (const auto& part : parts)
        keys.insert(keys.end(), part.begin(), part.end());
    return keys;
}

std::string Describe(std::span<const KeyEvent> keys) {
    if (keys.empty())
        return "(none)";
    std::string text;
    for (const KeyEvent& key : keys) {
        if (!text.empty())
            text += ", ";
        text += (key.Up ? "up " : "down ") + std::to_string(key.Vk) + "/" + Hex(key.Scan);
        if (key.Extended)
            text += " extended";
    }
    return text;
}

KeyWindow::KeyWindow(const wchar_t* title, int x, int y, int width, int height) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &KeyWindow::Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kKeyWindowClass;
    RegisterClassExW(&windowClass);
    window_ = CreateWindowExW(0, kKeyWindowClass, title, WS_POPUP | WS_BORDER | WS_CAPTION, x, y,
                              width, height, nullptr, nullptr, windowClass.hInstance, this);
    if (window_ == nullptr)
        throw Fatal("the driver's key window could not be created");
    heading_ = title;
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
}

KeyWindow::~KeyWindow() {
    if (window_ != nullptr)
        DestroyWindow(window_);
}

bool KeyWindow::Focus(DWORD timeoutMs) {
    const auto focused = [&] { return GetForegroundWindow() == window_ && GetFocus() == window_; };
    if (focused())
        return true;
    ShowWindow(window_, SW_SHOW);
    BringWindowToTop(window_);
    SetForegroundWindow(window_);
    SetFocus(window_);
    return PumpUntil(focused, timeoutMs);
}

std::vector<KeyEvent> KeyWindow::Collect(std::size_t count, DWORD timeoutMs, DWORD settleMs) {
    PumpUntil([&] { return keys_.size() >= count; }, timeoutMs);
    Pump(settleMs);
    std::vector<KeyEvent> keys = std::move(keys_);
    keys_.clear();
    return keys;
}

void KeyWindow::SetHeading(std::wstring text) {
    heading_ = std::move(text);
    InvalidateRect(window_, nullptr, TRUE);
}

LRESULT CALLBACK KeyWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<KeyWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const KeyEvent key{
            message == WM_KEYUP || message == WM_SYSKEYUP, static_cast<unsigned>(wParam),
            static_cast<unsigned>((lParam >> 16) & 0xFF), Now(), ((lParam >> 24) & 1) != 0};
        self->keys_.push_back(key);
        if (self->OnKey)
            self->OnKey(key);
        wchar_t name[64] = {};
        GetKeyNameTextW(static_cast<LONG>(lParam & 0x01FF0000), name,
                        static_cast<int>(std::size(name)));
        wchar_t line[160];
        swprintf(line, std::size(line), L"%ls  %-12ls  virtual key %3u  scan code 0x%02X",
                 key.Up ? L"up  " : L"down", name, key.Vk, key.Scan);
        self->lines_.emplace_back(line);
        while (self->lines_.size() > kShownLines)
            self->lines_.pop_front();
        InvalidateRect(window, nullptr, TRUE);
        // Handled here: ALT and F10 open no menu, nothing reaches the system.
        return 0;
    }
    case WM_CHAR:
    case WM_SYSCHAR:
        return 0;
    case WM_PAINT:
        self->Paint();
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_ACTIVATE;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void KeyWindow::Paint() {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window_, &paint);
    SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    SetBkMode(dc, TRANSPARENT);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int line = metrics.tmHeight + 2;
    int y = 6;
    TextOutW(dc, 8, y, heading_.c_str(), static_cast<int>(heading_.size()));
    y += line + 4;
    for (const auto& text : lines_) {
        TextOutW(dc, 8, y, text.c_str(), static_cast<int>(text.size()));
        y += line;
    }
    EndPaint(window_, &paint);
}

void TypeKey(unsigned vk) {
    INPUT inputs[2] = {};
    for (int i = 0; i < 2; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = static_cast<WORD>(vk);
        inputs[i].ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        inputs[i].ki.dwFlags = i == 1 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(2, inputs, sizeof(INPUT));
}

namespace {
constexpr unsigned kLocks[] = {VK_NUMLOCK, VK_CAPITAL, VK_SCROLL};
}

std::string LocksOn() {
    Pump(0);
    std::string on;
    const char* names[] = {"Num Lock", "Caps Lock", "Scroll Lock"};
    for (int i = 0; i < 3; ++i) {
        if ((GetKeyState(static_cast<int>(kLocks[i])) & 1) != 0)
            on += (on.empty() ? "" : ", ") + std::string(names[i]);
    }
    return on;
}

void LocksOff() {
    for (const unsigned vk : kLocks) {
        if ((GetKeyState(static_cast<int>(vk)) & 1) != 0)
            TypeKey(vk);
    }
    PumpUntil([] { return LocksOn().empty(); }, 1000);
}

} // namespace qm::e2e
