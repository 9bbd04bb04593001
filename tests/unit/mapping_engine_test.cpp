// The mapping engine on a manual clock: edges, Repeat, Rotary, lock bursts, status texts.
#include "core/key_names.h"
#include "core/messages.h"
#include "engine/configuration_loader.h"
#include "engine/control_binding.h"
#include "engine/runner_engine_policy.h"
#include "keyboard/recording_keyboard.h"
#include "support/fakes.h"
#include "support/qmf_builder.h"

#include <gtest/gtest.h>

#include <set>

namespace qm {
namespace {

class FakeReader final : public DeviceReader {
public:
    std::vector<std::vector<std::uint8_t>> states; // per device, byte b-1
    int endPassAt = 0;                             // device whose read ends the pass
    int reads = 0;
    std::vector<ButtonEdge> buffered; // taken (and forgotten) by the next drain
    std::vector<ButtonEdge> taken;

    int DeviceCount() const override { return static_cast<int>(states.size()); }
    bool ReadDevice(int d, int& buttons) override {
        ++reads;
        buttons = static_cast<int>(ButtonStates(d).size());
        return d != endPassAt;
    }
    bool ButtonDown(int d, int b) const override { return ButtonStates(d)[b - 1u] != 0; }
    std::span<const std::uint8_t> ButtonStates(int d) const override { return states[d - 1u]; }
    std::span<const ButtonEdge> TakeEdges() override {
        taken = std::move(buffered);
        buffered.clear();
        return taken;
    }
    bool Lost(int d) const override { return lost.contains(d); }
    std::string_view Notice() const override { return notice; }
    const ControlStates* Controls(int d) const override {
        return d <= static_cast<int>(controls.size()) ? &controls[d - 1u] : nullptr;
    }
    std::vector<ControlStates> controls; // per device; none past its end
    std::set<int> lost;
    std::string notice;
};

class StatusLog final : public StatusSink {
public:
    void SetStatusText(std::string_view text) override {
        if (text != current)
            changes.emplace_back(text);
        current = text;
    }
    std::string current = "Input Devices: Available";
    std::vector<std::string> changes;
};

struct Mapping {
    std::string press = {}, release = {}; // one key (a letter) per step
    bool repeat = false, rotary = false, valid = true;
    std::int16_t multiplier = 1, num = 0, caps = 0, scroll = 0;
    bool hold = false;
    // A hat or axis row ("HAT UP", "AXIS +") of that number, bound instead of a button.
    std::string control = {};
    int number = 1;
    std::string pressPoint = {}, releasePoint = {};
};

// Devices of 8 buttons; button b of device 1 is bound to mapping b.
class EngineTest : public ::testing::Test {
protected:
    void Load(const std::vector<Mapping>& mappings, int deviceCount = 1) {
        devices.Clear();
        for (int d = 0; d < deviceCount; ++d)
            devices.AddDevice({true, 0, "{G" + std::to_string(d) + "}", "Pad", 8});
        reader.states.assign(static_cast<std::size_t>(deviceCount), std::vector<std::uint8_t>(8));
        tables = RunnerTables{};
        const auto compile = [&](CompiledKeys& keys, const std::string& letters) {
            for (std::size_t s = 0; s < letters.size(); ++s)
                FillKeyStep(keys, letters.substr(s, 1), letters.substr(s, 1),
                            static_cast<int>(s + 1), Vocabulary::Runner, layout);
        };
        bool eightWay = false;
        for (const auto& m : mappings)
            eightWay |= m.control.starts_with("HAT") && ParseControlCode(m.control)->Direction % 2;
        for (const auto& m : mappings) {
            tables.Mappings.push_back({.Valid = m.valid});
            CompiledKeys& press = tables.PressKeys.emplace_back();
            CompileBehaviour({.Repeat = m.repeat,
                              .Rotary = m.rotary,
                              .Hold = m.hold,
                              .IsControl = !m.control.empty(),
                              .Multiplier = m.multiplier,
                              .NumLock = m.num != 0,
                              .CapsLock = m.caps != 0,
                              .ScrollLock = m.scroll != 0},
                             press);
            compile(press, m.press);
            compile(tables.ReleaseKeys.emplace_back(), m.release);
            ++tables.MappingCount;
            if (m.control.empty()) {
                devices.ButtonMap().Set(1, tables.MappingCount, tables.MappingCount);
                continue;
            }
            ControlFields fields;
            fields.Which = *ParseControlCode(m.control);
            fields.Points = PointsOf(fields.Which, m.pressPoint, m.releasePoint);
            devices.ButtonMap().AddControl(
                1, BindControl(fields, m.number, tables.MappingCount, eightWay));
        }
        reader.controls.assign(static_cast<std::size_t>(deviceCount), ControlStates{});
        for (auto& c : reader.controls)
            c.Axes.fill(32767);
        policy.Recount();
    }

