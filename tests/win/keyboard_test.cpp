// Injected keys and the low-level hook against the real system, observed by a focused window
// of the test process (the lock toggles: the runner's keys scenario).
#include "core/app_error.h"
#include "core/clock.h"
#include "core/key_names.h"
#include "core/messages.h"
#include "keyboard/send_keys.h"
#include "keyboard/win32/keyboard_hook.h"
#include "keyboard/win32/send_input_keyboard.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace qm {
namespace {

struct SeenKey {
    bool up;
    unsigned vk;
    unsigned scan;
    bool extended = false;
    bool operator==(const SeenKey&) const = default;
};

SeenKey Down(unsigned vk, unsigned scan) {
    return {false, vk, scan};
}
SeenKey Up(unsigned vk, unsigned scan) {
    return {true, vk, scan};
}

// Dispatches this thread's messages (and so its hook calls) until `done` or the timeout.
template <class Done> bool PumpUntil(Done done, DWORD timeoutMs = 3000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        if (done())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

// What a mouse message said: its kind, the MK_ flags and, for a wheel, the signed distance,
// for a button its client position.
std::string MouseEvent(UINT message, WPARAM wParam, LPARAM lParam) {
    const unsigned flags = GET_KEYSTATE_WPARAM(wParam);
    const auto at = [&] {
        return " at " + std::to_string(GET_X_LPARAM(lParam)) + "," +
               std::to_string(GET_Y_LPARAM(lParam)) + " flags " + std::to_string(flags);
    };
    const std::string x = HIWORD(wParam) == XBUTTON1 ? "x1" : "x2";
    switch (message) {
    case WM_LBUTTONDOWN:
        return "left down" + at();
    case WM_LBUTTONUP:
        return "left up" + at();
    case WM_RBUTTONDOWN:
        return "right down" + at();
    case WM_RBUTTONUP:
        return "right up" + at();
    case WM_MBUTTONDOWN:
        return "middle down" + at();
    case WM_MBUTTONUP:
        return "middle up" + at();
    case WM_XBUTTONDOWN:
        return x + " down" + at();
    case WM_XBUTTONUP:
        return x + " up" + at();
    case WM_MOUSEWHEEL:
        return "wheel " + std::to_string(GET_WHEEL_DELTA_WPARAM(wParam)) + " flags " +
               std::to_string(flags);
    case WM_MOUSEHWHEEL:
        return "hwheel " + std::to_string(GET_WHEEL_DELTA_WPARAM(wParam)) + " flags " +
               std::to_string(flags);
    default:
        return {};
    }
}

// A top-level window of the test that holds the keyboard focus and keeps every key message it
// receives (without acting on them, so ALT does not open a menu), and in `events` the keys and
// the mouse's buttons and wheel in the order they came.
class FocusedWindow {
public:
    FocusedWindow() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &Procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QmKeyboardTestWindow";
        RegisterClassExW(&wc);
        window_ = CreateWindowExW(0, wc.lpszClassName, L"keyboard test", WS_POPUP, kLeft, kTop, 200,
                                  100, nullptr, nullptr, wc.hInstance, nullptr);
        ShowWindow(window_, SW_SHOW);
        SetForegroundWindow(window_);
        SetFocus(window_);
        PumpUntil([&] { return GetForegroundWindow() == window_ && GetFocus() == window_; });
    }
    ~FocusedWindow() { DestroyWindow(window_); }

    bool HasFocus() const { return window_ != nullptr && GetFocus() == window_; }
    // Waits until `key` arrives; keys before it stay in `keys`.
    bool WaitFor(const SeenKey& key) {
        return PumpUntil([&] {
            return std::any_of(keys.begin(), keys.end(),
                               [&](const SeenKey& k) { return k.up == key.up && k.vk == key.vk; });
        });
    }

    // Waits until `event` arrives.
    bool WaitForEvent(const std::string& event) {
        return PumpUntil(
            [&] { return std::find(events.begin(), events.end(), event) != events.end(); });
    }

    // Where the window is on the screen (away from the top-left corner, where Wine shows its
    // notification area).
    static constexpr int kLeft = 300;
    static constexpr int kTop = 200;
    static inline std::vector<SeenKey> keys;
    static inline std::vector<std::string> events;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (std::string mouse = MouseEvent(message, wParam, lParam); !mouse.empty()) {
            events.push_back(std::move(mouse));
            return message == WM_XBUTTONDOWN || message == WM_XBUTTONUP ? TRUE : 0;
        }
        if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN && message != WM_KEYUP &&
            message != WM_SYSKEYUP)
            return DefWindowProcW(window, message, wParam, lParam);
        const bool up = message == WM_KEYUP || message == WM_SYSKEYUP;
        keys.push_back({up, static_cast<unsigned>(wParam),
                        static_cast<unsigned>((lParam >> 16) & 0xFF), ((lParam >> 24) & 1) != 0});
        events.push_back((up ? "key up " : "key down ") + std::to_string(wParam));
        return 0;
    }

    HWND window_ = nullptr;
};

