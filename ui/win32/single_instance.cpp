#include "ui/win32/single_instance.h"

namespace qm::win32 {

// Per user session ("Local\"); the caption holds no backslash.
SingleInstance::SingleInstance(const std::wstring& caption) {
    const std::wstring name = L"Local\\" + caption + L" instance";
    mutex_ = UniqueHandle(CreateMutexW(nullptr, FALSE, name.c_str()));
    const DWORD error = GetLastError();
    // A mutex of that name that this user may not open is another copy's all the same.
    alreadyRunning_ = mutex_ ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
}

HWND RunningInstanceWindow(const std::wstring& caption) {
    return FindWindowW(nullptr, caption.c_str());
}

void BringForward(HWND window) {
    ShowWindowAsync(window, SW_RESTORE);
    SetForegroundWindow(window);
}

} // namespace qm::win32