    void Hold(int button, bool down, int device = 1) {
        reader.states[device - 1u][button - 1u] = down;
    }
    void Axis(int axis, std::int32_t value, int device = 1) {
        reader.controls[device - 1u].Axes[axis - 1u] = value;
    }
    void Hat(int hat, std::uint32_t value, int device = 1) {
        reader.controls[device - 1u].Hats[hat - 1u] = value;
    }
    // Passes every 10 ms for `seconds`.
    void Run(double seconds) {
        for (double t = 0; t < seconds - 1e-9; t += 0.01) {
            Pass();
            clock.Advance(0.01);
        }
    }
    void Pass() { engine.Pass(devices.ButtonMap(), tables.PressKeys, tables.ReleaseKeys, policy); }
    // A button change a device buffered, `age` seconds before the drain; its state follows.
    void Change(int button, bool down, double age = 0, int device = 1) {
        reader.buffered.push_back({device, button, down, age});
        Hold(button, down, device);
    }
    void Edges() {
        engine.Edges(devices.ButtonMap(), tables.PressKeys, tables.ReleaseKeys, policy);
    }
    // The virtual keys of every record, a release as its negative.
    std::vector<int> Records() const {
        std::vector<int> keys;
        for (const auto& batch : keyboard.Batches)
            for (const auto& r : batch)
                keys.push_back(r.KeyUp ? -r.VirtualKey : r.VirtualKey);
        return keys;
    }

    // The virtual keys pressed, one entry per press record.
    std::vector<int> Pressed() const {
        std::vector<int> keys;
        for (const auto& batch : keyboard.Batches)
            for (const auto& r : batch)
                if (!r.KeyUp)
                    keys.push_back(r.VirtualKey);
        return keys;
    }
    std::size_t Count(int key) const { return std::ranges::count(Pressed(), key); }
    // The keys down after every record so far.
    std::set<int> Down() const {
        std::set<int> down;
        for (int key : Records())
            key > 0 ? (void)down.insert(key) : (void)down.erase(-key);
        return down;
    }
    // Step 1 of mapping m's press side becomes a chord such as "SHIFT + W".
    void Chord(int m, const std::string& text, const std::string& name) {
        tables.Press(m).Step(1) = {};
        FillKeyStep(tables.Press(m), text, name, 1, Vocabulary::Runner, layout);
    }

    UsLayoutScanCodes layout;
    DeviceTables devices;
    FakeReader reader;
    RecordingKeyboard keyboard{layout};
    ManualClock clock;
    testing::RecordingDialogs dialogs;
    StatusLog status;
    RunnerTables tables;
    RunnerEnginePolicy policy{tables, status};
    MappingEngine engine{reader, keyboard, clock, dialogs};

