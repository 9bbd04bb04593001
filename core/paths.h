#pragma once
// Paths of configuration files and programs as the programs show and compare them.
#include <string>
#include <string_view>

namespace qm {

// The file name of a path, without its folder ("\" and "/" both end a folder).
std::string FileNameOf(std::string_view path);
// Paths name one file whatever their case.
bool SamePath(std::string_view a, std::string_view b);

} // namespace qm
