// The board library adapter against the simulated orvhid.dll, and without a usable library.
#include "devices/win32/orvhid_library.h"

#include "devices/hid_record.h"
#include "sim_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

namespace qm {
namespace {

using testing::RunFromProgramFolder;
using testing::ScratchFolder;
using testing::SimDevices;

constexpr char kPath60[] = "\\\\?\\hid#vid_1209&pid_0001#7&1a2b3c4d&0&0000#{4d1e55b2-f16f0}";
static_assert(sizeof kPath60 - 1 == 60);

std::int16_t Int16At(const HidDeviceRecord& record, std::size_t offset) {
    std::int16_t value;
    std::memcpy(&value, record.Bytes.data() + offset, sizeof value);
    return value;
}
std::int32_t Int32At(const HidDeviceRecord& record, std::size_t offset) {
    std::int32_t value;
    std::memcpy(&value, record.Bytes.data() + offset, sizeof value);
    return value;
}
std::string TextAt(const HidDeviceRecord& record, std::size_t offset, std::size_t length) {
    return std::string(reinterpret_cast<const char*>(record.Bytes.data() + offset), length);
}

class OrvhidLibraryTest : public ::testing::Test {
protected:
    std::vector<HidDeviceRecord> table_ = std::vector<HidDeviceRecord>(kHidRecordCount);
    std::int16_t count_ = -1;
};

class SimulatedBoardsTest : public OrvhidLibraryTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(library_.Loaded()) << "error " << library_.LoadError();
        ASSERT_NE(GetProcAddress(GetModuleHandleW(L"orvhid.dll"), "SimOrvhidMarker"), nullptr);
    }

    // A board, one without buttons, a hostile one and one with a product outside ASCII.
    SimDevices devices_{std::string("board | Sim Board | ") + kPath60 +
                        " | 32\n"
                        "board | Empty Board | \\\\?\\hid#empty#1 | 0\n"
                        "board | Hostile | \\\\?\\hid#x | 1000 | path_length=1000 | "
                        "product_length=-1\n"
                        "board | Pupitre \xC3\xA9t\xC3\xA9 | \\\\?\\hid#vid_1209&pid_0004#4 | 8\n"};
    win32::OrvhidLibrary library_; // the one in the test program's folder
};

TEST_F(SimulatedBoardsTest, DetectionFillsTheRecordsFromIndexZero) {
    ASSERT_NE(library_.DetectHID(count_, table_.data(), 4), 0);
    ASSERT_EQ(count_, 4);

    EXPECT_EQ(Int16At(table_[0], hid_record::ButtonCount), 32);
    EXPECT_EQ(Int32At(table_[0], hid_record::PathLength), 60);
    EXPECT_EQ(TextAt(table_[0], hid_record::Path, 60), kPath60);
    EXPECT_EQ(Int32At(table_[0], hid_record::ProductLength), 9);
    EXPECT_EQ(TextAt(table_[0], hid_record::Product, 9), "Sim Board");
    EXPECT_EQ(Int16At(table_[1], hid_record::ButtonCount), 0);
    EXPECT_EQ(Int16At(table_[2], hid_record::ButtonCount), 1000);
    EXPECT_EQ(Int32At(table_[2], hid_record::PathLength), 1000);
    EXPECT_EQ(Int32At(table_[2], hid_record::ProductLength), -1);

    // As the device layer reads them: identity = path less 5, hostile values clamped, texts
    // from the system code page (Windows-1252 in the test prefix).
    const HidRecordFields board = ReadHidRecord(table_[0]);
    EXPECT_EQ(board.Buttons, 32);
    EXPECT_EQ(board.Identity, std::string(kPath60, 55));
    EXPECT_EQ(board.Product, "Sim Board");
    const HidRecordFields hostile = ReadHidRecord(table_[2]);
    EXPECT_EQ(hostile.Buttons, kMaxBoardButtons);
    EXPECT_LE(hostile.Identity.size(), 251u);
    EXPECT_EQ(hostile.Identity.rfind("\\\\?\\hid#x", 0), 0u);
    EXPECT_EQ(hostile.Product, "");
    if (GetACP() == 1252) {
        EXPECT_EQ(ReadHidRecord(table_[3]).Product, "Pupitre \xC3\xA9t\xC3\xA9");
    }

    library_.CloseDevices(count_, table_.data());
}

