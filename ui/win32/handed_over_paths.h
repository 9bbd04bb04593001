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
    using Act = std::function<void(const std::string& path)>;

    // The window's messages that concern the handover: WM_COPYDATA, the message and the timer
    // that make a kept path due, WM_ENABLE. True when the message was WM_COPYDATA or one of
    // its own (its answer then in `result`); WM_ENABLE goes on to the window as well. Each
    // kept path goes to `act` in the order they came.
    bool Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                const Act& act);

private:
    // The message the window posts itself when a path came (the window's own range) and the
    // timer that makes a path due after the window was enabled again.
    static constexpr UINT kDueMessage = WM_APP + 0x48;
    static constexpr UINT_PTR kDueTimer = 0x48;
    // A flood of messages keeps no more than this many.
    static constexpr std::size_t kMostKept = 16;

    // WM_COPYDATA: TRUE when it was a well-formed path, now kept.
    LRESULT Receive(HWND window, LPARAM copyData) noexcept;
    void Deliver(HWND window, const Act& act);

    std::deque<std::string> paths_;
    bool acting_ = false;
};

} // namespace qm::win32
