// ui_probe.dll: what the driver cannot do from its own process under Wine, done inside the
// driven program. Wine keeps menus in the process that made them (another process cannot read
// them), and a dropped file list must be memory of the receiving process. The driver loads this
// library into the program it started; a thread of the library answers on a named pipe, one
// request per connection, in UTF-8 lines:
//
//   bar HWND          the menu bar of the window: one line per item, depth first
//   popup             the pop-up menu shown now (none: no lines), with each item's rectangle
//   drop HWND X Y     then one path per line: WM_DROPFILES to the window at (X, Y) in its
//                     client area, as the shell sends it
//   texts HWND ROW N  the texts of the list view's row in its first N columns, each ended by
//                     a NUL (read across processes, each would cost five server requests)
//   idle HWND MS      "idle" once the window's thread has taken a message posted now from its
//                     message loop with no input or posted message left behind it, "busy"
//                     when that did not happen within MS milliseconds
//
// An item line: depth, command id (-1 for a sub-menu), flags ("g" disabled, "c" checked,
// "s" separator, "p" sub-menu), caption, and for a pop-up "left,top,right,bottom" on the screen;
// tab-separated. Nothing here runs unless the driver asks.
#include "core/win32/win32_handle.h"

#include <windows.h>
// After windows.h:
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

HINSTANCE probeModule = nullptr;

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                        nullptr, nullptr);
    return utf8;
}

std::wstring Wide(const std::string& text) {
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// One line per item of `menu`, its sub-menus after their item when `deep`.
void ListMenu(HMENU menu, int depth, bool deep, bool withRects, std::string& out) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t caption[256] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        item.dwTypeData = caption;
        item.cch = static_cast<UINT>(std::size(caption) - 1);
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item))
            continue;
        std::string flags;
        if ((item.fState & MFS_DISABLED) != 0)
            flags += 'g';
        if ((item.fState & MFS_CHECKED) != 0)
            flags += 'c';
        if ((item.fType & MFT_SEPARATOR) != 0)
            flags += 's';
        if (item.hSubMenu != nullptr)
            flags += 'p';
        char head[64];
        std::snprintf(head, sizeof head, "%d\t%d\t%s\t", depth,
                      item.hSubMenu != nullptr ? -1 : static_cast<int>(item.wID), flags.c_str());
        out += head + Utf8(caption);
        if (withRects) {
            RECT rect{};
            GetMenuItemRect(nullptr, menu, static_cast<UINT>(i), &rect);
            char bounds[96];
            std::snprintf(bounds, sizeof bounds, "\t%ld,%ld,%ld,%ld", rect.left, rect.top,
                          rect.right, rect.bottom);
            out += bounds;
        }
        out += '\n';
        if (deep && item.hSubMenu != nullptr)
            ListMenu(item.hSubMenu, depth + 1, deep, withRects, out);
    }
}

HWND ShownPopup() {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"#32768", nullptr)) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}

HWND ParseWindow(const char* text) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::strtoull(text, nullptr, 0)));
}

std::string Drop(const std::vector<std::string>& lines) {
    HWND window = nullptr;
    long x = 0, y = 0;
    char target[32] = {};
    if (std::sscanf(lines[0].c_str(), "drop %31s %ld %ld", target, &x, &y) != 3)
        return "error bad drop request\n";
    window = ParseWindow(target);
    std::wstring names;
    for (std::size_t i = 1; i < lines.size(); ++i)
        names += Wide(lines[i]) + L'\0';
    names += L'\0';
    const std::size_t bytes = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    if (memory == nullptr)
        return "error out of memory\n";
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = POINT{x, y};
    drop->fNC = FALSE;
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(),
                names.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    // The receiver frees it with DragFinish.
    if (!PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0)) {
        GlobalFree(memory);
        return "error the window took no message\n";
    }
    return {};
}

