#include "core/text.h"

namespace qm {

namespace {
char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
} // namespace

std::string_view TrimSpaces(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    return true;
}

bool SameIdentity(std::string_view a, std::string_view b) {
    return EqualsIgnoreCase(TrimSpaces(a), TrimSpaces(b));
}

std::string UpperCase(std::string_view s) {
    std::string upper(s);
    for (char& c : upper)
        c = Upper(c);
    return upper;
}

std::string IdentityKey(std::string_view identity) {
    return UpperCase(TrimSpaces(identity));
}

std::string SanitizeText(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"')
            c = '\'';
        else if (u < 0x20 || u == 0x7F)
            c = ' ';
    }
    return out;
}

std::string FileNameOf(std::string_view path) {
    const auto cut = path.find_last_of("\\/");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

} // namespace qm
