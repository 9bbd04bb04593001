// The main window's commands: the menus, the toolbar's buttons, the two pop-up menus, which of
// them are enabled, and where each goes.
#include "editor/win32/main_window.h"

#include "core/error_trap.h"
#include "core/win32/win32_text.h"
#include "editor/editor_controller.h"
#include "editor/win32/vantrel_card.h"
#include "editor/win32/vantrel_ids.h"

#include <span>
#include <stdexcept>

namespace qm::win32 {
namespace {

// The toolbar's buttons: id, tooltip (the button's text), and the group it ends.
struct ToolButton {
    int Id;
    const wchar_t* Tooltip;
    bool EndsGroup;
};
constexpr ToolButton kToolButtons[kToolPictureCount] = {
    {IDT_OPEN, L"Open selected configuration", false},
    {IDT_NEW, L"Create a new configuration", false},
    {IDT_LOAD, L"Load a configuration file", false},
    {IDT_CLOSE, L"Close Selected File", true},
    {IDT_SAVE, L"Save", false},
    {IDT_SAVEAS, L"Save as...", true},
    {IDT_CLONE, L"Clone selected configuration", false},
    {IDT_DELETE, L"Delete selected configuration", false},
    {IDT_ICON, L"Change associated icon", true},
    {IDT_JOY, L"Refresh input device list", false},
    {IDT_RUN, L"Run configuration in Corvex", true},
    {IDT_HELP, L"Help", false}};

// Which flag of a command-flags struct each toolbar button and main-menu item follows.
using FileFlag = bool FileCommandFlags::*;
struct FileCommand {
    int ToolId;
    int MenuId; // 0: no main-menu item
    FileFlag Flag;
    ToolPicture Picture;
};
constexpr FileCommand kFileCommands[] = {
    {IDT_OPEN, IDM_OPEN, &FileCommandFlags::Open, ToolPicture::Open},
    {IDT_NEW, IDM_NEW, &FileCommandFlags::New, ToolPicture::New},
    {IDT_LOAD, IDM_LOAD, &FileCommandFlags::Load, ToolPicture::Load},
    {IDT_CLOSE, IDM_CLOSE, &FileCommandFlags::Close, ToolPicture::Close},
    {IDT_SAVE, IDM_SAVE, &FileCommandFlags::Save, ToolPicture::Save},
    {IDT_SAVEAS, IDM_SAVEAS, &FileCommandFlags::SaveAs, ToolPicture::SaveAs},
    {IDT_CLONE, IDM_CLONE, &FileCommandFlags::Clone, ToolPicture::Clone},
    {IDT_DELETE, IDM_DELETE, &FileCommandFlags::Delete, ToolPicture::Delete},
    {IDT_ICON, IDM_ICON, &FileCommandFlags::Icon, ToolPicture::Icon},
    {IDT_JOY, IDM_JOY, &FileCommandFlags::Refresh, ToolPicture::Joy},
    {IDT_RUN, IDM_RUN, &FileCommandFlags::Run, ToolPicture::Run},
    {IDT_HELP, IDM_CONTENTS, &FileCommandFlags::Help, ToolPicture::Help}};

// The configuration list's pop-up: items in order, each with the flag that shows it; a null
// caption is a separator.
using ListFlag = bool FileListMenuFlags::*;
struct ListMenuItem {
    int Id;
    const wchar_t* Caption;
    ListFlag Flag;
    ToolPicture Picture;
};
constexpr ListMenuItem kFileListMenu[] = {
    {IDP_OPEN, L" Open", &FileListMenuFlags::Open, ToolPicture::Open},
    {IDP_CLOSE, L" Close", &FileListMenuFlags::Close, ToolPicture::Close},
    {0, nullptr, &FileListMenuFlags::Separator1, ToolPicture::Open},
    {IDP_NEW, L" Create New", &FileListMenuFlags::New, ToolPicture::New},
    {IDP_LOAD, L" Load...", &FileListMenuFlags::Load, ToolPicture::Load},
    {0, nullptr, &FileListMenuFlags::Separator2, ToolPicture::Open},
    {IDP_SAVE, L" Save", &FileListMenuFlags::Save, ToolPicture::Save},
    {IDP_SAVEAS, L" Save As...", &FileListMenuFlags::SaveAs, ToolPicture::SaveAs},
    {0, nullptr, &FileListMenuFlags::Separator3, ToolPicture::Open},
    {IDP_CLONE, L" Clone", &FileListMenuFlags::Clone, ToolPicture::Clone},
    {IDP_DELETE, L" Delete", &FileListMenuFlags::Delete, ToolPicture::Delete},
    {0, nullptr, &FileListMenuFlags::Separator4, ToolPicture::Open},
    {IDP_ICON, L" Change Icon", &FileListMenuFlags::Icon, ToolPicture::Icon}};

// The mapping list's pop-up, after its first item (the caption changes with the mode).
using MappingFlag = bool MappingCommandFlags::*;
struct MappingMenuItem {
    int Id;
    MappingFlag Flag;
};
constexpr MappingMenuItem kMappingMenu[] = {
    {IDP_MAPPING_RECORD, &MappingCommandFlags::Record},
    {IDP_MAPPING_CLEAR_ROW, &MappingCommandFlags::ClearRow},
    {IDP_MAPPING_CLEAR_ITEM, &MappingCommandFlags::ClearItem},
    {IDP_MAPPING_TEST, &MappingCommandFlags::Test},
    {IDP_MAPPING_REMOVE, &MappingCommandFlags::Remove},
    {IDP_MAPPING_ADD, &MappingCommandFlags::Add},
    {IDP_MAPPING_REPLACE, &MappingCommandFlags::Replace}};
// The mapping buttons' flags, in the order of the buttons.
constexpr MappingFlag kButtonFlags[] = {
    &MappingCommandFlags::Record, &MappingCommandFlags::ClearRow, &MappingCommandFlags::ClearItem,
    &MappingCommandFlags::Test,   &MappingCommandFlags::Remove,   &MappingCommandFlags::Add,
    &MappingCommandFlags::Replace};

// The file commands the controller runs as they are.
using ControllerCommand = void (EditorController::*)() noexcept;
struct RoutedCommand {
    int Id;
    ControllerCommand Command;
};
constexpr RoutedCommand kRoutedCommands[] = {{IDM_OPEN, &EditorController::OpenSelected},
                                             {IDT_OPEN, &EditorController::OpenSelected},
                                             {IDP_OPEN, &EditorController::OpenSelected},
                                             {IDM_NEW, &EditorController::NewConfiguration},
                                             {IDT_NEW, &EditorController::NewConfiguration},
                                             {IDP_NEW, &EditorController::NewConfiguration},
                                             {IDM_CLOSE, &EditorController::CloseSelected},
                                             {IDT_CLOSE, &EditorController::CloseSelected},
                                             {IDP_CLOSE, &EditorController::CloseSelected},
                                             {IDM_SAVE, &EditorController::Save},
                                             {IDT_SAVE, &EditorController::Save},
                                             {IDP_SAVE, &EditorController::Save},
                                             {IDM_SAVEAS, &EditorController::SaveAs},
                                             {IDT_SAVEAS, &EditorController::SaveAs},
                                             {IDP_SAVEAS, &EditorController::SaveAs},
                                             {IDM_CLONE, &EditorController::CloneSelected},
                                             {IDT_CLONE, &EditorController::CloneSelected},
                                             {IDP_CLONE, &EditorController::CloneSelected},
                                             {IDM_DELETE, &EditorController::DeleteSelected},
                                             {IDT_DELETE, &EditorController::DeleteSelected},
                                             {IDP_DELETE, &EditorController::DeleteSelected},
                                             {IDM_ICON, &EditorController::ChangeIcon},
                                             {IDT_ICON, &EditorController::ChangeIcon},
                                             {IDP_ICON, &EditorController::ChangeIcon},
                                             {IDM_JOY, &EditorController::RefreshDevices},
                                             {IDT_JOY, &EditorController::RefreshDevices},
                                             {IDM_RUN, &EditorController::RunSelected},
                                             {IDT_RUN, &EditorController::RunSelected},
                                             {IDT_HELP, &EditorController::ShowHelp},
                                             {IDC_TEST, &EditorController::ToggleTest},
                                             {IDP_MAPPING_TEST, &EditorController::ToggleTest}};
// The list maintenance commands: the mapping buttons and the mapping list's pop-up.
constexpr RoutedCommand kMaintenanceCommands[] = {
    {IDC_ADD, &EditorController::AddMissingRows},
    {IDP_MAPPING_ADD, &EditorController::AddMissingRows},
    {IDC_REMOVE, &EditorController::RemoveInactiveAndDuplicateRows},
    {IDP_MAPPING_REMOVE, &EditorController::RemoveInactiveAndDuplicateRows},
    {IDC_REPLACE, &EditorController::ReplaceDevice},
    {IDP_MAPPING_REPLACE, &EditorController::ReplaceDevice},
    {IDC_CLEAR_ROW, &EditorController::ClearRow},
    {IDP_MAPPING_CLEAR_ROW, &EditorController::ClearRow},
    {IDC_CLEAR_ITEM, &EditorController::ClearKeyCell},
    {IDP_MAPPING_CLEAR_ITEM, &EditorController::ClearKeyCell}};

} // namespace

void MainWindow::AddToolbarButtons() {
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
    std::vector<TBBUTTON> buttons;
    for (std::size_t i = 0; i < kToolPictureCount; ++i) {
        // Each text is kept by the toolbar: it is the tooltip, not drawn on the button.
        std::wstring text = kToolButtons[i].Tooltip;
        text.push_back(L'\0');
        const auto string =
            SendMessageW(toolbar_, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(text.c_str()));
        TBBUTTON button{};
        button.iBitmap = static_cast<int>(i);
        button.idCommand = kToolButtons[i].Id;
        button.fsState = 0;
        button.fsStyle = BTNS_BUTTON;
        button.iString = string;
        buttons.push_back(button);
        if (kToolButtons[i].EndsGroup) {
            TBBUTTON separator{};
            separator.fsStyle = BTNS_SEP;
            buttons.push_back(separator);
        }
    }

    SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(),
                 reinterpret_cast<LPARAM>(buttons.data()));
}

