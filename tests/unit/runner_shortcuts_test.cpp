// The runner's keyboard shortcuts, its menus' shortcut texts, and the access keys of each menu
// and of the main window.
#include "runner/runner_controller.h"
#include "runner/win32/runner_commands.h"
#include "support/access_keys.h"

#include <gtest/gtest.h>

namespace qm::win32 {
namespace {

TEST(Shortcuts, RunnerShortcutsAlwaysRunAndShowInTheMenu) {
    for (const RunnerMenuState state : {RunnerMenuState{}, MenuStateFor(true, true, 3)}) {
        EXPECT_EQ(RunnerShortcutCommand(CtrlKey('O'), state), IDM_BROWSE);
        EXPECT_EQ(RunnerShortcutCommand(Shortcut{kVkF1}, state), IDM_CONTENTS);
        EXPECT_EQ(RunnerShortcutCommand(CtrlKey('S'), state), 0);
        EXPECT_EQ(RunnerShortcutCommand(CtrlShiftKey('O'), state), 0);
    }
    const RunnerCommand& open = *FindRunnerCommand(IDM_BROWSE);
    EXPECT_EQ(CaptionWithShortcut(open.Caption, open.Keys), L"&Open...\tCtrl+O");
}

TEST(Shortcuts, RunnerAccessKeysDistinctInEachMenuAndTheWindow) {
    std::map<std::string, std::vector<const wchar_t*>> runner;
    for (const RunnerCommand& row : RunnerCommands()) {
        if (row.IsSeparator())
            continue;
        const bool window =
            row.Place == RunnerPlace::MenuBar || row.Place == RunnerPlace::RunButton;
        runner[window ? "runner window"
                      : "runner menu " + std::to_string(static_cast<int>(row.Place))]
            .push_back(row.Caption);
    }
    // The button reads "Stop" while running.
    runner["runner window"].push_back(L"&Stop");
    testing::ExpectDistinctAccessKeys(runner);
}

} // namespace
} // namespace qm::win32
