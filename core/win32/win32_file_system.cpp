#include "core/file_system.h"

#include "core/app_error.h"
#include "core/text.h"
#include "core/win32/win32_handle.h"
#include "core/win32/win32_text.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qm {

namespace {

using win32::UniqueHandle;
using win32::WideFromUtf8;

// Largest piece handed to one ReadFile or WriteFile call.
constexpr std::size_t kChunk = 1 << 20;

int FileErrorNumber(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return err::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
        return err::PathNotFound;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
        return err::BadFileName;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return err::PermissionDenied;
    case ERROR_NOT_READY:
        return err::DiskNotReady;
    default:
        return err::DeviceIoError;
    }
}

[[noreturn]] void ThrowLastError() {
    throw AppError(FileErrorNumber(GetLastError()));
}

void WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const auto piece = static_cast<DWORD>(std::min(bytes.size(), kChunk));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), piece, &written, nullptr))
            ThrowLastError();
        if (written == 0)
            throw AppError(err::DeviceIoError);
        bytes.remove_prefix(written);
    }
}

// How often, and how many milliseconds apart, a replace held up by an open handle is tried.
constexpr int kReplaceAttempts = 20;
constexpr DWORD kReplaceRetryMs = 10;

// Moves `temporary` over `target`. Another writer replacing the same target holds it open for
// a moment (as does a reader), and Windows then denies the replace: it is tried again briefly.
void ReplaceWith(const std::wstring& temporary, const std::wstring& target) {
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(temporary.c_str(), target.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return;
        const DWORD error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) ||
            attempt == kReplaceAttempts)
            throw AppError(FileErrorNumber(error));
        Sleep(kReplaceRetryMs);
    }
}

