#include "runner/win32/switching_win32.h"

#include "core/error_trap.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/win32/win32_text.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

namespace qm::win32 {
namespace {

ForegroundHook* watching = nullptr;

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string ProgramOf(DWORD process) {
    const UniqueHandle handle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    if (!handle)
        return {};
    wchar_t path[MAX_PATH * 4]{};
    DWORD size = static_cast<DWORD>(std::size(path));
    const bool read = QueryFullProcessImageNameW(handle.Get(), 0, path, &size) != FALSE;
    return read ? Utf8FromWide(std::wstring_view(path, size)) : std::string();
}

} // namespace

ForegroundWindow DescribeWindow(HWND window) {
    ForegroundWindow described;
    if (window == nullptr)
        return described;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    described.OwnProcess = process == GetCurrentProcessId();
    wchar_t className[256]{};
    const int length = GetClassNameW(window, className, static_cast<int>(std::size(className)));
    described.ClassName = Utf8FromWide(std::wstring_view(className, std::max(length, 0)));
    if (!described.OwnProcess)
        described.Executable = ProgramOf(process);
    return described;
}

ForegroundHook::ForegroundHook(Win32Dialogs& dialogs, Sink sink)
    : dialogs_(dialogs), sink_(std::move(sink)) {}

ForegroundHook::~ForegroundHook() {
    Watch(false);
}

void ForegroundHook::Watch(bool on) {
    if (!on) {
        foreground_.Reset();
        timer_.Reset();
        if (watching == this)
            watching = nullptr;
        return;
    }
    if (foreground_ || (watching != nullptr && watching != this))
        return;
    watching = this;
    last_ = GetForegroundWindow();
    constexpr DWORD kFlags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
    foreground_.Reset(SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                      &ForegroundHook::OnEvent, 0, 0, kFlags));
    if (UnderWine())
        timer_.Reset(SetTimer(nullptr, 0, kWineCheckMs, &ForegroundHook::OnTimer));
}

void CALLBACK ForegroundHook::OnEvent(HWINEVENTHOOK, DWORD, HWND, LONG, LONG, DWORD, DWORD) {
    if (watching != nullptr)
        watching->Check();
}

void CALLBACK ForegroundHook::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (watching != nullptr)
        watching->Check();
}

void ForegroundHook::Check() {
    // Focus moving inside the window in front is no change.
    const HWND front = GetForegroundWindow();
    if (front == last_)
        return;
    last_ = front;
    RunTrapped(dialogs_, "ForegroundChanged", [&] { sink_(DescribeWindow(front)); });
}

WindowHotkeys::~WindowHotkeys() {
    for (int a = 0; a < kHotkeyActions; ++a)
        Unregister(static_cast<HotkeyAction>(a));
}

bool WindowHotkeys::Register(HotkeyAction action, Hotkey hotkey) {
    const auto a = static_cast<int>(action);
    Unregister(action);
    UINT modifiers = MOD_NOREPEAT;
    if (hotkey.Modifiers & 1)
        modifiers |= MOD_SHIFT;
    if (hotkey.Modifiers & 2)
        modifiers |= MOD_CONTROL;
    if (hotkey.Modifiers & 4)
        modifiers |= MOD_ALT;
    if (hotkey.Modifiers & Hotkey::kWinMask)
        modifiers |= MOD_WIN;
    held_[a] = RegisterHotKey(window_, a + 1, modifiers, hotkey.Key) != FALSE;
    return held_[a];
}

void WindowHotkeys::Unregister(HotkeyAction action) {
    const auto a = static_cast<int>(action);
    if (held_[a])
        UnregisterHotKey(window_, a + 1);
    held_[a] = false;
}

int WindowHotkeys::ActionOf(WPARAM id) {
    return id >= 1 && id <= kHotkeyActions ? static_cast<int>(id) - 1 : -1;
}

namespace {

struct WindowVisit {
    Dialogs& Boxes;
    std::string_view Procedure;
    const std::function<void(HWND)>& Visit;
};

BOOL CALLBACK VisitWindow(HWND window, LPARAM context) {
    auto& visit = *reinterpret_cast<WindowVisit*>(context);
    bool visited = false;
    RunTrapped(visit.Boxes, visit.Procedure, [&] {
        visit.Visit(window);
        visited = true;
    });
    return visited ? TRUE : FALSE;
}

} // namespace

void ForEachTopLevelWindow(Dialogs& dialogs, std::string_view procedure,
                           const std::function<void(HWND)>& visit) {
    WindowVisit context{dialogs, procedure, visit};
    EnumWindows(&VisitWindow, reinterpret_cast<LPARAM>(&context));
}

std::vector<std::string> OpenWindowPrograms(Dialogs& dialogs, std::string_view procedure) {
    std::vector<std::string> programs;
    // The program of each shown, unowned top-level window that counts as a program in front.
    ForEachTopLevelWindow(dialogs, procedure, [&](HWND window) {
        if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != nullptr)
            return;
        const ForegroundWindow described = DescribeWindow(window);
        if (CountsAsChange(described))
            programs.push_back(described.Executable);
    });
    std::sort(programs.begin(), programs.end(), [](const std::string& a, const std::string& b) {
        return UpperCase(FileNameOf(a) + "|" + a) < UpperCase(FileNameOf(b) + "|" + b);
    });
    programs.erase(
        std::unique(programs.begin(), programs.end(),
                    [](const std::string& a, const std::string& b) { return SamePath(a, b); }),
        programs.end());
    return programs;
}

Hotkey HotkeyFromControl(LRESULT value) {
    // HOTKEYF_SHIFT, _CONTROL and _ALT are the key names' mask bits; the extended-key flag is not
    // a modifier.
    const auto modifiers = static_cast<std::uint16_t>((value >> 8) & 7);
    return {modifiers, static_cast<std::uint16_t>(value & 0xFF)};
}

WPARAM HotkeyToControl(Hotkey hotkey) {
    return MAKEWORD(hotkey.Key, hotkey.Modifiers & 7);
}

} // namespace qm::win32
