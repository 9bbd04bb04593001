#pragma once
// The editor's commands as data, in the shape both programs' tables share (CommandRow): the
// menus, the toolbar, the pop-up menus, the mapping buttons and the routing of WM_COMMAND are
// all built from this table.
#include "core/shortcut.h"
#include "editor/command_states.h"
#include "editor/win32/vantrel_ids.h"
#include "ui/win32/command_table.h"

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
// configuration list's pop-up, the mapping list's pop-up (and its menus) or the mapping
// buttons.
enum class CommandPlace {
    MenuBar,
    FileMenu,
    ToolsMenu,
    ViewMenu,
    HelpMenu,
    Toolbar,
    FileListMenu,
    MappingMenu,
    MappingButton,
    // The mapping list's pop-up's own menus: "Copy to Layer", "Set Key Cell".
    CopyLayerMenu,
    KeyCellMenu
};

// The flag of the command states that enables a command (shows it, in the configuration
// list's pop-up), one member for each kind of place; a menu item without one follows only the
// menus' own state.
struct EditorCommandFlag {
    bool FileCommandFlags::*File = nullptr;
    bool FileListMenuFlags::*List = nullptr;
    bool MappingCommandFlags::*Mapping = nullptr;
};

using EditorCommand = CommandRow<EditorController, CommandPlace, ToolPicture, EditorCommandFlag>;

// Every command, each place's in its order.
std::span<const EditorCommand> EditorCommands();
// The row of a command identifier; null for none.
const EditorCommand* FindEditorCommand(int id);
// Whether the command states enable it (show it, in the configuration list's pop-up).
bool CommandEnabled(const EditorCommand& command, const EditorCommandStates& states);
// The command a key pressed in the main window runs now: the one whose shortcut it is, when
// the command states enable its item; 0 for none. Never while recording: every key is recorded.
int EditorShortcutCommand(Shortcut pressed, const EditorCommandStates& states);
// Whether the key is the shortcut of a command, enabled or not.
bool IsShortcut(Shortcut pressed);
// The layer a View menu item shows (none: all layers) and the layer a "Copy to Layer" item
// copies into; the View item that shows a layer.
std::optional<int> LayerOfViewItem(int id);
int LayerOfCopyItem(int id);
int ViewItemOfLayer(std::optional<int> layer);
// Whether a command is in the main menu (the bar or one of its menus).
constexpr bool InMainMenu(CommandPlace place) {
    return place == CommandPlace::MenuBar || place == CommandPlace::FileMenu ||
           place == CommandPlace::ToolsMenu || place == CommandPlace::ViewMenu ||
           place == CommandPlace::HelpMenu;
}
// Whether a command is in the mapping list's pop-up or one of its menus.
constexpr bool InMappingMenu(CommandPlace place) {
    return place == CommandPlace::MappingMenu || place == CommandPlace::CopyLayerMenu ||
           place == CommandPlace::KeyCellMenu;
}

} // namespace qm::win32
