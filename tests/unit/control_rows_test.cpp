// The rows of controllers' hats and axes in the editor's list: what New and Add give a device,
// what the list shows and sorts by, the Hold toggle beside Repeat and Rotary, the points typed,
// Clear Row, the rows a user adds (diagonals, bands), marking rows against the devices, the
// file's version, and the axis moved last during a live test.
#include "core/control_cells.h"
#include "core/editor_qmf.h"
#include "core/messages.h"
#include "editor/axis_watch.h"
#include "editor/control_rows.h"
#include "editor/list_maintenance.h"
#include "support/editor_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

using testing::Names;
using testing::RecordingDialogs;
using testing::RecordingEditorView;
using testing::RowNamed;
using testing::Stick;
using testing::TableOf;

constexpr std::uint8_t kX = 1, kY = 2, kZ = 4, kSlider2 = 128;

// New: each device's buttons, then per hat its four directions, per axis its two, in axis
// order; a board gets its buttons alone. (The slots of that order place the rows Add puts
// back: AddAndRemoveKnowHatAndAxisRows.)
TEST(ControlRows, NewGivesEachDeviceItsHatAndAxisRowsAfterItsButtons) {
    const MappingTable table = TableOf(
        {Stick("Stick", 2, kX | kZ | kSlider2, 1), DeviceEntry{false, 0, "board", "Board", 1}});
    EXPECT_EQ(Names(table), "1, 2, Hat 1 Up, Hat 1 Right, Hat 1 Down, Hat 1 Left, X axis -, "
                            "X axis +, Z axis -, Z axis +, Slider 2 -, Slider 2 +, 1");
    // The points' defaults as shown: tests/e2e/editor/controls.
    EXPECT_EQ(table.Row(11)[col::Button].Text, "8");
    EXPECT_EQ(table.Row(2)[col::PressPoint].Text, ""); // a hat has no points
    EXPECT_TRUE(NeedsNewestVersion(table.Row(2)));
    EXPECT_FALSE(NeedsNewestVersion(table.Row(0)));
}

// A row is active while its device has its button, hat or axis: the same row goes grey when
// its device is replaced by one without it, and back.
TEST(ControlRows, RowsAreActiveWhereTheDeviceHasTheirHatOrAxis) {
    DeviceTables devices;
    devices.AddDevice(Stick("Stick", 1, kX | kY, 2));
    MappingTable table = MappingTable::FromButtons(devices);
    ASSERT_TRUE(AddAxisBand(table, RowNamed(table, "Y axis +")));
    DeviceTables fewer;
    fewer.AddDevice(Stick("Stick", 1, kY, 1));
    table.MarkActive(fewer);
    std::string grey;
    for (int r = 0; r < table.RowCount(); ++r)
        if (table.Row(r).Tag(col::Description) == Variant::Bool(false))
            grey += std::string(ShownCellText(table.Row(r), col::Button)) + "; ";
    EXPECT_EQ(grey, "Hat 2 Up; Hat 2 Right; Hat 2 Down; Hat 2 Left; X axis -; X axis +; ");
    table.MarkActive(devices);
    for (int r = 0; r < table.RowCount(); ++r)
        EXPECT_EQ(table.Row(r).Tag(col::Description), Variant::Bool(true)) << r;
}

// Repeat, Rotary and Hold exclude each other; Rotary does not apply to a hat or an axis, shows
// "n/a" there and stays off. Hold on a button row is shown "Off" before it was ever set.
TEST(ControlRows, HoldRepeatAndRotaryExcludeEachOtherRotaryNotOnHatsOrAxes) {
    MappingTable table = TableOf({Stick("Stick", 1, kX, 1)});
    const auto on = [&](int r, int c) { return table.Row(r).Tag(c) == Variant::Bool(true); };
    EXPECT_EQ(ShownCellText(table.Row(0), col::Hold), "Off");
    EXPECT_EQ(table.Edit(0, col::Repeat), CellEdit::Toggled);
    EXPECT_EQ(table.Edit(0, col::Hold), CellEdit::Toggled);
    EXPECT_TRUE(on(0, col::Hold) && !on(0, col::Repeat)); // as shown: tests/e2e/editor/controls
    EXPECT_EQ(table.Edit(0, col::Rotary), CellEdit::Toggled);
    EXPECT_TRUE(on(0, col::Rotary));
    EXPECT_FALSE(on(0, col::Hold));
    EXPECT_EQ(table.Edit(0, col::Rotary), CellEdit::Toggled); // off again: nothing else on
    EXPECT_FALSE(on(0, col::Rotary) || on(0, col::Hold) || on(0, col::Repeat));

    const int hat = RowNamed(table, "Hat 1 Up");
    EXPECT_EQ(table.Edit(hat, col::Rotary), CellEdit::None);
    EXPECT_FALSE(on(hat, col::Rotary));
    EXPECT_EQ(table.Edit(hat, col::Hold), CellEdit::Toggled);
    EXPECT_EQ(ShownCellText(table.Row(hat), col::Hold), "On");
    EXPECT_EQ(ShownCellText(table.Row(0), col::Rotary), "Off");
}

