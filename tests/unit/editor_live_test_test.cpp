// The editor's live test: the list compiled into test tables, and the test command and its
// repeat through the controller over scripted devices, a manual clock and a recording view.
#include "core/key_names.h"
#include "core/messages.h"
#include "editor/live_test.h"
#include "settings/settings_table.h"
#include "support/editor_rig.h"
#include "support/qmf_builder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <utility>

namespace qm {
namespace {

using ::testing::ElementsAre;
using testing::File14;
using testing::Record14;

constexpr const char* kPad = "{00000000-0000-0000-0000-000000000001}";

Cell Key(const std::string& text, const std::string& name) {
    return {text, Variant::Text(name)};
}

TEST(CompileTestTables, FirstRowPerButtonCaseBlindIdentitySpaceCellsSkippedEmptyCellsKept) {
    DeviceTables devices;
    devices.AddDevice({true, 0, "{A}", "Pad", 4});
    devices.AddDevice({false, 0, "board-b", "Board", 3});
    // Button, device identity and multiplier of each row.
    const std::tuple<const char*, const char*, Variant> rows[] = {
        {"2", "{a}", Variant::Number(4)},     // row 1: device 1 button 2
        {"2", "{A}", Variant::Number(2)},     // a later row of the same button
        {"04", "{A}", Variant::Number(1)},    // not the text of button 4
        {"5", "{A}", Variant::Number(1)},     // beyond the pad's buttons
        {"1", "BOARD-B", Variant::Text("3")}, // row 5: device 2 button 1
        {"3", "{A}", Variant::Text("8")},     // row 6: device 1 button 3
    };
    std::vector<MappingRow> list;
    for (const auto& [button, identity, multiplier] : rows) {
        MappingRow row = NewMappingRow();
        row[col::Button].Text = button;
        row[col::Device].Tag = Variant::Text(identity);
        row[col::Multiplier].Tag = multiplier;
        list.push_back(row);
    }
    list[0][col::Repeat].Tag = Variant::Bool(true);
    list[0][col::NumLock].Tag = Variant::Bool(true);
    list[0].PressCell(2) = Key("A", "A");
    list[0].ReleaseCell(1) = Key("", "");
    list[0].ReleaseCell(2) = Key("B", "B");
    list[4][col::Rotary].Tag = Variant::Bool(true);
    // The editor's vocabulary has no lock keys: only the modifier is sent.
    list[5].PressCell(1) = Key("SHIFT + CAPS LOCK", "CAPS LOCK");

    const UsLayoutScanCodes layout;
    TestTables tables;
    CompileTestTables(MappingTable::FromRows(list), devices, layout, tables);

    const auto& map = devices.ButtonMap();
    EXPECT_THAT((std::vector<int>{map.At(1, 1), map.At(1, 2), map.At(1, 3), map.At(1, 4),
                                  map.At(2, 1), map.At(2, 2), map.At(2, 3)}),
                ElementsAre(0, 1, 6, 0, 5, 0, 0));
    // Repeat, rotary, multiplier and Num Lock of each row.
    std::vector<std::array<int, 4>> behaviour;
    for (const CompiledKeys& keys : tables.PressKeys)
        behaviour.push_back({keys.Repeat, keys.Rotary, keys.Multiplier, keys.NumLock});
    const std::array<int, 4> never{}; // a row not compiled
    ASSERT_THAT(behaviour, ElementsAre(std::array{-1, 0, 4, 1}, never, never, never,
                                       std::array{0, -1, 1, 0}, std::array{0, 0, 8, 0}));
    // A on press step 1, no step 2; on release an empty step 1, then B; SHIFT alone.
    const auto vk = [](const CompiledKeys& keys, int step, int slot) {
        return keys.Step(step).Slots[static_cast<std::size_t>(slot)].VirtualKey;
    };
    EXPECT_EQ((std::array{vk(tables.PressKeys[0], 1, 0), vk(tables.PressKeys[0], 2, 0),
                          vk(tables.ReleaseKeys[0], 1, 0), vk(tables.ReleaseKeys[0], 2, 0),
                          vk(tables.PressKeys[5], 1, 0), vk(tables.PressKeys[5], 1, 1)}),
              (std::array<std::uint16_t, 6>{'A', 0, 0, 'B', 16, 0}));
}

// Pad buttons: 1 plain (A on press, B on release), 2 repeat (C), 3 without keys.
struct LiveTest : ::testing::Test, testing::EditorSeamsRig {
    LiveTest() {
        pad = joysticks.AddController(kPad, "Pad", 4);
        Record14 plain, repeat, none;
        plain.Press = {{"A", "A"}};
        plain.Release = {{"B", "B"}};
        repeat.Button = "2";
        repeat.Repeat = "#TRUE#";
        repeat.Press = {{"C", "C"}};
        none.Button = "3";
        files.files["C:\\a.qmf"] = File14({plain, repeat, none});
    }
    void Start() {
        EditorSeamsRig::Start("C:\\a.qmf");
        dialogs.shown.clear();
    }
    // One pass on the passes' thread, then what it changed shown on the window's.
    void Tick() {
        editor->TestPass();
        editor->ShowTestPasses();
    }
    // Sets the button, runs one pass and gives the keys pressed in it.
    std::string Pass(int button, bool down) {
        joysticks.SetButton(pad, button, down);
        keyboard.Batches.clear();
        Tick();
        std::string keys;
        for (const auto& batch : keyboard.Batches)
            for (const auto& k : batch)
                if (!k.KeyUp)
                    keys += static_cast<char>(k.VirtualKey);
        return keys;
    }

