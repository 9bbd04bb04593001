#pragma once
// How configurations name a maker's board: its device path less the last 5 characters.
#include <string>
#include <string_view>

namespace qm {

inline constexpr int kBoardPathSuffixLength = 5;

// The path (UTF-8) cut to its length less 5 characters; empty for shorter paths.
std::string BoardIdentity(std::string_view path);

} // namespace qm
