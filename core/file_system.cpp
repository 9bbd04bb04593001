#include "core/file_system.h"

#include "core/app_error.h"
#include "core/text.h"

#include <atomic>
#include <charconv>
#include <random>

namespace qm {

// The random part keeps other processes' names apart, the counter this process's writes.
// The name ends in ".saving": neither "*.qmf" nor a short name ("NAMEQM~1.SAV") matches it,
// so a folder listing never shows a half-written file.
std::string TemporaryPathFor(const std::string& path) {
    static const std::uint64_t processPart = [] {
        std::random_device device;
        return (std::uint64_t{device()} << 32) ^ device();
    }();
    static std::atomic<std::uint64_t> counter{0};
    char random[16];
    const auto end = std::to_chars(random, random + sizeof random, processPart, 16).ptr;
    return path + "." + std::string(random, end) + "-" + std::to_string(counter.fetch_add(1)) +
           ".saving";
}

bool IsTemporaryConfigurationName(std::string_view name) {
    // NAME.qmf.<hex>-<digits>.saving
    constexpr std::string_view kSuffix = ".saving";
    if (name.size() <= kSuffix.size() ||
        !EqualsIgnoreCase(name.substr(name.size() - kSuffix.size()), kSuffix))
        return false;
    name.remove_suffix(kSuffix.size());
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto isHex = [&](char c) { return isDigit(c) || (c >= 'a' && c <= 'f'); };
    std::size_t i = name.size();
    while (i > 0 && isDigit(name[i - 1]))
        --i;
    if (i == name.size() || i == 0 || name[i - 1] != '-')
        return false;
    const std::size_t counter = --i;
    while (i > 0 && isHex(name[i - 1]))
        --i;
    constexpr std::string_view kQmf = ".qmf.";
    return i < counter && counter - i <= 16 && i >= kQmf.size() &&
           EqualsIgnoreCase(name.substr(i - kQmf.size(), kQmf.size()), kQmf);
}

void RemoveLeftoverTemporaryFiles(FileSystem& files, const std::string& folder,
                                  std::chrono::system_clock::time_point now) {
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/')
        prefix += prefix.find('\\') != std::string::npos ? '\\' : '/';
    for (const FolderEntry& entry : files.ListFolder(folder))
        if (entry.RegularFile && now - entry.Modified > std::chrono::hours(1) &&
            IsTemporaryConfigurationName(entry.Name))
            files.RemoveFile(prefix + entry.Name);
}

AppError NotRegularFileError() {
    return AppError(err::PathFileAccessError, "Not a regular file");
}

AppError FileTooLargeError(std::uint64_t limit) {
    return AppError(err::PathFileAccessError,
                    "File larger than " + std::to_string(limit >> 20) + " MB");
}

std::string ReadBounded(std::uint64_t sizeHint, std::uint64_t limit,
                        const std::function<std::size_t(char* buffer, std::size_t n)>& readSome) {
    if (sizeHint > limit)
        throw FileTooLargeError(limit);
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(sizeHint));
    std::string buffer(1 << 16, '\0');
    for (;;) {
        const std::size_t n = readSome(buffer.data(), buffer.size());
        if (n == 0)
            return bytes;
        if (n > limit - bytes.size())
            throw FileTooLargeError(limit);
        bytes.append(buffer, 0, n);
    }
}

} // namespace qm