// Points typed are checked (0 to 100, a band two of them) and made sound: the release range
// always contains the press range; a band row is renamed after its band.
TEST(ControlRows, PointsTypedAreCheckedAndMadeSound) {
    MappingTable table = TableOf({Stick("Stick", 1, kZ, 1)});
    const int minus = RowNamed(table, "Z axis -");
    const auto texts = [&](int r) {
        return table.Row(r)[col::PressPoint].Text + " / " + table.Row(r)[col::ReleasePoint].Text;
    };
    EXPECT_TRUE(table.SetPoint(minus, col::PressPoint, "100"));
    EXPECT_EQ(texts(minus), "100 % / 30 %");
    EXPECT_TRUE(table.SetPoint(minus, col::PressPoint, " 20 %"));
    EXPECT_EQ(texts(minus), "20 % / 20 %"); // the release point follows below it
    // Made sound as the reader makes them (0, a release point past the press point):
    // file_versions_test.
    for (const char* bad : {"101", "-1", "", "50-60", "x", "2.5"})
        EXPECT_FALSE(table.SetPoint(minus, col::PressPoint, bad)) << bad;
    EXPECT_EQ(texts(minus), "20 % / 20 %");
    EXPECT_FALSE(table.SetPoint(RowNamed(table, "Hat 1 Up"), col::PressPoint, "50"));
    EXPECT_FALSE(table.SetPoint(0, col::PressPoint, "50"));
    EXPECT_FALSE(table.SetPoint(minus, col::Hold, "50"));

    ASSERT_TRUE(AddAxisBand(table, minus));
    const int band = RowNamed(table, "Z axis 40-60 %");
    ASSERT_EQ(band, minus + 2);
    EXPECT_EQ(texts(band), "40-60 % / 35-65 %");
    EXPECT_TRUE(table.SetPoint(band, col::PressPoint, "100-70"));
    EXPECT_EQ(ShownCellText(table.Row(band), col::Button), "Z axis 70-100 %");
    EXPECT_EQ(texts(band), "70-100 % / 35-100 %");
    EXPECT_TRUE(table.SetPoint(band, col::ReleasePoint, "0-100"));
    EXPECT_EQ(texts(band), "70-100 % / 0-100 %");
    EXPECT_FALSE(table.SetPoint(band, col::PressPoint, "70"));
    EXPECT_FALSE(table.SetPoint(band, col::PressPoint, "70-101"));
}

// "Button No." sorts buttons by number, then hats, then axis directions, then bands, each by
// number, direction and band, grouped by device.
TEST(ControlRows, SortingOrdersButtonsHatsAxesThenBands) {
    MappingTable table = TableOf({Stick("Stick", 2, kX | kY, 2)});
    ASSERT_TRUE(AddAxisBand(table, RowNamed(table, "X axis +")));
    ASSERT_TRUE(table.SetPoint(RowNamed(table, "X axis 40-60 %"), col::PressPoint, "0-10"));
    ASSERT_TRUE(AddAxisBand(table, RowNamed(table, "X axis +")));
    ASSERT_TRUE(AddHatDiagonals(table, RowNamed(table, "Hat 2 Up")));
    // Reversed, then sorted.
    std::vector<int> reversed;
    for (int r = table.RowCount() - 1; r >= 0; --r)
        reversed.push_back(r);
    table.Rearrange(reversed, {});
    ASSERT_TRUE(table.SortByColumn(col::Button));
    EXPECT_EQ(Names(table),
              "1, 2, Hat 1 Up, Hat 1 Right, Hat 1 Down, Hat 1 Left, Hat 2 Up, Hat 2 Up Right, "
              "Hat 2 Right, Hat 2 Down Right, Hat 2 Down, Hat 2 Down Left, Hat 2 Left, "
              "Hat 2 Up Left, X axis -, X axis +, Y axis -, Y axis +, X axis 0-10 %, "
              "X axis 40-60 %");
}

