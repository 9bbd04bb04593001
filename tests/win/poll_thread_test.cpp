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

TEST(PollThread, PassesRunOnTheirOwnThreadAndStopWaitsForTheLastOne) {
    Passes passes;
    win32::PollThread thread;
    ASSERT_TRUE(thread.Start(5, &Passes::Due, &passes));
    while (passes.count < 3)
        std::this_thread::yield();
    EXPECT_NE(passes.thread, GetCurrentThreadId());
    thread.Stop();
    EXPECT_FALSE(thread.Running());

    // Started again: Stop returns only once the pass under way has ended.
    struct Held {
        win32::UniqueHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        std::atomic<bool> inPass = false, ended = false;
        static void Due(void* context) {
            auto& held = *static_cast<Held*>(context);
            held.inPass = true;
            WaitForSingleObject(held.release.Get(), INFINITE);
            Sleep(20); // a pass that takes its time: Stop waits for it all the same
            held.ended = true;
        }
    } held;
    ASSERT_TRUE(thread.Start(10, &Held::Due, &held));
    while (!held.inPass)
        std::this_thread::yield();
    SetEvent(held.release.Get());
    thread.Stop();
    EXPECT_TRUE(held.ended);
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
