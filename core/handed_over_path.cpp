#include "core/handed_over_path.h"

#include <cstring>

namespace qm {

std::optional<std::u16string> HandedOverPath(std::uintptr_t tag, const void* data,
                                             std::size_t bytes) {
    constexpr std::size_t kUnit = sizeof(char16_t);
    if (tag != kHandedOverPathTag || data == nullptr || bytes % kUnit != 0 ||
        bytes > kLongestPathUnits * kUnit)
        return std::nullopt;
    // The sender's buffer need not be aligned for char16_t.
    std::u16string path(bytes / kUnit, u'\0');
    std::memcpy(path.data(), data, bytes);
    if (path.empty() || path.back() != u'\0')
        return std::nullopt;
    path.pop_back();
    if (path.find(u'\0') != std::u16string::npos)
        return std::nullopt;
    const bool drive =
        path.size() >= 3 && path[1] == u':' && path[2] == u'\\' &&
        ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'));
    const bool share = path.size() >= 3 && path[0] == u'\\' && path[1] == u'\\';
    if (!drive && !share)
        return std::nullopt;
    return path;
}

} // namespace qm
