// The live test's passes on a thread of their own: called every period until stopped (Stop
// joins the thread); the poll loop also wakes on a device's event and ends on its stop.
#include "core/win32/win32_handle.h"
#include "ui/win32/poll_timer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <span>
#include <thread>
#include <vector>

namespace qm {
namespace {

// Counts the passes and the events' handlings; waits on `events`, read at every wait.
struct Passes : win32::PollClient {
    std::atomic<int> count = 0, handled = 0;
    std::atomic<DWORD> thread = 0;
    std::vector<void*> events;
    std::span<void* const> PollEvents() const override { return events; }
    void OnTick() noexcept override {
        thread = GetCurrentThreadId();
        ++count;
    }
    void OnEvents() noexcept override { ++handled; }
};

TEST(PollThread, PassesRunOnTheirOwnThreadAndStopWaitsForTheLastOne) {
    Passes passes;
    win32::PollThread thread;
    ASSERT_TRUE(thread.Start(5, passes));
    while (passes.count < 3)
        std::this_thread::yield();
    EXPECT_NE(passes.thread, GetCurrentThreadId());
    thread.Stop();
    EXPECT_FALSE(thread.Running());

    // Started again: Stop returns only once the pass under way has ended.
    struct Held : win32::PollClient {
        win32::UniqueHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        std::atomic<bool> inPass = false, ended = false;
        std::span<void* const> PollEvents() const override { return {}; }
        void OnTick() noexcept override {
            inPass = true;
            WaitForSingleObject(release.Get(), INFINITE);
            Sleep(20); // a pass that takes its time: Stop waits for it all the same
            ended = true;
        }
        void OnEvents() noexcept override {}
    } held;
    ASSERT_TRUE(thread.Start(10, held));
    while (!held.inPass)
        std::this_thread::yield();
    SetEvent(held.release.Get());
    thread.Stop();
    EXPECT_TRUE(held.ended);
}

TEST(PollThread, TheLoopWaitsOnTheDeviceEventsOfEachWaitAndEndsOnItsStop) {
    win32::PollTimer stopped; // no tick: only the events wake the loop
    win32::UniqueHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    win32::UniqueHandle first(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    win32::UniqueHandle second(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    ASSERT_TRUE(stop && first && second);
    // The first handling changes the events, as a rescan does: the next wait takes the new ones.
    struct Rescanning : Passes {
        HANDLE next = nullptr;
        void OnEvents() noexcept override {
            Passes::OnEvents();
            events = {next};
        }
    } passes;
    passes.events = {first.Get()};
    passes.next = second.Get();
    std::thread loop([&] { win32::RunPollPasses(stopped, stop.Get(), passes); });
    SetEvent(first.Get());
    while (passes.handled < 1)
        std::this_thread::yield();
    SetEvent(second.Get());
    while (passes.handled < 2)
        std::this_thread::yield();
    SetEvent(stop.Get());
    loop.join();
    EXPECT_EQ(passes.handled, 2);
    EXPECT_EQ(passes.count, 0);
}

} // namespace
} // namespace qm
