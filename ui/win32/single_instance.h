#pragma once
// One copy of each version of a program per user session. A named mutex, taken before anything
// else at start-up, decides without a race which start is the first; a later start finds the
// first copy's main window by its class and caption (the program's name and version), waiting
// for it while that copy starts, to bring it forward and hand it the file of its command line.
#include "core/win32/win32_handle.h"

#include <windows.h>

#include <string>

namespace qm::win32 {

class SingleInstance {
public:
    // Takes the session's mutex named for the caption.
    explicit SingleInstance(const std::wstring& caption);
    // True when another copy of the same version holds it already.
    bool AlreadyRunning() const { return alreadyRunning_; }

private:
    UniqueHandle mutex_;
    bool alreadyRunning_ = false;
};

// The running copy's main window of that class and caption, waited for while that copy starts
// (it makes the window within a second or two; a busy machine may take longer); nothing when
// none came within kRunningWindowWaitMs.
inline constexpr DWORD kRunningWindowWaitMs = 15000;
HWND WaitForRunningInstanceWindow(const wchar_t* windowClass, const std::wstring& caption);

// Hands a full path to the running copy's main window (WM_COPYDATA, see
// core/handed_over_path.h); the copy takes it as soon as it gets to its messages, and acts on
// it later, from its own message loop. False when it refused it, ended, or did not get to its
// messages within kHandOverWaitMs (busy that long, or hung).
inline constexpr UINT kHandOverWaitMs = 120000;
bool HandOverPath(HWND window, const std::string& path);

// Restores the window and brings it to the front without waiting for its thread: a busy first
// copy shows itself when it gets to its messages.
void BringForward(HWND window);

} // namespace qm::win32
