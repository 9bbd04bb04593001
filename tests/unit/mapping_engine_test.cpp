// The mapping engine on a manual clock: edges, Repeat, Rotary, lock bursts, status texts.
#include "support/engine_rig.h"

namespace qm {
namespace {

// What a plain mapping sends, once on press and once on release: the keys scenario.
TEST_F(EngineTest, PlainMappingSendsEachChordAsOneBatch) {
    Load({{.press = "A", .release = "B"}, {.press = "X"}});
    Hold(1, true);
    Run(0.1);
    Hold(1, false);
    Run(0.1);
    EXPECT_EQ(status.changes, (std::vector<std::string>{"Input Devices: Button  1 pressed",
                                                        "Input Devices: Available"}));
    // Each chord is one batch down and one batch up.
    ASSERT_EQ(keyboard.Batches.size(), 4u);
    EXPECT_EQ(keyboard.Batches[1], (std::vector<KeyInput>{{'A', 0x1E, true}}));
}

// A device lost while a button is held: the mapping is released once, as if the button went up,
// whatever states the device last showed; then the device is quiet until it is back.
TEST_F(EngineTest, ALostDeviceReleasesWhatItHoldsOnceAndStaysQuietUntilItIsBack) {
    Load({{.press = "A", .release = "B"}, {.press = "C", .release = "D"}}, 2);
    devices.ButtonMap().Set(1, 2, 0);
    devices.ButtonMap().Set(2, 1, 2);
    Hold(1, true);
    Hold(1, true, 2);
    Pass();
    ASSERT_EQ(std::tuple(Count('A'), Count('C')), std::tuple(1u, 1u));
    keyboard.Batches.clear();

    reader.lost = {1};
    reader.notice = "Input Devices: Pad disconnected";
    Pass();
    Pass();
    EXPECT_EQ(std::tuple(Count('A'), Count('B'), Count('C'), Count('D')),
              std::tuple(0u, 1u, 0u, 0u));
    EXPECT_EQ(tables.Press(1).Pressed, 0);
    EXPECT_EQ(status.current, "Input Devices: Button  1 pressed"); // device 2 still held
    Hold(1, false, 2);
    Pass();
    EXPECT_EQ(status.current, "Input Devices: Pad disconnected");

    // Back with its button still down: a new press.
    reader.lost.clear();
    Pass();
    EXPECT_EQ(Count('A'), 1u);
}

TEST_F(EngineTest, RotaryMultipliesFastTurnsOnly) {
    Load({{.press = "R", .release = "L", .rotary = true, .multiplier = 4}});
    engine.Settings.RotaryRate = 0.25;
    // Press and release sent Multiplier times for an edge less than the rate after the last
    // one; exactly the rate after it is slow.
    for (const auto& [gap, sends] :
         {std::pair{0.0, 1u}, std::pair{0.125, 4u}, std::pair{0.25, 1u}, std::pair{1.0, 1u}}) {
        keyboard.Batches.clear();
        clock.Advance(gap);
        Hold(1, true);
        Pass();
        Hold(1, false);
        Pass();
        EXPECT_EQ(std::tuple(Count('R'), Count('L')), std::tuple(sends, sends)) << gap;
    }
    // Both Repeat and Rotary: Rotary.
    Load({{.press = "T", .repeat = true, .rotary = true, .multiplier = 2}});
    Hold(1, true);
    Run(1.0);
    EXPECT_EQ(Count('T'), 1u);
}

TEST_F(EngineTest, RepeatSendsOnlyOnceTheRateHasPassed) {
    Load({{.press = "P", .release = "Q", .repeat = true}});
    engine.Settings.RepeatRate = 0.5;
    Hold(1, true);
    Pass(); // sends at 1000
    clock.Set(1000.5);
    Pass(); // exactly the rate later: not yet
    EXPECT_EQ(Count('P'), 1u);
    clock.Set(1000.5 + 1.0 / 1024);
    Pass();
    EXPECT_EQ(Count('P'), 2u);

    // A new press within the interval does not restart it, nor send at once.
    Hold(1, false);
    Run(0.2);
    EXPECT_EQ(Count('Q'), 1u);
    Hold(1, true);
    Run(0.29);
    EXPECT_EQ(Count('P'), 2u);
    Run(0.03);
    EXPECT_EQ(Count('P'), 3u);
}

TEST_F(EngineTest, UnhandledMappingsSendNothingButCountAsDown) {
    Load({{.press = "A", .release = "B", .valid = false},
          {.release = "C"}, // no press key: never pressed, never released
          {.press = "D"}});
    status.current = "Input Devices: Button  3 pressed";
    Hold(1, true);
    Hold(2, true);
    Pass();
    EXPECT_EQ(status.current, "Input Devices: Button  3 pressed"); // a held mapping keeps it
    Hold(1, false);
    Hold(2, false);
    Pass();
    EXPECT_TRUE(keyboard.Batches.empty());
    EXPECT_EQ(status.current, "Input Devices: Available");
    // An unmapped button never holds the status back.
    Hold(8, true);
    status.current = "x";
    Pass();
    EXPECT_EQ(status.current, "Input Devices: Available");
}

TEST_F(EngineTest, ReleaseIsNeverSentForAPressFromBeforeAReload) {
    Load({{.press = "A", .release = "B"}});
    Hold(1, true);
    Pass();
    Load({{.press = "A", .release = "B"}}); // Stop, then Run again: the tables are fresh
    Hold(1, true);
    Hold(1, false);
    Run(0.1);
    EXPECT_EQ(Pressed(), (std::vector<int>{'A'}));
}

// The locks are read once in a pass that sends, before its first key, and kept for the bursts
// after it; a lock the user switches between two passes is seen by the next.
TEST_F(EngineTest, APassReadsTheLocksOnceBeforeItsFirstBurst) {
    Load({{.press = "A", .release = "B", .num = 1}, {.press = "C", .caps = 1}});
    keyboard.SetToggled(kVkScrollLock, true);
    std::vector<int> readsAtSend;
    keyboard.OnSend = [&](std::span<const KeyInput>) { readsAtSend.push_back(keyboard.LockReads); };
    Hold(1, true);
    Hold(2, true);
    Pass();
    EXPECT_EQ(std::tuple(keyboard.LockReads, keyboard.KeyReads), std::tuple(1, 0));
    EXPECT_EQ(readsAtSend.front(), 1);
    // Scroll Lock off, Num Lock on, A, Num Lock off; Caps Lock on, C, Caps Lock off.
    EXPECT_EQ(Pressed(), (std::vector<int>{kVkNumLock, kVkScrollLock, 'A', kVkNumLock, kVkCapsLock,
                                           'C', kVkCapsLock}));
    Pass(); // held: nothing sent, nothing read
    EXPECT_EQ(keyboard.LockReads, 1);

    keyboard.SetToggled(kVkCapsLock, true); // by the user
    Hold(1, false);
    Pass();
    EXPECT_EQ(keyboard.LockReads, 2);
    for (auto lock : {kVkNumLock, kVkCapsLock, kVkScrollLock})
        EXPECT_FALSE(keyboard.Toggled(lock)) << lock;
}

TEST_F(EngineTest, AQuietDeviceIsExaminedWhileAPressThroughItAwaitsRelease) {
    Load({{.press = "A", .release = "B"}, {.press = "A", .release = "B"}}, 2);
    devices.ButtonMap().Set(1, 2, 0);
    devices.ButtonMap().Set(2, 1, 2);
    Hold(1, true);
    Hold(1, true, 2); // both held
    Pass();
    Hold(1, false); // the first is quiet again while the second's button stays down
    Pass();
    EXPECT_EQ(Pressed(), (std::vector<int>{'A', 'A', 'B'}));
}

TEST_F(EngineTest, APassEndsWhenADeviceWasJustAcquired) {
    Load({{.press = "A"}}, 2);
    Hold(1, true);
    reader.endPassAt = 1;
    status.current = "x";
    Pass();
    // One read, nothing sent, the status left alone.
    EXPECT_EQ(std::tuple(reader.reads, keyboard.Batches.size(), status.current),
              std::tuple(1, 0u, "x"));
}

TEST_F(EngineTest, AnErrorEndsThePassWithOneBoxAndNoPassRunsWhileItIsOpen) {
    Load({{.press = "A"}});
    devices.ButtonMap().Set(1, 2, 7); // no mapping 7
    Hold(2, true);
    int nestedReads = -1;
    dialogs.onShow = [&] {
        const int before = reader.reads;
        Pass(); // a timer tick while the box is open
        nestedReads = reader.reads - before;
    };
    Pass();
    EXPECT_EQ(dialogs.shown,
              std::vector{msg::ErrorBox(AppError(err::SubscriptOutOfRange), "MyDXCallback")});
    EXPECT_EQ(nestedReads, 0);
}

// Changes buffered between passes, drained on the device's event: a tap shorter than a poll
// gives its press and its release, each change in order, through the pass's own rules.
TEST_F(EngineTest, BufferedChangesAreEdgesInTheirOrder) {
    Load({{.press = "A", .release = "B"}, {.press = "C", .release = "D"}});
    // Button 1 tapped, then button 2 pressed, all before the drain.
    Change(1, true);
    Change(1, false);
    Change(2, true);
    Edges();
    EXPECT_EQ(Records(), (std::vector<int>{'A', -'A', 'B', -'B', 'C', -'C'}));
    // The pass that follows finds button 2 held and pressed already: nothing more.
    Pass();
    EXPECT_EQ(keyboard.Batches.size(), 6u);
    // A pass drains first: a tap buffered since is not lost to the state it looks at.
    Change(2, false);
    Change(1, true);
    Change(1, false);
    Pass();
    EXPECT_EQ(Records(),
              (std::vector<int>{'A', -'A', 'B', -'B', 'C', -'C', 'D', -'D', 'A', -'A', 'B', -'B'}));
    EXPECT_EQ(status.current, "Input Devices: Available");
    // A button of no mapping sends nothing.
    reader.buffered.push_back({1, 8, true, 0});
    Edges();
    EXPECT_EQ(keyboard.Batches.size(), 12u);
}

// Rotary times a buffered press by its own stamp: detents drained together after a wait are
// as fast as they were turned, not as close as they were read.
TEST_F(EngineTest, RotaryTimesABufferedPressByItsStamp) {
    Load({{.press = "R", .rotary = true, .multiplier = 4}});
    engine.Settings.RotaryRate = 0.25;
    for (const auto& [first, second, sends] :
         {std::tuple{0.5, 0.25, 1u}, std::tuple{0.5, 0.2578125, 4u}, std::tuple{0.5, 0.0, 1u},
          std::tuple{0.125, 0.0, 4u}}) {
        clock.Advance(1.0);
        keyboard.Batches.clear();
        Change(1, true, first);
        Change(1, false, first);
        Change(1, true, second);
        Change(1, false, second);
        Edges();
        // The second detent: exactly the rate after the first is slow, less is fast.
        EXPECT_EQ(Count('R'), 1u + sends) << first << " " << second;
    }
}

constexpr int kShift = 0x10;

// Hold: the press keys go down at the press, in order, and stay down (no Repeat, no Rotary)
// until the release, which lifts them in reverse order before the release keys.
TEST_F(EngineTest, HoldKeepsTheKeysDownUntilTheControlIsReleased) {
    Load({{.press = "WX", .release = "B", .repeat = true, .rotary = true, .hold = true}});
    Hold(1, true);
    Run(2.0);
    EXPECT_EQ(Records(), (std::vector<int>{'W', 'X'}));
    Hold(1, false);
    Pass();
    EXPECT_EQ(Records(), (std::vector<int>{'W', 'X', -'X', -'W', 'B', -'B'}));
    EXPECT_FALSE(engine.HoldsKeys());
}

// One record of held keys: a key two rows hold goes up with the last of them, and a chord sent
// meanwhile that contains it leaves it down.
TEST_F(EngineTest, AKeyHeldForTwoRowsGoesUpWithTheLastAndChordsLeaveItDown) {
    Load({{.press = "W", .hold = true}, {.press = "S", .hold = true}, {.press = "A"}});
    Chord(1, "SHIFT + W", "W");
    Chord(2, "SHIFT + S", "S");
    Chord(3, "SHIFT + A", "A");
    for (int b : {1, 2, 3})
        Hold(b, true), Pass();
    EXPECT_EQ(Records(), (std::vector<int>{kShift, 'W', 'S', kShift, 'A', -'A'}));
    Hold(1, false), Pass();
    EXPECT_EQ(Down(), (std::set<int>{kShift, 'S'}));
    Hold(2, false), Pass();
    EXPECT_EQ(Down(), std::set<int>{});
}

// Every path empties the record: ReleaseHeld (Stop, a switch, the end), a box (the error
// box too) and the engine's end (a lost device: the lost script). A row released later sends its
// release keys only. A mouse button held (a drag) is in the same record.
TEST_F(EngineTest, EveryPathLetsTheHeldKeysGo) {
    for (const int held : {int{'W'}, int{kVkMouseLeft}}) {
        Load({{.press = "W", .release = "B", .hold = true}, {.press = "A"}});
        if (held == kVkMouseLeft)
            Chord(1, "MOUSE LEFT", "MOUSE LEFT");
        Hold(1, true), Pass();
        engine.ReleaseHeld();
        EXPECT_EQ(Down(), std::set<int>{});
        Hold(1, false), Pass();
        EXPECT_EQ(Records(), (std::vector<int>{held, -held, 'B', -'B'}));

        keyboard.Batches.clear();
        Hold(1, true), Pass();
        devices.ButtonMap().Set(1, 3, 9); // no mapping 9: the pass fails
        Hold(3, true);
        std::set<int> downAtBox = {0};
        dialogs.onShow = [&] { downAtBox = Down(); };
        Pass();
        EXPECT_EQ(downAtBox, std::set<int>{});
        devices.ButtonMap().Set(1, 3, 0);
        Hold(3, false), Hold(1, false), Pass();

        keyboard.Batches.clear();
        {
            MappingEngine ending{reader, keyboard, clock, dialogs};
            Hold(1, true);
            ending.Pass(devices.ButtonMap(), tables.PressKeys, tables.ReleaseKeys, policy);
            EXPECT_EQ(Down(), std::set<int>{held});
        }
        EXPECT_EQ(Down(), std::set<int>{});
        Hold(1, false);
        keyboard.Batches.clear();
    }
}

// A held row's lock stays forced while it is held, across other rows' bursts, and ends at its
// release.
TEST_F(EngineTest, AHeldRowsLockStaysForcedUntilItsRelease) {
    Load({{.press = "W", .num = 1, .hold = true}, {.press = "A"}});
    Hold(1, true), Pass();
    EXPECT_TRUE(keyboard.Toggled(kVkNumLock));
    Hold(2, true), Pass();
    EXPECT_TRUE(keyboard.Toggled(kVkNumLock));
    Hold(1, false), Pass();
    EXPECT_FALSE(keyboard.Toggled(kVkNumLock));
    Hold(1, true), Pass();
    engine.ReleaseHeld();
    EXPECT_FALSE(keyboard.Toggled(kVkNumLock));
}

} // namespace
} // namespace qm
