// Shift layers and pointer motion in the editor: the Layer, Pointer Speed and Pointer Curve
// cells as shown and typed, rows copied into a layer, a layer's rows beside list maintenance
// and the file, one layer shown at a time, the layer and pointer names put in a key cell, and
// a mouse click or wheel notch recorded.
#include "core/control_cells.h"
#include "core/editor_qmf.h"
#include "core/key_names.h"
#include "core/messages.h"
#include "editor/control_rows.h"
#include "editor/layer_rows.h"
#include "editor/list_maintenance.h"
#include "support/editor_rig.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

using testing::Names;
using testing::RecordingDialogs;
using testing::RecordingEditorView;
using testing::RowNamed;

constexpr std::uint8_t kX = 1;

void PutKey(MappingTable& table, int r, int column, const std::string& name) {
    table.SetKeyCell(r, column, {name, Variant::Text(name)});
}

// The Layer cell shows "Base" or the number and takes 0 to 7 or "Base"; Pointer Speed and
// Pointer Curve apply to axis rows only, show the defaults on a row moving the pointer without
// them, and take 1 to 100000 (nothing: the default) and linear or steeper.
TEST(Layers, LayerAndPointerCellsShowAndTakeTheirValuesAtTheirLimits) {
    MappingTable table = testing::TableOf({testing::Stick("Stick", 2, kX, 1)});
    const int button = 0;
    const int hat = RowNamed(table, "Hat 1 Up");
    const int axis = RowNamed(table, "X axis +");
    const auto shown = [&](int r, int column) {
        return std::string(ShownCellText(table.Row(r), column));
    };
    // "Base" and "n/a" as shown in the list: tests/e2e/editor/layers.
    for (const int r : {button, hat}) {
        EXPECT_FALSE(SetLayerOrSpeed(table, r, col::PointerSpeed, "800"));
        EXPECT_FALSE(StepPointerCurve(table, r));
    }
    EXPECT_EQ(shown(axis, col::PointerSpeed), "");
    EXPECT_EQ(shown(axis, col::PointerCurve), "");
    PutKey(table, axis, col::FirstPress + 3, "POINTER RIGHT");
    EXPECT_EQ(shown(axis, col::PointerSpeed), "800");
    EXPECT_EQ(shown(axis, col::PointerCurve), "Linear");

    for (const char* good : {"7", " 0 ", "base", "1"})
        EXPECT_TRUE(SetLayerOrSpeed(table, button, col::Layer, good)) << good;
    EXPECT_EQ(shown(button, col::Layer), "1");
    EXPECT_TRUE(NeedsNewestVersion(table.Row(button)));
    for (const char* bad : {"8", "-1", "", "x", "1.5", "Layer 1"})
        EXPECT_FALSE(SetLayerOrSpeed(table, button, col::Layer, bad)) << bad;
    EXPECT_EQ(RowLayer(table.Row(button)), 1);

    EXPECT_TRUE(SetLayerOrSpeed(table, axis, col::PointerSpeed, "100000"));
    EXPECT_EQ(shown(axis, col::PointerSpeed), "100000");
    EXPECT_TRUE(SetLayerOrSpeed(table, axis, col::PointerSpeed, "1"));
    EXPECT_EQ(shown(axis, col::PointerSpeed), "1");
    for (const char* bad : {"100001", "0", "-5", "fast", "2.5"})
        EXPECT_FALSE(SetLayerOrSpeed(table, axis, col::PointerSpeed, bad)) << bad;
    EXPECT_EQ(ControlFieldsOf(table.Row(axis).Unpack()).PointerSpeed, 1);
    EXPECT_TRUE(SetLayerOrSpeed(table, axis, col::PointerSpeed, " "));
    EXPECT_EQ(ControlFieldsOf(table.Row(axis).Unpack()).PointerSpeed, 0);
    EXPECT_EQ(shown(axis, col::PointerSpeed), "800");
    EXPECT_FALSE(SetLayerOrSpeed(table, axis, col::Hold, "1"));
    EXPECT_FALSE(SetLayerOrSpeed(table, table.RowCount(), col::Layer, "1"));

    ASSERT_TRUE(StepPointerCurve(table, axis));
    EXPECT_EQ(shown(axis, col::PointerCurve), "Steeper");
    ASSERT_TRUE(StepPointerCurve(table, axis));
    EXPECT_EQ(shown(axis, col::PointerCurve), "Linear");
    EXPECT_EQ(ControlFieldsOf(table.Row(axis).Unpack()).PointerCurve, 1);
    // The points and the control stay as they were.
    EXPECT_EQ(shown(axis, col::Button), "X axis +");
    EXPECT_EQ(shown(axis, col::PressPoint), "50 %");
}

