#pragma once
// Where a program runs from and its version, as its caption and its registrations need them.
#include <string>
#include <string_view>

namespace qm {

struct ProgramInfo {
    std::string Folder;     // the program's folder, no trailing "\"
    std::string Executable; // "corvex", "vantrel"
    int Major = 1, Minor = 4, Revision = 0;
};

// "Corvex Ver. 1.4.9 (Beta)": a main window's caption, also the single-instance key.
inline std::string ProgramCaption(std::string_view title, const ProgramInfo& program) {
    return std::string(title) + " Ver. " + std::to_string(program.Major) + "." +
           std::to_string(program.Minor) + "." + std::to_string(program.Revision) + " (Beta)";
}

} // namespace qm
