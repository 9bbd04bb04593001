#include "editor/win32/editor_commands.h"

#include "editor/editor_controller.h"

#include <algorithm>
#include <iterator>

namespace qm::win32 {
namespace {

template <auto Command> void Call(EditorController& controller) noexcept {
    (controller.*Command)();
}
void LoadChosenFile(EditorController& controller) noexcept {
    controller.LoadConfigurationFile({});
}
void ShowContents(EditorController& controller) noexcept {
    controller.ShowGuide(GuideTopic::Contents);
}

using C = EditorController;
constexpr CommandAction kOpen{&Call<&C::OpenSelected>};
constexpr CommandAction kNew{&Call<&C::NewConfiguration>};
constexpr CommandAction kLoad{&LoadChosenFile};
constexpr CommandAction kClose{&Call<&C::CloseSelected>};
constexpr CommandAction kSave{&Call<&C::Save>};
constexpr CommandAction kSaveAs{&Call<&C::SaveAs>};
constexpr CommandAction kClone{&Call<&C::CloneSelected>};
constexpr CommandAction kDelete{&Call<&C::DeleteSelected>};
constexpr CommandAction kIcon{&Call<&C::ChangeIcon>};
constexpr CommandAction kRefresh{&Call<&C::RefreshDevices>};
constexpr CommandAction kRun{&Call<&C::RunSelected>};
constexpr CommandAction kHelp{&Call<&C::ShowHelp>};
constexpr CommandAction kContents{&ShowContents};
// As the close box: the quit question first.
constexpr CommandAction kExit{nullptr, WindowCommand::Close};
constexpr CommandAction kOptions{&Call<&C::EditPreferences>};
constexpr CommandAction kAbout{nullptr, WindowCommand::About, "MNabout_Click"};
constexpr CommandAction kRecord{&Call<&C::ToggleRecording>};
constexpr CommandAction kClearRow{&Call<&C::ClearRow>};
constexpr CommandAction kClearItem{&Call<&C::ClearKeyCell>};
constexpr CommandAction kTest{&Call<&C::ToggleTest>};
constexpr CommandAction kRemove{&Call<&C::RemoveInactiveAndDuplicateRows>};
constexpr CommandAction kAdd{&Call<&C::AddMissingRows>};
constexpr CommandAction kReplace{&Call<&C::ReplaceDevice>};

using P = CommandPlace;
using T = ToolPicture;
using F = FileCommandFlags;
using L = FileListMenuFlags;
using M = MappingCommandFlags;
using E = EditorCommand;

// The rows' kinds: an item of a menu or the toolbar, of the configuration list's pop-up, a
// mapping command, a separator (shown by a flag in the pop-up), an item of the bar that opens
// a menu.
constexpr E Item(int id, P place, const wchar_t* caption, CommandAction action,
                 std::optional<ToolPicture> picture, bool F::*flag) {
    E row;
    row.Id = id;
    row.Place = place;
    row.Caption = caption;
    row.Action = action;
    row.Picture = picture;
    row.File = flag;
    return row;
}
constexpr E ListItem(int id, const wchar_t* caption, CommandAction action, ToolPicture picture,
                     bool L::*flag) {
    E row = Item(id, P::FileListMenu, caption, action, picture, nullptr);
    row.List = flag;
    return row;
}
constexpr E MappingItem(int id, P place, const wchar_t* caption, CommandAction action,
                        bool M::*flag) {
    E row = Item(id, place, caption, action, std::nullopt, nullptr);
    row.Mapping = flag;
    return row;
}
constexpr E Separator(P place, bool L::*shown = nullptr) {
    E row;
    row.Place = place;
    row.List = shown;
    return row;
}
constexpr E Keys(E row, Shortcut first, Shortcut second = {}) {
    row.Shortcuts = {first, second};
    return row;
}
constexpr E Opener(const wchar_t* caption, P opens) {
    E row;
    row.Caption = caption;
    row.Opens = opens;
    return row;
}

constexpr EditorCommand kCommands[] = {
    Opener(L"&File", P::FileMenu),
    Opener(L"&Tools", P::ToolsMenu),
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

constexpr bool InMainMenu(P place) {
    return place == P::FileMenu || place == P::ToolsMenu || place == P::HelpMenu;
}

// A command the routing finds by its identifier has one row, a shortcut one command, shown in
// its main menu item; a row the states enable names the flag of its place (a missing one would
// be followed as a null member).
constexpr bool RowsSound() {
    for (auto a = std::begin(kCommands); a != std::end(kCommands); ++a) {
        if (a->Id != 0 && std::any_of(std::next(a), std::end(kCommands),
                                      [&](const EditorCommand& b) { return b.Id == a->Id; }))
            return false;
        for (const Shortcut& key : a->Shortcuts) {
            if (key && (!InMainMenu(a->Place) || a->Id == 0))
                return false;
            if (key && std::any_of(std::next(a), std::end(kCommands), [&](const EditorCommand& b) {
                    return b.Shortcuts[0] == key || b.Shortcuts[1] == key;
                }))
                return false;
        }
        if (a->Shortcuts[0] == a->Shortcuts[1] && a->Shortcuts[0])
            return false;
        switch (a->Place) {
        case P::Toolbar:
            if (!a->IsSeparator() && a->File == nullptr)
                return false;
            break;
        case P::FileListMenu:
            if (a->List == nullptr)
                return false;
            break;
        case P::MappingMenu:
        case P::MappingButton:
            if (!a->IsSeparator() && a->Mapping == nullptr)
                return false;
            break;
        default:
            if (a->List != nullptr || a->Mapping != nullptr)
                return false;
            break;
        }
    }
    return true;
}
static_assert(RowsSound());

} // namespace

std::span<const EditorCommand> EditorCommands() {
    return kCommands;
}

const EditorCommand* FindEditorCommand(int id) {
    if (id == 0)
        return nullptr;
    const auto found =
        std::find_if(std::begin(kCommands), std::end(kCommands),
                     [id](const EditorCommand& command) { return command.Id == id; });
    return found != std::end(kCommands) ? found : nullptr;
}

bool CommandEnabled(const EditorCommand& command, const EditorCommandStates& states) {
    switch (command.Place) {
    case P::Toolbar:
        return states.Toolbar.*command.File;
    case P::FileListMenu:
        return states.FileListMenuEnabled && states.FileListMenu.*command.List;
    case P::MappingMenu:
        return states.MappingMenuEnabled && states.MappingMenu.*command.Mapping;
    case P::MappingButton:
        return states.Buttons.*command.Mapping;
    default:
        return states.MenusEnabled && (command.File == nullptr || states.Menu.*command.File);
    }
}

bool IsShortcut(Shortcut pressed) {
    return pressed && std::any_of(std::begin(kCommands), std::end(kCommands),
                                  [&](const EditorCommand& command) {
                                      return command.Shortcuts[0] == pressed ||
                                             command.Shortcuts[1] == pressed;
                                  });
}

int ShortcutCommand(Shortcut pressed, const EditorCommandStates& states) {
    if (states.Recording || !pressed)
        return 0;
    for (const EditorCommand& command : kCommands)
        for (const Shortcut& key : command.Shortcuts)
            if (key == pressed)
                return CommandEnabled(command, states) ? command.Id : 0;
    return 0;
}

} // namespace qm::win32
