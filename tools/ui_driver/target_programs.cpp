#include "target_programs.h"

#include "core/win32/win32_handle.h"
#include "input.h"
#include "remote.h"
#include "target/target_window_ids.h"

#include <algorithm>
#include <map>

namespace qm::e2e {

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

std::vector<HWND> ShownTopLevelWindows() {
    std::vector<HWND> all, shown;
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&all));
    for (const HWND window : all)
        if (IsWindowVisible(window))
            shown.push_back(window);
    return shown;
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

std::map<HWND, int>& EventCounts() {
    static std::map<HWND, int> counts;
    return counts;
}

void CALLBACK OnForeground(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD) {
    ++EventCounts()[window];
}

} // namespace

std::wstring ProcessFileName(DWORD process) {
    const win32::UniqueHandle handle(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    if (!handle)
        return {};
    std::wstring path(MAX_PATH * 4, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(handle.Get(), 0, path.data(), &size))
        return {};
    path.resize(size);
    return path.substr(path.find_last_of(L"\\/") + 1);
}

std::vector<HWND> WindowsOfProgram(std::wstring_view fileName) {
    std::vector<HWND> found;
    std::map<DWORD, bool> matches;
    for (const HWND window : ShownTopLevelWindows()) {
        const DWORD process = ProcessOf(window);
        const auto known = matches.find(process);
        const bool match = known != matches.end()
                               ? known->second
                               : (matches[process] = SameText(ProcessFileName(process), fileName));
        if (match)
            found.push_back(window);
    }
    std::stable_partition(found.begin(), found.end(),
                          [](HWND window) { return GetWindow(window, GW_OWNER) == nullptr; });
    return found;
}

bool IsTargetWindow(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return std::wstring_view(name) == kTargetWindowClass;
}

HWND TargetWindowOf(DWORD process) {
    for (const HWND window : ShownTopLevelWindows())
        if (ProcessOf(window) == process && IsTargetWindow(window))
            return window;
    return nullptr;
}

bool BringToFront(HWND window, DWORD timeoutMs) {
    if (GetForegroundWindow() == window)
        return true;
    // The system's foreground changes before the window's thread takes its WM_ACTIVATE: a
    // target is in front once it noted its activation.
    const bool target = IsTargetWindow(window);
    const std::int64_t earlier = target ? TargetActivatedAt(window) : 0;
    const auto inFront = [&] {
        return GetForegroundWindow() == window && (!target || TargetActivatedAt(window) != earlier);
    };
    if (target) {
        RECT client{};
        GetClientRect(window, &client);
        POINT band{client.right / 2, kTargetBandHeight / 2};
        ClientToScreen(window, &band);
        // Only where the band shows: another window over it would take the click.
        if (WindowFromPoint(band) == window) {
            ClickAt(band, Click::Left);
            if (PumpUntil(inFront, std::min<DWORD>(timeoutMs, 2000)))
                return true;
        }
    }
    const DWORD front = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const DWORD self = GetCurrentThreadId();
    const bool attached = front != 0 && front != self && AttachThreadInput(self, front, TRUE);
    SetForegroundWindow(window);
    if (attached)
        AttachThreadInput(self, front, FALSE);
    return PumpUntil(inFront, timeoutMs);
}

std::vector<std::wstring> TargetKeyLines(HWND target) {
    const HWND log = GetDlgItem(target, kTargetLogId);
    const auto length = static_cast<std::size_t>(SendTo(log, WM_GETTEXTLENGTH));
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutW(log, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                            SMTO_NORMAL, 5000, &copied) == 0)
        return {};
    text.resize(copied);
    std::vector<std::wstring> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find(L"\r\n", start), text.size());
        if (end > start)
            lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::int64_t TargetActivatedAt(HWND target) {
    const auto low = static_cast<std::uint32_t>(GetWindowLongW(target, kTargetActivatedAt));
    const auto high = static_cast<std::uint32_t>(GetWindowLongW(target, kTargetActivatedAt + 4));
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

ForegroundEvents::ForegroundEvents()
    : hook_(SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                            &OnForeground, 0, 0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS)) {
    EventCounts().clear();
}

ForegroundEvents::~ForegroundEvents() {
    if (hook_ != nullptr)
        UnhookWinEvent(hook_);
}

int ForegroundEvents::Count(HWND window) const {
    const auto found = EventCounts().find(window);
    return found == EventCounts().end() ? 0 : found->second;
}

} // namespace qm::e2e
