#pragma once
// The poll timer: a periodic waitable timer the message loop waits on together with the
// window messages, so that the engine's pass runs every 5, 10 or 15 ms on the user-interface
// thread. Window timers cannot do that: they tick at the system tick (about 15.6 ms) and never
// below 10 ms. A high-resolution timer is used where the system has one (Windows 10 1803 and
// later, Wine); elsewhere a plain waitable timer with the system timer resolution raised to
// 1 ms while the timer runs.
#include "core/win32/win32_handle.h"

#include <windows.h>

#include <functional>
#include <span>
#include <thread>

namespace qm::win32 {

class PollTimer {
public:
    PollTimer();
    ~PollTimer();
    PollTimer(const PollTimer&) = delete;
    PollTimer& operator=(const PollTimer&) = delete;

    // Whether the high-resolution kind of timer was created.
    bool HighResolution() const { return highResolution_; }
    // Starts (or restarts with a new period) the periodic timer; the first tick is one period
    // from now.
    void Start(int periodMs);
    void Stop();
    bool Enabled() const { return enabled_; }
    int PeriodMs() const { return periodMs_; }

    // The handle to wait on: signalled when a tick is due; null while the timer is stopped.
    HANDLE WaitHandle() const { return enabled_ ? timer_.Get() : nullptr; }
    // Takes a due tick without waiting: true when one was due. Ticks missed while the thread
    // was busy do not pile up: at most one is due at a time.
    bool ConsumeDue();

private:
    void EndPeriod();

    UniqueHandle timer_;
    bool highResolution_ = false;
    bool enabled_ = false;
    bool periodRaised_ = false;
    int periodMs_ = 0;
};

// Sees each message before it is dispatched; true when it took the message (a shortcut's key),
// which then is not dispatched.
using MessagePreview = std::function<bool(const MSG& message)>;

// The program's message loop: dispatches window messages (tab navigation in `dialogHost`'s
// controls) and calls `onDue(context)` on the user-interface thread whenever the poll timer
// is due. Returns WM_QUIT's exit code.
int RunMessageLoop(PollTimer& timer, HWND dialogHost, void (*onDue)(void* context), void* context,
                   const MessagePreview& preview = {});

// A thread's own poll loop, without window messages: waits on `stop`, the timer and `events`
// (each a device's own signal) and calls `onDue(context)` at each tick or event, until `stop`
// is signalled. At most MAXIMUM_WAIT_OBJECTS - 2 events are waited on.
void RunPollPasses(PollTimer& timer, HANDLE stop, std::span<const HANDLE> events,
                   void (*onDue)(void* context), void* context);

// Calls `onDue(context)` every period on a thread of its own, with a poll timer of its own
// (RunPollPasses), between Start and Stop. `onDue` must throw nothing.
class PollThread {
public:
    PollThread() = default;
    ~PollThread() { Stop(); }
    PollThread(const PollThread&) = delete;
    PollThread& operator=(const PollThread&) = delete;

    // Starts the passes (after stopping any that run); false when the system refused.
    bool Start(int periodMs, void (*onDue)(void* context), void* context);
    // Returns once the last pass has ended.
    void Stop();
    bool Running() const { return thread_.joinable(); }

private:
    UniqueHandle stop_;
    std::thread thread_;
};

// Enter in the dialog host reaches it as IDOK: the focused push button among its controls acts
// on it as on Space. That button, or null when the focus is elsewhere.
HWND FocusedPushButton(HWND dialogHost);

} // namespace qm::win32
