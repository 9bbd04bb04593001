#include "core/paths.h"

#include "core/text.h"

namespace qm {

std::string FileNameOf(std::string_view path) {
    const auto cut = path.find_last_of("\\/");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

bool SamePath(std::string_view a, std::string_view b) {
    return EqualsIgnoreCase(a, b);
}

} // namespace qm