// Add puts a missing hat or axis row after the row before it in the order New gives them;
// a device missing altogether gets its buttons, hats and axes. The rows a user added (a
// diagonal, a band) are not missing rows; a band is a duplicate of the same band only.
TEST(ControlRows, AddAndRemoveKnowHatAndAxisRows) {
    RecordingDialogs dialogs;
    RecordingEditorView view;
    DeviceTables devices;
    devices.AddDevice(Stick("Stick", 1, kX | kY, 1));
    MappingTable table = MappingTable::FromButtons(devices);
    ASSERT_TRUE(AddAxisBand(table, RowNamed(table, "X axis -")));
    ASSERT_TRUE(AddAxisBand(table, RowNamed(table, "X axis -")));
    ASSERT_TRUE(AddHatDiagonals(table, RowNamed(table, "Hat 1 Up")));
    std::vector<int> keep;
    for (int r = 0; r < table.RowCount(); ++r)
        if (r != RowNamed(table, "Hat 1 Right") && r != RowNamed(table, "X axis +") &&
            r != RowNamed(table, "Y axis -"))
            keep.push_back(r);
    table.Rearrange(keep, {});
    devices.AddDevice(Stick("Pad", 2, kY, 0));
    devices.AddDevice(Stick("Lever", 0, kSlider2, 0)); // no button, an axis: worth adding
    ListMaintenance maintenance(&table, devices, dialogs, view, "Vantrel");
    dialogs.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(maintenance.AddMissingRows());
    EXPECT_EQ(dialogs.shown.back(), msg::ListUpdated(3, 2));
    EXPECT_EQ(Names(table), "1, Hat 1 Up, Hat 1 Right, Hat 1 Down, Hat 1 Left, Hat 1 Up Right, "
                            "Hat 1 Down Right, Hat 1 Down Left, Hat 1 Up Left, X axis -, "
                            "X axis +, Y axis -, X axis 40-60 %, X axis 40-60 %, Y axis +, "
                            "1, 2, Y axis -, Y axis +, Slider 2 -, Slider 2 +");
    // Nothing missing now.
    dialogs.answers = {MessageAnswer::Yes};
    EXPECT_FALSE(maintenance.AddMissingRows());
    // The two bands 40-60 % are one group; "X axis -" and "X axis +" are not.
    ASSERT_TRUE(table.SetPoint(12, col::PressPoint, "40-61"));
    ASSERT_TRUE(table.SetPoint(12, col::PressPoint, "40-60"));
    dialogs.answers = {MessageAnswer::Yes};
    dialogs.duplicateAnswers = {{DuplicateChoice::Action::Keep, 0}};
    EXPECT_TRUE(maintenance.RemoveInactiveAndDuplicateRows());
    EXPECT_THAT(dialogs.duplicateGroups, ::testing::ElementsAre(::testing::SizeIs(2)));
    EXPECT_EQ(RowNamed(table, "X axis 40-60 %"), 12);
    EXPECT_EQ(table.RowCount(), 20);
}

// Diagonals are added once, those missing only, after the hat's last row, keeping the device;
// a button or axis row gets none.
TEST(ControlRows, DiagonalsAreAddedOnceAfterTheHatsRows) {
    MappingTable table = TableOf({Stick("Stick", 1, kX, 2)});
    const int up = RowNamed(table, "Hat 2 Up");
    EXPECT_EQ(MissingDiagonals(table, up), 4);
    EXPECT_EQ(MissingDiagonals(table, 0), 0);
    EXPECT_FALSE(AddHatDiagonals(table, 0));
    EXPECT_FALSE(AddHatDiagonals(table, RowNamed(table, "X axis -")));
    EXPECT_FALSE(AddAxisBand(table, up));
    EXPECT_FALSE(AddAxisBand(table, table.RowCount()));
    ASSERT_TRUE(AddHatDiagonals(table, up));
    EXPECT_EQ(MissingDiagonals(table, up), 0);
    EXPECT_FALSE(AddHatDiagonals(table, up));
    // Where they go, with the hat's device: tests/e2e/editor/controls.
    EXPECT_EQ(MissingDiagonals(table, RowNamed(table, "Hat 1 Up")), 4);
}