void MainWindow::OnCommand(int id, int code, HWND source) {
    // While a dialog or a box of the program is open the window is disabled, and so are its
    // commands (a command posted from outside).
    if (controller_ == nullptr || !IsWindowEnabled(window_.Get()))
        return;
    if (id == IDOK) {
        OnEnter();
        return;
    }
    // Menu items and accelerators (code 0 or 1), the toolbar's and the mapping buttons'
    // clicks (BN_CLICKED, which is 0); the controls' other notifications are not commands.
    if (code != 0 && code != 1)
        return;
    if (source != nullptr && source != toolbar_ && GetParent(source) != window_.Get())
        return;
    if (!CommandEnabled(id))
        return;
    RunCommand(id);
}

bool MainWindow::CommandEnabled(int id) const {
    for (const FileCommand& command : kFileCommands) {
        if (id == command.ToolId)
            return states_.Toolbar.*command.Flag;
        if (id == command.MenuId)
            return states_.MenusEnabled && states_.Menu.*command.Flag;
    }
    for (const ListMenuItem& item : kFileListMenu)
        if (item.Id != 0 && id == item.Id)
            return states_.FileListMenuEnabled && states_.FileListMenu.*item.Flag;
    for (const MappingMenuItem& item : kMappingMenu)
        if (id == item.Id)
            return states_.MappingMenuEnabled && states_.MappingMenu.*item.Flag;
    for (const HWND button : mappingButtons_)
        if (id == GetDlgCtrlID(button))
            return IsWindowEnabled(button) != FALSE;
    switch (id) {
    case IDM_EXIT:
    case IDM_OPTIONS:
        return states_.MenusEnabled;
    case IDM_ABOUT:
        return states_.MenusEnabled && states_.Menu.Help;
    default:
        return false;
    }
}

