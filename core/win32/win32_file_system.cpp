#include "core/file_system.h"

#include "core/app_error.h"
#include "core/win32/win32_handle.h"
#include "core/win32/win32_text.h"

#include <windows.h>

#include <algorithm>

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
};

} // namespace

FileSystem& SystemFileSystem() {
    static Win32FileSystem fileSystem;
    return fileSystem;
}

} // namespace qm
