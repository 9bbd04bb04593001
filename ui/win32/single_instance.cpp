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

HWND WaitForRunningInstanceWindow(const wchar_t* windowClass, const std::wstring& caption) {
    // By class as well: a box of that copy's start-up may bear its caption.
    constexpr DWORD kPollMs = 50;
    const ULONGLONG end = GetTickCount64() + kRunningWindowWaitMs;
    for (;;) {
        if (const HWND window = FindWindowW(windowClass, caption.c_str()); window != nullptr)
            return window;
        if (GetTickCount64() >= end)
            return nullptr;
        Sleep(kPollMs);
    }
}

bool HandOverPath(HWND window, const std::string& path) {
    const std::wstring wide = WideFromUtf8(path);
    COPYDATASTRUCT data{};
    data.dwData = kHandedOverPathTag;
    data.cbData = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(wide.c_str());
    DWORD_PTR taken = FALSE;
    // Not SMTO_ABORTIFHUNG: a copy busy loading a file (or still starting) counts as hung to
    // the system, yet takes the path once it gets to its messages.
    return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                               kHandOverWaitMs, &taken) != 0 &&
           taken != FALSE;
}

void BringForward(HWND window) {
    ShowWindowAsync(window, SW_RESTORE);
    SetForegroundWindow(window);
}

} // namespace qm::win32
