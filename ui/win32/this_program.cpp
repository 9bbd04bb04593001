#include "ui/win32/this_program.h"

#include "core/win32/win32_module.h"
#include "core/win32/win32_text.h"

#include <windows.h>

#include <string>

namespace qm::win32 {

ProgramInfo ThisProgram(std::string_view fallbackName, int major, int minor, int revision) {
    ProgramInfo program;
    std::wstring folder = ProgramFolder();
    if (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    program.Folder = Utf8FromWide(folder);

    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            path.clear();
            break;
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::wstring name = path.substr(path.find_last_of(L"\\/") + 1);
    const auto dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos)
        name.resize(dot);
    program.Executable = name.empty() ? std::string(fallbackName) : Utf8FromWide(name);

    program.Major = major;
    program.Minor = minor;
    program.Revision = revision;
    return program;
}

} // namespace qm::win32
