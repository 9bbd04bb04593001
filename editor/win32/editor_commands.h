#pragma once
// The editor's commands as data: one row per command identifier, saying where it appears
// (menu, toolbar, a pop-up menu, a mapping button), its caption, picture, the flag of the
// command states that enables or shows it and what it runs.
// The menus, the toolbar, the pop-up menus, the mapping buttons and the routing of WM_COMMAND
// are all built from this table. No Win32 types: the rows are plain data.
#include "core/shortcut.h"
#include "editor/command_states.h"
#include "editor/win32/vantrel_ids.h"

#include <array>
#include <optional>
#include <span>

namespace qm {
class EditorController;
}

namespace qm::win32 {

// The toolbar's pictures, in the toolbar's order; the menu items show them too.
enum class ToolPicture {
    Open,
    New,
    Load,
    Close,
    Save,
    SaveAs,
    Clone,
    Delete,
    Icon,
    Joy,
    Run,
    Help
};
inline constexpr std::size_t kToolPictureCount = 12;

// Where a command appears: a menu of the menu bar (or the bar itself), the toolbar, the
// configuration list's pop-up, the mapping list's pop-up or the mapping buttons.
enum class CommandPlace {
    MenuBar,
    FileMenu,
    ToolsMenu,
    HelpMenu,
    Toolbar,
    FileListMenu,
    MappingMenu,
    MappingButton
};

// What the window does itself rather than the controller.
enum class WindowCommand { None, Close, About };

using EditorCommandRun = void (*)(EditorController&) noexcept;

// What a command does: a controller function, which traps its errors under the procedure name
// its error box shows, or the window's own command, trapped under `Procedure`.
struct CommandAction {
    EditorCommandRun Run = nullptr;
    WindowCommand Window = WindowCommand::None;
    const char* Procedure = nullptr;
};

struct EditorCommand {
    int Id = 0; // 0 with no caption: a separator (a toolbar group's end)
    CommandPlace Place = CommandPlace::MenuBar;
    // The menu item's text, the toolbar button's tooltip or the button's caption.
    const wchar_t* Caption = nullptr;
    // An item of the menu bar that opens one of its menus.
    std::optional<CommandPlace> Opens;
    CommandAction Action;
    std::optional<ToolPicture> Picture;
    // The flag that enables it (shows it, in the configuration list's pop-up); a menu item
    // without one follows only the menus' own state.
    bool FileCommandFlags::*File = nullptr;
    bool FileListMenuFlags::*List = nullptr;
    bool MappingCommandFlags::*Mapping = nullptr;
    // Its keyboard shortcuts (main menu items only); the menu shows the first after a tab.
    std::array<Shortcut, 2> Shortcuts{};
    constexpr bool IsSeparator() const { return Caption == nullptr; }
};

// Every command, each place's in its order.
std::span<const EditorCommand> EditorCommands();
// The row of a command identifier; null for none.
const EditorCommand* FindEditorCommand(int id);
// Whether the command states enable it (show it, in the configuration list's pop-up).
bool CommandEnabled(const EditorCommand& command, const EditorCommandStates& states);
// The command a key pressed in the main window runs now: the one whose shortcut it is, when
// the command states enable its item; 0 for none. Never while recording: every key is recorded.
int ShortcutCommand(Shortcut pressed, const EditorCommandStates& states);
// Whether the key is the shortcut of a command, enabled or not.
bool IsShortcut(Shortcut pressed);

} // namespace qm::win32