    int pad = 0;
};

TEST_F(LiveTest, StartRefusesWithoutDevicesOrButtons) {
    const std::pair<int, Message> cases[] = {{-1, msg::RunnerNoDevices()},
                                             {0, msg::RunnerNoButtons()}};
    for (const auto& [buttons, message] : cases) {
        joysticks = ScriptedJoystickApi();
        if (buttons >= 0)
            joysticks.AddController(kPad, "Pad", buttons);
        Start();
        editor->ToggleTest();
        EXPECT_THAT(dialogs.shown, ElementsAre(message));
        EXPECT_FALSE(editor->Testing() || view.pollEnabled || view.testWindow ||
                     !priority.sets.empty());
    }
}

// The warning, the priority, the keys logged and the rows' colours during and after a test:
// tests/e2e/editor/testing. Here, what the start and the stop set and release.
TEST_F(LiveTest, StartAndStopSetAndReleaseWhatATestUses) {
    Start();
    editor->KeyPressed('A', 0); // no test: not logged
    store.SaveString(RegistryRoot::CurrentUser, kConfigKey, "PollFrequency", "0");
    view.status = "C:\\a.qmf";
    editor->ToggleTest();
    EXPECT_TRUE(editor->Testing() && view.states.Testing && view.testWindow && view.pollEnabled);
    EXPECT_EQ(view.pollPeriodMs, 5);              // the runner's setting: 5 ms
    EXPECT_EQ(editor->DeviceEvents().size(), 1u); // and on its controller's events
    EXPECT_EQ(view.listFocuses, 1);
    EXPECT_EQ(view.status, "C:\\a.qmf"); // restored after compiling
    EXPECT_TRUE(view.testLog.empty());
    EXPECT_EQ(std::pair(store.GetString(RegistryRoot::CurrentUser, kConfigKey, "RepeatRate"),
                        store.GetString(RegistryRoot::CurrentUser, kConfigKey, "RotaryRate")),
              std::pair(std::string("500"), std::string("35")));

    Tick();
    EXPECT_EQ(Pass(1, true), "A");
    const int unacquires = joysticks.Calls().Unacquires;
    keyboard.Batches.clear();
    editor->ToggleTest();
    EXPECT_FALSE(editor->Testing() || view.states.Testing || view.testWindow || view.pollEnabled);
    // Unacquired, its event unsubscribed.
    EXPECT_GT(joysticks.Calls().Unacquires, unacquires);
    EXPECT_EQ(joysticks.Calls().Subscribed, 0);
    EXPECT_EQ(view.status2, " ");
    EXPECT_TRUE(keyboard.Batches.empty()); // the stop sends nothing
    EXPECT_EQ(Pass(1, false), "");         // nor does a pass after it
}

// A press clears the Key Mapping text and its keys arrive in the window, which shows them
// there: in whichever order the window's thread sees the two, the key stays; a press without
// keys leaves the text empty.
TEST_F(LiveTest, TheKeyMappingTextShowsThePressedKeysWhicheverComesFirst) {
    Start();
    editor->ToggleTest();
    Tick();
    for (const bool keyFirst : {true, false}) {
        view.keyMapping = "earlier";
        joysticks.SetButton(pad, 1, true);
        editor->TestPass();
        if (!keyFirst)
            editor->ShowTestPasses();
        editor->KeyPressed('A', 0);
        editor->ShowTestPasses();
        EXPECT_EQ(view.keyMapping, "A") << (keyFirst ? "the key first" : "the clear first");
        EXPECT_EQ(Pass(1, false), "B");
    }
    view.keyMapping = "earlier";
    EXPECT_EQ(Pass(3, true), "");
    EXPECT_EQ(view.keyMapping, "");
}

TEST_F(LiveTest, AClickDuringATestReachesThePassesAndARescanEndsTheTest) {
    Start();
    editor->ToggleTest();
    Tick(); // the pass that acquires the pad
    EXPECT_EQ(Pass(1, false), "");
    // A click recolours the list: the row of a button that is up gets its release steps once.
    editor->RowPressed(0, 0, false);
    editor->ListClicked();
    EXPECT_EQ(Pass(1, false), "B");
    EXPECT_EQ(Pass(1, false), "");
    EXPECT_EQ(Pass(1, true), "A");
    EXPECT_EQ(editor->Configurations().Shown()->RowColour(0), rowcolour::Pressed);
    // The devices change under the test: it ends before they are scanned again.
    editor->RefreshDevices();
    EXPECT_FALSE(editor->Testing() || view.pollEnabled);
}

TEST_F(LiveTest, TheRepeatRateIsReadAtEveryStart) {
    Start();
    for (const auto& [stored, rate] : {std::pair("250", 0.25), std::pair("500", 0.5)}) {
        WriteSetting(store, Setting::RepeatRate, stored);
        editor->ToggleTest();
        Tick(); // the pass that acquires the pad
        clock.Set(clock.Now() + 4);
        const double pressed = clock.Now();
        EXPECT_EQ(Pass(2, true), "C");
        clock.Set(pressed + rate); // exactly the rate: not yet
        EXPECT_EQ(Pass(2, true), "");
        clock.Set(pressed + rate + 0.125);
        EXPECT_EQ(Pass(2, true), "C");
        Pass(2, false);
        editor->ToggleTest();
    }
}

// The live test sends the navigation keys and moves the pointer as the stored preferences say
// when it starts, and as the preferences say once applied.
TEST_F(LiveTest, TheNavigationKeysAndThePointerFollowThePreferences) {
    Record14 arrow;
    arrow.Press = {{"UP ARROW", "UP ARROW"}};
    files.files["C:\\a.qmf"] = File14({arrow});
    Start();
    const auto upExtended = [&] {
        Pass(1, true);
        const auto sent = keyboard.Batches;
        Pass(1, false);
        EXPECT_EQ(sent.size(), 2u);
        return !sent.empty() && sent.front().front().Extended;
    };
    for (const auto& [stored, extended] : {std::pair("True", true), std::pair("", false)}) {
        store.SaveString(RegistryRoot::CurrentUser, kConfigKey, "ExtendedKeys", stored);
        store.SaveString(RegistryRoot::CurrentUser, kConfigKey, "ExactPointer", stored);
        keyboard.ExactPointer = !extended;
        editor->ToggleTest();
        Tick(); // the pass that acquires the pad
        EXPECT_EQ(std::pair(upExtended(), keyboard.ExactPointer), std::pair(extended, extended))
            << stored;
        EngineTimings applied;
        applied.ExtendedKeys = !extended;
        applied.ExactPointer = !extended;
        editor->TakeOverTimings(applied);
        EXPECT_EQ(std::pair(upExtended(), keyboard.ExactPointer), std::pair(!extended, !extended))
            << stored;
        editor->ToggleTest();
    }
}

// Unplugged during a test, the pad lets its held button go (its release keys sent, its row
// back to Active) and is named; plugged back, it is tested again once the notices settle.
TEST_F(LiveTest, APadUnpluggedDuringATestIsReleasedAndTestedAgainWhenBack) {
    Start();
    editor->ToggleTest();
    Tick(); // acquired
    ASSERT_EQ(Pass(1, true), "A");
    ASSERT_EQ(view.shownTable->RowColour(0), rowcolour::Pressed);

    joysticks.Unplug(pad);
    EXPECT_EQ(Pass(1, true), "B");
    EXPECT_EQ(std::pair(view.shownTable->RowColour(0), view.status),
              std::pair(rowcolour::Active, std::string("Input Devices: Pad disconnected")));
    joysticks.Replug(pad);
    editor->DevicesChanged();
    clock.Advance(0.125);
    EXPECT_EQ(Pass(1, true), "");
    clock.Advance(0.125);
    EXPECT_EQ(Pass(1, true), ""); // found again, then acquired
    EXPECT_EQ(Pass(1, true), "A");
    EXPECT_EQ(Pass(1, false), "B");
    EXPECT_EQ(view.status, "Input Devices: Pad reconnected");

    // Lost during a test and back after it: the next test finds it without a notice.
    joysticks.Unplug(pad);
    EXPECT_EQ(Pass(1, false), "");
    editor->ToggleTest();
    joysticks.Replug(pad);
    editor->ToggleTest();
    Tick(); // acquired
    EXPECT_EQ(Pass(1, true), "A");
}

// Keys a row with Hold holds go up when the test stops, and only those.
TEST_F(LiveTest, TheKeysHoldHoldsGoUpWhenTheTestStops) {
    testing::Record15 held{.Base = {.Button = "1", .Press = {{"W", "W"}}}, .Hold = "#TRUE#"};
    files.files["C:\\a.qmf"] = testing::File15({held});
    Start();
    editor->ToggleTest();
    Tick();
    EXPECT_EQ(Pass(1, true), "W");
    keyboard.Batches.clear();
    editor->ToggleTest();
    EXPECT_EQ(keyboard.Batches, (std::vector<std::vector<KeyInput>>{{KeyInput{'W', 0x11, true}}}));
}

} // namespace
} // namespace qm