// The file a path leads to through any links, so that a save replaces that file and the links
// stay; the path itself when nothing is there yet, or the link leads nowhere. A device or pipe
// ("NUL", "CON", "\\.\pipe\...") raises NotRegularFileError: no file is put in its place.
std::wstring FileBehind(const std::wstring& path) {
    const UniqueHandle file(
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file)
        return path;
    if (GetFileType(file.Get()) != FILE_TYPE_DISK)
        throw NotRegularFileError();
    std::wstring final(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFinalPathNameByHandleW(file.Get(), final.data(), static_cast<DWORD>(final.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0)
            return path;
        const bool fitted = length < final.size(); // else the length it needs, with the NUL
        final.resize(length);
        if (fitted)
            return final;
    }
}

// Owner of a FindFirstFileW search.
struct FindTraits {
    static bool Valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { FindClose(handle); }
};
using FindHandle = win32::UniqueOf<HANDLE, FindTraits>;

class Win32FileSystem final : public FileSystem {
public:
    bool Exists(const std::string& path) override {
        const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    std::string ReadAll(const std::string& path) override {
        const std::wstring wide = WideFromUtf8(path);
        const UniqueHandle file(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            const DWORD error = GetLastError();
            const DWORD attributes = GetFileAttributesW(wide.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
                throw NotRegularFileError();
            throw AppError(FileErrorNumber(error));
        }
        // Devices ("NUL", "CON") and pipes are no configuration files.
        if (GetFileType(file.Get()) != FILE_TYPE_DISK)
            throw NotRegularFileError();
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.Get(), &size))
            ThrowLastError();
        return ReadBounded(static_cast<std::uint64_t>(size.QuadPart), kMaxReadBytes,
                           [&](char* buffer, std::size_t n) -> std::size_t {
                               DWORD read = 0;
                               if (!ReadFile(file.Get(), buffer,
                                             static_cast<DWORD>(std::min(n, kChunk)), &read,
                                             nullptr))
                                   ThrowLastError();
                               return read;
                           });
    }

    void WriteAtomically(const std::string& path,
                         const std::function<void(const ByteSink&)>& write) override {
        const std::wstring target = FileBehind(WideFromUtf8(path));
        // Windows refuses to replace a read-only file; some emulations of it do not.
        const DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            throw AppError(err::PermissionDenied);
        std::wstring temporary;
        UniqueHandle file;
        for (int attempt = 0; !file; ++attempt) {
            temporary = WideFromUtf8(TemporaryPathFor(win32::Utf8FromWide(target)));
            // A new file only: an existing name (a leftover, a planted link) is never reused.
            file = UniqueHandle(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            const DWORD error = GetLastError();
            if (!file && ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) ||
                          attempt + 1 == kTemporaryNameAttempts))
                throw AppError(FileErrorNumber(error)); // nothing was created
        }
        try {
            write([&](std::string_view bytes) { WriteAll(file.Get(), bytes); });
            if (!FlushFileBuffers(file.Get()))
                ThrowLastError();
            file.Reset();
            ReplaceWith(temporary, target);
        } catch (...) {
            // The target keeps its old contents; the temporary file goes.
            file.Reset();
            DeleteFileW(temporary.c_str());
            throw;
        }
    }

    std::vector<std::string> FileNames(const std::string& folder,
                                       std::string_view extension) override {
        std::vector<std::string> names;
        std::wstring pattern = WideFromUtf8(folder);
        if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/')
            pattern += L'\\';
        pattern += L'*';
        pattern += WideFromUtf8(extension);
        WIN32_FIND_DATAW found;
        const FindHandle find(FindFirstFileW(pattern.c_str(), &found));
        if (!find)
            return names;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            std::string name = win32::Utf8FromWide(found.cFileName);
            // The pattern also matches through 8.3 short names ("notes.qmfx" is "NOTES~1.QMF"):
            // only names that really end with the extension count.
            if (name.size() > extension.size() &&
                EqualsIgnoreCase(std::string_view(name).substr(name.size() - extension.size()),
                                 extension))
                names.push_back(std::move(name));
        } while (FindNextFileW(find.Get(), &found));
        return names;
    }

    std::vector<FolderEntry> ListFolder(const std::string& folder) override {
        std::vector<FolderEntry> entries;
        std::wstring pattern = WideFromUtf8(folder);
        if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/')
            pattern += L'\\';
        pattern += L'*';
        WIN32_FIND_DATAW found;
        const FindHandle find(FindFirstFileW(pattern.c_str(), &found));
        if (!find)
            return entries;
        do {
            const std::wstring_view name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            // 100-nanosecond intervals since 1601, the Unix epoch 11,644,473,600 s later.
            const auto ticks =
                (static_cast<std::int64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) |
                found.ftLastWriteTime.dwLowDateTime;
            using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
            const auto sinceEpoch = Ticks(ticks) - std::chrono::seconds(11'644'473'600LL);
            constexpr DWORD kNotRegular =
                FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
            entries.push_back(
                {win32::Utf8FromWide(found.cFileName), (found.dwFileAttributes & kNotRegular) == 0,
                 std::chrono::system_clock::time_point(
                     std::chrono::duration_cast<std::chrono::system_clock::duration>(sinceEpoch))});
        } while (FindNextFileW(find.Get(), &found));
        return entries;
    }

    bool RemoveFile(const std::string& path) override {
        // Only a file that is where its path says: removing a link that Wine shows as a plain
        // file would remove what the link leads to.
        const std::wstring wide = WideFromUtf8(path);
        const auto slash = wide.find_last_of(L"\\/");
        if (slash == std::wstring::npos)
            return false;
        std::wstring itself = FileBehind(wide.substr(0, slash));
        if (itself.empty() || itself.back() != L'\\')
            itself += L'\\';
        itself += wide.substr(slash + 1);
        const std::wstring behind = FileBehind(wide);
        if (CompareStringOrdinal(itself.c_str(), static_cast<int>(itself.size()), behind.c_str(),
                                 static_cast<int>(behind.size()), TRUE) != CSTR_EQUAL)
            return false;
        return DeleteFileW(wide.c_str()) != 0;
    }

    std::optional<std::string> FullPath(const std::string& path) override {
        if (path.empty())
            return std::nullopt;
        const std::wstring wide = WideFromUtf8(path);
        std::wstring buffer(MAX_PATH, L'\0');
        for (;;) {
            const DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()),
                                                  buffer.data(), nullptr);
            if (length == 0)
                return std::nullopt;
            if (length < buffer.size()) {
                buffer.resize(length);
                return win32::Utf8FromWide(buffer);
            }
            // Too small: `length` is the size needed, terminating NUL included.
            buffer.assign(length, L'\0');
        }
    }
};

} // namespace

FileSystem& SystemFileSystem() {
    static Win32FileSystem fileSystem;
    return fileSystem;
}

} // namespace qm
