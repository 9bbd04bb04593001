#pragma once
// The runner's commands as data: one row per menu item and for the Run/Stop button, saying
// where it appears, its caption, its menu glyph, the flag of the menu state that enables it
// and what it runs. The menu bar, its menus (the File menu is
// also the notification icon's menu) and the routing of WM_COMMAND are built from this table.
// No Win32 types: the rows are plain data.
#include "core/shortcut.h"
#include "runner/runner_view.h"
#include "runner/win32/corvex_ids.h"

#include <optional>
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

struct RunnerCommand;
using RunnerCommandRun = void (*)(RunnerController&, const RunnerCommand&);

struct RunnerCommand {
    int Id = 0; // 0 with no caption: a separator
    RunnerPlace Place = RunnerPlace::MenuBar;
    const wchar_t* Caption = nullptr;
    // An item that opens a menu of its own.
    std::optional<RunnerPlace> Opens;
    // The controller function it runs, which traps its errors under the procedure name its
    // error box shows; null for an item without an action of its own.
    RunnerCommandRun Run = nullptr;
    bool AboutBox = false; // the window shows its about box, trapped under `Procedure`
    const char* Procedure = nullptr;
    std::optional<MenuGlyph> Glyph;
    // The flag of the menu state that enables it; null: always enabled.
    bool RunnerMenuState::*State = nullptr;
    // Its keyboard shortcut (menu items only), shown in the menu after a tab.
    Shortcut Keys;
    constexpr bool IsSeparator() const { return Caption == nullptr; }
};

// Every command, each menu's in its order.
std::span<const RunnerCommand> RunnerCommands();
// The row of a command identifier; null for none.
const RunnerCommand* FindRunnerCommand(int id);
// The command a key pressed in the main window runs now: the one whose shortcut it is, when
// the menu state enables it; 0 for none.
int RunnerShortcutCommand(Shortcut pressed, const RunnerMenuState& state);

} // namespace qm::win32
