// The runner's walk over the open windows: a fault while visiting one is reported in the
// error trap and ends the walk, never unwinding through the system's code.
#include "core/app_error.h"
#include "core/messages.h"
#include "runner/win32/switching_win32.h"
#include "support/fakes.h"
#include "ui/win32/shell_handles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

namespace qm {
namespace {

using ::testing::ElementsAre;

TEST(OpenWindows, AFaultWhileVisitingIsReportedOnceAndEndsTheWalk) {
    // Two hidden top-level windows of this process: the walk has at least these to visit.
    const auto topLevel = [] {
        return win32::UniqueWindow(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10,
                                                   nullptr, nullptr, GetModuleHandleW(nullptr),
                                                   nullptr));
    };
    const auto one = topLevel(), two = topLevel();
    ASSERT_TRUE(one && two);

    testing::RecordingDialogs dialogs;
    int visited = 0;
    bool sawOne = false, sawTwo = false;
    win32::ForEachTopLevelWindow(dialogs, "Form_Load", [&](HWND window) {
        ++visited;
        sawOne |= window == one.Get();
        sawTwo |= window == two.Get();
    });
    EXPECT_TRUE(sawOne && sawTwo);
    EXPECT_TRUE(dialogs.shown.empty());
    ASSERT_GE(visited, 2);

    int faulted = 0;
    win32::ForEachTopLevelWindow(dialogs, "Form_Load", [&](HWND) {
        ++faulted;
        throw AppError(err::Overflow);
    });
    EXPECT_EQ(faulted, 1);
    EXPECT_THAT(dialogs.shown, ElementsAre(msg::ErrorBox(AppError(err::Overflow), "Form_Load")));

    // The programs of the windows open now: this process's own windows are never among them.
    const auto programs = win32::OpenWindowPrograms(dialogs, "Form_Load");
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    for (const auto& program : programs)
        EXPECT_NE(program, self);
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

} // namespace
} // namespace qm
