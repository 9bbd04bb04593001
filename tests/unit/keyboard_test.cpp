#include "core/app_error.h"
#include "core/key_names.h"
#include "keyboard/hook_policy.h"
#include "keyboard/lock_keeping_keyboard.h"
#include "keyboard/recording_keyboard.h"
#include "keyboard/send_keys.h"
#include "support/fakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

namespace qm {
namespace {

using ::testing::DoubleEq;
using ::testing::ElementsAre;

KeyStep StepOf(std::initializer_list<KeySlot> slots) {
    KeyStep step;
    std::size_t n = 0;
    for (const auto& slot : slots)
        step.Slots[n++] = slot;
    return step;
}

const auto Down = [](std::uint16_t vk, std::uint16_t scan) { return KeyInput{vk, scan, false}; };
const auto Up = [](std::uint16_t vk, std::uint16_t scan) { return KeyInput{vk, scan, true}; };

using Batches = std::vector<std::vector<KeyInput>>;

class SendKeyTest : public ::testing::Test {
protected:
    UsLayoutScanCodes layout;
    RecordingKeyboard keyboard{layout};
    ManualClock clock;
    CompiledKeys keys;
};

// A chord's order, its scan codes and the navigation keys flagged as extended when asked, as the
// system receives them: tests/win/keyboard_test.
TEST_F(SendKeyTest, PressesInSlotOrderInOneCallAndReleasesInReverseInAnother) {
    keys.Step(16) =
        StepOf({{kVkShift, 0x2A}, {kVkControl, 0x1D}, {kVkMenu, 0x38}, {46, 0x53}}); // Delete
    SendKey(keyboard, clock, keys, 16, 0);
    EXPECT_EQ(keyboard.Batches,
              (Batches{{Down(16, 0x2A), Down(17, 0x1D), Down(18, 0x38), Down(46, 0x53)},
                       {Up(46, 0x53), Up(18, 0x38), Up(17, 0x1D), Up(16, 0x2A)}}));
}

TEST_F(SendKeyTest, HoldsTheChordForTheClampedKeyHoldOnTheClock) {
    keys.Step(1) = StepOf({{'A', 0x1E}});
    std::vector<double> sentAt;
    keyboard.OnSend = [&](std::span<const KeyInput>) { sentAt.push_back(clock.Now()); };

    for (const auto& [hold, waited] : {std::pair{50, 0.050}, {0, 0.0}, {-20, 0.0}, {90000, 60.0}}) {
        sentAt.clear();
        clock.Set(100);
        SendKey(keyboard, clock, keys, 1, hold);
        EXPECT_THAT(sentAt, ElementsAre(DoubleEq(100), DoubleEq(100 + waited))) << hold;
    }
}

// An empty step waits but sends no empty batch; a slot after a gap is neither pressed nor
// released; a step outside 1 to 16 is an error.
TEST_F(SendKeyTest, SendsOnlyTheSlotsBeforeTheFirstEmptyOne) {
    keys.Step(3) = StepOf({{}, {'B', 0x30}});
    SendKey(keyboard, clock, keys, 3, 40);
    EXPECT_TRUE(keyboard.Batches.empty());
    EXPECT_DOUBLE_EQ(clock.Now(), 0.040);

    keys.Step(4) = StepOf({{kVkShift, 0x2A}, {}, {'B', 0x30}});
    SendKey(keyboard, clock, keys, 4, 0);
    EXPECT_EQ(keyboard.Batches, (Batches{{Down(16, 0x2A)}, {Up(16, 0x2A)}}));
    for (const int step : {0, 17})
        EXPECT_EQ(testing::ErrorOf([&] { SendKey(keyboard, clock, keys, step, 0); }).number(),
                  err::SubscriptOutOfRange);
}

// Only the ten keys that share their scan codes with the keypad go out as extended, and only
// when asked: the edges of the two ranges, by virtual key, 33 to 40, then 45 and 46.
TEST(SendsExtendedTest, OnlyTheNavigationKeysAndOnlyWhenAsked) {
    for (std::uint16_t vk = 0; vk < 256; ++vk) {
        const bool extended = (vk >= 33 && vk <= 40) || vk == 45 || vk == 46;
        EXPECT_EQ(SendsExtended(vk, NavigationKeys::AsExtended), extended) << vk;
        EXPECT_FALSE(SendsExtended(vk, NavigationKeys::AsKeypad)) << vk;
    }
}

TEST(ClampKeyHoldTest, WholeMillisecondsWithinZeroToSixtySeconds) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, int> cases[] = {
        {nan, 0},   {-inf, 0},      {-1, 0},          {0.5, 0},       {1.5, 2},     {2.5, 2},
        {49.4, 49}, {60000, 60000}, {59999.6, 60000}, {1e300, 60000}, {inf, 60000},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(ClampKeyHold(in), out) << in;
}

TEST(SetKeyStateTest, TapsTheLockOnlyWhenItsToggleBitDiffers) {
    // on, held, wanted, tapped
    const std::tuple<bool, bool, std::int16_t, bool> cases[] = {
        {false, false, 1, true},  {true, false, 1, false}, {true, false, 0, true},
        {false, false, 0, false}, {true, true, 1, false},  {false, true, 1, true},
        {true, true, 0, true},
    };
    const UsLayoutScanCodes layout;
    for (const std::uint16_t vk : {kVkNumLock, kVkCapsLock, kVkScrollLock}) {
        for (const auto& [on, held, wanted, tapped] : cases) {
            RecordingKeyboard keyboard(layout);
            keyboard.SetToggled(vk, on);
            keyboard.SetHeld(vk, held);
            SetKeyState(keyboard, vk, wanted);
            const auto scan = layout.ScanCodeOf(vk);
            const Batches tap{{Down(vk, scan), Up(vk, scan)}};
            EXPECT_EQ(keyboard.Batches, tapped ? tap : Batches{})
                << vk << " on " << on << " held " << held << " wanted " << wanted;
        }
    }
}

// Read once, the locks follow what is sent (a lock forced twice, a lock sent as a key, a lock
// key held by the user), until forgotten; other keys are asked for every time.
TEST(LockKeepingKeyboardTest, ReadsTheLocksOnceAndFollowsWhatIsSentUntilForgotten) {
    const UsLayoutScanCodes layout;
    RecordingKeyboard system(layout);
    LockKeepingKeyboard keyboard(system);
    system.SetToggled(kVkCapsLock, true);
    const auto on = [&](std::uint16_t vk) { return (keyboard.GetKeyState(vk) & 1) != 0; };

    // A lock the user switched on, forced off twice: one tap, one read.
    SetKeyState(keyboard, kVkCapsLock, 0);
    SetKeyState(keyboard, kVkCapsLock, 0);
    SetKeyState(keyboard, kVkNumLock, 1);
    SetKeyState(keyboard, kVkNumLock, 0);
    EXPECT_FALSE(system.Toggled(kVkCapsLock) || system.Toggled(kVkNumLock));
    EXPECT_EQ(system.Batches.size(), 3u);

    // Sent as a key: down toggles and holds, up lets go.
    const std::uint16_t scroll = layout.ScanCodeOf(kVkScrollLock);
    const KeyInput down{kVkScrollLock, scroll, false}, up{kVkScrollLock, scroll, true};
    keyboard.Send({&down, 1});
    EXPECT_EQ(keyboard.GetKeyState(kVkScrollLock), system.GetKeyState(kVkScrollLock));
    keyboard.Send({&up, 1});
    EXPECT_TRUE(on(kVkScrollLock));
    EXPECT_EQ(std::tuple(system.LockReads, system.KeyReads), std::tuple(1, 1));

    // Switched by the user: seen once forgotten.
    system.SetToggled(kVkScrollLock, false);
    EXPECT_TRUE(on(kVkScrollLock));
    keyboard.Forget();
    EXPECT_FALSE(on(kVkScrollLock));
    EXPECT_EQ(system.LockReads, 2);

    // A lock key the user holds down does not toggle on a press sent meanwhile (a repeat).
    system.SetHeld(kVkScrollLock, true);
    keyboard.Forget();
    EXPECT_EQ(keyboard.ReadLocks().ScrollLock, static_cast<std::int16_t>(0x8000));
    keyboard.Send({&down, 1});
    EXPECT_EQ(keyboard.GetKeyState(kVkScrollLock), static_cast<std::int16_t>(0x8000));
    keyboard.Send({&up, 1});
    EXPECT_EQ(keyboard.GetKeyState(kVkScrollLock), 0);

    // Any other key is the system's, every time.
    system.SetHeld('A', true);
    EXPECT_LT(keyboard.GetKeyState('A'), 0);
    EXPECT_EQ(system.KeyReads, 2);
}

// The plain chords blocked and captured through the system's hook: tests/win/keyboard_test. Here,
// which wins when more is held, and the ALT flag and the ALT key apart.
TEST(HookPolicyTest, BlocksTaskSwitchingCapturesNavigationAndPassesTheRest) {
    constexpr std::uint16_t kTab = 9, kEsc = 27, kPageDown = 34, kHome = 36;
    constexpr auto Pass = HookDecision{};
    const auto Block = [](std::string_view note) { return HookDecision{HookAction::Block, note}; };
    const auto Capture = [](std::uint16_t mask) {
        return HookDecision{HookAction::Capture, {}, mask};
    };
    // event: key, ALT flag of the event, SHIFT, CTRL, ALT held
    const std::pair<HookKeyEvent, HookDecision> cases[] = {
        {{kEsc, true, false, true, true}, Block("CTRL + ESC blocked")},
        {{kTab, true, true, true, true}, Block("ALT + TAB blocked")},
        {{kEsc, false, false, false, true}, Block("ALT + ESC blocked")}, // not flagged
        {{kTab, false, false, false, true}, Block("ALT + TAB blocked")}, // not flagged
        {{kTab, true, false, false, false}, Block("ALT + TAB blocked")}, // flagged, not held
        {{kEsc, false, true, false, false}, Pass},
        {{kHome, false, true, true, false}, Capture(kShiftMask | kCtrlMask)},
        {{kPageDown, true, true, true, true}, Capture(kShiftMask | kCtrlMask | kAltMask)},
        {{kPageDown, true, false, false, false}, Capture(0)}, // the mask is the held keys
        {{'A', false, false, true, false}, Pass},
    };
    for (const auto& [event, decision] : cases)
        EXPECT_EQ(DecideHookEvent(event), decision)
            << "key " << event.VirtualKey << " flag " << event.AltFlag << " held "
            << event.ShiftHeld << event.CtrlHeld << event.AltHeld;

    // Exactly TAB, PAGE UP, PAGE DOWN, END, HOME and the four arrows are captured.
    std::vector<std::uint16_t> captured;
    for (std::uint16_t vk = 0; vk < 256; ++vk)
        if (DecideHookEvent({vk}).Action == HookAction::Capture)
            captured.push_back(vk);
    EXPECT_EQ(captured, (std::vector<std::uint16_t>{9, 33, 34, 35, 36, 37, 38, 39, 40}));
}

} // namespace
} // namespace qm
