// The live test's passes on a thread of their own: called every period until stopped (Stop
// joins the thread); the poll loop also wakes on a device's event and ends on its stop.
#include "core/win32/win32_handle.h"
#include "ui/win32/poll_timer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

namespace qm {
namespace {

struct Passes {
    std::atomic<int> count = 0;
    std::atomic<DWORD> thread = 0;
    static void Due(void* context) {
        auto& passes = *static_cast<Passes*>(context);
        passes.thread = GetCurrentThreadId();
        ++passes.count;
    }
};

TEST(PollThread, PassesRunOnTheirOwnThreadUntilStopReturns) {
    Passes passes;
    win32::PollThread thread;
    ASSERT_TRUE(thread.Start(5, &Passes::Due, &passes));
    while (passes.count < 3)
        std::this_thread::yield();
    EXPECT_NE(passes.thread, GetCurrentThreadId());
    thread.Stop();
    EXPECT_FALSE(thread.Running());
    const int stopped = passes.count;
    // Started again with another period, then stopped by its end.
    ASSERT_TRUE(thread.Start(10, &Passes::Due, &passes));
    while (passes.count < stopped + 2)
        std::this_thread::yield();
    // Ended by its destructor too; here by Stop, which joins the thread.
    thread.Stop();
    EXPECT_FALSE(thread.Running());
}

TEST(PollThread, TheLoopWakesOnADeviceEventAndEndsOnItsStop) {
    win32::PollTimer stopped; // no tick: only the event wakes the loop
    win32::UniqueHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    win32::UniqueHandle device(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    ASSERT_TRUE(stop && device);
    Passes passes;
    const HANDLE events[] = {device.Get()};
    std::thread loop(
        [&] { win32::RunPollPasses(stopped, stop.Get(), events, &Passes::Due, &passes); });
    SetEvent(device.Get());
    while (passes.count < 1)
        std::this_thread::yield();
    SetEvent(stop.Get());
    loop.join();
    EXPECT_EQ(passes.count, 1);
}

} // namespace
} // namespace qm