void MainWindow::RunCommand(int id) {
    EditorController& controller = *controller_;
    using Commands = std::span<const RoutedCommand>;
    for (const Commands commands : {Commands(kRoutedCommands), Commands(kMaintenanceCommands)}) {
        for (const RoutedCommand& routed : commands) {
            if (routed.Id == id) {
                (controller.*routed.Command)();
                return;
            }
        }
    }
    switch (id) {
    case IDM_LOAD:
    case IDT_LOAD:
    case IDP_LOAD:
        controller.LoadConfigurationFile({});
        break;
    case IDC_RECORD:
    case IDP_MAPPING_RECORD:
        controller.ToggleRecording();
        break;
    case IDM_EXIT:
        // As the close box: the quit question first.
        OnClose();
        break;
    case IDM_ABOUT:
        RunTrapped(dialogs_, "MNabout_Click",
                   [&] { ShowAboutBox(instance_, window_.Get(), dialogs_, VantrelCard()); });
        break;
    case IDM_OPTIONS:
        controller.EditPreferences();
        break;
    case IDM_CONTENTS: // no help file is shipped
    default:
        // The mapping buttons and the mapping list's menu come with recording, testing and
        // list maintenance.
        break;
    }
}

void MainWindow::OnEnter() {
    if (const HWND button = FocusedPushButton(window_.Get()))
        OnCommand(GetDlgCtrlID(button), BN_CLICKED, button);
}

