#include "core/file_system.h"

#include "core/app_error.h"

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
