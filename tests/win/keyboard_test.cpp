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

#include <algorithm>
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

// A top-level window of the test that holds the keyboard focus and keeps every key message it
// receives (without acting on them, so ALT does not open a menu).
class FocusedWindow {
public:
    FocusedWindow() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &Procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QmKeyboardTestWindow";
        RegisterClassExW(&wc);
        window_ = CreateWindowExW(0, wc.lpszClassName, L"keyboard test", WS_POPUP, 0, 0, 200, 100,
                                  nullptr, nullptr, wc.hInstance, nullptr);
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

    static inline std::vector<SeenKey> keys;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN && message != WM_KEYUP &&
            message != WM_SYSKEYUP)
            return DefWindowProcW(window, message, wParam, lParam);
        keys.push_back({message == WM_KEYUP || message == WM_SYSKEYUP,
                        static_cast<unsigned>(wParam), static_cast<unsigned>((lParam >> 16) & 0xFF),
                        ((lParam >> 24) & 1) != 0});
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
    SetKeyState(keyboard, VK_CAPITAL, 0);
    SetKeyState(keyboard, VK_CAPITAL, 0);
    Settle();
    EXPECT_FALSE(capsOn()) << "the user's lock survives the burst";

    userSets(false);
    SetKeyState(keyboard, VK_CAPITAL, 1);
    SetKeyState(keyboard, VK_CAPITAL, 0);
    Settle();
    EXPECT_FALSE(capsOn()) << "a lock the burst switched on stays on";
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
