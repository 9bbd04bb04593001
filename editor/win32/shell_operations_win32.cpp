#include "editor/win32/shell_operations_win32.h"

#include "core/win32/win32_text.h"
#include "ui/win32/guide_browser.h"
#include "ui/win32/shell_icons.h"

#include <shellapi.h>

#include <string>

namespace qm::win32 {

bool Win32ShellOperations::Launch(const std::string& program, const std::string& parameters,
                                  const std::string& folder) {
    const std::wstring file = WideFromUtf8(program);
    const std::wstring arguments = WideFromUtf8(parameters);
    const std::wstring directory = WideFromUtf8(folder);
    // Values above 32 mean the program was started.
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
        owner_, nullptr, file.c_str(), arguments.empty() ? nullptr : arguments.c_str(),
        directory.empty() ? nullptr : directory.c_str(), SW_SHOWNORMAL));
    return result > 32;
}

bool Win32ShellOperations::MoveToRecycleBin(const std::string& path) {
    // The operation takes a list of paths, each ended by a NUL, the list by a second one.
    std::wstring from = WideFromUtf8(path);
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = owner_;
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO;
    return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

bool Win32ShellOperations::HasIcon(const std::string& path) {
    return static_cast<bool>(LargeShellIcon(WideFromUtf8(path)));
}

bool Win32ShellOperations::ShowPage(const std::string& path, const std::string& anchor) {
    return ShowGuidePage(owner_, path, anchor);
}

} // namespace qm::win32
