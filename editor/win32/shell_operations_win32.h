#pragma once
// The editor's shell operations over the Windows shell: ShellExecuteW, SHFileOperationW and
// SHGetFileInfoW; the guide's pages as both programs show them.
#include "editor/shell_operations.h"

#include <windows.h>

namespace qm::win32 {

class Win32ShellOperations final : public ShellOperations {
public:
    // `owner`: the window that owns what the shell shows (the main window, once it exists).
    explicit Win32ShellOperations(HWND owner = nullptr) : owner_(owner) {}
    void SetOwner(HWND owner) { owner_ = owner; }

    bool Launch(const std::string& program, const std::string& parameters,
                const std::string& folder) override;
    bool MoveToRecycleBin(const std::string& path) override;
    bool HasIcon(const std::string& path) override;
    bool ShowPage(const std::string& path, const std::string& anchor) override;

private:
    HWND owner_;
};

} // namespace qm::win32
