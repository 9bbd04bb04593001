#pragma once
// The system's side of switching: being told when a window comes to the front, global
// hotkeys, and the programs whose windows are open now.
#include "core/win32/win32_handle.h"
#include "runner/switching.h"
#include "ui/win32/win32_dialogs.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::win32 {

// A window as switching sees it: of this process or not, its class and its program's path.
ForegroundWindow DescribeWindow(HWND window);

// Foreground changes as out-of-context window events (EVENT_SYSTEM_FOREGROUND). Wine 8 sends
// none, nor a focus event when another program's window comes to the front: under Wine only,
// and only while watching, a 25 ms timer compares the window in front
// with the last one instead. One watch per process (the events carry no context).
class ForegroundHook final : public ForegroundWatch {
public:
    using Sink = std::function<void(const ForegroundWindow&)>;
    ForegroundHook(Win32Dialogs& dialogs, Sink sink);
    ~ForegroundHook() override;
    ForegroundHook(const ForegroundHook&) = delete;
    ForegroundHook& operator=(const ForegroundHook&) = delete;

    void Watch(bool on) override;

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                                 LONG child, DWORD thread, DWORD time);
    static void CALLBACK OnTimer(HWND window, UINT message, UINT_PTR id, DWORD time);
    void Check();

    static constexpr UINT kWineCheckMs = 25;

    Win32Dialogs& dialogs_;
    Sink sink_;
    UniqueWinEventHook foreground_;
    UniqueThreadTimer timer_;
    HWND last_ = nullptr;
};

// Global hotkeys of the main window: WM_HOTKEY with the action + 1 as its id.
class WindowHotkeys final : public HotkeyRegistrar {
public:
    explicit WindowHotkeys(HWND window) : window_(window) {}
    ~WindowHotkeys() override;
    WindowHotkeys(const WindowHotkeys&) = delete;
    WindowHotkeys& operator=(const WindowHotkeys&) = delete;

    bool Register(HotkeyAction action, Hotkey hotkey) override;
    void Unregister(HotkeyAction action) override;
    // The action of a WM_HOTKEY's id; -1 for another id.
    static int ActionOf(WPARAM id);

private:
    HWND window_;
    bool held_[kHotkeyActions] = {};
};

// Calls `visit` for each top-level window. Each call runs in the error trap under
// `procedure`: an error is reported once and ends the enumeration, and never unwinds through
// the system's code.
void ForEachTopLevelWindow(Dialogs& dialogs, std::string_view procedure,
                           const std::function<void(HWND)>& visit);

// The full paths of the programs of the visible top-level windows open now (other than this
// process's), each once, sorted by file name; an error is reported under `procedure` and leaves
// the programs found before it.
std::vector<std::string> OpenWindowPrograms(Dialogs& dialogs, std::string_view procedure);

// Between a hotkey control's value (HKM_GETHOTKEY / HKM_SETHOTKEY) and a hotkey.
Hotkey HotkeyFromControl(LRESULT value);
WPARAM HotkeyToControl(Hotkey hotkey);

} // namespace qm::win32
