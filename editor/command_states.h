#pragma once
// Which of the editor's commands are available: the toolbar, the main menu, the file list's
// context menu, the seven mapping buttons and the mapping list's context menu, computed from
// the editor's state after every command. The window only applies the result.
#include <array>
#include <optional>

namespace qm {

// The file and program commands, as the toolbar and the main menu offer them.
struct FileCommandFlags {
    bool Open = false, New = false, Load = false, Close = false, Save = false, SaveAs = false,
         Clone = false, Delete = false, Icon = false, Refresh = false, Run = false, Help = false;
    bool operator==(const FileCommandFlags&) const = default;
};

// The file list's context menu: which items and separators are shown.
struct FileListMenuFlags {
    bool Open = false, Close = false, Separator1 = false, New = false, Load = false,
         Separator2 = false, Save = false, SaveAs = false, Separator3 = false, Clone = false,
         Delete = false, Separator4 = false, Icon = false;
    bool operator==(const FileListMenuFlags&) const = default;
};

// The mapping buttons, and the items of the mapping list's context menu that run them.
struct MappingCommandFlags {
    bool Record = false, ClearRow = false, ClearItem = false, Test = false, Remove = false,
         Add = false, Replace = false;
    // Rows for the diagonals of the chosen row's hat (some missing), a band of its axis.
    bool AddDiagonals = false, AddBand = false;
    // The chosen row copied into a layer (CopyLayers says which); a layer or pointer name put
    // into the chosen key cell.
    bool CopyToLayer = false, SetKeyCell = false;
    bool operator==(const MappingCommandFlags&) const = default;
};

struct EditorCommandStates {
    FileCommandFlags Toolbar;       // enabled
    FileCommandFlags Menu;          // enabled (Help, Refresh: the Help and Tools items)
    bool MenusEnabled = true;       // the four top-level menus
    FileListMenuFlags FileListMenu; // shown
    bool FileListMenuEnabled = true;
    MappingCommandFlags Buttons;     // enabled
    MappingCommandFlags MappingMenu; // enabled
    bool MappingMenuEnabled = true;
    // The chosen row can be copied into layer n (1 to 7; 0 is never set).
    std::array<bool, 8> CopyLayers{};
    // The recording and testing flags: the buttons' pictures ("rec_on"/"rec_off",
    // "test_on"/"test_off") and the captions of the context menu's first and fourth items.
    bool Recording = false;
    bool Testing = false;
    bool operator==(const EditorCommandStates&) const = default;
};

// What the command states depend on.
struct EditorCommandInput {
    int EntryCount = 0;               // entries in the configuration list
    std::optional<int> SelectedState; // FileState of the selected entry; none when none is
    bool ConfigurationShown = false;  // the first tab is not the placeholder
    bool Recording = false;
    bool Testing = false;
    bool DevicesAttached = false; // at least one input device
    // The chosen row (pressed, else selected) reads a hat with a diagonal missing; an axis.
    bool HatRowMissingDiagonals = false;
    bool AxisRow = false;
    // A row is chosen; bit n: it can be copied into layer n.
    bool RowChosen = false;
    unsigned CopyLayers = 0;
    // A key column is chosen.
    bool KeyColumnChosen = false;
};

// The states the window is designed with: every file command available, the mapping buttons
// not (nothing is shown yet), neither recording nor testing. What the first computation keeps
// where it sets nothing.
EditorCommandStates DesignedCommandStates();

// The states after a command, from the states before it (some entries keep their value in some
// states) and the editor's state.
EditorCommandStates NextCommandStates(const EditorCommandStates& before,
                                      const EditorCommandInput& input);

// Captions of the mapping list's context menu items that change with the mode.
inline const char* RecordItemCaption(bool recording) {
    return recording ? "Stop Recording" : "Record Key Mappings";
}
inline const char* TestItemCaption(bool testing) {
    return testing ? "Stop Testing" : "Test Key Mappings";
}

} // namespace qm
