#pragma once
// The file-system seam used for configuration files. Failures raise AppError with the file
// error numbers the readers distinguish (file not found, path not found, permission denied,
// device I/O error, ...).
#include "core/app_error.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The largest file ReadAll accepts. A configuration of 3,072 entries is about 1.6 MB.
inline constexpr std::uint64_t kMaxReadBytes = 64u << 20;

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool Exists(const std::string& path) = 0;
    // The whole file as bytes. Only regular files of at most kMaxReadBytes are read: a device,
    // pipe or folder raises NotRegularFileError, a larger file FileTooLargeError.
    virtual std::string ReadAll(const std::string& path) = 0;
    // Creates a new temporary file beside the target (TemporaryPathFor; never an existing
    // path), writes and flushes it, then replaces the target in one step. The target keeps
    // its permissions; a read-only target is refused with "permission denied". On failure
    // the target is left as it was and the temporary file is removed. The POSIX file system
    // writes through a symbolic link: the file it leads to is replaced and the link kept.
    virtual void WriteAtomically(const std::string& path, std::string_view bytes) = 0;
    // The names (without folder) of the files in `folder` matching "*" + `extension`
    // (e.g. ".qmf"), in the order the system lists them; empty when the folder is missing.
    virtual std::vector<std::string> FileNames(const std::string& folder,
                                               std::string_view extension) = 0;
    // The full path of a possibly relative path (the file need not exist); nothing when the
    // path cannot be expanded.
    virtual std::optional<std::string> FullPath(const std::string& path) = 0;
};

// A fresh name for the temporary file a write of `path` goes through, unique to this call:
// "PATH.<random>-<counter>.saving". Neither "*.qmf" nor its 8.3 short form matches it.
std::string TemporaryPathFor(const std::string& path);

// How many fresh temporary names a write tries before giving up.
inline constexpr int kTemporaryNameAttempts = 16;

// The errors of ReadAll for what it refuses to read.
AppError NotRegularFileError();
AppError FileTooLargeError(std::uint64_t limit);

// The read loop of both platforms: `readSome` fills up to n bytes and returns how many (0 at
// the end of the file). `sizeHint` is the size the system reported. Raises FileTooLargeError
// as soon as either goes beyond `limit`, so a file that grows while being read is refused too.
std::string ReadBounded(std::uint64_t sizeHint, std::uint64_t limit,
                        const std::function<std::size_t(char* buffer, std::size_t n)>& readSome);

// The platform's file system (POSIX elsewhere, Win32 on Windows).
FileSystem& SystemFileSystem();

} // namespace qm