// One window for all the tests: under Wine without a window manager, hiding or destroying the
// active window takes two seconds.
class KeyboardTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { focused = std::make_unique<FocusedWindow>(); }
    static void TearDownTestSuite() { focused.reset(); }
    void SetUp() override {
        ASSERT_TRUE(window.HasFocus()) << "the test window has no focus";
        window.keys.clear();
        window.events.clear();
    }

    // One key going down or up, in a batch of its own.
    void Send(std::uint16_t vk, bool up) {
        const KeyInput record{vk, keyboard.ScanCodeOf(vk), up};
        keyboard.Send({&record, 1});
    }
    void Tap(std::uint16_t vk) {
        Send(vk, false);
        Send(vk, true);
    }
    // Sends a key the hook lets through and waits for its release: everything sent before has
    // then been through the hook and the window's queue.
    void Settle() {
        Tap('Z');
        ASSERT_TRUE(window.WaitFor(Up('Z', 0)));
        std::erase_if(window.keys, [](const SeenKey& k) { return k.vk == 'Z'; });
    }

    static std::unique_ptr<FocusedWindow> focused;
    FocusedWindow& window = *focused;
    SendInputKeyboard keyboard;
    ManualClock clock;
};

std::unique_ptr<FocusedWindow> KeyboardTest::focused;

TEST_F(KeyboardTest, ChordsArriveWithTheirKeysScanCodesAndOrder) {
    CompiledKeys keys;
    FillKeyStep(keys, "SHIFT + CTRL + ALT + DELETE", "DELETE", 1, Vocabulary::Runner, keyboard);
    SendKey(keyboard, clock, keys, 1, 0);
    ASSERT_TRUE(window.WaitFor(Up(VK_SHIFT, 0)));
    EXPECT_EQ(window.keys,
              (std::vector<SeenKey>{Down(16, 0x2A), Down(17, 0x1D), Down(18, 0x38), Down(46, 0x53),
                                    Up(46, 0x53), Up(18, 0x38), Up(17, 0x1D), Up(16, 0x2A)}));

    // The navigation keys go out by their plain scan codes, never flagged as extended.
    const std::pair<const char*, unsigned> plain[] = {
        {"A", 0x1E},          {"INSERT", 0x52},      {"HOME", 0x47},     {"PAGE UP", 0x49},
        {"END", 0x4F},        {"PAGE DOWN", 0x51},   {"UP ARROW", 0x48}, {"LEFT ARROW", 0x4B},
        {"DOWN ARROW", 0x50}, {"RIGHT ARROW", 0x4D}, {"NUMPAD 5", 0x4C},
    };
    for (const auto& [name, scan] : plain) {
        window.keys.clear();
        FillKeyStep(keys, "", name, 2, Vocabulary::Runner, keyboard);
        const unsigned vk = keys.Step(2).Slots[0].VirtualKey;
        SendKey(keyboard, clock, keys, 2, 0);
        ASSERT_TRUE(window.WaitFor(Up(vk, 0))) << name;
        EXPECT_EQ(window.keys, (std::vector<SeenKey>{Down(vk, scan), Up(vk, scan)})) << name;
    }

    // Asked for, the navigation keys arrive flagged as extended; a keypad key never does.
    for (const auto& [name, scan, extended] :
         {std::tuple("UP ARROW", 0x48u, true), std::tuple("DELETE", 0x53u, true),
          std::tuple("NUMPAD 8", 0x48u, false)}) {
        window.keys.clear();
        FillKeyStep(keys, "", name, 2, Vocabulary::Runner, keyboard);
        const unsigned vk = keys.Step(2).Slots[0].VirtualKey;
        SendKey(keyboard, clock, keys, 2, 0, NavigationKeys::AsExtended);
        ASSERT_TRUE(window.WaitFor(Up(vk, 0))) << name;
        EXPECT_EQ(window.keys,
                  (std::vector<SeenKey>{{false, vk, scan, extended}, {true, vk, scan, extended}}))
            << name;
    }
}

