#pragma once
// The runner's commands as data, in the shape both programs' tables share (CommandRow): one
// row per menu item and for the Run/Stop button. The menu bar, its menus (the File menu is also
// the notification icon's menu) and the routing of WM_COMMAND are built from this table.
#include "core/shortcut.h"
#include "runner/runner_view.h"
#include "runner/win32/corvex_ids.h"
#include "ui/win32/command_table.h"

#include <span>

namespace qm {
class RunnerController;
}

namespace qm::win32 {

// The pictures drawn next to menu items (in place of the check mark).
enum class MenuGlyph { Run, Browse, Stop, Exit, Devices, Priority, Poll, Preferences };
inline constexpr int kMenuGlyphCount = 8;

// Where a command appears: the menu bar, one of its menus or submenus, or the Run/Stop button.
enum class RunnerPlace {
    MenuBar,
    FileMenu,
    ToolsMenu,
    PriorityMenu,
    PollMenu,
    HelpMenu,
    RunButton
};

// The flag of the menu state that enables a command; null: always enabled.
using RunnerCommandFlag = bool RunnerMenuState::*;

using RunnerCommand = CommandRow<RunnerController, RunnerPlace, MenuGlyph, RunnerCommandFlag>;

// Every command, each menu's in its order.
std::span<const RunnerCommand> RunnerCommands();
// The row of a command identifier; null for none.
const RunnerCommand* FindRunnerCommand(int id);
// The command a key pressed in the main window runs now: the one whose shortcut it is, when
// the menu state enables it; 0 for none.
int RunnerShortcutCommand(Shortcut pressed, const RunnerMenuState& state);

} // namespace qm::win32
