#include "ui/win32/about_box.h"

#include "core/error_trap.h"
#include "core/win32/win32_text.h"
#include "ui/win32/about_ids.h"
#include "ui/win32/dpi.h"
#include "ui/win32/routed_procedures.h"
#include "ui/win32/shell_handles.h"
#include "ui/win32/shell_icons.h"
#include "ui/win32/window_parts.h"

#include <string>

namespace qm::win32 {

namespace {

// A font like `base`, `scale` times its height, in the weight given.
UniqueFont DerivedFont(HFONT base, int numerator, int denominator, LONG weight) {
    LOGFONTW description{};
    if (base == nullptr || !GetObjectW(base, sizeof(description), &description))
        return {};
    description.lfHeight = MulDiv(description.lfHeight, numerator, denominator);
    description.lfWeight = weight;
    return UniqueFont(CreateFontIndirectW(&description));
}

// ---- About box ----

class AboutBox {
public:
    AboutBox(Dialogs& dialogs, const ProgramCard& card, const std::string& guideLocation)
        : dialogs_(dialogs), card_(card), guideLocation_(guideLocation) {}

    // The dialog procedure, and what reports an error escaping it.
    static constexpr const char* kProcedure = "formAbout";
    Dialogs& Boxes() { return dialogs_; }
    GuideTopic HelpTopic() const { return card_.Topic; }

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
        case WM_INITDIALOG:
            RunTrapped(dialogs_, "Form_Load", [&] {
                SetWindowTextW(dialog, (L"About " + card_.Name).c_str());
                SetDlgItemTextW(dialog, IDC_ABOUT_TITLE, card_.Name.c_str());
                SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, card_.VersionLine.c_str());
                SetDlgItemTextW(dialog, IDC_ABOUT_GUIDE, WideFromUtf8(guideLocation_).c_str());
                const auto font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
                titleFont_ = DerivedFont(font, 3, 2, FW_BOLD);
                if (titleFont_)
                    SendDlgItemMessageW(dialog, IDC_ABOUT_TITLE, WM_SETFONT,
                                        reinterpret_cast<WPARAM>(titleFont_.Get()), FALSE);
            });
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
                EndDialog(dialog, IDOK);
            return TRUE;
        case WM_CLOSE:
            EndDialog(dialog, IDOK);
            return TRUE;
        default:
            return FALSE;
        }
    }

private:
    Dialogs& dialogs_;
    const ProgramCard& card_;
    const std::string& guideLocation_;
    UniqueFont titleFont_;
};

// ---- Splash window ----

constexpr UINT_PTR kSplashTimerId = 1;

struct SplashState {
    Dialogs& Messages;
    const ProgramCard& Card;
    UINT Dpi = kDefaultDpi;
    UniqueIcon Icon;
    UniqueFont TitleFont;
    UniqueFont TextFont;
};

void PaintSplash(HWND window, SplashState& state) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    if (dc == nullptr)
        return;
    const auto s = [&](int length) { return Scale(length, state.Dpi); };
    RECT client{};
    GetClientRect(window, &client);

    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    // A green band on the left, a hairline frame around.
    const UniqueBrush band(CreateSolidBrush(RGB(40, 150, 80)));
    const RECT bandRect{0, 0, s(6), client.bottom};
    FillRect(dc, &bandRect, band.Get());
    const UniqueBrush frame(CreateSolidBrush(RGB(170, 170, 170)));
    FrameRect(dc, &client, frame.Get());

    const int iconSize = s(48);
    if (state.Icon)
        DrawIconEx(dc, s(26), (client.bottom - iconSize) / 2, state.Icon.Get(), iconSize, iconSize,
                   0, nullptr, DI_NORMAL);

    SetBkMode(dc, TRANSPARENT);
    const int left = s(26) + iconSize + s(18);
    RECT title{left, s(22), client.right - s(12), s(58)};
    {
        const Selection font(dc, state.TitleFont.Get());
        SetTextColor(dc, RGB(30, 30, 30));
        DrawTextW(dc, state.Card.Name.c_str(), -1, &title, DT_LEFT | DT_SINGLELINE | DT_BOTTOM);
    }
    const Selection font(dc, state.TextFont.Get());
    SetTextColor(dc, RGB(90, 90, 90));
    RECT version{left, s(62), client.right - s(12), s(80)};
    DrawTextW(dc, state.Card.VersionLine.c_str(), -1, &version, DT_LEFT | DT_SINGLELINE | DT_TOP);
    RECT loading{left, s(84), client.right - s(12), s(102)};
    DrawTextW(dc, L"Starting\x2026", -1, &loading, DT_LEFT | DT_SINGLELINE | DT_TOP);
    EndPaint(window, &paint);
}