// A burst forces the locks on and off before this thread, whose window has the focus, removes
// the keys it sent: each lock must end as the burst left it, whatever the user had set.
TEST_F(KeyboardTest, LockStatesFollowTheKeyboardWhileSentKeysWait) {
    const auto capsOn = [] { return (GetKeyState(VK_CAPITAL) & 1) != 0; };
    const auto userSets = [&](bool on) {
        if (capsOn() != on)
            Tap(VK_CAPITAL);
        Settle();
        ASSERT_EQ(capsOn(), on);
    };

    userSets(true);
    EXPECT_EQ(keyboard.ReadLocks().CapsLock & 1, 1) << "read with the other locks";
    SetKeyState(keyboard, VK_CAPITAL, 0);
    SetKeyState(keyboard, VK_CAPITAL, 0);
    Settle();
    EXPECT_FALSE(capsOn()) << "the user's lock survives the burst";

    userSets(false);
    EXPECT_EQ(keyboard.ReadLocks().CapsLock & 1, 0);
    SetKeyState(keyboard, VK_CAPITAL, 1);
    SetKeyState(keyboard, VK_CAPITAL, 0);
    Settle();
    EXPECT_FALSE(capsOn()) << "a lock the burst switched on stays on";
}

// The mouse's buttons and wheel go out with the keys of their step, in one call and in order:
// the modifiers held around a click, each button's own press and release, one notch per wheel
// key-down and nothing for its key-up.
TEST_F(KeyboardTest, MouseRecordsArriveInOrderWithTheKeysAroundThem) {
    SetCursorPos(FocusedWindow::kLeft + 40, FocusedWindow::kTop + 30);
    CompiledKeys keys;
    FillKeyStep(keys, "CTRL", "MOUSE LEFT", 1, Vocabulary::Runner, keyboard);
    SendKey(keyboard, clock, keys, 1, 0);
    ASSERT_TRUE(window.WaitForEvent("key up 17"));
    const std::string at = " at 40,30 flags ";
    EXPECT_EQ(window.events, (std::vector<std::string>{"key down 17", "left down" + at + "9",
                                                       "left up" + at + "8", "key up 17"}));

    const auto sent = [&](std::uint16_t code, bool up) {
        return KeyInput{code, kMouseScanCode, up};
    };
    window.events.clear();
    // Longer than one call's batch, so that the order holds across calls too.
    const KeyInput buttons[] = {
        sent(kVkMouseRight, false), sent(kVkMouseRight, true), sent(kVkMouseMiddle, false),
        sent(kVkMouseMiddle, true), sent(kVkWheelUp, false),   sent(kVkWheelUp, true),
        sent(kVkMouseX1, false),    sent(kVkMouseX1, true),    sent(kVkWheelDown, false),
        sent(kVkWheelDown, true),   sent(kVkMouseX2, false),   sent(kVkMouseX2, true),
        sent(kVkWheelRight, false), sent(kVkWheelLeft, false), sent(kVkWheelLeft, true),
    };
    static_assert(std::size(buttons) > SendInputKeyboard::kMaxRecordsPerCall);
    keyboard.Send(buttons);
    Tap('Z');
    ASSERT_TRUE(window.WaitForEvent("key up 90"));
    EXPECT_EQ(
        window.events,
        (std::vector<std::string>{
            "right down" + at + "2", "right up" + at + "0", "middle down" + at + "16",
            "middle up" + at + "0", "wheel 120 flags 0", "x1 down" + at + "32", "x1 up" + at + "0",
            "wheel -120 flags 0", "x2 down" + at + "64", "x2 up" + at + "0", "hwheel 120 flags 0",
            "hwheel -120 flags 0", "key down 90", "key up 90"}));
}

