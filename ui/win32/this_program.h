#pragma once
// The running program's folder, executable name and version.
#include "core/program_info.h"

#include <string_view>

namespace qm::win32 {

// The folder of the executable (no trailing separator) and its name without ".exe";
// `fallbackName` when the name cannot be read.
ProgramInfo ThisProgram(std::string_view fallbackName, int major, int minor, int revision);

} // namespace qm::win32