// Copying into a layer gives a row of the same control and keys in that layer after the
// control's last row; a control with a row in that layer already, and a row of that layer,
// are skipped, so a second copy adds nothing. CopyableLayers says where a copy would go.
TEST(Layers, RowsCopiedIntoALayerOnceEachAfterTheirControlsRows) {
    MappingTable table = testing::TableOf({testing::Stick("Stick", 2, kX, 1)});
    PutKey(table, 0, col::FirstPress, "F");
    const int axis = RowNamed(table, "X axis -");
    PutKey(table, axis, col::FirstPress, "POINTER LEFT");
    ASSERT_TRUE(SetLayerOrSpeed(table, axis, col::PointerSpeed, "1500"));
    EXPECT_EQ(CopyableLayers(table, 0), 0xFEu);
    const std::vector<int> chosen = {0, axis, 0};
    EXPECT_EQ(CopyRowsToLayer(table, chosen, 3), 2);
    EXPECT_EQ(Names(table), "1, 1@3, 2, Hat 1 Up, Hat 1 Right, Hat 1 Down, Hat 1 Left, X axis -, "
                            "X axis -@3, X axis +");
    const int copy = RowNamed(table, "X axis -", 3);
    MappingRow original = table.Row(copy - 1).Unpack(); // its keys and pointer speed too
    original[col::Layer] = table.Row(copy)[col::Layer];
    EXPECT_EQ(table.Row(copy).Unpack(), original);
    EXPECT_EQ(CopyableLayers(table, 0), 0xF6u);
    EXPECT_EQ(CopyableLayers(table, 1), 0xF6u); // the copy itself
    const std::vector<int> again = {0, RowNamed(table, "X axis -")};
    EXPECT_EQ(CopyRowsToLayer(table, again, 3), 0);
    const std::vector<int> copyItself = {1};
    EXPECT_EQ(CopyRowsToLayer(table, copyItself, 3), 0);
    // From the layer row into another layer; bounds.
    EXPECT_EQ(CopyRowsToLayer(table, copyItself, 7), 1);
    EXPECT_EQ(Names(table).substr(0, 14), "1, 1@3, 1@7, 2");
    for (const int layer : {0, 8, -1})
        EXPECT_EQ(CopyRowsToLayer(table, chosen, layer), 0) << layer;
    const std::vector<int> outside = {-1, table.RowCount()};
    EXPECT_EQ(CopyRowsToLayer(table, outside, 2), 0);
    EXPECT_EQ(CopyableLayers(table, table.RowCount()), 0u);
}

