#pragma once
// The poll timer: a periodic waitable timer the message loop waits on together with the
// window messages, so that the engine's pass runs every 5, 10 or 15 ms on the user-interface
// thread. Window timers cannot do that: they tick at the system tick (about 15.6 ms) and never
// below 10 ms. A high-resolution timer is used where the system has one (Windows 10 1803 and
// later, Wine); elsewhere a plain waitable timer with the system timer resolution raised to
// 1 ms while the timer runs.
#include "core/win32/win32_handle.h"

#include <windows.h>

#include <cstddef>
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

// What a thread's loop serves beside its messages: the pass at each tick of the poll timer, and
// the controllers' events, whose buffered changes are handled as soon as one is set.
class PollClient {
public:
    virtual ~PollClient() = default;
    // The events to wait on now (those beyond kMaxPollEvents are not waited on).
    virtual std::span<void* const> PollEvents() const = 0;
    virtual void OnTick() noexcept = 0;
    virtual void OnEvents() noexcept = 0;
};

// A wait takes MAXIMUM_WAIT_OBJECTS - 1 handles beside the message queue: the timer and 62
// events.
inline constexpr std::size_t kMaxPollEvents = MAXIMUM_WAIT_OBJECTS - 2;

enum class PollWake { Tick, Events, Messages, TimedOut, Stopped, Failed };

// One wait of a thread's loop: until `stop` (null: none) is signalled, the poll timer is due,
// one of the client's events is set, input of `wakeMask` (0: none) waits in the thread's
// queue, or `timeoutMs` passed. Runs the pass of a tick or the handling of the events before
// it returns. The handles are the client's of this moment: none of them can be closed while
// the thread waits on them.
PollWake WaitAndPoll(PollTimer& timer, PollClient& client, DWORD timeoutMs, DWORD wakeMask,
                     HANDLE stop = nullptr);

// Sees each message before it is dispatched; true when it took the message (a shortcut's key),
// which then is not dispatched.
using MessagePreview = std::function<bool(const MSG& message)>;

// The program's message loop: dispatches window messages (tab navigation in `dialogHost`'s
// controls) and serves `client` on the user-interface thread. Returns WM_QUIT's exit code.
int RunMessageLoop(PollTimer& timer, HWND dialogHost, PollClient& client,
                   const MessagePreview& preview = {});

// A thread's own poll loop, without window messages: WaitAndPoll again and again, serving
// `client`, until `stop` is signalled.
void RunPollPasses(PollTimer& timer, HANDLE stop, PollClient& client);

// Serves `client` (its passes every period, its events) on a thread of its own, with a poll
// timer of its own (RunPollPasses), between Start and Stop.
class PollThread {
public:
    PollThread() = default;
    ~PollThread() { Stop(); }
    PollThread(const PollThread&) = delete;
    PollThread& operator=(const PollThread&) = delete;

    // Starts the passes (after stopping any that run); false when the system refused.
    bool Start(int periodMs, PollClient& client);
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