// The exact move lands on the target pixel across the whole virtual screen, wherever it starts
// (a screen left of and above the primary one included), and stops at its edges.
TEST(ExactMove, LandsOnThePixelAsTheSystemScalesNormalisedCoordinates) {
    // The system takes a normalised coordinate n as pixel n * size / 65536 (truncated).
    const auto landsOn = [](const INPUT& input, const RECT& screen) {
        const auto pixel = [](LONG n, LONG low, LONG high) {
            return low + static_cast<LONG>(static_cast<long long>(n) * (high - low) / 65536);
        };
        return POINT{pixel(input.mi.dx, screen.left, screen.right),
                     pixel(input.mi.dy, screen.top, screen.bottom)};
    };
    for (const RECT screen : {RECT{0, 0, 1, 1}, RECT{0, 0, 1024, 768},
                              RECT{-1920, -300, 2560, 1440}, RECT{0, 0, 7680, 4320}}) {
        const LONG width = screen.right - screen.left;
        for (LONG x = screen.left; x < screen.right; x += std::max<LONG>(1, width / 997)) {
            const INPUT input =
                ExactMoveInput({screen.left, screen.bottom - 1}, x - screen.left, 0, screen);
            EXPECT_EQ(landsOn(input, screen).x, x) << width;
            EXPECT_EQ(landsOn(input, screen).y, screen.bottom - 1) << width;
            EXPECT_EQ(input.mi.dwFlags, static_cast<DWORD>(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE |
                                                           MOUSEEVENTF_VIRTUALDESK));
        }
        // To the last pixel exactly, one past it and far past it: the last pixel; likewise
        // before the first.
        const POINT last{screen.right - 1, screen.bottom - 1};
        const POINT first{screen.left, screen.top};
        for (const int past : {0, 1, 100000}) {
            const POINT high = landsOn(
                ExactMoveInput({last.x - 1, last.y - 1}, 1 + past, 1 + past, screen), screen);
            EXPECT_EQ(std::pair(high.x, high.y), std::pair(last.x, last.y)) << width << " " << past;
            const POINT low = landsOn(ExactMoveInput(first, -past, -past, screen), screen);
            EXPECT_EQ(std::pair(low.x, low.y), std::pair(first.x, first.y)) << width << " " << past;
        }
    }
}

// The system's pointer speed and acceleration while a test runs, restored after it.
class PointerSettings {
public:
    PointerSettings(int speed, std::array<int, 3> acceleration) {
        SystemParametersInfoW(SPI_GETMOUSESPEED, 0, &speed_, 0);
        SystemParametersInfoW(SPI_GETMOUSE, 0, acceleration_.data(), 0);
        SystemParametersInfoW(SPI_SETMOUSESPEED, 0, reinterpret_cast<void*>(INT_PTR{speed}), 0);
        SystemParametersInfoW(SPI_SETMOUSE, 0, acceleration.data(), 0);
    }
    ~PointerSettings() {
        SystemParametersInfoW(SPI_SETMOUSESPEED, 0, reinterpret_cast<void*>(INT_PTR{speed_}), 0);
        SystemParametersInfoW(SPI_SETMOUSE, 0, acceleration_.data(), 0);
    }
    PointerSettings(const PointerSettings&) = delete;
    PointerSettings& operator=(const PointerSettings&) = delete;

private:
    int speed_ = 10;
    std::array<int, 3> acceleration_{};
};

POINT PointerAt() {
    POINT at{};
    GetCursorPos(&at);
    return at;
}

// With the fastest speed and acceleration on, the exact move still goes exactly as far as
// asked, and stops at the edge of the virtual screen; a relative move goes further.
TEST_F(KeyboardTest, ExactMovesIgnoreThePointerSpeedAndAcceleration) {
    const PointerSettings fast(20, {2, 4, 2});
    const auto movedFrom = [&](POINT from, int dx, int dy) {
        SetCursorPos(from.x, from.y);
        if (!PumpUntil([&] { return PointerAt().x == from.x && PointerAt().y == from.y; }))
            return POINT{-1, -1};
        keyboard.MovePointer(dx, dy);
        PumpUntil([&] { return PointerAt().x != from.x || PointerAt().y != from.y; });
        return PointerAt();
    };
    // A relative move is scaled as a mouse's movement is (under Wine 8: four times as far).
    const POINT relative = movedFrom({400, 300}, 30, -20);
    EXPECT_GT(relative.x - 400, 30);
    EXPECT_LT(relative.y - 300, -20);

    keyboard.SetExactPointer(true);
    const POINT exact = movedFrom({400, 300}, 30, -20);
    EXPECT_EQ(std::pair(exact.x, exact.y), std::pair(430L, 280L));
    const POINT one = movedFrom({400, 300}, -1, 1);
    EXPECT_EQ(std::pair(one.x, one.y), std::pair(399L, 301L));
    const LONG right = GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const LONG bottom = GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const POINT edge = movedFrom({400, 300}, 100000, 100000);
    EXPECT_EQ(std::pair(edge.x, edge.y), std::pair(right - 1, bottom - 1));
    const POINT corner = movedFrom({right - 2, bottom - 2}, 1, 1);
    EXPECT_EQ(std::pair(corner.x, corner.y), std::pair(right - 1, bottom - 1));
    keyboard.SetExactPointer(false);
}

