// The Win32 file system in a scratch folder of the Wine prefix.
#include "core/app_error.h"
#include "core/file_system.h"
#include "core/win32/win32_text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace qm {
namespace {

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

    bool Exists(const std::string& path) const {
        return GetFileAttributesW(WideFromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    FileSystem& fs_ = SystemFileSystem();
    std::string folder_;
};

TEST_F(Win32FileSystemTest, WriteThenReadGivesTheSameBytes) {
    const std::string path = Path("Gr\xC3\xBC\xC3\x9F"
                                  "e \xE6\x97\xA5\xE6\x9C\xAC.qmf");
    const std::string bytes("line 1\r\n\0\x80\xFF"
                            "end",
                            13);
    EXPECT_FALSE(fs_.Exists(path));
    fs_.WriteAtomically(path, bytes);
    EXPECT_TRUE(fs_.Exists(path));
    EXPECT_EQ(fs_.ReadAll(path), bytes);
    EXPECT_FALSE(Exists(TemporaryPathFor(path)));

    // Replacing with shorter contents leaves nothing of the old.
    fs_.WriteAtomically(path, "short");
    EXPECT_EQ(fs_.ReadAll(path), "short");
    fs_.WriteAtomically(path, "");
    EXPECT_EQ(fs_.ReadAll(path), "");

    // Larger than one read or write piece.
    std::string large(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7 + i / 251);
    fs_.WriteAtomically(path, large);
    EXPECT_EQ(fs_.ReadAll(path), large);
    EXPECT_FALSE(Exists(TemporaryPathFor(path)));
}

TEST_F(Win32FileSystemTest, FoldersAreNotFiles) {
    EXPECT_FALSE(fs_.Exists(folder_));
    EXPECT_EQ(ErrorNumberOf([&] { fs_.ReadAll(folder_); }), err::PermissionDenied);
}

TEST_F(Win32FileSystemTest, MissingFilesAndFoldersHaveTheirErrorNumbers) {
    EXPECT_EQ(ErrorNumberOf([&] { fs_.ReadAll(Path("missing.qmf")); }), err::FileNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { fs_.ReadAll(Path("no folder\\x.qmf")); }), err::PathNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { fs_.WriteAtomically(Path("no folder\\x.qmf"), "x"); }),
              err::PathNotFound);
    EXPECT_FALSE(Exists(Path("no folder")));
    EXPECT_EQ(ErrorNumberOf([&] { fs_.ReadAll(Path("bad|name.qmf")); }), err::BadFileName);
}

TEST_F(Win32FileSystemTest, FailedReplaceKeepsTheTargetAndRemovesTheTemporaryFile) {
    // The target is a folder: it cannot be replaced by a file.
    const std::string folderTarget = Path("folder.qmf");
    ASSERT_TRUE(CreateDirectoryW(WideFromUtf8(folderTarget).c_str(), nullptr));
    EXPECT_EQ(ErrorNumberOf([&] { fs_.WriteAtomically(folderTarget, "new"); }),
              err::PermissionDenied);
    EXPECT_TRUE(GetFileAttributesW(WideFromUtf8(folderTarget).c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(Exists(TemporaryPathFor(folderTarget)));

    // The target is read-only.
    const std::string readOnly = Path("read only.qmf");
    fs_.WriteAtomically(readOnly, "old");
    ASSERT_TRUE(SetFileAttributesW(WideFromUtf8(readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ErrorNumberOf([&] { fs_.WriteAtomically(readOnly, "new"); }), err::PermissionDenied);
    EXPECT_EQ(fs_.ReadAll(readOnly), "old");
    EXPECT_FALSE(Exists(TemporaryPathFor(readOnly)));
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