void MainWindow::CreateMenus() {
    UniqueMenu bar(CreateMenu());
    UniqueMenu file(CreatePopupMenu());
    UniqueMenu tools(CreatePopupMenu());
    UniqueMenu help(CreatePopupMenu());
    if (!bar || !file || !tools || !help)
        throw std::runtime_error("the menus could not be created");

    AppendMenuW(file.Get(), MF_STRING, IDM_OPEN, L" &Open");
    AppendMenuW(file.Get(), MF_STRING, IDM_NEW, L" &New");
    AppendMenuW(file.Get(), MF_STRING, IDM_LOAD, L" &Load...");
    AppendMenuW(file.Get(), MF_STRING, IDM_CLOSE, L" &Close");
    AppendMenuW(file.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file.Get(), MF_STRING, IDM_SAVE, L" &Save");
    AppendMenuW(file.Get(), MF_STRING, IDM_SAVEAS, L" S&ave As...");
    AppendMenuW(file.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file.Get(), MF_STRING, IDM_EXIT, L" &Exit");

    AppendMenuW(tools.Get(), MF_STRING, IDM_CLONE, L" &Clone");
    AppendMenuW(tools.Get(), MF_STRING, IDM_DELETE, L" &Delete");
    AppendMenuW(tools.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(tools.Get(), MF_STRING, IDM_ICON, L" Change &Icon...");
    AppendMenuW(tools.Get(), MF_STRING, IDM_JOY, L" Refresh Device &List");
    AppendMenuW(tools.Get(), MF_STRING, IDM_RUN, L" &Run");

    AppendMenuW(help.Get(), MF_STRING, IDM_CONTENTS, L" Contents...");
    AppendMenuW(help.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(help.Get(), MF_STRING, IDM_ABOUT, L" &About");

    if (AppendMenuW(bar.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(file.Get()), L"&File"))
        file.Release();
    if (AppendMenuW(bar.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(tools.Get()), L"&Tools"))
        tools.Release();
    AppendMenuW(bar.Get(), MF_STRING, IDM_OPTIONS, L"&Options");
    if (AppendMenuW(bar.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(help.Get()), L"&Help"))
        help.Release();
    if (!SetMenu(window_.Get(), bar.Get()))
        throw std::runtime_error("the menu bar could not be set");
    bar.Release(); // the window destroys its menu bar with itself
}

void MainWindow::ApplyMenuPictures() {
    const HMENU bar = GetMenu(window_.Get());
    if (bar == nullptr)
        return;
    for (const FileCommand& command : kFileCommands) {
        const HBITMAP picture = pictures_.MenuPicture(command.Picture);
        SetMenuItemBitmaps(bar, static_cast<UINT>(command.MenuId), MF_BYCOMMAND, picture, picture);
    }
}

void MainWindow::ApplyCommandStates(const EditorCommandStates& states) {
    states_ = states;
    const HMENU bar = GetMenu(window_.Get());
    for (const FileCommand& command : kFileCommands) {
        SendMessageW(toolbar_, TB_ENABLEBUTTON, static_cast<WPARAM>(command.ToolId),
                     MAKELPARAM(states.Toolbar.*command.Flag ? TRUE : FALSE, 0));
        EnableMenuItem(bar, static_cast<UINT>(command.MenuId),
                       MF_BYCOMMAND | (states.Menu.*command.Flag ? MF_ENABLED : MF_GRAYED));
    }
    EnableMenuItem(bar, IDM_ABOUT, MF_BYCOMMAND | (states.Menu.Help ? MF_ENABLED : MF_GRAYED));
    // The four top-level menus (Options is an item of the bar itself).
    for (UINT position = 0; position < 4; ++position)
        EnableMenuItem(bar, position,
                       MF_BYPOSITION | (states.MenusEnabled ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(window_.Get());
    for (std::size_t i = 0; i < mappingButtons_.size(); ++i)
        EnableWindow(mappingButtons_[i], states.Buttons.*kButtonFlags[i] ? TRUE : FALSE);
    ApplyButtonPictures();
    ApplyMenuPictures();
}

void MainWindow::ShowPopUp(HMENU menu) {
    const HWND window = window_.Get();
    POINT cursor{};
    GetCursorPos(&cursor);
    // Without being the foreground window the menu would not close when clicked away.
    SetForegroundWindow(window);
    const UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON |
                       (GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN);
    const auto command =
        static_cast<UINT>(TrackPopupMenuEx(menu, flags, cursor.x, cursor.y, window, nullptr));
    PostMessageW(window, WM_NULL, 0, 0);
    // The command runs after the event that opened the menu has ended, as a menu command.
    if (command != 0)
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void MainWindow::PopUpFileListMenu() {
    if (!states_.FileListMenuEnabled)
        return;
    const UniqueMenu menu(CreatePopupMenu());
    if (!menu)
        return;
    // Hidden items are left out, not greyed.
    for (const ListMenuItem& item : kFileListMenu) {
        if (!(states_.FileListMenu.*item.Flag))
            continue;
        if (item.Caption == nullptr) {
            AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
            continue;
        }
        AppendMenuW(menu.Get(), MF_STRING, static_cast<UINT_PTR>(item.Id), item.Caption);
        const HBITMAP picture = pictures_.MenuPicture(item.Picture);
        SetMenuItemBitmaps(menu.Get(), static_cast<UINT>(item.Id), MF_BYCOMMAND, picture, picture);
    }
    ShowPopUp(menu.Get());
}

void MainWindow::PopUpMappingMenu() {
    if (!states_.MappingMenuEnabled)
        return;
    const UniqueMenu menu(CreatePopupMenu());
    if (!menu)
        return;
    const std::wstring record = WideFromUtf8(RecordItemCaption(states_.Recording));
    const std::wstring test = WideFromUtf8(TestItemCaption(states_.Testing));
    const wchar_t* captions[] = {record.c_str(),   L"Clear Entire Row", L"Clear Selected Item",
                                 test.c_str(),     L"Remove Items",     L"Add Devices",
                                 L"Replace Device"};
    for (std::size_t i = 0; i < std::size(kMappingMenu); ++i) {
        if (i == 4)
            AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
        const bool enabled = states_.MappingMenu.*kMappingMenu[i].Flag;
        AppendMenuW(menu.Get(), MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED),
                    static_cast<UINT_PTR>(kMappingMenu[i].Id), captions[i]);
    }
    ShowPopUp(menu.Get());
}

} // namespace qm::win32
