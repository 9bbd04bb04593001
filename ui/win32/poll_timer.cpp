#include "ui/win32/poll_timer.h"

#include <mmsystem.h>

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

int RunMessageLoop(PollTimer& timer, HWND dialogHost, void (*onDue)(void* context), void* context,
                   const MessagePreview& preview) {
    for (;;) {
        HANDLE handle = timer.WaitHandle();
        const DWORD count = handle != nullptr ? 1 : 0;
        const DWORD result = MsgWaitForMultipleObjectsEx(
            count, count != 0 ? &handle : nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (count != 0 && result == WAIT_OBJECT_0) {
            onDue(context);
            continue;
        }
        if (result == WAIT_FAILED) {
            // Should not happen; wait for a message the ordinary way rather than spin.
            WaitMessage();
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return static_cast<int>(message.wParam);
            if (!preview || !preview(message))
                Dispatch(message, dialogHost);
            // A burst of messages does not hold the pass back.
            if (timer.ConsumeDue())
                onDue(context);
        }
    }
}

void RunPollPasses(PollTimer& timer, HANDLE stop, std::span<const HANDLE> events,
                   void (*onDue)(void* context), void* context) {
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    DWORD count = 0;
    handles[count++] = stop;
    if (HANDLE tick = timer.WaitHandle())
        handles[count++] = tick;
    for (const HANDLE event : events)
        if (count < MAXIMUM_WAIT_OBJECTS)
            handles[count++] = event;
    for (;;) {
        const DWORD result = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (result == WAIT_OBJECT_0 || result >= WAIT_OBJECT_0 + count)
            return; // stopped, or the wait failed

        onDue(context);
    }
}

bool PollThread::Start(int periodMs, void (*onDue)(void* context), void* context) {
    Stop();
    stop_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stop_)
        return false;
    try {
        thread_ = std::thread([periodMs, onDue, context, stop = stop_.Get()]() noexcept {
            try {
                PollTimer timer;
                timer.Start(periodMs);
                if (timer.Enabled())
                    RunPollPasses(timer, stop, {}, onDue, context);
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
