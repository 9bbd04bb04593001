#pragma once
// UTF-8 (inside the programs) <-> UTF-16 (the W functions) at the Win32 boundary. Malformed
// input becomes U+FFFD; embedded NUL characters are kept.
#include <climits>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qm::win32 {

// A length for the conversion functions, which take int.
inline int ConversionLength(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX))
        throw std::length_error("text too long for a Win32 conversion");
    return static_cast<int>(size);
}

std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

} // namespace qm::win32
