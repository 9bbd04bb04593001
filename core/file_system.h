#pragma once
// The file-system seam used for configuration files. Failures raise AppError with the file
// error numbers the readers distinguish (file not found, path not found, permission denied,
// device I/O error, ...).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool Exists(const std::string& path) = 0;
    // The whole file as bytes.
    virtual std::string ReadAll(const std::string& path) = 0;
    // Writes a temporary file beside the target that "*.qmf" cannot match, flushes it, then
    // replaces the target in one step; on failure the target is left as it was.
    virtual void WriteAtomically(const std::string& path, std::string_view bytes) = 0;
    // The names (without folder) of the files in `folder` matching "*" + `extension`
    // (e.g. ".qmf"), in the order the system lists them; empty when the folder is missing.
    virtual std::vector<std::string> FileNames(const std::string& folder,
                                               std::string_view extension) = 0;
    // The full path of a possibly relative path (the file need not exist); nothing when the
    // path cannot be expanded.
    virtual std::optional<std::string> FullPath(const std::string& path) = 0;
};

// The temporary file a write of `path` goes through.
std::string TemporaryPathFor(const std::string& path);

// The platform's file system (std::filesystem and POSIX elsewhere, Win32 on Windows).
FileSystem& SystemFileSystem();

} // namespace qm
