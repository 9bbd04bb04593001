// Both process-priority variants on this test process.
#include "settings/win32/process_priority_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace qm {
namespace {

// A message-only window of this process, for the variants that take the process from a window.
struct MessageWindow {
    MessageWindow()
        : window(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr)) {}
    ~MessageWindow() { DestroyWindow(window); }
    HWND Get() const { return window; }
    HWND window;
};

class ProcessPriorityTest : public ::testing::Test {
protected:
    void TearDown() override { SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS); }
};

// Far above any process id the system hands out.
constexpr std::uint32_t kNoSuchProcess = 0x7FFFFFF0;

TEST_F(ProcessPriorityTest, EditorVariantSetsAndReportsTheClassInEffect) {
    MessageWindow window;
    ASSERT_NE(window.Get(), nullptr);
    EditorProcessPriority priority;

    EXPECT_EQ(priority.SetProcessPriority(0, window.Get(), kHighPriorityClass), kHighPriorityClass);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), kHighPriorityClass);
    EXPECT_EQ(priority.GetProcessPriority(0, window.Get()), kHighPriorityClass);
    EXPECT_EQ(priority.GetProcessPriority(GetCurrentProcessId(), nullptr), kHighPriorityClass);

    // No window and no id: the current process.
    EXPECT_EQ(priority.SetProcessPriority(0, nullptr, kNormalPriorityClass), kNormalPriorityClass);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), kNormalPriorityClass);
    EXPECT_EQ(priority.GetProcessPriority(0, nullptr), kNormalPriorityClass);
}

TEST_F(ProcessPriorityTest, RunnerVariantSetsTheCurrentProcessWhateverItIsGiven) {
    RunnerProcessPriority priority;
    priority.SetProcessPriority(kNoSuchProcess, nullptr, kHighPriorityClass);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), kHighPriorityClass);
    EXPECT_EQ(priority.GetProcessPriority(0, nullptr), kHighPriorityClass);

    MessageWindow window;
    EXPECT_EQ(priority.SetProcessPriority(0, window.Get(), kNormalPriorityClass),
              kNormalPriorityClass);
    EXPECT_EQ(priority.GetProcessPriority(0, window.Get()), kNormalPriorityClass);
}

TEST_F(ProcessPriorityTest, ProcessesThatCannotBeOpenedReadAsZero) {
    EditorProcessPriority editor;
    RunnerProcessPriority runner;
    EXPECT_EQ(editor.GetProcessPriority(kNoSuchProcess, nullptr), 0u);
    EXPECT_EQ(runner.GetProcessPriority(kNoSuchProcess, nullptr), 0u);
    EXPECT_EQ(editor.SetProcessPriority(kNoSuchProcess, nullptr, kHighPriorityClass), 0u);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), kNormalPriorityClass);

    // A window that does not exist names no process, not the current one.
    MessageWindow window;
    const HWND gone = window.Get();
    DestroyWindow(gone);
    EXPECT_EQ(editor.GetProcessPriority(0, gone), 0u);
    EXPECT_EQ(editor.SetProcessPriority(0, gone, kHighPriorityClass), 0u);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), kNormalPriorityClass);
}

} // namespace
} // namespace qm
