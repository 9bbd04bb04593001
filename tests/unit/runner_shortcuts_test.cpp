// The runner's keyboard shortcuts and the access keys of each menu and of the main window.
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
    EXPECT_EQ(CaptionWithShortcut(open.Caption, open.Shortcuts[0]), L"&Open...\tCtrl+O");
}

TEST(Shortcuts, RunnerAccessKeysDistinctInEachMenuAndTheWindow) {
    // The button shares the window with the menu bar, and reads "&Stop" while running.
    std::map<int, std::vector<std::wstring>> groups{{0, {L"&Stop"}}};
    for (const RunnerCommand& row : RunnerCommands())
        if (!row.IsSeparator())
            groups[row.Place == RunnerPlace::RunButton ? 0 : static_cast<int>(row.Place)].push_back(
                row.Caption);
    testing::ExpectDistinctAccessKeys(groups);
}

} // namespace
} // namespace qm::win32