// Clear Row also switches Hold off and puts the points back to their defaults; the control
// stays, a band keeps its band, a layer its layer. A button row without Hold stays as New
// made it.
TEST(ControlRows, ClearRowResetsHoldAndPointsKeepsTheControl) {
    MappingTable table = TableOf({Stick("Stick", 1, kX, 0)});
    const MappingTable fresh = table;
    const int plus = RowNamed(table, "X axis +");
    ASSERT_TRUE(table.SetPoint(plus, col::PressPoint, "80"));
    table.Edit(plus, col::Hold);
    table.SetCell(plus, col::Layer, {"3", Variant::Number(3)});
    ClearRowCells(table, plus);
    EXPECT_EQ(table.Row(plus)[col::PressPoint].Text, "50 %");
    EXPECT_EQ(table.Row(plus)[col::ReleasePoint].Text, "30 %");
    EXPECT_EQ(table.Row(plus).Tag(col::Hold), Variant::Bool(false));
    EXPECT_EQ(table.Row(plus)[col::Layer].Text, "3");
    EXPECT_EQ(ShownCellText(table.Row(plus), col::Button), "X axis +");

    ASSERT_TRUE(AddAxisBand(table, plus));
    const int band = plus + 1;
    ASSERT_TRUE(table.SetPoint(band, col::PressPoint, "10-20"));
    ASSERT_TRUE(table.SetPoint(band, col::ReleasePoint, "0-90"));
    ClearRowCells(table, band);
    EXPECT_EQ(table.Row(band)[col::PressPoint].Text, "10-20 %");
    EXPECT_EQ(table.Row(band)[col::ReleasePoint].Text, "5-25 %");

    table.MarkActive(DeviceTables{}); // the row stays inactive
    ClearRowCells(table, 0);
    EXPECT_EQ(table.Row(0).Tag(col::Description), Variant::Bool(false));
    EXPECT_EQ(table.Row(0)[col::Hold], fresh.Row(0)[col::Hold]);
    table.Edit(0, col::Hold);
    ClearRowCells(table, 0);
    EXPECT_EQ(table.Row(0).Tag(col::Hold), Variant::Bool(false));
    EXPECT_FALSE(NeedsNewestVersion(table.Row(0)));
}

// No column lies outside the shown positions, and the hidden control cell has none (the keys'
// walk over the shown columns, past it: editor_controller_test).
TEST(ControlRows, NoColumnOutsideTheShownPositions) {
    for (const int p : {-1, kShownColumnCount})
        EXPECT_EQ(ColumnAtPosition(p), -1) << p;
    for (const int c : {col::Control, kColumnCount, -1})
        EXPECT_EQ(PositionOfColumn(c), -1) << c;
}

// A reader whose devices' axes a test sets.
class AxisReader final : public DeviceReader {
public:
    explicit AxisReader(int devices) : states(static_cast<std::size_t>(devices)) {}
    int DeviceCount() const override { return static_cast<int>(states.size()); }
    bool ReadDevice(int, int& buttons) override {
        buttons = 0;
        return true;
    }
    bool ButtonDown(int, int) const override { return false; }
    const ControlStates* Controls(int d) const override {
        return d == 2 ? nullptr : &states[static_cast<std::size_t>(d - 1)];
    }
    std::vector<ControlStates> states;
};

// The axis moved last: the first read is where the axes rest; a move under the threshold is
// jitter, unless that axis is the one shown; of two moved at once, the further; an axis the
// device lacks, or a device without axes, never.
TEST(AxisWatch, ShowsTheAxisMovedLastWithItsValueAndPercent) {
    DeviceTables devices;
    devices.AddDevice(Stick("Stick", 1, kX | kZ, 0));
    devices.AddDevice(DeviceEntry{false, 0, "board", "Board", 1});
    devices.AddDevice(Stick("Throttle", 0, kSlider2, 0));
    AxisReader reader(3);
    for (auto& s : reader.states)
        s.Axes.fill(32768);
    AxisWatch watch;
    EXPECT_EQ(watch.Update(reader, devices), std::nullopt);
    reader.states[0].Axes[0] = 32768 + AxisWatch::kMoveThreshold - 1;
    reader.states[0].Axes[1] = 0; // Y: the stick has none
    EXPECT_EQ(watch.Update(reader, devices), std::nullopt);
    reader.states[0].Axes[0] = 32768 + AxisWatch::kMoveThreshold;
    EXPECT_EQ(watch.Update(reader, devices), "Stick: X axis 33424 (51 %)");
    reader.states[0].Axes[0] += 1; // the axis shown: every change
    EXPECT_EQ(watch.Update(reader, devices), "Stick: X axis 33425 (51 %)");
    EXPECT_EQ(watch.Update(reader, devices), std::nullopt);
    reader.states[0].Axes[2] = 65535;
    reader.states[2].Axes[7] = 0;
    EXPECT_EQ(watch.Update(reader, devices), "Throttle: Slider 2 0 (0 %)");
    reader.states[0].Axes[0] += 1; // no longer the one shown: jitter
    EXPECT_EQ(watch.Update(reader, devices), std::nullopt);
    watch.Reset();
    reader.states[2].Axes[7] = 65535;
    EXPECT_EQ(watch.Update(reader, devices), std::nullopt);
    EXPECT_EQ(AxisWatch::ValueText(7, 65535), "Slider 1 65535 (100 %)");
    EXPECT_EQ(AxisWatch::ValueText(1, 327), "X axis 327 (0 %)");
    EXPECT_EQ(AxisWatch::ValueText(1, 328), "X axis 328 (1 %)");
}

} // namespace
} // namespace qm