class RecordingTarget final : public HookTarget {
public:
    void DecodeKey(std::uint16_t vk, std::uint16_t mask) override {
        if (fails)
            throw AppError(err::DeviceIoError);
        decoded.push_back({vk, mask});
    }
    void ShowNote(std::string_view note) override { notes.emplace_back(note); }
    std::vector<std::pair<unsigned, unsigned>> decoded;
    std::vector<std::string> notes;
    bool fails = false;
};
using Decoded = std::vector<std::pair<unsigned, unsigned>>;

TEST_F(KeyboardTest, HookSwallowsTaskSwitchingAndCapturesNavigationUntilRemoved) {
    RecordingTarget target;
    testing::RecordingDialogs dialogs;
    KeyboardHook hook(dialogs);
    ASSERT_TRUE(hook.Install(target));
    EXPECT_EQ(dialogs.shown, std::vector<Message>{HookInstalledMessage()});

    Send(VK_MENU, false);
    Tap(VK_TAB);
    Tap(VK_ESCAPE);
    Send(VK_MENU, true);
    Send(VK_CONTROL, false);
    Tap(VK_ESCAPE);
    Send(VK_CONTROL, true);
    Settle();
    EXPECT_EQ(window.keys, (std::vector<SeenKey>{Down(VK_MENU, 0x38), Up(VK_MENU, 0x38),
                                                 Down(VK_CONTROL, 0x1D), Up(VK_CONTROL, 0x1D)}));
    EXPECT_EQ(target.notes, (std::vector<std::string>{"ALT + TAB blocked", "ALT + TAB blocked",
                                                      "ALT + ESC blocked", "ALT + ESC blocked",
                                                      "CTRL + ESC blocked", "CTRL + ESC blocked"}));
    EXPECT_TRUE(target.decoded.empty());

    window.keys.clear();
    Tap(VK_NEXT);
    Send(VK_SHIFT, false);
    Tap(VK_TAB);
    Send(VK_SHIFT, true);
    Settle();
    EXPECT_EQ(window.keys, (std::vector<SeenKey>{Down(VK_SHIFT, 0x2A), Up(VK_SHIFT, 0x2A)}));
    EXPECT_EQ(target.decoded,
              (Decoded{{VK_NEXT, 0}, {VK_NEXT, 0}, {VK_TAB, kShiftMask}, {VK_TAB, kShiftMask}}));

    // A fault of the target's is reported, and the key stays swallowed.
    window.keys.clear();
    target.fails = true;
    Tap(VK_NEXT);
    Settle();
    EXPECT_TRUE(window.keys.empty());
    const Message fault = msg::ErrorBox(AppError(err::DeviceIoError), "KB_Decode");
    EXPECT_EQ(dialogs.shown, (std::vector<Message>{HookInstalledMessage(), fault, fault}));
    target.fails = false;

    // Installing again, through this object or another, leaves one hook: removing that one
    // lets every key through.
    ASSERT_TRUE(hook.Install(target));
    {
        KeyboardHook other(dialogs);
        ASSERT_TRUE(other.Install(target));
        EXPECT_FALSE(hook.Installed());
    }
    target = {};
    window.keys.clear();
    Send(VK_MENU, false);
    Tap(VK_TAB);
    Send(VK_MENU, true);
    Tap(VK_NEXT);
    Settle();
    EXPECT_EQ(window.keys,
              (std::vector<SeenKey>{Down(VK_MENU, 0x38), Down(VK_TAB, 0x0F), Up(VK_TAB, 0x0F),
                                    Up(VK_MENU, 0x38), Down(VK_NEXT, 0x51), Up(VK_NEXT, 0x51)}));
    EXPECT_TRUE(target.notes.empty());
    EXPECT_TRUE(target.decoded.empty());
}

} // namespace
} // namespace qm
