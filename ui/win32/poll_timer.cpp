#include "ui/win32/poll_timer.h"

#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <system_error>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace qm::win32 {

PollTimer::PollTimer() {
    // Auto-reset: a wait that sees the tick takes it.
    timer_.Reset(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                        TIMER_ALL_ACCESS));
    highResolution_ = static_cast<bool>(timer_);
    if (!timer_)
        timer_.Reset(CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS));
}

PollTimer::~PollTimer() {
    Stop();
}

void PollTimer::Start(int periodMs) {
    if (!timer_ || periodMs <= 0)
        return;
    if (!highResolution_ && !periodRaised_)
        periodRaised_ = timeBeginPeriod(1) == TIMERR_NOERROR;
    LARGE_INTEGER due{};
    due.QuadPart = -static_cast<LONGLONG>(periodMs) * 10000; // relative, in 100 ns
    if (!SetWaitableTimer(timer_.Get(), &due, periodMs, nullptr, nullptr, FALSE)) {
        Stop();
        return;
    }
    enabled_ = true;
    periodMs_ = periodMs;
}

void PollTimer::Stop() {
    if (timer_)
        CancelWaitableTimer(timer_.Get());
    enabled_ = false;
    EndPeriod();
}

void PollTimer::EndPeriod() {
    if (periodRaised_) {
        timeEndPeriod(1);
        periodRaised_ = false;
    }
}

bool PollTimer::ConsumeDue() {
    return enabled_ && WaitForSingleObject(timer_.Get(), 0) == WAIT_OBJECT_0;
}

namespace {

void Dispatch(MSG& message, HWND dialogHost) {
    if (dialogHost != nullptr && IsWindow(dialogHost) &&
        (message.hwnd == dialogHost || IsChild(dialogHost, message.hwnd)) &&
        IsDialogMessageW(dialogHost, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

} // namespace

PollWake WaitAndPoll(PollTimer& timer, PollClient& client, DWORD timeoutMs, DWORD wakeMask,
                     HANDLE stop) {
    std::array<HANDLE, MAXIMUM_WAIT_OBJECTS> handles{};
    DWORD count = 0;
    if (stop != nullptr)
        handles[count++] = stop;
    const HANDLE tick = timer.WaitHandle();
    if (tick != nullptr)
        handles[count++] = tick;
    // Read afresh at every wait: a scan or a lost controller changes them.
    // A wait on the message queue too takes one handle fewer.
    const std::size_t limit = std::min<std::size_t>(
        count + kMaxPollEvents, wakeMask != 0 ? MAXIMUM_WAIT_OBJECTS - 1 : MAXIMUM_WAIT_OBJECTS);
    for (void* event : client.PollEvents()) {
        if (count == limit)
            break;
        handles[count++] = event;
    }
    const HANDLE* waited = count != 0 ? handles.data() : nullptr;
    DWORD result = WAIT_TIMEOUT;
    if (wakeMask != 0)
        result =
            MsgWaitForMultipleObjectsEx(count, waited, timeoutMs, wakeMask, MWMO_INPUTAVAILABLE);
    else if (count != 0)
        result = WaitForMultipleObjects(count, waited, FALSE, timeoutMs);
    else if (timeoutMs != 0)
        Sleep(timeoutMs);
    if (result < WAIT_OBJECT_0 + count) {
        const HANDLE woke = handles[result - WAIT_OBJECT_0];
        if (woke == stop)
            return PollWake::Stopped;
        if (woke == tick) {
            client.OnTick();
            return PollWake::Tick;
        }
        client.OnEvents();
        return PollWake::Events;
    }
    if (wakeMask != 0 && result == WAIT_OBJECT_0 + count)
        return PollWake::Messages;
    return result == WAIT_TIMEOUT ? PollWake::TimedOut : PollWake::Failed;
}

int RunMessageLoop(PollTimer& timer, HWND dialogHost, PollClient& client,
                   const MessagePreview& preview) {
    for (;;) {
        const PollWake woke = WaitAndPoll(timer, client, INFINITE, QS_ALLINPUT);
        if (woke == PollWake::Tick || woke == PollWake::Events)
            continue;
        if (woke == PollWake::Failed) {
            // Should not happen; wait for a message the ordinary way rather than spin.
            WaitMessage();
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return static_cast<int>(message.wParam);
            if (!preview || !preview(message))
                Dispatch(message, dialogHost);
            // A burst of messages holds back neither the pass nor the events.
            WaitAndPoll(timer, client, 0, 0);
        }
    }
}

void RunPollPasses(PollTimer& timer, HANDLE stop, PollClient& client) {
    for (;;) {
        const PollWake woke = WaitAndPoll(timer, client, INFINITE, 0, stop);
        if (woke == PollWake::Stopped || woke == PollWake::Failed)
            return; // stopped, or the wait failed
    }
}

bool PollThread::Start(int periodMs, PollClient& client) {
    Stop();
    stop_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stop_)
        return false;
    try {
        thread_ = std::thread([periodMs, &client, stop = stop_.Get()]() noexcept {
            try {
                PollTimer timer;
                timer.Start(periodMs);
                if (timer.Enabled())
                    RunPollPasses(timer, stop, client);
            } catch (...) {
                // Nothing escapes the thread: the passes end, the window goes on.
            }
        });
    } catch (const std::system_error&) {
        stop_.Reset();
        return false;
    }
    return true;
}

void PollThread::Stop() {
    if (thread_.joinable()) {
        SetEvent(stop_.Get());
        thread_.join();
    }
    stop_.Reset();
}

HWND FocusedPushButton(HWND dialogHost) {
    const HWND focus = GetFocus();
    if (focus == nullptr || !IsChild(dialogHost, focus) ||
        !(SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
        return nullptr;
    return focus;
}

} // namespace qm::win32
