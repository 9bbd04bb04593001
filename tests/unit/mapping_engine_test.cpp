// The mapping engine on a manual clock: edges, Repeat, Rotary, lock bursts, status texts.
#include "core/key_names.h"
#include "core/messages.h"
#include "keyboard/recording_keyboard.h"
#include "runner/runner_engine_policy.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <functional>

namespace qm {
namespace {

using testing::RecordingDialogs;

class FakeReader final : public DeviceReader {
public:
    std::vector<std::vector<std::uint8_t>> states; // per device, byte b-1
    int endPassAt = 0;                             // device whose read ends the pass
    int reads = 0;
    std::function<void()> onRead;

    int DeviceCount() const override { return static_cast<int>(states.size()); }
    bool ReadDevice(int d, int& buttons) override {
        ++reads;
        if (onRead)
            onRead();
        buttons = static_cast<int>(states[static_cast<std::size_t>(d - 1)].size());
        return d != endPassAt;
    }
    bool ButtonDown(int d, int b) const override {
        return states[static_cast<std::size_t>(d - 1)][static_cast<std::size_t>(b - 1)] != 0;
    }
    std::span<const std::uint8_t> ButtonStates(int d) const override {
        return states[static_cast<std::size_t>(d - 1)];
    }
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
    std::vector<std::string> press = {};   // key names, one step each
    std::vector<std::string> release = {}; // key names
    bool repeat = false, rotary = false, valid = true;
    int multiplier = 1;
    int num = 0, caps = 0, scroll = 0;
};

// One device of 8 buttons; button b of the device is bound to mapping b when given.
class EngineTest : public ::testing::Test {
protected:
    void Load(const std::vector<Mapping>& mappings) {
        devices.Clear();
        devices.AddDevice({true, 0, "{G}", "Pad", 8});
        reader.states.assign(1, std::vector<std::uint8_t>(8, 0));
        tables = RunnerTables{};
        for (std::size_t i = 0; i < mappings.size(); ++i) {
            const auto& wanted = mappings[i];
            MappingEntry entry;
            entry.ButtonNo = static_cast<int>(i + 1);
            entry.Valid = wanted.valid;
            tables.Mappings.push_back(entry);
            CompiledKeys press, release;
            press.Repeat = wanted.repeat ? -1 : 0;
            press.Rotary = wanted.rotary ? -1 : 0;
            press.Multiplier = static_cast<std::int16_t>(wanted.multiplier);
            press.NumLock = static_cast<std::int16_t>(wanted.num);
            press.CapsLock = static_cast<std::int16_t>(wanted.caps);
            press.ScrollLock = static_cast<std::int16_t>(wanted.scroll);
            for (std::size_t s = 0; s < wanted.press.size(); ++s)
                FillKeyStep(press, wanted.press[s], wanted.press[s], static_cast<int>(s + 1),
                            Vocabulary::Runner, layout);
            for (std::size_t s = 0; s < wanted.release.size(); ++s)
                FillKeyStep(release, wanted.release[s], wanted.release[s], static_cast<int>(s + 1),
                            Vocabulary::Runner, layout);
            tables.PressKeys.push_back(press);
            tables.ReleaseKeys.push_back(release);
            devices.ButtonMap().Set(1, static_cast<int>(i + 1), static_cast<int>(i + 1));
        }
        tables.MappingCount = static_cast<int>(mappings.size());
        policy.Recount();
    }

    void Hold(int button, bool down) {
        reader.states[0][static_cast<std::size_t>(button - 1)] = down;
    }

    // Passes every 10 ms for `seconds`.
    void Run(double seconds) {
        for (double t = 0; t < seconds - 1e-9; t += 0.01) {
            Pass();
            clock.Advance(0.01);
        }
    }
    void Pass() { engine.Pass(devices.ButtonMap(), tables.PressKeys, tables.ReleaseKeys, policy); }

