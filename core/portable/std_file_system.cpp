#include "core/app_error.h"
#include "core/file_system.h"

#include "core/text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace qm {

namespace {

int ErrorNumberOf(int error) {
    switch (error) {
    case ENOENT:
        return err::FileNotFound;
    case ENOTDIR:
        return err::PathNotFound;
    case ENAMETOOLONG:
    case EINVAL:
        return err::BadFileName;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBUSY:
        return err::PermissionDenied;
    default:
        return err::DeviceIoError;
    }
}

// A missing folder on the way to the file is "path not found", a missing file "file not
// found".
[[noreturn]] void Raise(const std::string& path, int error) {
    if (error == ENOENT) {
        const auto slash = path.find_last_of('/');
        struct stat st {};
        if (slash != std::string::npos && slash > 0 &&
            stat(path.substr(0, slash).c_str(), &st) != 0)
            throw AppError(err::PathNotFound);
    }
    throw AppError(ErrorNumberOf(error));
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

class PosixFileSystem final : public FileSystem {
public:
    bool Exists(const std::string& path) override {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }

    std::string ReadAll(const std::string& path) override {
        // Without O_NONBLOCK opening a pipe would wait for a writer.
        Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        if (fd.get() < 0)
            Raise(path, errno);
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0)
            Raise(path, errno);
        if (!S_ISREG(st.st_mode))
            throw NotRegularFileError();
        return ReadBounded(static_cast<std::uint64_t>(st.st_size), kMaxReadBytes,
                           [&](char* buffer, std::size_t n) -> std::size_t {
                               for (;;) {
                                   const auto got = ::read(fd.get(), buffer, n);
                                   if (got >= 0)
                                       return static_cast<std::size_t>(got);
                                   if (errno != EINTR)
                                       Raise(path, errno);
                               }
                           });
    }

    void WriteAtomically(const std::string& linkOrPath,
                         const std::function<void(const ByteSink&)>& write) override {
        // Through a link to a file, the file is replaced and the link kept; a dangling link is
        // replaced by the file.
        const std::string path = ResolvedLink(linkOrPath);
        struct stat target {};
        const bool exists = ::stat(path.c_str(), &target) == 0;
        if (exists && S_ISDIR(target.st_mode))
            throw AppError(err::PermissionDenied);
        // A pipe or a device is left alone: replacing it would put a plain file in its place.
        if (exists && !S_ISREG(target.st_mode))
            throw NotRegularFileError();
        // Decided on the mode bits, not access(): root may write anything.
        if (exists && (target.st_mode & 0222) == 0)
            throw AppError(err::PermissionDenied);
        std::string temp;
        Fd fd(-1);
        for (int attempt = 0; fd.get() < 0; ++attempt) {
            temp = TemporaryPathFor(path);
            // A new file only: an existing name (a leftover, a planted link) is never reused.
            fd = Fd(
                ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
            if (fd.get() < 0 && (errno != EEXIST || attempt + 1 == kTemporaryNameAttempts))
                Raise(path, errno); // nothing was created; the target is untouched
        }
        try {
            if (exists && ::fchmod(fd.get(), target.st_mode & 0777) != 0)
                Raise(path, errno);
            write([&](std::string_view bytes) {
                while (!bytes.empty()) {
                    const auto n = ::write(fd.get(), bytes.data(), bytes.size());
                    if (n < 0 && errno == EINTR)
                        continue;
                    if (n <= 0)
                        Raise(path, n < 0 ? errno : EIO);
                    bytes.remove_prefix(static_cast<std::size_t>(n));
                }
            });
            if (::fsync(fd.get()) != 0 || ::close(fd.release()) != 0)
                Raise(path, errno);
            if (::rename(temp.c_str(), path.c_str()) != 0)
                Raise(path, errno);
        } catch (...) {
            fd = Fd(-1);
            ::unlink(temp.c_str());
            throw;
        }
    }

    std::vector<FolderEntry> ListFolder(const std::string& folder) override {
        std::vector<FolderEntry> entries;
        const std::string base = folder.empty() ? "." : folder;
        std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(base.c_str()), &::closedir);
        if (!dir)
            return entries;
        while (const dirent* found = ::readdir(dir.get())) {
            const std::string_view name = found->d_name;
            if (name == "." || name == "..")
                continue;
            struct stat st {};
            const std::string path = base + (base.back() == '/' ? "" : "/") + std::string(name);
            if (::lstat(path.c_str(), &st) != 0)
                continue; // gone meanwhile
            entries.push_back({std::string(name), S_ISREG(st.st_mode),
                               std::chrono::system_clock::time_point(
                                   std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                       std::chrono::seconds(st.st_mtim.tv_sec) +
                                       std::chrono::nanoseconds(st.st_mtim.tv_nsec)))});
        }
        return entries;
    }

    bool RemoveFile(const std::string& path) override {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
               ::unlink(path.c_str()) == 0;
    }

    std::vector<std::string> FileNames(const std::string& folder,
                                       std::string_view extension) override {
        std::vector<std::string> names;
        std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()),
                                                &::closedir);
        if (!dir)
            return names;
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string_view name = entry->d_name;
            if (name.size() > extension.size() &&
                EqualsIgnoreCase(name.substr(name.size() - extension.size()), extension) &&
                Exists(folder + (folder.empty() || folder.back() == '/' ? "" : "/") +
                       std::string(name)))
                names.emplace_back(name);
        }
        return names;
    }

    std::optional<std::string> FullPath(const std::string& path) override {
        std::error_code error;
        auto full = std::filesystem::absolute(path, error);
        if (error || path.empty())
            return std::nullopt;
        return full.lexically_normal().string();
    }

private:
    // The file a symbolic link leads to (through every link on the way); the path itself when
    // it is no link or leads nowhere.
    static std::string ResolvedLink(const std::string& path) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                             &std::free);
        return resolved ? std::string(resolved.get()) : path;
    }
};

} // namespace

FileSystem& SystemFileSystem() {
    static PosixFileSystem files;
    return files;
}

} // namespace qm
