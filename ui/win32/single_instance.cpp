#include "ui/win32/single_instance.h"

#include "core/handed_over_path.h"
#include "core/win32/win32_text.h"

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

bool HandOverPath(HWND window, const std::string& path) {
    // The longest wait for the running copy to take the path.
    constexpr UINT kHandOverMs = 5000;
    const std::wstring wide = WideFromUtf8(path);
    COPYDATASTRUCT data{};
    data.dwData = kHandedOverPathTag;
    data.cbData = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(wide.c_str());
    DWORD_PTR taken = FALSE;
    return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, kHandOverMs, &taken) != 0 &&
           taken != FALSE;
}

void BringForward(HWND window) {
    ShowWindowAsync(window, SW_RESTORE);
    SetForegroundWindow(window);
}

} // namespace qm::win32
