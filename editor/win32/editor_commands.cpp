#include "editor/win32/editor_commands.h"

#include "core/control.h"
#include "editor/editor_controller.h"

#include <string>

namespace qm::win32 {
namespace {

template <auto Command> void Call(EditorController& controller, const EditorCommand&) noexcept {
    (controller.*Command)();
}
void LoadChosenFile(EditorController& controller, const EditorCommand&) noexcept {
    controller.LoadConfigurationFile({});
}
void ShowContents(EditorController& controller, const EditorCommand&) noexcept {
    controller.ShowGuide(GuideTopic::Contents);
}

using C = EditorController;
using Action = CommandAction<EditorCommand::RunFunction>;
constexpr Action kOpen{&Call<&C::OpenSelected>};
constexpr Action kNew{&Call<&C::NewConfiguration>};
constexpr Action kLoad{&LoadChosenFile};
constexpr Action kClose{&Call<&C::CloseSelected>};
constexpr Action kSave{&Call<&C::Save>};
constexpr Action kSaveAs{&Call<&C::SaveAs>};
constexpr Action kClone{&Call<&C::CloneSelected>};
constexpr Action kDelete{&Call<&C::DeleteSelected>};
constexpr Action kIcon{&Call<&C::ChangeIcon>};
constexpr Action kRefresh{&Call<&C::RefreshDevices>};
constexpr Action kRun{&Call<&C::RunSelected>};
constexpr Action kHelp{&Call<&C::ShowHelp>};
constexpr Action kContents{&ShowContents};
// As the close box: the quit question first.
constexpr Action kExit{nullptr, WindowCommand::Close};
constexpr Action kOptions{&Call<&C::EditPreferences>};
constexpr Action kAbout{nullptr, WindowCommand::About, "MNabout_Click"};
constexpr Action kRecord{&Call<&C::ToggleRecording>};
constexpr Action kClearRow{&Call<&C::ClearRow>};
constexpr Action kClearItem{&Call<&C::ClearKeyCell>};
constexpr Action kTest{&Call<&C::ToggleTest>};
constexpr Action kRemove{&Call<&C::RemoveInactiveAndDuplicateRows>};
constexpr Action kAdd{&Call<&C::AddMissingRows>};
constexpr Action kReplace{&Call<&C::ReplaceDevice>};
constexpr Action kDiagonals{&Call<&C::AddHatDiagonals>};
constexpr Action kBand{&Call<&C::AddAxisBand>};

void ShowLayerOfItem(EditorController& controller, const EditorCommand& row) noexcept {
    controller.ShowLayer(LayerOfViewItem(row.Id));
}
void CopyToLayerOfItem(EditorController& controller, const EditorCommand& row) noexcept {
    controller.CopyToLayer(LayerOfCopyItem(row.Id));
}
// A "Set Key Cell" item's caption is the name it puts in the cell.
void SetKeyCellOfItem(EditorController& controller, const EditorCommand& row) noexcept {
    std::string name;
    for (const wchar_t* c = row.Caption; *c != L'\0'; ++c)
        if (*c != L'&')
            name.push_back(static_cast<char>(*c));
    controller.SetKeyCellName(name);
}
constexpr Action kShowLayer{&ShowLayerOfItem};
constexpr Action kCopyToLayer{&CopyToLayerOfItem};
constexpr Action kSetKeyCell{&SetKeyCellOfItem};

using P = CommandPlace;
using T = ToolPicture;
using F = FileCommandFlags;
using L = FileListMenuFlags;
using M = MappingCommandFlags;
using E = EditorCommand;

// The rows' kinds: an item of a menu or the toolbar, of the configuration list's pop-up, a
// mapping command, a separator (shown by a flag in the pop-up), an item of the bar that opens
// a menu.
constexpr E Item(int id, P place, const wchar_t* caption, Action action,
                 std::optional<ToolPicture> picture, bool F::*flag) {
    E row;
    row.Id = id;
    row.Place = place;
    row.Caption = caption;
    row.Action = action;
    row.Picture = picture;
    row.Enabled.File = flag;
    return row;
}
constexpr E ListItem(int id, const wchar_t* caption, Action action, ToolPicture picture,
                     bool L::*flag) {
    E row = Item(id, P::FileListMenu, caption, action, picture, nullptr);
    row.Enabled.List = flag;
    return row;
}
constexpr E MappingItem(int id, P place, const wchar_t* caption, Action action, bool M::*flag) {
    E row = Item(id, place, caption, action, std::nullopt, nullptr);
    row.Enabled.Mapping = flag;
    return row;
}
constexpr E Separator(P place, bool L::*shown = nullptr) {
    E row;
    row.Place = place;
    row.Enabled.List = shown;
    return row;
}
constexpr E Keys(E row, Shortcut first, Shortcut second = {}) {
    row.Shortcuts = {first, second};
    return row;
}
constexpr E Opener(const wchar_t* caption, P opens, P place = P::MenuBar, bool M::*flag = nullptr) {
    E row;
    row.Caption = caption;
    row.Opens = opens;
    row.Place = place;
    row.Enabled.Mapping = flag;
    return row;
}

constexpr EditorCommand kCommands[] = {
    Opener(L"&File", P::FileMenu),
    Opener(L"&Tools", P::ToolsMenu),
    Opener(L"&View", P::ViewMenu),
    Item(IDM_OPTIONS, P::MenuBar, L"&Options", kOptions, {}, nullptr),
    Opener(L"&Help", P::HelpMenu),

    Item(IDM_OPEN, P::FileMenu, L" &Open", kOpen, T::Open, &F::Open),
    Keys(Item(IDM_NEW, P::FileMenu, L" &New", kNew, T::New, &F::New), CtrlKey('N')),
    Keys(Item(IDM_LOAD, P::FileMenu, L" &Load...", kLoad, T::Load, &F::Load), CtrlKey('O')),
    Keys(Item(IDM_CLOSE, P::FileMenu, L" &Close", kClose, T::Close, &F::Close), CtrlKey('W'),
         CtrlKey(kVkF4)),
    Separator(P::FileMenu),
    Keys(Item(IDM_SAVE, P::FileMenu, L" &Save", kSave, T::Save, &F::Save), CtrlKey('S')),
    Keys(Item(IDM_SAVEAS, P::FileMenu, L" S&ave As...", kSaveAs, T::SaveAs, &F::SaveAs),
         CtrlShiftKey('S')),
    Separator(P::FileMenu),
    Item(IDM_EXIT, P::FileMenu, L" &Exit", kExit, {}, nullptr),

    Item(IDM_CLONE, P::ToolsMenu, L" &Clone", kClone, T::Clone, &F::Clone),
    Item(IDM_DELETE, P::ToolsMenu, L" &Delete", kDelete, T::Delete, &F::Delete),
    Separator(P::ToolsMenu),
    Item(IDM_ICON, P::ToolsMenu, L" Change &Icon...", kIcon, T::Icon, &F::Icon),
    Keys(Item(IDM_JOY, P::ToolsMenu, L" Refresh Device &List", kRefresh, T::Joy, &F::Refresh),
         Shortcut{kVkF5}),
    Item(IDM_RUN, P::ToolsMenu, L" &Run", kRun, T::Run, &F::Run),

    // One of them is checked: the layer the mapping list shows.
    Item(IDM_VIEW_ALL_LAYERS, P::ViewMenu, L" &All Layers", kShowLayer, {}, nullptr),
    Separator(P::ViewMenu),
    Item(IDM_VIEW_LAYER_BASE, P::ViewMenu, L" &Base Layer", kShowLayer, {}, nullptr),
    Item(IDM_VIEW_LAYER_BASE + 1, P::ViewMenu, L" Layer &1", kShowLayer, {}, nullptr),
    Item(IDM_VIEW_LAYER_BASE + 2, P::ViewMenu, L" Layer &2", kShowLayer, {}, nullptr),
    Item(IDM_VIEW_LAYER_BASE + 3, P::ViewMenu, L" Layer &3", kShowLayer, {}, nullptr),
    Item(IDM_VIEW_LAYER_BASE + 4, P::ViewMenu, L" Layer &4", kShowLayer, {}, nullptr),
    Item(IDM_VIEW_LAYER_BASE + 5, P::ViewMenu, L" Layer &5", kShowLayer, {}, nullptr),
    Item(IDM_VIEW_LAYER_BASE + 6, P::ViewMenu, L" Layer &6", kShowLayer, {}, nullptr),
    Item(IDM_VIEW_LAYER_BASE + 7, P::ViewMenu, L" Layer &7", kShowLayer, {}, nullptr),

    Keys(Item(IDM_CONTENTS, P::HelpMenu, L" &Contents...", kContents, T::Help, &F::Help),
         Shortcut{kVkF1}),
    Separator(P::HelpMenu),
    Item(IDM_ABOUT, P::HelpMenu, L" &About", kAbout, {}, &F::Help),

    // Each button's text is its tooltip; a separator ends a group.
    Item(IDT_OPEN, P::Toolbar, L"Open selected configuration", kOpen, T::Open, &F::Open),
    Item(IDT_NEW, P::Toolbar, L"Create a new configuration", kNew, T::New, &F::New),
    Item(IDT_LOAD, P::Toolbar, L"Load a configuration file", kLoad, T::Load, &F::Load),
    Item(IDT_CLOSE, P::Toolbar, L"Close Selected File", kClose, T::Close, &F::Close),
    Separator(P::Toolbar),
    Item(IDT_SAVE, P::Toolbar, L"Save", kSave, T::Save, &F::Save),
    Item(IDT_SAVEAS, P::Toolbar, L"Save as...", kSaveAs, T::SaveAs, &F::SaveAs),
    Separator(P::Toolbar),
    Item(IDT_CLONE, P::Toolbar, L"Clone selected configuration", kClone, T::Clone, &F::Clone),
    Item(IDT_DELETE, P::Toolbar, L"Delete selected configuration", kDelete, T::Delete, &F::Delete),
    Item(IDT_ICON, P::Toolbar, L"Change associated icon", kIcon, T::Icon, &F::Icon),
    Separator(P::Toolbar),
    Item(IDT_JOY, P::Toolbar, L"Refresh input device list", kRefresh, T::Joy, &F::Refresh),
    Item(IDT_RUN, P::Toolbar, L"Run configuration in Corvex", kRun, T::Run, &F::Run),
    Separator(P::Toolbar),
    Item(IDT_HELP, P::Toolbar, L"Help", kHelp, T::Help, &F::Help),

    // Items and separators the states hide are left out of the shown menu.
    ListItem(IDP_OPEN, L" Open", kOpen, T::Open, &L::Open),
    ListItem(IDP_CLOSE, L" Close", kClose, T::Close, &L::Close),
    Separator(P::FileListMenu, &L::Separator1),
    ListItem(IDP_NEW, L" Create New", kNew, T::New, &L::New),
    ListItem(IDP_LOAD, L" Load...", kLoad, T::Load, &L::Load),
    Separator(P::FileListMenu, &L::Separator2),
    ListItem(IDP_SAVE, L" Save", kSave, T::Save, &L::Save),
    ListItem(IDP_SAVEAS, L" Save As...", kSaveAs, T::SaveAs, &L::SaveAs),
    Separator(P::FileListMenu, &L::Separator3),
    ListItem(IDP_CLONE, L" Clone", kClone, T::Clone, &L::Clone),
    ListItem(IDP_DELETE, L" Delete", kDelete, T::Delete, &L::Delete),
    Separator(P::FileListMenu, &L::Separator4),
    ListItem(IDP_ICON, L" Change Icon", kIcon, T::Icon, &L::Icon),

    // The first and fourth captions change with the mode (RecordItemCaption, TestItemCaption).
    MappingItem(IDP_MAPPING_RECORD, P::MappingMenu, L"Record Key Mappings", kRecord, &M::Record),
    MappingItem(IDP_MAPPING_CLEAR_ROW, P::MappingMenu, L"Clear Entire Row", kClearRow,
                &M::ClearRow),
    MappingItem(IDP_MAPPING_CLEAR_ITEM, P::MappingMenu, L"Clear Selected Item", kClearItem,
                &M::ClearItem),
    MappingItem(IDP_MAPPING_TEST, P::MappingMenu, L"Test Key Mappings", kTest, &M::Test),
    Separator(P::MappingMenu),
    MappingItem(IDP_MAPPING_REMOVE, P::MappingMenu, L"Remove Items", kRemove, &M::Remove),
    MappingItem(IDP_MAPPING_ADD, P::MappingMenu, L"Add Devices", kAdd, &M::Add),
    MappingItem(IDP_MAPPING_REPLACE, P::MappingMenu, L"Replace Device", kReplace, &M::Replace),
    // Rows a hat or an axis may have beside those a new list gives it.
    Separator(P::MappingMenu),
    MappingItem(IDP_MAPPING_DIAGONALS, P::MappingMenu, L"Add Hat Diagonals", kDiagonals,
                &M::AddDiagonals),
    MappingItem(IDP_MAPPING_BAND, P::MappingMenu, L"Add Axis Band", kBand, &M::AddBand),
    // Shift layers: the chosen row copied into a layer (an item greyed where its control has a
    // row already: CopyLayers), a layer or pointer name put into the chosen key cell.
    Separator(P::MappingMenu),
    Opener(L"Copy to Layer", P::CopyLayerMenu, P::MappingMenu, &M::CopyToLayer),
    Opener(L"Set Key Cell", P::KeyCellMenu, P::MappingMenu, &M::SetKeyCell),
    MappingItem(IDP_MAPPING_COPY_LAYER + 1, P::CopyLayerMenu, L"Layer 1", kCopyToLayer,
                &M::CopyToLayer),
    MappingItem(IDP_MAPPING_COPY_LAYER + 2, P::CopyLayerMenu, L"Layer 2", kCopyToLayer,
                &M::CopyToLayer),
    MappingItem(IDP_MAPPING_COPY_LAYER + 3, P::CopyLayerMenu, L"Layer 3", kCopyToLayer,
                &M::CopyToLayer),
    MappingItem(IDP_MAPPING_COPY_LAYER + 4, P::CopyLayerMenu, L"Layer 4", kCopyToLayer,
                &M::CopyToLayer),
    MappingItem(IDP_MAPPING_COPY_LAYER + 5, P::CopyLayerMenu, L"Layer 5", kCopyToLayer,
                &M::CopyToLayer),
    MappingItem(IDP_MAPPING_COPY_LAYER + 6, P::CopyLayerMenu, L"Layer 6", kCopyToLayer,
                &M::CopyToLayer),
    MappingItem(IDP_MAPPING_COPY_LAYER + 7, P::CopyLayerMenu, L"Layer 7", kCopyToLayer,
                &M::CopyToLayer),
    MappingItem(IDP_MAPPING_SET_LAYER + 1, P::KeyCellMenu, L"LAYER 1", kSetKeyCell, &M::SetKeyCell),
    MappingItem(IDP_MAPPING_SET_LAYER + 2, P::KeyCellMenu, L"LAYER 2", kSetKeyCell, &M::SetKeyCell),
    MappingItem(IDP_MAPPING_SET_LAYER + 3, P::KeyCellMenu, L"LAYER 3", kSetKeyCell, &M::SetKeyCell),
    MappingItem(IDP_MAPPING_SET_LAYER + 4, P::KeyCellMenu, L"LAYER 4", kSetKeyCell, &M::SetKeyCell),
    MappingItem(IDP_MAPPING_SET_LAYER + 5, P::KeyCellMenu, L"LAYER 5", kSetKeyCell, &M::SetKeyCell),
    MappingItem(IDP_MAPPING_SET_LAYER + 6, P::KeyCellMenu, L"LAYER 6", kSetKeyCell, &M::SetKeyCell),
    MappingItem(IDP_MAPPING_SET_LAYER + 7, P::KeyCellMenu, L"LAYER 7", kSetKeyCell, &M::SetKeyCell),
    Separator(P::KeyCellMenu),
    MappingItem(IDP_MAPPING_SET_POINTER, P::KeyCellMenu, L"POINTER UP", kSetKeyCell,
                &M::SetKeyCell),
    MappingItem(IDP_MAPPING_SET_POINTER + 1, P::KeyCellMenu, L"POINTER DOWN", kSetKeyCell,
                &M::SetKeyCell),
    MappingItem(IDP_MAPPING_SET_POINTER + 2, P::KeyCellMenu, L"POINTER LEFT", kSetKeyCell,
                &M::SetKeyCell),
    MappingItem(IDP_MAPPING_SET_POINTER + 3, P::KeyCellMenu, L"POINTER RIGHT", kSetKeyCell,
                &M::SetKeyCell),

    // In the order of the buttons: two rows of four, Record first and Test fourth. Their
    // access keys differ from each other and from the menu bar's.
    MappingItem(IDC_RECORD, P::MappingButton, L"&Record", kRecord, &M::Record),
    MappingItem(IDC_CLEAR_ROW, P::MappingButton, L"&Clear Row", kClearRow, &M::ClearRow),
    MappingItem(IDC_CLEAR_ITEM, P::MappingButton, L"Clear &Item", kClearItem, &M::ClearItem),
    MappingItem(IDC_TEST, P::MappingButton, L"T&est", kTest, &M::Test),
    MappingItem(IDC_REMOVE, P::MappingButton, L"Re&move", kRemove, &M::Remove),
    MappingItem(IDC_ADD, P::MappingButton, L"&Add", kAdd, &M::Add),
    MappingItem(IDC_REPLACE, P::MappingButton, L"Re&place", kReplace, &M::Replace),
};

// The menus whose items show their shortcut.
constexpr bool ShowsShortcuts(P place) {
    return place == P::FileMenu || place == P::ToolsMenu || place == P::ViewMenu ||
           place == P::HelpMenu;
}

// Beside the rows' common soundness: a row the states enable names the flag of its place (a
// missing one would be followed as a null member).
constexpr bool FlagsSound() {
    for (const EditorCommand& row : kCommands) {
        const EditorCommandFlag& flag = row.Enabled;
        switch (row.Place) {
        case P::Toolbar:
            if (!row.IsSeparator() && flag.File == nullptr)
                return false;
            break;
        case P::FileListMenu:
            if (flag.List == nullptr)
                return false;
            break;
        case P::MappingMenu:
        case P::MappingButton:
        case P::CopyLayerMenu:
        case P::KeyCellMenu:
            if (!row.IsSeparator() && flag.Mapping == nullptr)
                return false;
            break;
        default:
            if (flag.List != nullptr || flag.Mapping != nullptr)
                return false;
            break;
        }
    }
    return true;
}
static_assert(RowsSound(std::span<const EditorCommand>(kCommands), ShowsShortcuts));
static_assert(FlagsSound());

} // namespace

std::span<const EditorCommand> EditorCommands() {
    return kCommands;
}

const EditorCommand* FindEditorCommand(int id) {
    return FindCommand(EditorCommands(), id);
}

bool CommandEnabled(const EditorCommand& command, const EditorCommandStates& states) {
    const EditorCommandFlag& flag = command.Enabled;
    switch (command.Place) {
    case P::Toolbar:
        return states.Toolbar.*flag.File;
    case P::FileListMenu:
        return states.FileListMenuEnabled && states.FileListMenu.*flag.List;
    case P::MappingMenu:
    case P::KeyCellMenu:
        return states.MappingMenuEnabled && states.MappingMenu.*flag.Mapping;
    case P::CopyLayerMenu:
        return states.MappingMenuEnabled && states.MappingMenu.*flag.Mapping &&
               states.CopyLayers[static_cast<std::size_t>(LayerOfCopyItem(command.Id))];
    case P::MappingButton:
        return states.Buttons.*flag.Mapping;
    default:
        return states.MenusEnabled && (flag.File == nullptr || states.Menu.*flag.File);
    }
}

std::optional<int> LayerOfViewItem(int id) {
    if (id > IDM_VIEW_LAYER_BASE && id <= IDM_VIEW_LAYER_BASE + kMaxLayer)
        return id - IDM_VIEW_LAYER_BASE;
    return id == IDM_VIEW_LAYER_BASE ? std::optional(0) : std::nullopt;
}

int LayerOfCopyItem(int id) {
    return id - IDP_MAPPING_COPY_LAYER;
}

int ViewItemOfLayer(std::optional<int> layer) {
    return layer ? IDM_VIEW_LAYER_BASE + *layer : IDM_VIEW_ALL_LAYERS;
}

bool IsShortcut(Shortcut pressed) {
    return IsShortcutOf(EditorCommands(), pressed);
}

int EditorShortcutCommand(Shortcut pressed, const EditorCommandStates& states) {
    if (states.Recording)
        return 0;
    return CommandOfShortcut(EditorCommands(), pressed, [&](const EditorCommand& command) {
        return CommandEnabled(command, states);
    });
}

} // namespace qm::win32