// A layer's row is no duplicate of its base row for Remove, and stands in for no base row
// for Add; Clear Row keeps the layer and drops the pointer's speed and curve. Saved as 1.5
// and read back with its layer, keys and pointer cells.
TEST(Layers, LayerRowsBesideMaintenanceAndTheFile) {
    RecordingDialogs dialogs;
    RecordingEditorView view;
    DeviceTables devices;
    devices.AddDevice(testing::Stick("Stick", 2, kX, 0));
    MappingTable table = MappingTable::FromButtons(devices);
    PutKey(table, 1, col::FirstPress, "LAYER 2");
    const std::vector<int> rows = {0, 2};
    ASSERT_EQ(CopyRowsToLayer(table, rows, 2), 2);
    const int axis = RowNamed(table, "X axis -", 2);
    ASSERT_TRUE(SetLayerOrSpeed(table, axis, col::PointerSpeed, "100000"));
    ASSERT_TRUE(StepPointerCurve(table, axis));

    const auto read = ReadEditorConfiguration(WriteEditorConfiguration(table.Rows()));
    EXPECT_EQ(read.Version, "1.5");
    // The layers, keys and pointer cells as shown, a speed past 32767 (an Integer's end) and the
    // curve after it too.
    const auto shown = [](const std::vector<PackedRow>& rows) {
        std::vector<std::string> texts;
        for (const PackedRow& row : rows)
            for (const int c :
                 {col::Button, col::Layer, col::PointerSpeed, col::PointerCurve, col::FirstPress})
                texts.emplace_back(ShownCellText(row, c));
        return texts;
    };
    EXPECT_EQ(shown(read.Rows), shown(table.Rows()));

    ListMaintenance maintenance(&table, devices, dialogs, view, "Vantrel");
    dialogs.answers = {MessageAnswer::Yes};
    EXPECT_FALSE(maintenance.RemoveInactiveAndDuplicateRows());
    EXPECT_TRUE(dialogs.duplicateGroups.empty());
    // The base row of button 1 gone: Add brings it back though layer 2 has one.
    table.Rearrange({1, 2, 3, 4, 5}, {});
    ASSERT_EQ(Names(table), "1@2, 2, X axis -, X axis -@2, X axis +");
    dialogs.answers = {MessageAnswer::Yes};
    EXPECT_TRUE(maintenance.AddMissingRows());
    EXPECT_EQ(Names(table), "1, 1@2, 2, X axis -, X axis -@2, X axis +");

    ClearRowCells(table, RowNamed(table, "X axis -", 2));
    const ControlFields cleared =
        ControlFieldsOf(table.Row(RowNamed(table, "X axis -", 2)).Unpack());
    EXPECT_EQ(std::tuple(cleared.Layer, cleared.PointerSpeed, cleared.PointerCurve),
              std::tuple(2, 0, 0));
}

// A pad of 4 buttons with a row of button 2 copied into layer 1 and one of button 4 into
// layer 3, shown.
struct LayerView : ::testing::Test, testing::EditorSeamsRig {
    LayerView() {
        joysticks.AddController("{00000000-0000-0000-0000-000000000001}", "Pad", 4);
        Start();
        editor->NewConfiguration();
        Click(1, col::FirstPress);
        editor->CopyToLayer(1);
        Click(4, col::FirstPress);
        editor->CopyToLayer(3);
    }
};

TEST_F(LayerView, OneLayerShownTheKeysMoveAmongItsRowsAndNothingIsLost) {
    ASSERT_EQ(Names(Table()), "1, 2, 2@1, 3, 4, 4@3");
    // The row copied last is chosen: layer 3 is taken, the others free.
    EXPECT_EQ(editor->CommandStates().CopyLayers,
              (std::array<bool, 8>{false, true, true, false, true, true, true, true}));
    EXPECT_TRUE(editor->CommandStates().MappingMenu.CopyToLayer);

    // Layer 1 hides the selected row of the base layer: no longer selected. (What each view
    // shows, and all again with nothing lost: tests/e2e/editor/layers.)
    editor->ShowLayer(0);
    EXPECT_EQ(Table().SelectedRow(), 4);
    editor->ShowLayer(1);
    EXPECT_EQ(Table().SelectedRow(), -1);
    // Base layer: Home, then Down goes 1, 2, 3, 4 and stays.
    editor->ShowLayer(0);
    editor->ListKeyPressed(ListKey::Home, 10);
    EXPECT_EQ(Table().SelectedRow(), 0);
    std::vector<int> visited;
    for (int i = 0; i < 4; ++i) {
        editor->ListKeyPressed(ListKey::Down, 10);
        visited.push_back(Table().SelectedRow());
    }
    EXPECT_EQ(visited, (std::vector<int>{1, 3, 4, 4}));
    editor->ListKeyPressed(ListKey::Up, 10);
    EXPECT_EQ(Table().SelectedRow(), 3);
    editor->ListKeyPressed(ListKey::PageUp, 10);
    EXPECT_EQ(Table().SelectedRow(), 0);

    // Layer 1: its one row; layer 5: none, the keys do nothing.
    editor->ShowLayer(1);
    editor->ListKeyPressed(ListKey::End, 10);
    EXPECT_EQ(Table().SelectedRow(), 2);
    editor->ShowLayer(5);
    editor->ListKeyPressed(ListKey::Down, 10);
    EXPECT_EQ(Table().SelectedRow(), -1);
}