TEST_F(SimulatedBoardsTest, ReadsReturnTheBoardsResultAndStates) {
    ASSERT_NE(library_.DetectHID(count_, table_.data(), 4), 0);
    HidReadBuffer buffer;
    buffer.fill(0xAA);

    // Default: new data, the states of all 512 buttons.
    devices_.Board(1).Buttons[2] = 1;
    devices_.Board(1).Buttons[31] = 1;
    ASSERT_EQ(library_.ReadInputData(table_[0], buffer, 0), kHidNewData);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[2], 1);
    EXPECT_EQ(buffer[31], 1);
    EXPECT_EQ(buffer[511], 0);

    // No new data and failures leave the buffer alone.
    buffer.fill(0xAA);
    devices_.Board(1).Result = kHidNoNewData;
    EXPECT_EQ(library_.ReadInputData(table_[0], buffer, 0), kHidNoNewData);
    devices_.Board(1).Result = kHidReadFailure;
    EXPECT_EQ(library_.ReadInputData(table_[0], buffer, 0), kHidReadFailure);
    devices_.Board(1).Result = 7;
    EXPECT_EQ(library_.ReadInputData(table_[0], buffer, 0), 7);
    EXPECT_EQ(buffer[2], 0xAA);
    EXPECT_EQ(library_.ReadInputData(table_[3], buffer, 0), kHidNewData); // boards are separate

    // simctl sets the same states and results.
    EXPECT_EQ(RunFromProgramFolder(L"simctl.exe", L"board-result 1 2").ExitCode, 0u);
    EXPECT_EQ(RunFromProgramFolder(L"simctl.exe", L"board-press 1 32").ExitCode, 0u);
    EXPECT_EQ(RunFromProgramFolder(L"simctl.exe", L"board-release 1 3").ExitCode, 0u);
    ASSERT_EQ(library_.ReadInputData(table_[0], buffer, 0), kHidNewData);
    EXPECT_EQ(buffer[2], 0);
    EXPECT_EQ(buffer[31], 1);
    for (const wchar_t* bad :
         {L"board-press 2 1", L"board-press 1 33", L"board-press 5 1", L"board-result 1 x"})
        EXPECT_EQ(RunFromProgramFolder(L"simctl.exe", bad).ExitCode, 2u) << bad;

    // Closed boards are not read any more.
    library_.CloseDevices(count_, table_.data());
    EXPECT_NE(library_.ReadInputData(table_[0], buffer, 0), kHidNewData);
}

TEST_F(OrvhidLibraryTest, NoLibraryMeansNoBoards) {
    ScratchFolder empty;
    win32::OrvhidLibrary library(empty.Path());
    EXPECT_FALSE(library.Loaded());
    EXPECT_EQ(library.LoadError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(library.DetectHID(count_, table_.data(), 4), 0);
    EXPECT_EQ(count_, 0);
    HidReadBuffer buffer{};
    EXPECT_EQ(library.ReadInputData(table_[0], buffer, 0), 0);
    library.CloseDevices(0, table_.data());
}

TEST_F(OrvhidLibraryTest, UnusableLibrariesMeanNoBoards) {
    ScratchFolder notADll;
    notADll.Write(L"orvhid.dll", "MZ but nothing else");
    ScratchFolder otherDll; // a real DLL without the three functions
    otherDll.CopyFromProgramFolder(L"dinput8.dll", L"orvhid.dll");
    for (const ScratchFolder* folder : {&notADll, &otherDll}) {
        win32::OrvhidLibrary library(folder->Path());
        EXPECT_FALSE(library.Loaded());
        EXPECT_NE(library.LoadError(), static_cast<DWORD>(ERROR_SUCCESS));
        count_ = -1;
        EXPECT_EQ(library.DetectHID(count_, table_.data(), 4), 0);
        EXPECT_EQ(count_, 0);
    }
    EXPECT_EQ(win32::OrvhidLibrary(otherDll.Path()).LoadError(),
              static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

    // The same folder with the library, named without a trailing separator.
    ScratchFolder good;
    good.CopyFromProgramFolder(L"orvhid.dll", L"orvhid.dll");
    std::wstring path = good.Path();
    path.pop_back();
    EXPECT_TRUE(win32::OrvhidLibrary(path).Loaded());
}

} // namespace
} // namespace qm
