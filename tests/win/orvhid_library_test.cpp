// The board library adapter: loaded by its full path in the program's folder (the simulated
// orvhid.dll is copied there), and without a usable library no boards at all.
#include "devices/win32/orvhid_library.h"

#include "devices/hid_record.h"
#include "sim_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

namespace qm {
namespace {

using testing::ScratchFolder;

class OrvhidLibraryTest : public ::testing::Test {
protected:
    std::vector<HidDeviceRecord> table_ = std::vector<HidDeviceRecord>(kHidRecordCount);
    std::int16_t count_ = -1;
};

TEST_F(OrvhidLibraryTest, TheProgramFoldersLibraryIsCalledWithTheRecordsAndBuffer) {
    testing::SimDevices devices("board | Sim Board | \\\\?\\hid#vid_1209&pid_0001#1&0000 | 32\n"
                                "board | Other | \\\\?\\hid#vid_1209&pid_0002#2&0000 | 8\n");
    win32::OrvhidLibrary library;
    ASSERT_TRUE(library.Loaded()) << "error " << library.LoadError();
    ASSERT_NE(GetProcAddress(GetModuleHandleW(L"orvhid.dll"), "SimOrvhidMarker"), nullptr);
    ASSERT_NE(library.DetectHID(count_, table_.data(), 4), 0);
    ASSERT_EQ(count_, 2);
    EXPECT_EQ(ReadHidRecord(table_[1]).Product, "Other");
    devices.Board(2).Buttons[7] = 1;
    HidReadBuffer buffer{};
    ASSERT_EQ(library.ReadInputData(table_[1], buffer, 0), kHidNewData);
    EXPECT_EQ(buffer[7], 1);
    library.CloseDevices(count_, table_.data());
}

TEST_F(OrvhidLibraryTest, NoLibraryOrAnUnusableOneMeansNoBoards) {
    ScratchFolder empty;
    ScratchFolder notADll;
    notADll.Write(L"orvhid.dll", "MZ but nothing else");
    ScratchFolder otherDll; // a real DLL without the three functions
    otherDll.CopyFromProgramFolder(L"dinput8.dll", L"orvhid.dll");
    for (const ScratchFolder* folder : {&empty, &notADll, &otherDll}) {
        win32::OrvhidLibrary library(folder->Path());
        EXPECT_FALSE(library.Loaded());
        count_ = -1;
        EXPECT_EQ(library.DetectHID(count_, table_.data(), 4), 0);
        EXPECT_EQ(count_, 0);
        HidReadBuffer buffer{};
        EXPECT_EQ(library.ReadInputData(table_[0], buffer, 0), 0);
        library.CloseDevices(0, table_.data());
    }
    EXPECT_EQ(win32::OrvhidLibrary(empty.Path()).LoadError(),
              static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_NE(win32::OrvhidLibrary(notADll.Path()).LoadError(), static_cast<DWORD>(ERROR_SUCCESS));
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