// The Layer cell is typed in the cell editor: a bad value is refused with its box; a row
// typed into a layer the list does not show leaves the view and the selection.
TEST_F(LayerView, ALayerTypedMovesTheRowOutOfAViewOfAnotherLayer) {
    editor->ShowLayer(0);
    editor->CellDoubleClicked(0, col::Layer);
    EXPECT_EQ(std::pair(view.editorRow, view.editorText), std::pair(0, std::string("0")));
    editor->DescriptionCommitted("8");
    EXPECT_EQ(dialogs.shown.back(), msg::InvalidLayer());
    EXPECT_EQ(RowLayer(Table().Row(0)), 0);
    editor->CellDoubleClicked(0, col::Layer);
    editor->DescriptionCommitted("6");
    EXPECT_EQ(std::tuple(RowLayer(Table().Row(0)), Table().SelectedRow(), editor->ListColumn()),
              std::tuple(6, -1, std::optional<int>()));
    // Speed on a button row: no cell editor opens for it.
    view.editorRow = -1;
    editor->CellDoubleClicked(1, col::PointerSpeed);
    EXPECT_EQ(view.editorRow, -1);
}

// "Set Key Cell" puts a layer or pointer name into the chosen key cell of the chosen row.
TEST_F(LayerView, ALayerOrPointerNameGoesIntoTheChosenKeyCell) {
    Click(0, col::FirstRelease + 2);
    EXPECT_TRUE(editor->CommandStates().MappingMenu.SetKeyCell);
    editor->SetKeyCellName("LAYER 4");
    EXPECT_EQ(Table().Row(0)[col::FirstRelease + 2], (Cell{"LAYER 4", Variant::Text("LAYER 4")}));
    Click(0, col::Description);
    EXPECT_FALSE(editor->CommandStates().MappingMenu.SetKeyCell);
    editor->SetKeyCellName("POINTER UP");
    EXPECT_EQ(Table().Row(0)[col::Description].Text, NewMappingRow()[col::Description].Text);
}

// While recording, a mouse button or wheel notch on the recording cell is recorded with the
// modifiers held; elsewhere, or outside recording, it is the list's click.
TEST_F(LayerView, AMouseClickOrWheelNotchOnTheRecordingCellIsRecorded) {
    // Outside recording a click chooses the cell: tests/e2e/editor/layers.
    Click(3, col::FirstPress + 1);
    editor->ToggleRecording();
    const struct {
        std::uint16_t code, mask;
        const char* text;
    } cases[] = {{kVkMouseLeft, kCtrlMask, "CTRL + MOUSE LEFT"},
                 {kVkMouseMiddle, kShiftMask | kAltMask, "SHIFT + ALT + MOUSE MIDDLE"},
                 {kVkMouseX2, 0, "MOUSE X2"},
                 {kVkWheelDown, kShiftMask, "SHIFT + WHEEL DOWN"},
                 {kVkWheelRight, 0, "WHEEL RIGHT"}};
    for (const auto& c : cases) {
        EXPECT_TRUE(editor->MouseClicked(3, col::FirstPress + 1, c.code, c.mask)) << c.text;
        EXPECT_EQ(Table().Row(3)[col::FirstPress + 1].Text, c.text);
        EXPECT_EQ(view.keyMapping, c.text);
    }
    // Another cell, another row, no cell, a key code: not recorded.
    EXPECT_FALSE(editor->MouseClicked(3, col::FirstPress + 2, kVkMouseLeft, 0));
    EXPECT_FALSE(editor->MouseClicked(2, col::FirstPress + 1, kVkMouseLeft, 0));
    EXPECT_FALSE(editor->MouseClicked(-1, -1, kVkWheelUp, 0));
    EXPECT_FALSE(editor->MouseClicked(3, col::FirstPress + 1, 'A', 0));
    EXPECT_EQ(Table().Row(3)[col::FirstPress + 1].Text, "WHEEL RIGHT");
}

} // namespace
} // namespace qm
