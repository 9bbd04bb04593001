// The file-system seam's contract, run against the platform's own implementation: natively
// the POSIX one, under Wine (the Windows build of these tests) the Win32 one.
#include "core/app_error.h"
#include "core/file_system.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>

#ifdef _WIN32
#include "core/win32/win32_handle.h"
#include "core/win32/win32_text.h"

#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qm {
namespace {

namespace stdfs = std::filesystem;
using testing::ErrorOf;

std::string Utf8(const stdfs::path& path) {
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

stdfs::path FromUtf8(std::string_view text) {
    return stdfs::path(std::u8string(text.begin(), text.end()));
}

// Each test gets an empty folder of its own, removed afterwards.
class FileSystemContractTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = stdfs::temp_directory_path() /
                  ("qm-files-" + std::to_string(std::random_device{}()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_TRUE(stdfs::create_directory(folder_));
    }
    void TearDown() override {
        std::error_code ignored;
        // Windows deletes no read-only file.
        for (const auto& entry : stdfs::directory_iterator(folder_, ignored))
            if (!entry.is_symlink())
                stdfs::permissions(entry.path(), stdfs::perms::owner_all, ignored);
        stdfs::remove_all(folder_, ignored);
    }

    std::string Path(std::string_view name) const { return Utf8(folder_ / FromUtf8(name)); }

    // The folder's entries, by name.
    std::set<std::string> Entries() const {
        std::set<std::string> names;
        for (const auto& entry : stdfs::directory_iterator(folder_))
            names.insert(Utf8(entry.path().filename()));
        return names;
    }

    void Plant(const std::string& path, std::string_view bytes) const {
        std::ofstream(FromUtf8(path), std::ios::binary) << bytes;
    }

    FileSystem& fs_ = SystemFileSystem();
    stdfs::path folder_;
};

TEST_F(FileSystemContractTest, ReplacingLeavesExactlyTheNewBytesAndNoOtherFile) {
    const std::string name = "Gr\xC3\xBC\xC3\x9F"
                             "e \xE6\x97\xA5\xE6\x9C\xAC.qmf";
    const std::string path = Path(name);
    const std::string bytes("line 1\r\n\0\x80\xFF"
                            "end",
                            13);
    EXPECT_FALSE(fs_.Exists(path));
    fs_.WriteAtomically(path, bytes);
    EXPECT_TRUE(fs_.Exists(path));
    EXPECT_EQ(fs_.ReadAll(path), bytes);

    // Shorter contents leave nothing of the old; larger ones span several read and write pieces.
    std::string large(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7 + i / 251);
    for (const std::string& next : {std::string("short"), std::string(), large}) {
        fs_.WriteAtomically(path, next);
        EXPECT_EQ(fs_.ReadAll(path), next);
    }
    EXPECT_EQ(Entries(), std::set<std::string>{name});
}

// A read-only target or a folder is refused and kept; a replaced file keeps its permissions, a
// new one gets the usual ones.
TEST_F(FileSystemContractTest, PermissionsOfTheTargetHold) {
    const std::string path = Path("read only.qmf");
    fs_.WriteAtomically(path, "old");
#ifndef _WIN32
    const mode_t mask = ::umask(022);
    ::umask(mask);
    EXPECT_EQ(stdfs::status(path).permissions(), stdfs::perms(0666 & ~mask));
    stdfs::permissions(path, stdfs::perms(0600));
    fs_.WriteAtomically(path, "old");
    EXPECT_EQ(stdfs::status(path).permissions(), stdfs::perms(0600));
#endif
    stdfs::permissions(FromUtf8(path), stdfs::perms::owner_read | stdfs::perms::group_read |
                                           stdfs::perms::others_read);
    EXPECT_EQ(ErrorOf([&] { fs_.WriteAtomically(path, "new"); }).number(), err::PermissionDenied);
    EXPECT_EQ(fs_.ReadAll(path), "old");
    EXPECT_EQ(Entries(), std::set<std::string>{"read only.qmf"});
    ASSERT_TRUE(stdfs::create_directory(folder_ / "folder.qmf"));
    EXPECT_EQ(ErrorOf([&] { fs_.WriteAtomically(Path("folder.qmf"), "new"); }).number(),
              err::PermissionDenied);
    EXPECT_TRUE(stdfs::is_directory(folder_ / "folder.qmf"));
    EXPECT_EQ(Entries().size(), 2u);
}

// Makes `link` a symbolic link to `target`, a path relative to the link's folder with "/"
// between its parts; false where the system allows no links. Wine makes none itself, but it
// starts Unix programs and follows the links they make.
bool Link(const std::string& target, const std::string& link) {
#ifdef _WIN32
    const std::wstring wideLink = win32::WideFromUtf8(link);
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) {
        std::wstring wideTarget = win32::WideFromUtf8(target);
        std::replace(wideTarget.begin(), wideTarget.end(), L'/', L'\\');
        constexpr DWORD kUnprivileged = 0x2; // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
        return CreateSymbolicLinkW(wideLink.c_str(), wideTarget.c_str(), kUnprivileged);
    }
    const auto slash = wideLink.find_last_of(L"\\/");
    const std::wstring folder = wideLink.substr(0, slash);
    std::wstring command =
        L"ln -s \"" + win32::WideFromUtf8(target) + L"\" \"" + wideLink.substr(slash + 1) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(L"Z:\\bin\\ln", command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process))
        return false;
    const win32::UniqueHandle owned(process.hProcess), thread(process.hThread);
    // A Unix program's handle cannot be waited for: the link is watched for instead.
    for (int tries = 0; tries < 500; ++tries, Sleep(10))
        if (GetFileAttributesW(wideLink.c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
    return false;
#else
    return ::symlink(target.c_str(), link.c_str()) == 0;
#endif
}

// A configuration reached through links (here two, the first relative to a subfolder) is
// written where the links lead, and the links stay; a dangling link gives way to the file.
TEST_F(FileSystemContractTest, WritingThroughLinksReplacesTheFileTheyLeadTo) {
    stdfs::create_directory(folder_ / "real");
    Plant(Path("real/cockpit.qmf"), "old");
    if (!Link("cockpit.qmf", Path("real/link.qmf")) || !Link("real/link.qmf", Path("cockpit.qmf")))
        GTEST_SKIP() << "this system makes no symbolic links";
    ASSERT_EQ(fs_.ReadAll(Path("cockpit.qmf")), "old");
    fs_.WriteAtomically(Path("cockpit.qmf"), "new");
    EXPECT_EQ(fs_.ReadAll(Path("real/cockpit.qmf")), "new");
    EXPECT_EQ(fs_.ReadAll(Path("real/link.qmf")), "new");
    EXPECT_EQ(fs_.ReadAll(Path("cockpit.qmf")), "new");
    EXPECT_EQ(Entries(), (std::set<std::string>{"cockpit.qmf", "real"}));
#ifndef _WIN32 // Wine shows Unix links as plain files
    EXPECT_TRUE(stdfs::is_symlink(folder_ / "cockpit.qmf"));
    EXPECT_TRUE(stdfs::is_symlink(folder_ / "real" / "link.qmf"));
#endif

    Plant(Path("gone.qmf"), "gone");
    ASSERT_TRUE(Link("gone.qmf", Path("dangling.qmf")));
    stdfs::remove(folder_ / "gone.qmf");
    fs_.WriteAtomically(Path("dangling.qmf"), "new");
    EXPECT_FALSE(stdfs::is_symlink(folder_ / "dangling.qmf"));
    EXPECT_EQ(fs_.ReadAll(Path("dangling.qmf")), "new");
}

// A listing never shows a temporary file, and whatever already sits at a temporary-looking name
// is neither followed nor reused.
TEST_F(FileSystemContractTest, TemporaryFilesAreNeverListedNorReused) {
    const std::string path = Path("t.qmf");
    const std::string fixedName = path + ".saving";
    Plant(TemporaryPathFor(Path("b.qmf")), "half");
    Plant(Path("c.qmf.saving"), "half");
    Plant(Path("victim.txt"), "victim");
#ifdef _WIN32
    Plant(fixedName, "leftover");
#else
    ASSERT_EQ(::symlink("victim.txt", fixedName.c_str()), 0);
#endif
    fs_.WriteAtomically(path, "new");
    EXPECT_EQ(fs_.FileNames(Utf8(folder_), ".qmf"), std::vector<std::string>{"t.qmf"});
    EXPECT_NE(TemporaryPathFor(path), TemporaryPathFor(path));
    EXPECT_EQ(fs_.ReadAll(path), "new");
    EXPECT_EQ(fs_.ReadAll(Path("victim.txt")), "victim");
    EXPECT_EQ(Entries().size(), 5u); // the leftover or link is still there
}

// Temporary files of saves that never ended are removed once older than one hour; names that
// merely look like one, a folder and a link at such a name, and what a link leads to stay.
TEST_F(FileSystemContractTest, LeftoverTemporaryFilesGoOnceOlderThanAnHour) {
    const std::string old = "cockpit.qmf.1f2e-0.saving", edge = "Pad.QMF.0-17.saving",
                      fresh = "cockpit.qmf.1f2e-1.saving";
    const std::set<std::string> lookAlikes = {"cockpit.qmf.saving",
                                              "cockpit.txt.1f-0.saving",
                                              "cockpit.qmf.1f-0.saving.txt",
                                              "cockpit.qmf.1g-0.saving",
                                              "cockpit.qmf.1f-.saving",
                                              "cockpit.qmf.-0.saving",
                                              "cockpit.qmf",
                                              "victim.qmf.1f-0.savings"};
    for (const auto& name : lookAlikes)
        Plant(Path(name), "x");
    for (const auto& name : {old, edge, fresh})
        Plant(Path(name), "half");
    ASSERT_TRUE(stdfs::create_directory(folder_ / "folder.qmf.1f-0.saving"));
    // Wine shows a Unix link as a plain file.
    [[maybe_unused]] const bool linked = Link("cockpit.qmf", Path("link.qmf.1f-0.saving"));
    const auto longAgo = stdfs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    for (const auto& name : {old, edge})
        stdfs::last_write_time(FromUtf8(Path(name)), longAgo);
    const auto listed = [&](const std::string& name) {
        for (const auto& entry : fs_.ListFolder(Utf8(folder_)))
            if (entry.Name == name)
                return entry;
        ADD_FAILURE() << name << " not listed";
        return FolderEntry{};
    };
    EXPECT_TRUE(listed(old).RegularFile);
    EXPECT_FALSE(listed("folder.qmf.1f-0.saving").RegularFile);
#ifndef _WIN32
    EXPECT_FALSE(linked && listed("link.qmf.1f-0.saving").RegularFile);
#endif
    const auto edgeTime = listed(edge).Modified;
    const auto before = Entries();

    RemoveLeftoverTemporaryFiles(fs_, Utf8(folder_), edgeTime + std::chrono::hours(1));
    EXPECT_EQ(Entries(), before); // exactly one hour old: kept
    const auto tick = std::chrono::system_clock::duration(1);
    RemoveLeftoverTemporaryFiles(fs_, Utf8(folder_), edgeTime + std::chrono::hours(1) + tick);
    auto expected = before;
    expected.erase(old);
    expected.erase(edge);
    EXPECT_EQ(Entries(), expected);

    // Much later every leftover is old; the rest stays.
    RemoveLeftoverTemporaryFiles(fs_, Utf8(folder_),
                                 std::chrono::system_clock::now() + std::chrono::hours(24 * 400));
    expected.erase(fresh);
    EXPECT_EQ(Entries(), expected);
    EXPECT_EQ(fs_.ReadAll(Path("cockpit.qmf")), "x");
    // Under Wine the folder's removal hangs on a link left dangling: the link goes first.
    stdfs::remove(folder_ / "link.qmf.1f-0.saving");
}

// Two writers of one file: each write succeeds, and the file is one of them, whole.
TEST_F(FileSystemContractTest, ConcurrentWritersEachLeaveAWholeFile) {
    const std::string path = Path("shared.qmf");
    const std::string first(1 << 20, 'a');
    const std::string second((1 << 20) + 1, 'b');
    std::atomic<int> failed = 0;
    auto writer = [&](const std::string& bytes) {
        for (int i = 0; i < 30; ++i)
            failed += ErrorOf([&] { fs_.WriteAtomically(path, bytes); }).number() != 0;
    };
    std::thread a(writer, std::cref(first)), b(writer, std::cref(second));
    a.join();
    b.join();
    EXPECT_EQ(failed, 0);
    const std::string result = fs_.ReadAll(path);
    EXPECT_TRUE(result == first || result == second) << result.size() << " bytes";
    EXPECT_EQ(Entries(), std::set<std::string>{"shared.qmf"});
}

// Missing files and folders have their error numbers; only regular files up to the limit are
// read.
TEST_F(FileSystemContractTest, ReadErrors) {
    EXPECT_EQ(ErrorOf([&] { fs_.ReadAll(Path("missing.qmf")); }).number(), err::FileNotFound);
    EXPECT_EQ(ErrorOf([&] { fs_.ReadAll(Path("no folder/x.qmf")); }).number(), err::PathNotFound);
    EXPECT_EQ(ErrorOf([&] { fs_.WriteAtomically(Path("no folder/x.qmf"), "x"); }).number(),
              err::PathNotFound);
    EXPECT_TRUE(Entries().empty());
    const AppError folder = ErrorOf([&] { fs_.ReadAll(Utf8(folder_)); });
    EXPECT_EQ(folder.number(), err::PathFileAccessError);
    EXPECT_EQ(folder.description(), "Not a regular file");
    EXPECT_FALSE(fs_.Exists(Utf8(folder_)));

    // Sparse files: no disk is used.
    const std::string atLimit = Path("at limit.qmf");
    Plant(atLimit, "");
    stdfs::resize_file(FromUtf8(atLimit), kMaxReadBytes);
    EXPECT_EQ(fs_.ReadAll(atLimit).size(), kMaxReadBytes);
    stdfs::resize_file(FromUtf8(atLimit), kMaxReadBytes + 1);
    const AppError tooLarge = ErrorOf([&] { fs_.ReadAll(atLimit); });
    EXPECT_EQ(tooLarge.number(), err::PathFileAccessError);
    EXPECT_EQ(tooLarge.description(), "File larger than 256 MB");

#ifndef _WIN32
    const std::string fifo = Path("pipe.qmf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ErrorOf([&] { fs_.ReadAll(fifo); }).description(), "Not a regular file");
    EXPECT_EQ(ErrorOf([&] { fs_.ReadAll("/dev/zero"); }).description(), "Not a regular file");
    // Nor is a plain file put in a pipe's place, named directly or through a link.
    ASSERT_EQ(::symlink("pipe.qmf", Path("pipe link.qmf").c_str()), 0);
    for (const auto& name : {"pipe.qmf", "pipe link.qmf"})
        EXPECT_EQ(ErrorOf([&] { fs_.WriteAtomically(Path(name), "x"); }).description(),
                  "Not a regular file");
    EXPECT_TRUE(stdfs::is_fifo(folder_ / "pipe.qmf"));
    EXPECT_TRUE(stdfs::is_symlink(folder_ / "pipe link.qmf"));
#endif
}

#ifdef _WIN32
TEST_F(FileSystemContractTest, NamesDevicesAndSharingOnlyWindowsHas) {
    EXPECT_EQ(ErrorOf([&] { fs_.ReadAll(Path("bad|name.qmf")); }).number(), err::BadFileName);
    EXPECT_EQ(ErrorOf([&] { fs_.ReadAll("NUL"); }).number(), err::PathFileAccessError);
    EXPECT_EQ(ErrorOf([&] { fs_.WriteAtomically("NUL", "x"); }).description(),
              "Not a regular file");

    // Another reader does not stop a read; a writer holding the file denies it.
    const std::string path = Path("open.qmf");
    fs_.WriteAtomically(path, "old");
    for (const DWORD access : {DWORD{GENERIC_READ}, DWORD{GENERIC_WRITE}}) {
        const win32::UniqueHandle other(CreateFileW(win32::WideFromUtf8(path).c_str(), access,
                                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(other);
        if (access == GENERIC_READ)
            EXPECT_EQ(fs_.ReadAll(path), "old");
        else
            EXPECT_EQ(ErrorOf([&] { fs_.ReadAll(path); }).number(), err::PermissionDenied);
    }
}

// "*.qmf" also matches 8.3 short names: a temporary file's short name must not end in ".QMF".
TEST_F(FileSystemContractTest, NoShortNameOfATemporaryFileMatchesTheListing) {
    const std::wstring temporary =
        win32::WideFromUtf8(TemporaryPathFor(Path("long configuration.qmf")));
    const win32::UniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW(win32::WideFromUtf8(Path("*.qmf")).c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << win32::Utf8FromWide(found.cFileName);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
}
#endif

// A file that grows while it is read is refused as soon as it passes the limit.
TEST(ReadBoundedTest, TheLimitHoldsWhileReadingNotOnlyForTheReportedSize) {
    auto source = [](std::size_t total) {
        return [total, given = std::size_t{0}](char* buffer, std::size_t n) mutable {
            n = std::min(n, total - given);
            std::fill_n(buffer, n, 'x');
            given += n;
            return n;
        };
    };
    EXPECT_EQ(ReadBounded(0, 200000, source(200000)).size(), 200000u);
    EXPECT_EQ(ErrorOf([&] { ReadBounded(0, 200000, source(200001)); }).number(),
              err::PathFileAccessError);
    EXPECT_EQ(ErrorOf([&] { ReadBounded(200001, 200000, source(0)); }).number(),
              err::PathFileAccessError);
}

} // namespace
} // namespace qm
