#pragma once
// The main window's side of a second start's handover. WM_COPYDATA is checked (only a
// well-formed path, see core/handed_over_path.h, is kept) and answered at once, so that the
// second start never waits for what the path does; the path is acted on from the window's own
// message loop, once no box or dialog holds the window (it is disabled while they show), the
// program can act on it (its controller is there) and not in the middle of acting on another.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>

namespace qm::win32 {

class HandedOverPaths {
public:
    // Acts on a path; false when the program cannot yet (the path is kept and offered again
    // a moment later).
    using Act = std::function<bool(const std::string& path)>;

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
    // The most the kept paths hold at once, in bytes: a flood of messages is refused beyond
    // it (the second start says so), while tens of thousands of ordinary paths fit.
    static constexpr std::size_t kMostKeptBytes = std::size_t{8} << 20;
    // How long a path the program could not act on yet waits before it is offered again.
    static constexpr UINT kRetryMs = 100;

    // WM_COPYDATA: TRUE when it was a well-formed path, now kept.
    LRESULT Receive(HWND window, LPARAM copyData) noexcept;
    void Deliver(HWND window, const Act& act);

    std::deque<std::string> paths_;
    std::size_t keptBytes_ = 0;
    bool acting_ = false;
};

} // namespace qm::win32
