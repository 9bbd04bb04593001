#pragma once
// The file-system seam used for configuration files. Failures raise AppError with the file
// error numbers the readers distinguish (file not found, path not found, permission denied,
// device I/O error, ...).
#include "core/app_error.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The largest file ReadAll accepts, and so the largest configuration a save writes. The largest
// list the devices give (255 controllers of 128 buttons, 129 boards of 512) with every name,
// identity and key cell at its longest writes 225,818,503 bytes; the rest leaves about 430
// bytes of description per row. Only descriptions (free text) can make a list larger.
inline constexpr std::uint64_t kMaxReadBytes = 256u << 20;

// Takes the bytes of a file piece by piece, in order.
using ByteSink = std::function<void(std::string_view piece)>;

// An entry of a folder listing.
struct FolderEntry {
    std::string Name;
    bool RegularFile = false; // not a folder, link or device
    std::chrono::system_clock::time_point Modified;
};

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
    // the target is left as it was and the temporary file is removed. Only a regular file is
    // replaced: a device or pipe raises NotRegularFileError, a folder "permission denied". A
    // symbolic link is written through: the file it leads to is replaced and the link kept.
    // `write` hands the file's bytes to the sink it is given; when it throws, nothing is
    // replaced, the temporary file is removed and the exception passes on.
    virtual void WriteAtomically(const std::string& path,
                                 const std::function<void(const ByteSink&)>& write) = 0;
    void WriteAtomically(const std::string& path, std::string_view bytes) {
        WriteAtomically(path, [bytes](const ByteSink& sink) { sink(bytes); });
    }
    // The largest file ReadAll accepts.
    virtual std::uint64_t ReadLimit() const { return kMaxReadBytes; }
    // The names (without folder) of the files in `folder` matching "*" + `extension`
    // (e.g. ".qmf"), in the order the system lists them; empty when the folder is missing.
    virtual std::vector<std::string> FileNames(const std::string& folder,
                                               std::string_view extension) = 0;
    // The full path of a possibly relative path (the file need not exist); nothing when the
    // path cannot be expanded.
    virtual std::optional<std::string> FullPath(const std::string& path) = 0;
    // Every entry of `folder` (no "." or ".."), links described as links, not as what they
    // lead to; empty when the folder is missing.
    virtual std::vector<FolderEntry> ListFolder(const std::string& folder) = 0;
    // Removes the regular file at `path`; false, removing nothing, when there is none (a
    // folder, a link) or it cannot be removed.
    virtual bool RemoveFile(const std::string& path) = 0;
};

// A fresh name for the temporary file a write of `path` goes through, unique to this call:
// "PATH.<random>-<counter>.saving". Neither "*.qmf" nor its 8.3 short form matches it.
std::string TemporaryPathFor(const std::string& path);

// Whether a name is that of a temporary file TemporaryPathFor gave for a "*.qmf" path.
bool IsTemporaryConfigurationName(std::string_view name);

// Removes the temporary files of configuration saves in `folder` older than one hour, left by
// saves that never ended (no save takes that long). Links, folders and other names stay.
void RemoveLeftoverTemporaryFiles(FileSystem& files, const std::string& folder,
                                  std::chrono::system_clock::time_point now);

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