    // The key names pressed, one entry per press record.
    std::vector<std::string> Pressed() const {
        std::vector<std::string> names;
        for (const auto& batch : keyboard.Batches)
            for (const auto& r : batch)
                if (!r.KeyUp)
                    names.push_back(r.VirtualKey == kVkNumLock    ? "NUM"
                                    : r.VirtualKey == kVkCapsLock ? "CAPS"
                                    : r.VirtualKey == 16
                                        ? "SHIFT"
                                        : std::string(1, static_cast<char>(r.VirtualKey)));
        return names;
    }
    std::size_t Count(const std::string& name) const {
        const auto p = Pressed();
        return static_cast<std::size_t>(std::count(p.begin(), p.end(), name));
    }

    UsLayoutScanCodes layout;
    DeviceTables devices;
    FakeReader reader;
    RecordingKeyboard keyboard{layout};
    ManualClock clock;
    RecordingDialogs dialogs;
    StatusLog status;
    RunnerTables tables;
    RunnerEnginePolicy policy{tables, status};
    MappingEngine engine{reader, keyboard, clock, dialogs};

    void SetUp() override { clock.Set(1000); } // a monotonic clock is far from zero
};

TEST_F(EngineTest, PlainMappingSendsPressOnceAndReleaseOnce) {
    Load({{.press = {"A"}, .release = {"B"}}, {.press = {"X"}}});
    Pass();
    EXPECT_TRUE(keyboard.Batches.empty());
    Hold(1, true);
    Run(0.1);
    EXPECT_EQ(Pressed(), (std::vector<std::string>{"A"}));
    EXPECT_EQ(status.current, "Input Devices: Button  1 pressed");
    Hold(1, false);
    Run(0.1);
    EXPECT_EQ(Pressed(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(status.changes, (std::vector<std::string>{"Input Devices: Button  1 pressed",
                                                        "Input Devices: Available"}));
    // Each chord is one batch down and one batch up.
    ASSERT_EQ(keyboard.Batches.size(), 4u);
    EXPECT_EQ(keyboard.Batches[1], (std::vector<KeyInput>{{'A', 0x1E, true}}));
}

TEST_F(EngineTest, RotaryMultipliesFastTurnsOnly) {
    Load({{.press = {"R"}, .release = {"L"}, .rotary = true, .multiplier = 4}});
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
        EXPECT_EQ(Count("R"), sends) << gap;
        EXPECT_EQ(Count("L"), sends) << gap;
    }
}

TEST_F(EngineTest, RepeatSendsAfterStrictlyMoreThanTheRateWhileHeld) {
    struct Case {
        double rate;
        std::size_t sends;
    };
    // Held 1.2 s from a fresh load, passes every 10 ms. Across midnight the monotonic clock
    // just goes on.
    for (const auto& c : {Case{0.0, 120}, Case{0.5, 3}, Case{1.0, 2}}) {
        keyboard.Batches.clear();
        clock.Set(86399.5);
        Load({{.press = {"P"}, .release = {"Q"}, .repeat = true}});
        engine.Settings.RepeatRate = c.rate;
        Hold(1, true);
        Run(1.2);
        Hold(1, false);
        Run(0.1);
        EXPECT_EQ(Count("P"), c.sends) << c.rate;
        EXPECT_EQ(Count("Q"), 1u) << c.rate;
    }
}

TEST_F(EngineTest, RepeatSendsOnlyOnceTheRateHasPassed) {
    Load({{.press = {"P"}, .repeat = true}});
    engine.Settings.RepeatRate = 0.5;
    Hold(1, true);
    Pass(); // sends at 1000
    clock.Set(1000.5);
    Pass(); // exactly the rate later: not yet
    EXPECT_EQ(Count("P"), 1u);
    clock.Set(1000.5 + 1.0 / 1024);
    Pass();
    EXPECT_EQ(Count("P"), 2u);

    // A new press within the interval does not restart it, nor send at once.
    Hold(1, false);
    Run(0.2);
    Hold(1, true);
    Run(0.29);
    EXPECT_EQ(Count("P"), 2u);
    Run(0.03);
    EXPECT_EQ(Count("P"), 3u);
}

TEST_F(EngineTest, BothRepeatAndRotaryBehaveAsRotary) {
    Load({{.press = {"R"}, .repeat = true, .rotary = true, .multiplier = 2}});
    Hold(1, true);
    Run(1.0);
    EXPECT_EQ(Count("R"), 1u);
}

TEST_F(EngineTest, UnhandledMappingsSendNothingButCountAsDown) {
    Load({{.press = {"A"}, .release = {"B"}, .valid = false},
          {.release = {"C"}}, // no press key: never pressed, never released
          {.press = {"D"}}});
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
    Load({{.press = {"A"}, .release = {"B"}}});
    Hold(1, true);
    Pass();
    Load({{.press = {"A"}, .release = {"B"}}}); // Stop, then Run again: the tables are fresh
    Hold(1, true);
    Hold(1, false);
    Run(0.1);
    EXPECT_EQ(Pressed(), (std::vector<std::string>{"A"}));
}

TEST_F(EngineTest, EveryBurstForcesItsLocksThenLeavesThemAllOff) {
    Load({{.press = {"A"}, .release = {"B"}, .num = 1}});
    keyboard.SetToggled(kVkCapsLock, true);
    keyboard.SetToggled(kVkScrollLock, true);
    Hold(1, true);
    Pass();
    // Num Lock on for the burst, Caps Lock and Scroll Lock forced off, then Num Lock off.
    EXPECT_EQ(Pressed(),
              (std::vector<std::string>{"NUM", "CAPS", std::string(1, char(0x91)), "A", "NUM"}));
    for (auto lock : {kVkNumLock, kVkCapsLock, kVkScrollLock})
        EXPECT_FALSE(keyboard.Toggled(lock));

    // Caps Lock and Scroll Lock forced on for a burst go off after it too.
    Load({{.press = {"C"}, .caps = 1, .scroll = 1}});
    Hold(1, true);
    Pass();
    for (auto lock : {kVkNumLock, kVkCapsLock, kVkScrollLock})
        EXPECT_FALSE(keyboard.Toggled(lock)) << lock;
}

TEST_F(EngineTest, AQuietDeviceIsExaminedWhileAPressThroughItAwaitsRelease) {
    Load({{.press = {"A"}, .release = {"B"}}});
    devices.AddDevice({true, 0, "{H}", "Stick", 8});
    reader.states.push_back(std::vector<std::uint8_t>(8, 0));
    tables.Mappings.push_back(tables.Mappings[0]);
    tables.PressKeys.push_back(tables.PressKeys[0]);
    tables.ReleaseKeys.push_back(tables.ReleaseKeys[0]);
    tables.MappingCount = 2;
    devices.ButtonMap().Set(1, 1, 1);
    devices.ButtonMap().Set(2, 1, 2);
    Hold(1, true);
    reader.states[1][0] = 1; // both held
    Pass();
    Hold(1, false); // the pad is quiet again while the stick's button stays down
    Pass();
    EXPECT_EQ(Pressed(), (std::vector<std::string>{"A", "A", "B"}));
}

TEST_F(EngineTest, APassEndsWhenADeviceWasJustAcquired) {
    Load({{.press = {"A"}}});
    devices.AddDevice({true, 0, "{H}", "Stick", 8});
    reader.states.push_back(std::vector<std::uint8_t>(8, 0));
    devices.ButtonMap().Set(1, 1, 1);
    Hold(1, true);
    reader.endPassAt = 1;
    status.current = "x";
    Pass();
    EXPECT_EQ(reader.reads, 1);
    EXPECT_TRUE(keyboard.Batches.empty());
    EXPECT_EQ(status.current, "x");
}

TEST_F(EngineTest, AnErrorEndsThePassWithOneBoxAndNoPassRunsWhileItIsOpen) {
    Load({{.press = {"A"}}});
    devices.ButtonMap().Set(1, 2, 7); // no mapping 7
    Hold(2, true);
    int nestedReads = -1;
    dialogs.onShow = [&] {
        const int before = reader.reads;
        Pass(); // a timer tick while the box is open
        nestedReads = reader.reads - before;
    };
    Pass();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, " 9  Subscript out of range in sub MyDXCallback.");
    EXPECT_EQ(nestedReads, 0);
}

} // namespace
} // namespace qm