    void SetUp() override { clock.Set(1000); } // a monotonic clock is far from zero
};

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

TEST_F(EngineTest, EveryBurstForcesItsLocksThenLeavesThemAllOff) {
    Load({{.press = "A", .release = "B", .num = 1}, {.press = "C", .caps = 1, .scroll = 1}});
    keyboard.SetToggled(kVkCapsLock, true);
    keyboard.SetToggled(kVkScrollLock, true);
    // Num Lock on for the burst, Caps Lock and Scroll Lock forced off, then Num Lock off; Caps
    // Lock and Scroll Lock forced on for a burst go off after it too.
    for (int button : {1, 2}) {
        Hold(button, true);
        Pass();
        for (auto lock : {kVkNumLock, kVkCapsLock, kVkScrollLock})
            EXPECT_FALSE(keyboard.Toggled(lock)) << button << " " << lock;
    }
    const auto pressed = Pressed();
    EXPECT_EQ(std::vector(pressed.begin(), pressed.begin() + 5),
              (std::vector<int>{kVkNumLock, kVkCapsLock, kVkScrollLock, 'A', kVkNumLock}));
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

} // namespace
} // namespace qm

namespace qm {
namespace {

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

} // namespace
} // namespace qm

namespace qm {
namespace {

constexpr int kShift = 0x10;

// An axis direction presses at exactly its press point and releases only below its release
// point; a band presses within itself and releases only outside its release band.
TEST_F(EngineTest, AxisRowsPressAtTheirPointAndReleaseOnlyPastTheirReleasePoint) {
    Load({{.press = "A", .release = "B", .control = "AXIS +", .number = 1},
          {.press = "C", .control = "AXIS -", .number = 1},
          {.press = "D",
           .release = "E",
           .control = "AXIS BAND",
           .number = 7,
           .pressPoint = "40-60",
           .releasePoint = "35-65"}});
    Axis(7, 0);
    // X axis + at 50 %, released below 30 %: 49152 is the first value 50 % from the centre.
    for (const auto& [value, down] : {std::pair{49151, false},
                                      {49152, true},
                                      {42598, true},
                                      {60000, true},
                                      {42597, false},
                                      {49151, false}}) {
        Axis(1, value);
        Pass();
        EXPECT_EQ(Down().contains('A') || policy.Pressed(1), down) << value;
    }
    EXPECT_EQ(Records(), (std::vector<int>{'A', -'A', 'B', -'B'}));
    // The - side: 16383 is the first value 50 % below the centre.
    keyboard.Batches.clear();
    for (int value : {16384, 16383})
        Axis(1, value), Pass();
    EXPECT_EQ(Records(), (std::vector<int>{'C', -'C'}));
    Axis(1, 32767), Pass();
    // The band: 26214 is 40 % of the range, 39321 is 60 %; held until below 35 % (22938).
    for (const auto& [value, pressed] : {std::pair{26213, false},
                                         {26214, true},
                                         {39322, true},
                                         {22938, true},
                                         {22937, false},
                                         {39321, true},
                                         {42597, true},
                                         {42598, false}}) {
        Axis(7, value);
        Pass();
        EXPECT_EQ(policy.Pressed(3), pressed) << value;
    }
}

// A four-way hat presses both directions beside a diagonal; once a hat has a diagonal row, its
// rows are eight-way and each takes its own 45 degrees. Centred (low word 0xFFFF) releases.
TEST_F(EngineTest, HatRowsTakeTheirSectorsAndACentredHatReleases) {
    Load({{.press = "U", .control = "HAT UP"}, {.press = "R", .control = "HAT RIGHT"}});
    for (const auto& [value, up, right] : {std::tuple{0u, true, false},
                                           {2249u, true, false},
                                           {2250u, true, true},
                                           {6749u, true, true},
                                           {6750u, false, true},
                                           {0x1234FFFFu, false, false},
                                           {33750u, true, false},
                                           {36000u, false, false},
                                           {0xFFFFu, false, false}}) {
        Hat(1, value);
        Pass();
        EXPECT_EQ(std::pair(policy.Pressed(1), policy.Pressed(2)), std::pair(up, right)) << value;
    }
    Load({{.press = "U", .control = "HAT UP"},
          {.press = "R", .control = "HAT RIGHT"},
          {.press = "Q", .control = "HAT UP RIGHT"}});
    keyboard.Batches.clear();
    Hat(1, 4500);
    Pass();
    EXPECT_EQ(Records(), (std::vector<int>{'Q', -'Q'}));
    EXPECT_EQ(status.current, "Input Devices: Hat 1 Up Right pressed");
}

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
// box too), a lost device, and the engine's end. A row released later sends its release keys
// only. A mouse button held (a drag) is in the same record.
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
        Hold(1, true), Pass();
        reader.lost.insert(1);
        Pass();
        EXPECT_EQ(Records(), (std::vector<int>{held, -held, 'B', -'B'}));
        reader.lost.clear();
        Hold(1, false), Pass();

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

// Configurations read by the runner's loader, so that the layers and pointer rows are bound as
// the runner binds them: sticks of 8 buttons, X and Y axes and a hat.
class LoadedEngineTest : public EngineTest {
protected:
    // A row of `number` ("A" or "LAYER 1" in press cell 1) for device `stick` (1 or 2).
    static testing::Record15 Row(int number, const std::string& press, std::string control = "",
                                 int layer = 0, int stick = 1) {
        testing::Record15 r;
        r.Base.Button = std::to_string(number);
        r.Base.Identity = "{S" + std::to_string(stick) + "}";
        if (!press.empty())
            r.Base.Press = {{press, press.starts_with("CTRL + ") ? press.substr(7) : press}};
        r.Control = std::move(control);
        r.Layer = std::to_string(layer);
        return r;
    }
    void LoadFile(const std::string& bytes, int sticks = 1) {
        devices.Clear();
        for (int d = 1; d <= sticks; ++d)
            devices.AddDevice({true, 0, "{S" + std::to_string(d) + "}", "Stick", 8, 0b11, 1});
        reader.states.assign(static_cast<std::size_t>(sticks), std::vector<std::uint8_t>(8));
        reader.controls.assign(static_cast<std::size_t>(sticks), ControlsAtRest());
        tables = RunnerTables{};
        ASSERT_EQ(CompileRunnerConfiguration(bytes, devices, layout, tables).Status,
                  RunnerLoadStatus::Loaded);
        policy.Recount();
        keyboard.Batches.clear();
    }
    void Load15(const std::vector<testing::Record15>& rows, int sticks = 1) {
        LoadFile(testing::File15(rows), sticks);
    }
    void Press(int button, int device = 1) { Hold(button, true, device), Pass(); }
    void Let(int button, int device = 1) { Hold(button, false, device), Pass(); }
};

// While a layer control is held, a button uses its row of that layer, or its base row when it
// has none there; released, the base rows are back. Layers are the configuration's: a
// button of one device shifts another device.
TEST_F(LoadedEngineTest, ALayerHeldGivesItsRowsAndTheOthersFallThroughToTheBase) {
    Load15({Row(1, "LAYER 1", "", 0, 2), Row(2, "A"), Row(2, "B", "", 1), Row(3, "C")}, 2);
    Press(1, 2);
    EXPECT_EQ(engine.ActiveLayer(), 1);
    for (int b : {2, 3})
        Press(b), Let(b);
    Let(1, 2);
    Press(2), Let(2);
    EXPECT_EQ(Records(), (std::vector<int>{'B', -'B', 'C', -'C', 'A', -'A'}));
    EXPECT_EQ(engine.ActiveLayer(), 0);
}

// A button keeps the row its press chose until it is released, whatever the layers do: the
// shift let go first leaves no key down and sends the layer row's release; the shift pressed
// during a base press changes nothing for it. Hats and axes alike.
TEST_F(LoadedEngineTest, AControlKeepsTheRowItsPressChoseUntilItIsReleased) {
    auto heldB = Row(2, "B", "", 1);
    heldB.Hold = "#TRUE#";
    heldB.Base.Release = {{"E", "E"}};
    auto heldA = Row(2, "A");
    heldA.Hold = "#TRUE#";
    Load15({Row(1, "LAYER 1"), heldA, heldB, Row(1, "U", "HAT UP"), Row(1, "V", "HAT UP", 1)});
    Press(1), Press(2), Let(1);
    EXPECT_EQ(Down(), std::set<int>{'B'});
    Let(2);
    EXPECT_EQ(Records(), (std::vector<int>{'B', -'B', 'E', -'E'}));

    keyboard.Batches.clear();
    Press(2), Press(1), Let(2), Let(1);
    EXPECT_EQ(Records(), (std::vector<int>{'A', -'A'}));

    keyboard.Batches.clear();
    Hat(1, 0), Pass();
    Press(1);
    Hat(1, kHatCentred), Pass();
    Hat(1, 0), Pass();
    Let(1);
    Hat(1, kHatCentred), Pass();
    EXPECT_EQ(Records(), (std::vector<int>{'U', -'U', 'V', -'V'}));
}

// Several layer controls held: the last pressed wins, and releasing it returns to the one held
// before, in whichever order they go.
TEST_F(LoadedEngineTest, TheLastPressedLayerControlWins) {
    Load15({Row(1, "LAYER 1"), Row(4, "LAYER 2"), Row(2, "A"), Row(2, "B", "", 1),
            Row(2, "C", "", 2)});
    std::vector<int> layers;
    const auto step = [&](int button, bool down) {
        Hold(button, down), Pass();
        layers.push_back(engine.ActiveLayer());
    };
    step(1, true), step(4, true), step(4, false), step(4, true), step(1, false), step(4, false);
    EXPECT_EQ(layers, (std::vector<int>{1, 2, 1, 2, 2, 0}));
}

// The layer controls of a pass count before its other rows, whatever their numbers: a shift
// and a button read down together give the layer's row, a shift let go as a button goes down
// gives the base row. A layer control's rows in the layers are not used.
TEST_F(LoadedEngineTest, ALayerChangeCountsForTheWholePassItIsReadIn) {
    Load15({Row(8, "LAYER 3"), Row(2, "A"), Row(2, "B", "", 3), Row(1, "H", "AXIS +"),
            Row(1, "J", "AXIS +", 3), Row(8, "Z", "", 3), Row(7, "LAYER 3")});
    Hold(8, true), Hold(2, true), Axis(1, kAxisMax), Pass();
    Hold(8, false), Hold(2, false), Axis(1, kAxisCentre), Pass();
    Hold(2, true), Pass();
    EXPECT_EQ(Records(), (std::vector<int>{'J', -'J', 'B', -'B', 'A', -'A'}));
    // The layer control's own row of its layer is never used, read on events either.
    Hold(7, true), Pass();
    Change(8, true), Edges(), Change(8, false), Edges(), Change(8, true), Pass();
    EXPECT_EQ(Count('Z'), 0u);
}

// Mouse buttons go out in their chord like keys (Ctrl+click), stay down with Hold until the
// release or until the held keys are let go, and a wheel turns one notch a burst. A file of
// version 1.4 knows no mouse: the same cell sends nothing there, as it always did.
TEST_F(LoadedEngineTest, MouseActionsGoOutLikeKeys) {
    auto drag = Row(2, "MOUSE LEFT");
    drag.Hold = "#TRUE#";
    auto scroll = Row(3, "WHEEL DOWN");
    scroll.Base.Repeat = "#TRUE#";
    Load15({Row(1, "CTRL + MOUSE RIGHT"), drag, scroll});
    Press(1), Let(1);
    EXPECT_EQ(Records(),
              (std::vector<int>{kVkControl, kVkMouseRight, -kVkMouseRight, -kVkControl}));
    keyboard.Batches.clear();
    Press(2);
    EXPECT_EQ(Down(), std::set<int>{kVkMouseLeft});
    engine.ReleaseHeld();
    EXPECT_EQ(Down(), std::set<int>{});
    Let(2);
    keyboard.Batches.clear();
    Hold(3, true), Run(1.2);
    EXPECT_EQ(Count(kVkWheelDown), 3u); // at the press, 0.5 s and 1.0 s
    Let(3);

    testing::Record14 old;
    old.Identity = "{S1}";
    old.Press = {{"MOUSE LEFT", "MOUSE LEFT"}};
    LoadFile(testing::File14({old}));
    Press(1), Let(1);
    EXPECT_EQ(Records(), std::vector<int>{});
}

// An axis row naming a pointer direction moves the pointer by its speed at full deflection,
// nothing inside its dead zone (its press point), keeping the fraction of a pixel.
TEST_F(LoadedEngineTest, PointerRowsMoveByTheirSpeedPastTheirDeadZone) {
    auto right = Row(1, "POINTER RIGHT", "AXIS +");
    right.PressPoint = "10";
    right.PointerSpeed = "1000";
    auto slow = Row(1, "POINTER UP", "AXIS -");
    slow.PointerSpeed = "50";
    Load15({right, slow});
    Run(0.5);
    EXPECT_EQ(keyboard.PointerMoves, 0); // at rest
    // 10 % of the way from the centre (32767.5) is 36044.25.
    Axis(1, 36044), Run(0.5);
    EXPECT_FALSE(policy.Pressed(1));
    Axis(1, 36045), Pass();
    EXPECT_TRUE(policy.Pressed(1));
    // Full deflection: 1000 px/s is 10 px a pass of 10 ms.
    Axis(1, kAxisMax), Pass();
    const int x = keyboard.PointerX;
    clock.Advance(0.01), Pass();
    EXPECT_EQ(keyboard.PointerX - x, 10);
    // 50 px/s is half a pixel a pass: one pixel every second pass, 50 in a second.
    Axis(1, kAxisMin), Pass();
    const int y = keyboard.PointerY;
    clock.Advance(0.01);
    Run(1.0);
    EXPECT_EQ(y - keyboard.PointerY, 50);
    EXPECT_EQ(keyboard.PointerX, x + 10);
}

// A stick whose X and Y both move the pointer has a round dead zone: pushed diagonally past it,
// the pointer moves although neither axis alone is past it. The steeper curve moves less below
// full deflection.
TEST_F(LoadedEngineTest, AStickMovingThePointerHasARoundDeadZone) {
    const auto pointer = [](int axis, const char* direction, const char* curve) {
        auto r = Row(axis, direction, "AXIS +");
        r.PointerSpeed = "1000";
        r.PointerCurve = curve;
        return r;
    };
    const auto travel = [&](const char* curve, bool withY) {
        std::vector<testing::Record15> rows = {pointer(1, "POINTER RIGHT", curve)};
        if (withY)
            rows.push_back(pointer(2, "POINTER DOWN", curve));
        Load15(rows);
        const int x = keyboard.PointerX;
        // 40 % along each axis: 0.57 from the centre, past the 50 % dead zone only together.
        Axis(1, 45875), Axis(2, 45875), Run(1.0);
        Axis(1, kAxisCentre), Axis(2, kAxisCentre), Pass();
        return keyboard.PointerX - x;
    };
    EXPECT_EQ(travel("1", false), 0);
    const int linear = travel("1", true);
    const int steeper = travel("2", true);
    EXPECT_GT(linear, 50);
    EXPECT_GT(steeper, 0);
    EXPECT_LT(steeper, linear);
    EXPECT_EQ(keyboard.PointerY, keyboard.PointerX);
}

} // namespace
} // namespace qm
