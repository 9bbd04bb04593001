// The mapping list model: new lists, the click recolouring and marking rows
// against the attached devices.
#include "editor/mapping_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm {
namespace {

DeviceTables TwoDevices() {
    DeviceTables devices;
    devices.AddDevice({true, 0, "{PAD-1}", "Pad", 12});
    devices.AddDevice({false, 0, "\\\\?\\hid#board", "Board", 32});
    return devices;
}

MappingRow Row(const std::string& button, const std::string& device,
               Variant active = Variant::Bool(true)) {
    MappingRow row = NewMappingRow();
    row[col::Button].Text = button;
    row[col::Device] = {device, Variant::Text("{" + device + "}")};
    row[col::Description].Tag = std::move(active);
    return row;
}

TEST(MappingTable, NewListHasEveryDeviceButtonActiveWithNewRowDefaults) {
    const auto t = MappingTable::FromButtons(TwoDevices());
    ASSERT_EQ(t.RowCount(), 44);
    for (int r = 0; r < 44; ++r) {
        const MappingRow& row = t.Row(r);
        EXPECT_EQ(t.RowColour(r), rowcolour::Active);
        EXPECT_EQ(row[col::Description].Tag, Variant::Bool(true));
        EXPECT_EQ(row.PressCell(1), (Cell{" ", Variant::Text(" ")}));
    }
    EXPECT_EQ(t.Row(11)[col::Button].Text, "12");
    EXPECT_EQ(t.Row(12)[col::Button].Text, "1");
    EXPECT_EQ(t.Row(43)[col::Device], (Cell{"Board", Variant::Text("\\\\?\\hid#board")}));
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
    EXPECT_EQ(t.RowColour(0), rowcolour::Active);
    EXPECT_EQ(t.SelectedRow(), 1);
}

TEST(MappingTable, MarkActiveMatchesIdentityWithoutCaseAndUpToTheButtonCount) {
    DeviceTables devices;
    devices.AddDevice({true, 0, "{PAD}", "Pad", 12});
    auto t = MappingTable::FromRows({Row("12", "pad", Variant::Bool(false)), Row("13", "pad"),
                                     Row("1", "other"), Row("x", "PAD")});
    t.MarkActive(devices);
    const bool active[] = {true, false, false, false};
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(t.Row(r)[col::Description].Tag, Variant::Bool(active[r])) << r;
        EXPECT_EQ(t.RowColour(r), active[r] ? rowcolour::Active : rowcolour::Inactive) << r;
    }
}

TEST(MappingTable, ColumnTitlesAndAlignment) {
    const auto& titles = MappingColumnTitles();
    ASSERT_EQ(titles.size(), static_cast<std::size_t>(kColumnCount));
    EXPECT_EQ(titles[col::ScrollLock], "Scroll Lock");
    EXPECT_EQ(titles[col::FirstRelease - 1], "On Press 16");
    EXPECT_EQ(titles[kColumnCount - 1], "On Release 16");
    std::string centred;
    for (int c = 0; c <= kColumnCount; ++c)
        centred += IsCentredColumn(c) ? 'c' : 'l';
    EXPECT_EQ(centred, "llccclccc" + std::string(32, 'c') + "l");
}

} // namespace
} // namespace qm
