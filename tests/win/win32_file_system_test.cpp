// The Win32 file system in a scratch folder of the Wine prefix.
#include "core/app_error.h"
#include "core/file_system.h"
#include "core/win32/win32_handle.h"
#include "core/win32/win32_text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace qm {
namespace {

using win32::UniqueHandle;
using win32::Utf8FromWide;
using win32::WideFromUtf8;

// Each test gets an empty folder under the temporary folder, removed afterwards.
class Win32FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1];
        ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
        folder_ = Utf8FromWide(temp) + "VantrelTest-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RemoveTree(folder_);
        ASSERT_TRUE(CreateDirectoryW(WideFromUtf8(folder_).c_str(), nullptr));
    }
    void TearDown() override { RemoveTree(folder_); }

    std::string Path(std::string_view name) const { return folder_ + "\\" + std::string(name); }

    static void RemoveTree(const std::string& path) {
        const std::wstring wide = WideFromUtf8(path);
        WIN32_FIND_DATAW found;
        const HANDLE find = FindFirstFileW((wide + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                const std::wstring child = wide + L"\\" + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(Utf8FromWide(child));
                } else {
                    SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileW(child.c_str());
                }
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(wide.c_str());
    }

    static int ErrorNumberOf(auto&& action) {
        try {
            action();
        } catch (const AppError& error) {
            return error.number();
        }
        return 0;
    }

    FileSystem& fs_ = SystemFileSystem();
    std::string folder_;
};

// What only Windows has; the shared cases are in tests/unit/file_system_test.cpp.
TEST_F(Win32FileSystemTest, NamesAndDevicesOnlyWindowsHas) {
    EXPECT_EQ(ErrorNumberOf([&] { fs_.ReadAll(Path("bad|name.qmf")); }), err::BadFileName);
    EXPECT_EQ(ErrorNumberOf([&] { fs_.ReadAll("NUL"); }), err::PathFileAccessError);
}

// "*.qmf" also matches 8.3 short names: a temporary file's short name must not end in ".QMF".
TEST_F(Win32FileSystemTest, NoShortNameOfATemporaryFileMatchesTheListing) {
    const std::wstring temporary = WideFromUtf8(TemporaryPathFor(Path("long configuration.qmf")));
    const UniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    wchar_t shortName[MAX_PATH];
    ASSERT_NE(GetShortPathNameW(temporary.c_str(), shortName, MAX_PATH), 0u);
    EXPECT_EQ(std::wstring(shortName).find(L".QMF"), std::wstring::npos) << Utf8FromWide(shortName);
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW(WideFromUtf8(Path("*.qmf")).c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << Utf8FromWide(found.cFileName);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
}

TEST_F(Win32FileSystemTest, OpenFilesFollowTheSharingRules) {
    const std::string path = Path("open.qmf");
    fs_.WriteAtomically(path, "old");

    // Another reader does not stop a read.
    HANDLE reader = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(fs_.ReadAll(path), "old");
    CloseHandle(reader);

    // A writer holding the file denies the read.
    HANDLE writer = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ErrorNumberOf([&] { fs_.ReadAll(path); }), err::PermissionDenied);
    CloseHandle(writer);
}

} // namespace
} // namespace qm
