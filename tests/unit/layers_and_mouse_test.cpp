// Hat rows, shift layers, mouse actions and pointer rows through the engine, with configurations
// read by the runner's own loader.
#include "support/engine_rig.h"
#include "support/qmf_builder.h"

namespace qm {
namespace {

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

// A four-way hat presses both directions beside a diagonal; once a hat has a diagonal row, its
// rows are eight-way and each takes its own 45 degrees. Centred (low word 0xFFFF) releases.
TEST_F(LoadedEngineTest, HatRowsTakeTheirSectorsAndACentredHatReleases) {
    Load15({Row(1, "U", "HAT UP"), Row(1, "R", "HAT RIGHT")});
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
    Load15({Row(1, "U", "HAT UP"), Row(1, "R", "HAT RIGHT"), Row(1, "Q", "HAT UP RIGHT")});
    Hat(1, 4500);
    Pass();
    EXPECT_EQ(Records(), (std::vector<int>{'Q', -'Q'}));
    EXPECT_EQ(status.current, "Input Devices: Hat 1 Up Right pressed");
}

// An axis direction presses at exactly its press point and releases only below its release
// point; a band presses within itself and releases only outside its release band.
TEST_F(LoadedEngineTest, AxisRowsPressAtTheirPointAndReleaseOnlyPastTheirReleasePoint) {
    auto plus = Row(1, "A", "AXIS +");
    plus.Base.Release = {{"B", "B"}};
    auto band = Row(2, "D", "AXIS BAND");
    band.Base.Release = {{"E", "E"}};
    band.PressPoint = "40-60";
    band.ReleasePoint = "35-65";
    Load15({plus, Row(1, "C", "AXIS -"), band});
    Axis(2, 0);
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
    // The band on Y: 26214 is 40 % of the range, 39321 is 60 %; held until below 35 % (22938).
    for (const auto& [value, pressed] : {std::pair{26213, false},
                                         {26214, true},
                                         {39322, true},
                                         {22938, true},
                                         {22937, false},
                                         {39321, true},
                                         {42597, true},
                                         {42598, false}}) {
        Axis(2, value);
        Pass();
        EXPECT_EQ(policy.Pressed(3), pressed) << value;
    }
}

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

// Mouse buttons go out in their chord like keys (Ctrl+click; held with Hold: mapping_engine_test),
// and a wheel turns one notch a burst. A file of version 1.4 knows no mouse: the same cell
// sends nothing there, as it always did.
TEST_F(LoadedEngineTest, MouseActionsGoOutLikeKeys) {
    auto scroll = Row(3, "WHEEL DOWN");
    scroll.Base.Repeat = "#TRUE#";
    Load15({Row(1, "CTRL + MOUSE RIGHT"), scroll});
    Press(1), Let(1);
    EXPECT_EQ(Records(),
              (std::vector<int>{kVkControl, kVkMouseRight, -kVkMouseRight, -kVkControl}));
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
