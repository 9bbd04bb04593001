// Both process-priority variants on this test process.
#include "core/win32/win32_handle.h"
#include "settings/win32/process_priority_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace qm {
namespace {

class ProcessPriorityTest : public ::testing::Test {
protected:
    void TearDown() override { SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS); }
    static DWORD Current() { return GetPriorityClass(GetCurrentProcess()); }

    // A message-only window of this process, for the variants that take the process from it.
    struct WindowTraits {
        static void Close(HWND window) { DestroyWindow(window); }
    };
    win32::UniqueOf<HWND, WindowTraits> window_{
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                        GetModuleHandleW(nullptr), nullptr)};
};

// Far above any process id the system hands out.
constexpr std::uint32_t kNoSuchProcess = 0x7FFFFFF0;

TEST_F(ProcessPriorityTest, EditorVariantSetsAndReportsTheClassInEffect) {
    ASSERT_TRUE(window_);
    EditorProcessPriority priority;

    EXPECT_EQ(priority.SetProcessPriority(0, window_.Get(), kHighPriorityClass),
              kHighPriorityClass);
    EXPECT_EQ(Current(), kHighPriorityClass);
    EXPECT_EQ(priority.GetProcessPriority(0, window_.Get()), kHighPriorityClass);
    EXPECT_EQ(priority.GetProcessPriority(GetCurrentProcessId(), nullptr), kHighPriorityClass);

    // No window and no id: the current process.
    EXPECT_EQ(priority.SetProcessPriority(0, nullptr, kNormalPriorityClass), kNormalPriorityClass);
    EXPECT_EQ(Current(), kNormalPriorityClass);
    EXPECT_EQ(priority.GetProcessPriority(0, nullptr), kNormalPriorityClass);
}

TEST_F(ProcessPriorityTest, RunnerVariantSetsTheCurrentProcessWhateverItIsGiven) {
    RunnerProcessPriority priority;
    priority.SetProcessPriority(kNoSuchProcess, nullptr, kHighPriorityClass);
    EXPECT_EQ(Current(), kHighPriorityClass);
    EXPECT_EQ(priority.GetProcessPriority(0, nullptr), kHighPriorityClass);
    EXPECT_EQ(priority.SetProcessPriority(0, window_.Get(), kNormalPriorityClass),
              kNormalPriorityClass);
    EXPECT_EQ(priority.GetProcessPriority(0, window_.Get()), kNormalPriorityClass);
}

TEST_F(ProcessPriorityTest, ProcessesThatCannotBeOpenedReadAsZero) {
    EditorProcessPriority editor;
    RunnerProcessPriority runner;
    EXPECT_EQ(editor.GetProcessPriority(kNoSuchProcess, nullptr), 0u);
    EXPECT_EQ(runner.GetProcessPriority(kNoSuchProcess, nullptr), 0u);
    EXPECT_EQ(editor.SetProcessPriority(kNoSuchProcess, nullptr, kHighPriorityClass), 0u);
    EXPECT_EQ(Current(), kNormalPriorityClass);

    // A window that does not exist names no process, not the current one.
    const HWND gone = window_.Get();
    window_.Reset();
    EXPECT_EQ(editor.GetProcessPriority(0, gone), 0u);
    EXPECT_EQ(editor.SetProcessPriority(0, gone, kHighPriorityClass), 0u);
    EXPECT_EQ(Current(), kNormalPriorityClass);
}

} // namespace
} // namespace qm
