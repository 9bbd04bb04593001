// Version 1.5 beside 1.4: a configuration that needs nothing of 1.5 is written byte for byte as
// before 1.5 existed; one that does round-trips as 1.5; hostile 1.5 records cost only
// themselves; and the runner binds hat and axis rows to the devices that have them.
#include "bench/generated_configuration.h"
#include "core/control_cells.h"
#include "core/editor_qmf.h"
#include "engine/configuration_loader.h"
#include "support/fakes.h"
#include "support/qmf_builder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace qm {
namespace {

using testing::File14;
using testing::File15;
using testing::Record14;
using testing::Record15;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::uint64_t Fnv(std::string_view bytes) {
    std::uint64_t h = 0xcbf29ce484222325u;
    for (const char c : bytes)
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
    return h;
}

std::string Resaved(std::string_view bytes) {
    return WriteEditorConfiguration(ReadEditorConfiguration(bytes).Rows);
}

// The expected sizes and hashes are those of the writer before version 1.5: its output for
// these inputs, taken once with that build.
TEST(FileVersions, AConfigurationWithoutNewControlsIsWrittenByteForByteAsBefore) {
    const std::string data = QM_TEST_DATA;
    for (const std::string& path : {data + "/../../samples/cockpit.qmf",
                                    std::string(QM_GUIDE_SOURCE) + "/examples/example.qmf",
                                    data + "/v14.qmf", data + "/empty14.qmf"}) {
        const std::string bytes = ReadFile(path);
        ASSERT_FALSE(bytes.empty()) << path;
        EXPECT_EQ(Resaved(bytes), bytes) << path;
    }
    for (const auto& [name, size, hash] : {std::tuple{"v11", 759u, 0x5271c5c0e9816f23u},
                                           {"v12", 393u, 0x04fc4c6c5fb0f05bu},
                                           {"v13", 449u, 0xa111b13f7f9d7b0eu}}) {
        const std::string bytes = Resaved(ReadFile(data + "/" + name + ".qmf"));
        EXPECT_EQ(std::pair(bytes.size(), Fnv(bytes)), std::pair(std::size_t{size}, hash)) << name;
    }
    for (const auto& [setup, size, hash] :
         {std::tuple{bench::GenerateSetup(8, 128, 4, 512), 1551783u, 0x65a7046363bd9d13u},
          {bench::GenerateManyRecords(1000, false), 490903u, 0x6d54f1793076d839u},
          {bench::GenerateManyRecords(1000, true), 490903u, 0xa6a98c0966f4ea09u}}) {
        EXPECT_EQ(std::pair(setup.FileBytes.size(), Fnv(setup.FileBytes)),
                  std::pair(std::size_t{size}, hash));
        EXPECT_EQ(Resaved(setup.FileBytes), setup.FileBytes);
    }
}

MappingRow ControlRow(int number, const std::string& code, const std::string& press = "",
                      const std::string& release = "", bool hold = false) {
    MappingRow row = NewMappingRow();
    row[col::Button] = {std::to_string(number), Variant()};
    row[col::Device] = {"Stick", Variant::Text("{S}")};
    row.PressCell(1) = {"W", Variant::Text("W")};
    ControlFields fields;
    fields.Which = *ParseControlCode(code);
    fields.Points = PointsOf(fields.Which, press, release);
    fields.Hold = hold;
    SetControlCells(row, number, fields);
    return row;
}

// Any hat or axis row, or Hold on any row, makes the file 1.5; read back, it gives the same
// rows and the same bytes. Hold switched off again gives the 1.4 file back.
TEST(FileVersions, ControlsAndHoldRoundTripAsVersion15) {
    MappingRow button = ControlRow(3, "");
    const std::vector<PackedRow> plain = {PackedRow(button)};
    const std::string plainBytes = WriteEditorConfiguration(plain);
    ASSERT_EQ(plainBytes.substr(0, 5), "\"1.4\"");

    std::vector<PackedRow> rows = {
        PackedRow(ControlRow(1, "HAT UP LEFT")), PackedRow(ControlRow(8, "axis +", "70", "55")),
        PackedRow(ControlRow(7, " AXIS BAND ", "60 - 40 %", "90-45", true)), PackedRow(button)};
    const std::string bytes = WriteEditorConfiguration(rows);
    EXPECT_EQ(bytes.substr(0, 5), "\"1.5\"");
    const auto read = ReadEditorConfiguration(bytes);
    EXPECT_FALSE(read.Obsolete || read.Corrupt || read.ValueError);
    EXPECT_EQ(read.Version, "1.5");
    ASSERT_EQ(read.Rows.size(), rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        EXPECT_EQ(ControlFieldsOf(read.Rows[r].Unpack()), ControlFieldsOf(rows[r].Unpack())) << r;
    EXPECT_EQ(WriteEditorConfiguration(read.Rows), bytes);
    const MappingRow band = read.Rows[2].Unpack();
    EXPECT_EQ(band[col::Control].Text, "Slider 1 40-60 %");
    EXPECT_EQ(std::pair(band[col::PressPoint].Text, band[col::ReleasePoint].Text),
              std::pair(std::string("40-60 %"), std::string("40-90 %")));
    EXPECT_EQ(read.Rows[1].Text(col::Control), "Slider 2 +");
    EXPECT_EQ(read.Rows[0].Text(col::Control), "Hat 1 Up Left");

    button[col::Hold] = {"On", Variant::Bool(true)};
    EXPECT_EQ(WriteEditorConfiguration({PackedRow(button)}).substr(0, 5), "\"1.5\"");
    button[col::Hold] = {"Off", Variant::Bool(false)};
    EXPECT_EQ(WriteEditorConfiguration({PackedRow(button)}), plainBytes);

    // A mouse action, a pointer direction or a layer named in any key cell makes it 1.5 too
    // (older readers would send nothing for it); a description that mentions one does not.
    button[col::Description] = {"MOUSE LEFT and LAYER 2", Variant::Text("MOUSE LEFT")};
    EXPECT_EQ(WriteEditorConfiguration({PackedRow(button)}).substr(0, 5), "\"1.4\"");
    for (const char* name : {"CTRL + MOUSE X2", "WHEEL LEFT", "POINTER UP", "LAYER 7"}) {
        MappingRow named = button;
        named[col::FirstRelease + 15] = {
            name, Variant::Text(std::string(name).substr(name[0] == 'C' ? 7 : 0))};
        EXPECT_EQ(WriteEditorConfiguration({PackedRow(named)}).substr(0, 5), "\"1.5\"") << name;
    }
    button[col::FirstPress] = {"LAYER 8", Variant::Text("LAYER 8")};
    EXPECT_EQ(WriteEditorConfiguration({PackedRow(button)}).substr(0, 5), "\"1.4\"");
}

// A record naming an unknown control is skipped with a type mismatch; a hat or axis number no
// such control can have, or a layer past 7, skips its record silently; unreadable points take
// the defaults, a direction's point 0 becomes 1 (a stick at rest is never down), and a release
// point past the press point is moved to it.
TEST(FileVersions, HostileRecordsCostOnlyThemselves) {
    Record15 ok{
        .Base = {.Button = "2"}, .Control = "AXIS -", .PressPoint = "0", .ReleasePoint = "99"};
    const auto read = ReadEditorConfiguration(File15({
        Record15{.Base = {.Button = "1"}, .Control = "HAT NORTH"},
        Record15{.Base = {.Button = "5"}, .Control = "HAT UP"},
        Record15{.Base = {.Button = "9"}, .Control = "AXIS +"},
        Record15{.Base = {.Button = "1"}, .Layer = "8"},
        Record15{.Base = {.Button = "1"}, .Layer = "\"x\""},
        ok,
        Record15{.Base = {.Button = "3"},
                 .Control = "AXIS +",
                 .PressPoint = "abc",
                 .ReleasePoint = "-5"},
    }));
    ASSERT_EQ(read.Rows.size(), 2u);
    EXPECT_EQ(read.ValueErrorCount, 2);
    EXPECT_EQ(read.ValueError->number(), err::TypeMismatch);
    const ControlFields minus = ControlFieldsOf(read.Rows[0].Unpack());
    EXPECT_EQ(minus.Points, (AxisPoints{{1, 100}, {1, 100}}));
    EXPECT_EQ(ControlFieldsOf(read.Rows[1].Unpack()).Points,
              (AxisPoints{{kDefaultPressPoint, 100}, {kDefaultReleasePoint, 100}}));

    auto truncated = File15({ok, ok});
    truncated.resize(truncated.size() - 12);
    EXPECT_TRUE(ReadEditorConfiguration(truncated).Corrupt);
}

constexpr const char* kStick = "{6F1D2B60-D5A0-11CF-BFC7-444553540000}";

// The runner binds the first row of each control of an identity in each layer to each device of
// it that has the control; each band is a control of its own; a control's rows of the layers
// follow its base row.
TEST(FileVersions, TheRunnerBindsHatAndAxisRowsToDevicesThatHaveThem) {
    DeviceTables devices;
    devices.AddDevice({true, 0, kStick, "Stick", 4, 0b0100'0001, 1}); // X, Slider 1, one hat
    const auto row = [](const char* number, const char* control, const char* press = "") {
        return Record15{.Base = {.Button = number,
                                 .Identity = kStick,
                                 .Rotary = "#TRUE#",
                                 .Press = {{"A", "A"}}},
                        .Control = control,
                        .PressPoint = press};
    };
    auto layered = row("1", "AXIS +");
    layered.Layer = "2";
    auto held = row("1", "HAT UP");
    held.Hold = "#TRUE#";
    const std::string bytes =
        File15({layered, held, row("1", "HAT UP"), row("2", "HAT UP"), row("2", "AXIS +"),
                row("1", "AXIS +"), row("7", "AXIS BAND", "0-20"), row("7", "AXIS BAND", "20-40"),
                row("7", "AXIS BAND", "0-20"), row("3", "")});
    UsLayoutScanCodes scanCodes;
    RunnerTables tables;
    const auto result = CompileRunnerConfiguration(bytes, devices, scanCodes, tables);
    ASSERT_EQ(result.Status, RunnerLoadStatus::Loaded);
    std::vector<std::tuple<std::int32_t, std::string, int, int>> bound;
    for (const auto& control : devices.ButtonMap().Controls(1))
        bound.emplace_back(control.Mapping, std::string(control.Name()), control.Layer,
                           control.GroupSize);
    EXPECT_THAT(bound, ::testing::ElementsAre(
                           std::tuple(6, "X axis +", 0, 2), std::tuple(1, "X axis +", 2, 1),
                           std::tuple(2, "Hat 1 Up", 0, 1), std::tuple(7, "Slider 1 0-20 %", 0, 1),
                           std::tuple(8, "Slider 1 20-40 %", 0, 1)));
    EXPECT_EQ(devices.ButtonMap().At(1, 3), 10);
    // Hold excludes Rotary; a hat or axis never turns; a button row keeps Rotary.
    EXPECT_EQ(std::tuple(tables.Press(2).Hold, tables.Press(2).Rotary, tables.Press(6).Rotary,
                         tables.Press(10).Rotary),
              std::tuple(-1, 0, 0, -1));
    EXPECT_EQ(std::tuple(tables.Mapping(4).Valid, tables.Mapping(5).Valid, tables.Mapping(6).Valid),
              std::tuple(false, false, true));
}

} // namespace
} // namespace qm
