#include "ui/win32/single_instance.h"

#include <windows.h>

namespace qm::win32 {

bool BringRunningInstanceForward(const std::wstring& caption) {
    const HWND other = FindWindowW(nullptr, caption.c_str());
    if (other == nullptr)
        return false;
    ShowWindow(other, SW_RESTORE);
    SetForegroundWindow(other);
    return true;
}

} // namespace qm::win32
