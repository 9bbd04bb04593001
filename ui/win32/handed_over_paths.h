#pragma once
// The main window's side of a second start's handover. WM_COPYDATA is checked (only a
// well-formed path, see core/handed_over_path.h, is kept) and answered at once, so that the
// second start never waits for what the path does; the path is acted on from the window's own
// message loop, once no box or dialog holds the window (it is disabled while they show) and not
// in the middle of acting on another.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>

namespace qm::win32 {

class HandedOverPaths {
public:
    // The message the window posts itself when a path is due (the window's own range).
    static constexpr UINT kDueMessage = WM_APP + 0x48;

    // WM_COPYDATA: TRUE when it was a well-formed path, now kept; FALSE, and nothing kept,
    // for anything else.
    LRESULT Receive(HWND window, LPARAM copyData) noexcept;
    // kDueMessage, or WM_ENABLE when the window is enabled again: each kept path to `act`, in
    // the order they came, while the window stays enabled.
    void Deliver(HWND window, const std::function<void(const std::string&)>& act);
    // True while a path is kept: WM_ENABLE then posts kDueMessage.
    bool Waiting() const { return !paths_.empty(); }

private:
    // A flood of messages keeps no more than this many.
    static constexpr std::size_t kMostKept = 16;

    std::deque<std::string> paths_;
    bool acting_ = false;
};

} // namespace qm::win32
