#include "devices/device_identity.h"

namespace qm {

std::string BoardIdentity(std::string_view path) {
    // Counts characters, not bytes: continuation bytes of UTF-8 belong to the character before.
    std::size_t end = path.size();
    for (int dropped = 0; dropped < kBoardPathSuffixLength && end > 0; ++dropped) {
        --end;
        while (end > 0 && (static_cast<unsigned char>(path[end]) & 0xC0) == 0x80)
            --end;
    }
    return std::string(path.substr(0, end));
}

} // namespace qm
