// The runner's loader: refusal rules, Valid, first entry wins, step packing and compiled flags.
#include "core/messages.h"
#include "engine/configuration_loader.h"
#include "support/allocation_counter.h"
#include "support/fakes.h"
#include "support/qmf_builder.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace qm {
namespace {

using testing::File14;
using testing::Quoted;
using testing::Record14;

constexpr const char* kPad = "{6F1D2B60-D5A0-11CF-BFC7-444553540000}";
constexpr const char* kPanel = "\\\\?\\hid#vid_1234&pid_0001#7&1a2b3c4d&0&0000#{abc";

class RunnerLoad : public ::testing::Test {
protected:
    void SetUp() override {
        devices.AddDevice({true, 0, kPad, "Gamepad", 12});
        devices.AddDevice({false, 0, kPanel, "Panel", 32});
    }

    bool Load(const std::string& bytes) {
        files.files["c.qmf"] = bytes;
        return LoadRunnerConfiguration(files, dialogs, "c.qmf", devices, scanCodes, tables);
    }

    static Record14 Entry(const char* identity, const char* button,
                          std::vector<testing::KeySpec> press = {{"A", "A"}}) {
        return {.Button = button, .Identity = identity, .Press = std::move(press), .Release = {}};
    }

    DeviceTables devices;
    UsLayoutScanCodes scanCodes;
    RunnerTables tables;
    testing::MemoryFileSystem files;
    testing::RecordingDialogs dialogs;
};

TEST_F(RunnerLoad, CompilesEntriesOfConnectedDevicesIntoButtonMap) {
    auto lower = Entry(kPanel, "32");
    lower.Identity = std::string("  ") + "\\\\?\\HID#VID_1234&PID_0001#7&1A2B3C4D&0&0000#{ABC ";
    ASSERT_TRUE(Load(File14({
        Entry(kPad, "1", {{"SHIFT + A", "A"}}),
        lower,                                                // identity trimmed, other case
        Entry("{00000000-0000-0000-0000-00000000DEAD}", "1"), // not connected
        Entry(kPad, "13"),                                    // beyond the pad's 12 buttons
        Entry(kPad, "0"),                                     // skipped, still counted
        Entry(kPad, "513"),
        Entry(kPad, "1", {{"B", "B"}}), // the first entry for a button wins: never used
    })));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(std::tuple(tables.MappingCount, tables.ValidCount()), std::tuple(7, 3));
    std::vector<std::pair<bool, int>> entries; // Valid, ButtonNo
    for (const auto& m : tables.Mappings)
        entries.emplace_back(m.Valid, m.ButtonNo);
    EXPECT_EQ(
        entries,
        (std::vector<std::pair<bool, int>>{
            {true, 1}, {true, 32}, {false, 1}, {false, 13}, {false, 0}, {false, 0}, {true, 1}}));
    // ButtonBound, the two cells bound, BoundCount.
    const auto& map = devices.ButtonMap();
    EXPECT_EQ(std::tuple(map.ButtonBound(), map.At(1, 1), map.At(2, 32), map.BoundCount()),
              std::tuple(32, 1, 2, 2));

    // The first entry's keys (the keys scenario) fill one step; entries never reached through
    // ButtonMap stay zero-filled.
    const auto used = [&](int entry, int step) { return tables.Press(entry).Step(step).IsUsed(); };
    EXPECT_EQ((std::vector{used(1, 1), used(1, 2), used(3, 1), used(4, 1), used(7, 1)}),
              (std::vector{true, false, false, false, false}));
}

TEST_F(RunnerLoad, PacksFilledCellsIntoConsecutiveSteps) {
    auto r =
        Entry(kPad, "1", {{" ", " "}, {"F5", "F5"}, {"", ""}, {"CTRL + ALT + DELETE", "DELETE"}});
    r.Release = {{"", ""}, {"", ""}, {"ESC", "ESC"}};
    ASSERT_TRUE(Load(File14({r})));
    const auto& press = tables.Press(1);
    EXPECT_EQ(press.Step(1).Slots[0], (KeySlot{116, 0x3F}));
    EXPECT_EQ(press.Step(2).Slots, (std::array<KeySlot, 4>{{{17, 0x1D}, {18, 0x38}, {46, 0x53}}}));
    EXPECT_FALSE(press.Step(3).IsUsed());
    EXPECT_EQ(tables.Release(1).Step(1).Slots[0], (KeySlot{27, 0x01}));

    // No press key at all: nothing compiled on either side's first step.
    ASSERT_TRUE(Load(File14({Entry(kPad, "1", {})})));
    EXPECT_FALSE(tables.Press(1).Step(1).IsUsed());
}

TEST_F(RunnerLoad, CompilesBehaviourAndLockValues) {
    std::vector<Record14> records;
    for (const char* m : {"1", "2", "3", "4", "8", "16"}) {
        auto r = Entry(kPad, std::to_string(records.size() + 1).c_str());
        r.Multiplier = Quoted(m);
        records.push_back(r);
    }
    records[0].Repeat = "#TRUE#";
    records[0].Rotary = Quoted("true");
    records[0].NumLock = "#TRUE#";
    records[0].ScrollLock = "-1";
    ASSERT_TRUE(Load(File14(records)));
    const auto& p = tables.Press(1); // Repeat, Rotary, Num, Caps and Scroll Lock
    EXPECT_EQ(std::tuple(p.Repeat, p.Rotary, p.NumLock, p.CapsLock, p.ScrollLock),
              std::tuple(-1, -1, 1, 0, 1));
    const std::int16_t compiled[] = {1, 2, 1, 4, 8, 1};
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(tables.Press(i).Multiplier, compiled[i - 1]) << i;
    EXPECT_EQ(tables.Mapping(3).Multiplier, 3); // kept as read
    EXPECT_EQ(tables.Release(1).Multiplier, 0);
    EXPECT_EQ(tables.Press(2).Repeat, 0);
}

TEST_F(RunnerLoad, RefusalsKeepThePreviousTablesAnEmptyFileReplacesThem) {
    ASSERT_TRUE(Load(File14({Entry(kPad, "1")})));
    auto truncated = File14({Entry(kPad, "2"), Entry(kPad, "3")});
    truncated.resize(truncated.size() - 10);
    const auto corrupt = msg::RunnerCorrupt("Corvex");
    for (const auto& [bytes, message] :
         {std::pair<std::string, Message>{truncated, corrupt},
          {"", corrupt},
          {testing::QmfLines({Quoted("1.3")}), msg::RunnerObsoleteData()},
          {testing::QmfLines({Quoted("1.40")}), msg::RunnerObsoleteData()},
          {testing::QmfLines({Quoted("1.6")}), msg::NewerFileVersion("1.6")},
          {File14({Entry(kPad, "2")}).replace(1, 3, "2.0"), msg::NewerFileVersion("2.0")}}) {
        dialogs.shown.clear();
        EXPECT_FALSE(Load(bytes));
        EXPECT_EQ(dialogs.shown, std::vector{message});
        // The previous entry count and its cell.
        EXPECT_EQ(std::tuple(tables.MappingCount, devices.ButtonMap().At(1, 1)), std::tuple(1, 1));
    }
    dialogs.shown.clear();
    files.files.erase("c.qmf");
    EXPECT_FALSE(LoadRunnerConfiguration(files, dialogs, "c.qmf", devices, scanCodes, tables));
    EXPECT_EQ(dialogs.shown, std::vector{msg::FileIoError(AppError(err::FileNotFound))});
    // A read that cannot get its memory is a file error too.
    files.outOfMemory = true;
    EXPECT_FALSE(Load(File14({})));
    EXPECT_EQ(dialogs.shown.back(), msg::FileIoError(AppError(err::OutOfMemory)));
    EXPECT_EQ(tables.MappingCount, 1);
    files.outOfMemory = false;

    // An empty configuration loads, with nothing bound.
    ASSERT_TRUE(Load(File14({})));
    EXPECT_EQ(std::tuple(tables.MappingCount, devices.ButtonMap().BoundCount()), std::tuple(0, 0));
}

TEST_F(RunnerLoad, NoDevicesOrNoButtonsRefuseBeforeReadingTheFile) {
    DeviceTables none;
    EXPECT_FALSE(LoadRunnerConfiguration(files, dialogs, "missing.qmf", none, scanCodes, tables));
    DeviceTables buttonless;
    buttonless.AddDevice({true, 0, kPad, "Gamepad", 0});
    EXPECT_FALSE(
        LoadRunnerConfiguration(files, dialogs, "missing.qmf", buttonless, scanCodes, tables));
    EXPECT_EQ(dialogs.shown, (std::vector{msg::RunnerNoDevices(), msg::RunnerNoButtons()}));
}

TEST_F(RunnerLoad, ValueThatDoesNotConvertIsDefaultedWithOneErrorBox) {
    auto r = Entry(kPad, "1");
    r.Repeat = Quoted("often");
    r.Multiplier = Quoted("lots");
    const auto box = msg::ErrorBox(AppError(err::TypeMismatch), "open_click");
    ASSERT_TRUE(Load(File14({r})));
    ASSERT_TRUE(Load(File14({r, Entry(kPad, "x2")})));
    EXPECT_EQ(dialogs.shown, std::vector(2, box));
    // Repeat and Multiplier defaulted; the second entry loaded, skipped.
    EXPECT_EQ(std::tuple(tables.Mapping(1).Repeat, tables.Press(1).Multiplier, tables.MappingCount,
                         tables.Mapping(2).ButtonNo),
              std::tuple(false, 1, 2, 0));
}

TEST_F(RunnerLoad, RecordsOfUnconnectedIdentitiesNeedNoStorageOfTheirOwn) {
    // The heap the load holds at once, beyond the file text, for 2,000 records of identities
    // that match no device: each of its own, or all the same.
    constexpr int kRecords = 2000;
    const auto peakBytes = [&](bool distinct) {
        std::vector<Record14> records;
        for (int i = 0; i < kRecords; ++i) {
            char identity[64];
            std::snprintf(identity, sizeof identity, "{%08X-0000-0000-0000-00000000DEAD}",
                          distinct ? i : 0);
            records.push_back(Entry(identity, "1"));
        }
        const auto bytes = File14(records);
        RunnerTables loaded;
        const testing::AllocationScope heap;
        CompileRunnerConfiguration(bytes, devices, scanCodes, loaded);
        EXPECT_EQ(loaded.MappingCount, kRecords);
        return heap.Counts().PeakBytes;
    };
    const auto oneIdentity = peakBytes(false);
    // Once 2 KB per identity (3.6 GB for a million records).
    EXPECT_LE(peakBytes(true), oneIdentity + 16 * 1024);
    // Per record only its entry and its two compiled sides: no texts.
    const auto tableBytes = kRecords * (sizeof(MappingEntry) + 2 * sizeof(CompiledKeys));
    EXPECT_LE(oneIdentity, static_cast<long long>(tableBytes) + 16 * 1024);
}

} // namespace
} // namespace qm