std::string RowTexts(const std::string& line) {
    char list[32] = {};
    int row = 0, columns = 0;
    if (std::sscanf(line.c_str(), "texts %31s %d %d", list, &row, &columns) != 3)
        return "error bad texts request\n";
    std::string out;
    for (int column = 0; column < columns; ++column) {
        wchar_t text[1024] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = static_cast<int>(std::size(text));
        const auto length = SendMessageW(ParseWindow(list), LVM_GETITEMTEXTW,
                                         static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        out += Utf8(std::wstring(text, static_cast<std::size_t>(std::max<LRESULT>(length, 0))));
        out += '\0';
    }
    return out;
}

// ---- idle: a message posted to the window's thread, seen when its loop takes it. A thread
// that only waits for the answer of a message it sent (to another process, say) takes sent
// messages but no posted ones, so a reply to a sent message does not prove it idle.

const UINT kIdleMarker = RegisterWindowMessageW(L"qm-ui-probe-idle");
// Set by the hook when the loop took the marker: with nothing behind it, or with more to do.
const qm::win32::UniqueHandle idleSeen(CreateEventW(nullptr, FALSE, FALSE, nullptr));
const qm::win32::UniqueHandle busySeen(CreateEventW(nullptr, FALSE, FALSE, nullptr));

struct HookTraits {
    static void Close(HHOOK hook) { UnhookWindowsHookEx(hook); }
};

LRESULT CALLBACK SeeMarker(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == kIdleMarker)
        SetEvent(HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE)) == 0 ? idleSeen.Get()
                                                                        : busySeen.Get());
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string Idle(const std::string& line) {
    char target[32] = {};
    unsigned long ms = 0;
    if (std::sscanf(line.c_str(), "idle %31s %lu", target, &ms) != 2)
        return "error bad idle request\n";
    const HWND window = ParseWindow(target);
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (thread == 0)
        return "error no such window\n";
    ResetEvent(idleSeen.Get());
    ResetEvent(busySeen.Get());
    const qm::win32::UniqueOf<HHOOK, HookTraits> hook(
        SetWindowsHookExW(WH_GETMESSAGE, &SeeMarker, probeModule, thread));
    if (!hook)
        return "error cannot watch the window's thread\n";
    const ULONGLONG end = GetTickCount64() + ms;
    bool idle = false;
    // Posted messages come before input: with input waiting, the marker is posted again once
    // the loop has had a moment for it.
    for (bool post = true; !idle && GetTickCount64() < end;) {
        if (post && !PostMessageW(window, kIdleMarker, 0, 0))
            break;
        const HANDLE seen[] = {idleSeen.Get(), busySeen.Get()};
        const DWORD left = static_cast<DWORD>(end - std::min(end, GetTickCount64()));
        const DWORD which = WaitForMultipleObjects(2, seen, FALSE, left);
        idle = which == WAIT_OBJECT_0;
        post = which == WAIT_OBJECT_0 + 1;
        if (post)
            Sleep(10);
    }
    return idle ? "idle\n" : "busy\n";
}

std::string Answer(const std::string& request) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < request.size()) {
        const std::size_t end = request.find('\n', start);
        lines.push_back(request.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (lines.empty())
        return "error empty request\n";
    std::string out;
    if (lines[0].rfind("bar ", 0) == 0) {
        const HMENU menu = GetMenu(ParseWindow(lines[0].c_str() + 4));
        if (menu != nullptr)
            ListMenu(menu, 0, true, false, out);
    } else if (lines[0] == "popup") {
        if (const HWND popup = ShownPopup(); popup != nullptr) {
            const auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
            if (menu != nullptr)
                ListMenu(menu, 0, false, true, out);
        }
    } else if (lines[0].rfind("drop ", 0) == 0) {
        out = Drop(lines);
    } else if (lines[0].rfind("texts ", 0) == 0) {
        out = RowTexts(lines[0]);
    } else if (lines[0].rfind("idle ", 0) == 0) {
        out = Idle(lines[0]);
    } else {
        out = "error unknown request\n";
    }
    return out;
}

DWORD WINAPI Serve(void*) {
    wchar_t name[64];
    std::swprintf(name, std::size(name), L"\\\\.\\pipe\\qm-ui-probe-%lu", GetCurrentProcessId());
    for (;;) {
        const qm::win32::UniqueHandle owner(CreateNamedPipeW(
            name, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0, nullptr));
        if (!owner)
            return 1;
        const HANDLE pipe = owner.Get();
        if (ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED) {
            // The request ends with an empty line.
            std::string request;
            char buffer[4096];
            DWORD read = 0;
            while (request.find("\n\n") == std::string::npos &&
                   ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
                request.append(buffer, read);
            request.resize(request.find("\n\n") == std::string::npos ? request.size()
                                                                     : request.find("\n\n"));
            const std::string answer = Answer(request);
            DWORD written = 0;
            WriteFile(pipe, answer.data(), static_cast<DWORD>(answer.size()), &written, nullptr);
            FlushFileBuffers(pipe);
            DisconnectNamedPipe(pipe);
        }
    }
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        probeModule = instance;
        // The thread lives as long as the process.
        const qm::win32::UniqueHandle thread(CreateThread(nullptr, 0, &Serve, nullptr, 0, nullptr));
    }
    return TRUE;
}
