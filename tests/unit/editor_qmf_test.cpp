// The editor's reader (every version, upgrade, skip and corrupt rules), its writer and the load
// and save commands with their messages. An obsolete file's warning before the corrupt file's
// question, each answer: tests/e2e/editor/load.
#include "core/editor_qmf.h"
#include "core/messages.h"
#include "core/qmf_file.h"
#include "support/fakes.h"
#include "support/qmf_builder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qm {
namespace {

using ::testing::ElementsAre;
using testing::File14;
using testing::Flag;
using testing::MemoryFileSystem;
using testing::QmfLines;
using testing::Quoted;
using testing::Record14;
using testing::RecordingDialogs;

int CountLines(const std::string& bytes) {
    int n = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        n += bytes[i] == '\r' && bytes[i + 1] == '\n';
    return n;
}

// The texts of a row's cells in `columns`.
std::vector<std::string> Texts(const PackedRow& row, std::initializer_list<int> columns) {
    std::vector<std::string> texts;
    for (int c : columns)
        texts.push_back(row[c].Text);
    return texts;
}

Record14 FullRecord() {
    Record14 r;
    r.Button = "12";
    r.DeviceName = "Throttle \xE9";
    r.Repeat = "#TRUE#";
    r.Multiplier = "\"4\"";
    r.Description = "Gear down";
    r.CapsLock = "#TRUE#";
    r.Press = {{"SHIFT + CTRL + A", "A"}, {"", ""}, {"F5", "F5"}};
    r.Release = {{"ALT + NUMPAD 7", "NUMPAD 7"}};
    return r;
}

// Written back byte for byte (the sample files and the generated ones too: file_versions_test).
TEST(EditorReader, FillsAVersion14RowThatIsWrittenBackByteForByte) {
    const std::string bytes = File14({FullRecord()});
    const auto read = ReadEditorConfiguration(bytes);
    EXPECT_FALSE(read.Obsolete || read.Corrupt || read.ValueError);
    EXPECT_EQ(WriteEditorConfiguration(read.Rows), bytes);
    ASSERT_EQ(read.Rows.size(), 1u);
    const auto& row = read.Rows[0];
    EXPECT_THAT(
        Texts(row, {col::Button, col::Device, col::Description, col::CapsLock, col::FirstRelease}),
        ElementsAre("12", "Throttle \xC3\xA9", "Gear down", "On", "ALT + NUMPAD 7"));
    EXPECT_EQ(row[col::Device].Tag.ToText(), "{00000000-0000-0000-0000-000000000001}");
    EXPECT_EQ(row[col::Repeat], (Cell{"On", Variant::Bool(true)}));
    EXPECT_EQ(row[col::Rotary], (Cell{"Off", Variant::Bool(false)}));
    EXPECT_EQ(row[col::Multiplier], (Cell{"4X", Variant::Text("4")}));
    EXPECT_EQ(row.PressCell(1), (Cell{"SHIFT + CTRL + A", Variant::Text("A")}));
    EXPECT_EQ(row.PressCell(2), (Cell{"", Variant::Text("")}));
    EXPECT_EQ(row.PressCell(4), (Cell{" ", Variant::Text(" ")}));
}

TEST(EditorReader, UpgradesVersion13WithLocksOff) {
    // Lines 1 to 7 of a record, then the 64 key values.
    std::vector<std::string> lines = {Quoted("1.3"), Quoted("3"), Quoted("Pad"), Quoted("{G}"),
                                      Flag(false),   Flag(true),  Quoted("2"),   Quoted("Flaps")};
    for (int i = 0; i < 64; ++i)
        lines.push_back(i == 0 ? Quoted("CTRL + F") : i == 1 ? Quoted("F") : Quoted(" "));
    const auto read = ReadEditorConfiguration(QmfLines(lines));
    EXPECT_EQ(read.Version, "1.3");
    EXPECT_TRUE(read.Obsolete);
    ASSERT_EQ(read.Rows.size(), 1u);
    const auto& row = read.Rows[0];
    EXPECT_THAT(Texts(row, {col::Rotary, col::Multiplier, col::Description, col::FirstPress}),
                ElementsAre("On", "2X", "Flaps", "CTRL + F"));
    for (int c : {col::NumLock, col::CapsLock, col::ScrollLock})
        EXPECT_EQ(row[c], (Cell{"Off", Variant::Bool(false)}));
    // Saved, it is the version 1.4 file the writer before 1.5 made of it: file_versions_test.
}

// The cells of versions 1.2 and 1.1 as the writer before 1.5 resaved them: file_versions_test.
// Here, a 1.2 release name stored as True read as none, and a version line of an older or
// unknown form read as 1.1 (one past 1.5: AFileOfANewerVersionIsNotReadOthersReadAsBefore).
TEST(EditorReader, UpgradesVersions12And11) {
    const auto v12 = ReadEditorConfiguration(QmfLines(
        {Quoted("1.2"), Quoted("2"), Quoted("Pad"), Quoted("{G}"), Quoted("SHIFT + X"), Quoted("X"),
         Quoted("Y"), Flag(true), Flag(true), Quoted("Old one"), // release name stored as True
         Quoted("3"), Quoted("Pad"), Quoted("{G}"), Quoted("A"), Quoted("A"), Quoted("B"),
         Quoted("B"), Flag(false), Quoted("")}));
    EXPECT_EQ(std::tuple(v12.Version, v12.Obsolete, v12.Rows.size()),
              std::tuple(std::string("1.2"), true, std::size_t{2}));
    ASSERT_EQ(v12.Rows.size(), 2u);
    EXPECT_EQ(v12.Rows[0].ReleaseCell(1), (Cell{"Y", Variant::Text("")}));
    EXPECT_EQ(v12.Rows[1].ReleaseCell(1), (Cell{"B", Variant::Text("B")}));
    for (const char* version : {"1.1", "0.9"}) {
        const auto v11 = ReadEditorConfiguration(
            QmfLines({Quoted(version), Quoted("7"), Quoted("Pad"), Quoted("{G}"), Quoted("F1"),
                      Quoted("F1"), Quoted("Help")}));
        EXPECT_EQ(std::tuple(v11.Version, v11.Obsolete, v11.Rows.size()),
                  std::tuple(std::string("1.1"), true, std::size_t{1}))
            << version;
    }
}

TEST(FileVersion, OnlyDigitsDotDigitsBeyond15AreNewer) {
    for (const char* newer : {"1.6", "2.0", "1.51", "01.6", "10.0", "1.5000000000000000000000001",
                              "123456789012345678901234567890.0"})
        EXPECT_TRUE(IsNewerFileVersion(newer)) << newer;
    for (const char* known : {"1.5", "1.50", "1.4", "1.49", "1.3", "0.9", "001.500", "1.", ".6",
                              "1.6 ", " 1.6", "1,6", "1.6.1", "+1.6", "1e1", "v2.0", "", "garbage"})
        EXPECT_FALSE(IsNewerFileVersion(known)) << known;
}

TEST(EditorReader, AFileOfANewerVersionIsNotReadOthersReadAsBefore) {
    // A record of the newer version's own shape: nothing of it is read.
    const std::vector<std::string> record = {Quoted("7"),  Quoted("Pad"), Quoted("{G}"),
                                             Quoted("F1"), Quoted("F1"),  Quoted("Help")};
    const auto withVersion = [&](const std::string& line) {
        std::vector<std::string> lines = {line};
        lines.insert(lines.end(), record.begin(), record.end());
        return QmfLines(lines);
    };
    // Quoted or a number, as values are read.
    for (const auto& [line, version] :
         {std::pair{"\"1.6\"", "1.6"}, {"\"2.0\"", "2.0"}, {"1.6", "1.6"}, {" \"1.6\"", "1.6"}}) {
        const auto read = ReadEditorConfiguration(withVersion(line));
        EXPECT_EQ(read.NewerVersion, version) << line;
        EXPECT_TRUE(read.Rows.empty() && !read.Obsolete && !read.Corrupt) << line;
    }
    // The edge and what is not of the form: "1.40" and any other text read as 1.1, as before.
    EXPECT_TRUE(ReadEditorConfiguration(File14({Record14{}})).NewerVersion.empty());
    for (const char* line : {"\"1.40\"", "\"1.50\"", "\"1.6 beta\"", "\"garbage\"", "#TRUE#"}) {
        const auto read = ReadEditorConfiguration(withVersion(line));
        EXPECT_TRUE(read.NewerVersion.empty()) << line;
        EXPECT_EQ(std::pair(read.Version, read.Rows.size()),
                  std::pair(std::string("1.1"), std::size_t{1}))
            << line;
    }
}

TEST(EditorReader, SkipsRecordsOutsideButtons1To512) {
    std::vector<Record14> records;
    for (const char* button : {"0", "513", "-1", "512", "1", "0.5"})
        records.emplace_back().Button = button;
    const auto read = ReadEditorConfiguration(File14(records));
    ASSERT_EQ(read.Rows.size(), 3u);
    EXPECT_EQ(read.Rows[0][col::Button].Text, "512");
    EXPECT_EQ(read.Rows[1][col::Button].Text, "1");
    EXPECT_EQ(read.Rows[2][col::Button].Text, "0.5");
    EXPECT_FALSE(read.ValueError);
}

TEST(EditorReader, EndOfFileInsideARecordIsCorrupt) {
    auto bytes = File14({Record14{}, Record14{}});
    bytes.resize(bytes.size() - 20); // cut into the last record
    const auto read = ReadEditorConfiguration(bytes);
    EXPECT_EQ(std::pair(read.Corrupt, read.Rows.size()), std::pair(true, std::size_t{1}));
    EXPECT_TRUE(ReadEditorConfiguration("").Corrupt);
}

TEST(EditorReader, ValueThatDoesNotConvertGetsItsDefaultWithOneErrorBox) {
    Record14 bad;
    bad.Repeat = Quoted("maybe");
    bad.NumLock = Quoted("sometimes");
    Record14 badButton;
    badButton.Button = "five";
    MemoryFileSystem files;
    files.files["c.qmf"] = File14({Record14{}, bad, badButton});
    RecordingDialogs dialogs;
    const auto outcome = LoadEditorConfiguration(files, dialogs, "c.qmf");
    EXPECT_EQ(outcome.Action, EditorLoadAction::Keep);
    ASSERT_EQ(outcome.Read.Rows.size(), 2u);
    EXPECT_EQ(outcome.Read.Rows[1][col::Repeat], (Cell{"Off", Variant::Bool(false)}));
    EXPECT_EQ(outcome.Read.Rows[1][col::NumLock], (Cell{"Off", Variant::Bool(false)}));
    EXPECT_EQ(std::pair(outcome.Read.ValueErrorCount, outcome.Read.RowsBeforeValueError),
              std::pair(3, 1));
    EXPECT_EQ(dialogs.shown, std::vector{msg::ErrorBox(13, "Type mismatch", "open_click")});
}

TEST(EditorWriter, TrimsDescriptionsAndKeepsEveryValueOnItsLine) {
    MappingRow row = NewMappingRow();
    row[col::Button].Text = "1";
    row[col::Device] = {"Pad \"Pro\"", Variant::Text("{G}")};
    row[col::Description].Text = "  Say \"hi\"\r\nnow\t ";
    row.PressCell(1) = {"A", Variant::Text("A")};
    MappingRow spaces = row;
    spaces[col::Description].Text = "   ";
    spaces[col::Multiplier].Tag = Variant::Text(" 2 ");
    spaces[col::Repeat].Tag = Variant::Text("True"); // written as stored: a string
    const auto bytes = WriteEditorConfiguration({PackedRow(row), PackedRow(spaces)});
    EXPECT_EQ(CountLines(bytes), 1 + 2 * 74);
    const auto read = ReadEditorConfiguration(bytes);
    ASSERT_EQ(read.Rows.size(), 2u);
    EXPECT_THAT(Texts(read.Rows[0], {col::Device, col::Description}),
                ElementsAre("Pad 'Pro'", "Say 'hi'  now"));
    EXPECT_THAT(Texts(read.Rows[1], {col::Description, col::Multiplier}), ElementsAre("", "2X"));
    EXPECT_EQ(read.Rows[1][col::Repeat], (Cell{"On", Variant::Text("True")}));
    EXPECT_NE(bytes.find("\r\n\"True\"\r\n"), std::string::npos);
}

// The read limit covers the largest list the devices give (255 controllers of 128 buttons, 129
// boards of 512) with every name, identity and key cell at its longest.
TEST(EditorWriter, TheLargestListTheDevicesGiveFitsTheReadLimit) {
    const auto recordSize = [](std::size_t name, std::size_t identity) {
        MappingRow row = NewMappingRow();
        row[col::Button].Text = "512";
        row[col::Device] = {std::string(name, 'n'), Variant::Text(std::string(identity, 'i'))};
        row[col::Description] = {"", Variant::Bool(true)};
        for (int c = col::FirstPress; c < col::KeyEnd; ++c)
            row[c] = {"SHIFT + CTRL + ALT + PRINT SCREEN", Variant::Text("PRINT SCREEN")};
        return EditorConfigurationSize({PackedRow(row)}, kMaxReadBytes) - File14({}).size();
    };
    // A controller's name has up to 259 characters, two bytes each in a double-byte code page;
    // its identity is a GUID. A board's name has up to 256 bytes, its identity 251.
    const std::uint64_t largest =
        File14({}).size() + 255 * 128 * recordSize(518, 38) + 129 * 512 * recordSize(256, 251);
    EXPECT_LE(largest, kMaxReadBytes);
}

// A read that cannot get its memory is a file the editor cannot open; a file open already too,
// as the editor keeps running.
TEST(EditorLoad, ReportsEachFailureWithItsMessageAndAction) {
    using enum EditorLoadAction;
    const std::pair<int, EditorLoadAction> cases[] = {
        {err::FileNotFound, RemoveFromList},      {err::PathNotFound, RemoveFromList},
        {err::BadFileName, RemoveFromList},       {err::PermissionDenied, CloseConfiguration},
        {err::DeviceIoError, CloseConfiguration}, {err::FileAlreadyOpen, CloseConfiguration},
        {err::OutOfMemory, CloseConfiguration}};
    for (const auto& [error, action] : cases) {
        MemoryFileSystem files;
        files.files["x.qmf"] = File14({});
        files.outOfMemory = error == err::OutOfMemory;
        if (!files.outOfMemory)
            files.readErrors["x.qmf"] = error;
        RecordingDialogs dialogs;
        EXPECT_EQ(LoadEditorConfiguration(files, dialogs, "x.qmf").Action, action) << error;
        EXPECT_THAT(dialogs.shown, ElementsAre(msg::FileIoError(AppError(error))));
    }
}

} // namespace
} // namespace qm
