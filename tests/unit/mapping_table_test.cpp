// The mapping list model: file rows and copies, the click recolouring, marking rows against the
// attached devices, the columns' alignment.
#include "editor/mapping_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

MappingRow Row(const std::string& button, const std::string& device,
               Variant active = Variant::Bool(true)) {
    MappingRow row = NewMappingRow();
    row[col::Button].Text = button;
    row[col::Device] = {device, Variant::Text("{" + device + "}")};
    row[col::Description].Tag = std::move(active);
    return row;
}

// Packed rows give back every cell as it was: texts of any length, tags of every kind (a text
// tag equal to its cell's text or not); replacing one cell leaves the others as they were.
TEST(PackedRow, KeepsEveryCellAndReplacesOneAlone) {
    MappingRow row;
    const std::size_t lengths[] = {0, 1, 127, 128, 16383, 16384};
    for (int c = 0; c < kColumnCount; ++c) {
        std::string text(lengths[c % 6], static_cast<char>('a' + c % 26));
        const Variant tags[] = {Variant(),           Variant::Bool(false),
                                Variant::Bool(true), Variant::Number(-2.5),
                                Variant::Text(text), Variant::Text(std::string(text.size(), '#'))};
        row[c] = {std::move(text), tags[c % 6]};
    }
    PackedRow packed(row);
    EXPECT_EQ(packed.Unpack(), row);
    for (int c = 0; c < kColumnCount; ++c)
        EXPECT_EQ(packed[c], row[c]) << c;
    packed.Set(20, {std::string(300, 'z'), Variant::Number(8)});
    row[20] = {std::string(300, 'z'), Variant::Number(8)};
    EXPECT_EQ(packed.Unpack(), row);
    EXPECT_EQ(PackedRow().Unpack(), MappingRow{});
}

TEST(MappingTable, FileRowsAndCopiesTakeTheirColourFromTheActiveFlag) {
    const auto t = MappingTable::FromRows(
        {Row("1", "a", Variant()), Row("2", "a", Variant::Text("")),
         Row("3", "a", Variant::Bool(false)), Row("4", "a", Variant::Text("x"))});
    const std::uint32_t colours[] = {rowcolour::Active, rowcolour::Active, rowcolour::Inactive,
                                     rowcolour::Inactive};
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(t.RowColour(r), colours[r]) << r;
    EXPECT_EQ(t.Row(0)[col::Description].Tag, Variant::Bool(true));
    EXPECT_EQ(t.Row(1)[col::Description].Tag, Variant::Bool(true));

    const auto copy = MappingTable::CopyOf(t);
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(copy.RowColour(r), colours[r]);
        EXPECT_EQ(copy.Row(r)[col::Description].Tag, Variant::Bool(true));
    }
}

TEST(MappingTable, SelectingTheSelectedRowOutsideRecordingRecoloursNothing) {
    auto t =
        MappingTable::FromRows({Row("1", "a"), Row("2", "a", Variant::Bool(false)), Row("3", "a")});
    EXPECT_TRUE(t.Select(0, false));
    EXPECT_EQ(t.RowColour(0), rowcolour::Selected);
    EXPECT_EQ(t.RowColour(1), rowcolour::Inactive);
    t.SetRowColour(2, rowcolour::Pressed);
    EXPECT_FALSE(t.Select(0, false));
    EXPECT_EQ(t.RowColour(2), rowcolour::Pressed);
    EXPECT_TRUE(t.Select(0, true));
    EXPECT_EQ(t.RowColour(0), rowcolour::Recording);
    EXPECT_EQ(t.RowColour(2), rowcolour::Active);
    EXPECT_TRUE(t.Select(1, false));
    EXPECT_EQ(std::tuple(t.RowColour(0), t.SelectedRow()), std::tuple(rowcolour::Active, 1));
}

TEST(MappingTable, MarkActiveMatchesIdentityTrimmedWithoutCaseAndUpToTheButtonCount) {
    DeviceTables devices;
    devices.AddDevice({true, 0, "{PAD}", "Pad", 12});
    // Two devices of one identity: the later one's count.
    devices.AddDevice({true, 1, "{TWIN}", "Twin", 2});
    devices.AddDevice({true, 2, " {twin}  ", "Twin", 1});
    auto t = MappingTable::FromRows({Row("12", "pad", Variant::Bool(false)), Row("13", "pad"),
                                     Row("1", "other"), Row("x", "PAD"), Row("1", "Twin"),
                                     Row("2", "twin")});
    t.MarkActive(devices);
    const bool active[] = {true, false, false, false, true, false};
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(t.Row(r)[col::Description].Tag, Variant::Bool(active[r])) << r;
        EXPECT_EQ(t.RowColour(r), active[r] ? rowcolour::Active : rowcolour::Inactive) << r;
    }
}

} // namespace
} // namespace qm