// The splash window's object: what it paints, and its window while it is there.
class Splash {
public:
    explicit Splash(SplashState& state) : state_(state) {}

    // The window procedure, and what reports an error escaping it.
    static constexpr const char* kProcedure = "formSplash";
    Dialogs& Boxes() { return state_.Messages; }
    void Bind(HWND window) { window_ = window; }
    void Unbind() { window_ = nullptr; }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_PAINT:
            RunTrapped(state_.Messages, "formSplash_Paint", [&] { PaintSplash(window_, state_); });
            return 0;
        case WM_TIMER:
            if (wParam == kSplashTimerId) {
                ShowWindow(window_, SW_HIDE);
                return 0;
            }
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_KEYDOWN:
            ShowWindow(window_, SW_HIDE);
            return 0;
        default:
            break;
        }
        return DefWindowProcW(window_, message, wParam, lParam);
    }

private:
    SplashState& state_;
    HWND window_ = nullptr;
};

} // namespace

void ShowAboutBox(HINSTANCE instance, HWND owner, Dialogs& dialogs, const ProgramCard& card,
                  const std::string& guideLocation) {
    AboutBox box(dialogs, card, guideLocation);
    ShowObjectDialog(instance, card.AboutDialog, owner, box);
}

void ShowSplash(HINSTANCE instance, Dialogs& dialogs, const ProgramCard& card, int milliseconds) {
    if (!RegisterWindowClass(instance, {card.SplashClass, &RoutedProcedures::ForWindow<Splash>,
                                        nullptr, IDC_APPSTARTING, false}))
        return;

    SplashState state{dialogs, card, kDefaultDpi, {}, {}, {}};
    Splash object(state);
    // Its title is the product's name alone, never the main window's caption (the
    // single-instance key).
    UniqueWindow splash(CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, card.SplashClass,
                                        card.Name.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        instance, &object));
    if (!splash)
        return;
    state.Dpi = WindowDpi(splash.Get());
    const auto s = [&](int length) { return Scale(length, state.Dpi); };
    state.Icon = LoadIconResource(instance, card.SplashIcon, s(48), s(48));
    const LOGFONTW message = MessageFont(state.Dpi);
    state.TextFont.Reset(CreateFontIndirectW(&message));
    LOGFONTW title = message;
    title.lfHeight = -MulDiv(22, static_cast<int>(state.Dpi), 72);
    title.lfWeight = FW_SEMIBOLD;
    state.TitleFont.Reset(CreateFontIndirectW(&title));

    const int width = s(340);
    const int height = s(124);
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(splash.Get(), HWND_TOPMOST, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 3, width, height, SWP_NOACTIVATE);
    ShowWindow(splash.Get(), SW_SHOWNOACTIVATE);
    UpdateWindow(splash.Get());
    WindowTimer hideTimer;
    hideTimer.Start(splash.Get(), kSplashTimerId, static_cast<UINT>(milliseconds));
    if (!hideTimer.Running())
        ShowWindow(splash.Get(), SW_HIDE);

    // Messages are pumped until the splash hides itself.
    MSG message_{};
    while (IsWindowVisible(splash.Get())) {
        const BOOL got = GetMessageW(&message_, nullptr, 0, 0);
        if (got == 0) {
            // Quitting already: the main loop must see it too.
            PostQuitMessage(static_cast<int>(message_.wParam));
            break;
        }
        if (got == -1)
            break;
        TranslateMessage(&message_);
        DispatchMessageW(&message_);
    }
    hideTimer.Stop();
    splash.Reset();
}

} // namespace qm::win32
