#include "core/file_system.h"

#include "core/app_error.h"
#include "core/text.h"
#include "core/win32/win32_handle.h"
#include "core/win32/win32_text.h"

#include <windows.h>

#include <algorithm>
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

// Owner of a FindFirstFileW search.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE)
            FindClose(handle_);
    }
    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

class Win32FileSystem final : public FileSystem {
public:
    bool Exists(const std::string& path) override {
        const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    std::string ReadAll(const std::string& path) override {
        const UniqueHandle file(CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ,
                                            FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            ThrowLastError();
        std::string bytes;
        LARGE_INTEGER size{};
        if (GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0)
            bytes.reserve(static_cast<std::size_t>(size.QuadPart));
        std::string buffer(kChunk, '\0');
        for (;;) {
            DWORD read = 0;
            if (!ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                          nullptr))
                ThrowLastError();
            if (read == 0)
                return bytes;
            bytes.append(buffer, 0, read);
        }
    }

    void WriteAtomically(const std::string& path, std::string_view bytes) override {
        const std::wstring target = WideFromUtf8(path);
        const std::wstring temporary = WideFromUtf8(TemporaryPathFor(path));
        // Windows refuses to replace a read-only file; some emulations of it do not.
        const DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            throw AppError(err::PermissionDenied);
        UniqueHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            ThrowLastError(); // nothing was created; the target is untouched
        try {
            WriteAll(file.Get(), bytes);
            if (!FlushFileBuffers(file.Get()))
                ThrowLastError();
            file.Reset();
            if (!MoveFileExW(temporary.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                ThrowLastError();
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
