// The main window's commands, built from the command table: the menus, the toolbar's buttons,
// the two pop-up menus, which of them are enabled, and where each goes.
#include "editor/win32/main_window.h"

#include "core/control.h"
#include "core/error_trap.h"
#include "core/win32/win32_text.h"
#include "editor/editor_controller.h"
#include "editor/win32/editor_commands.h"
#include "editor/win32/vantrel_card.h"
#include "editor/win32/vantrel_ids.h"

#include <stdexcept>

namespace qm::win32 {
namespace {

void AppendItem(HMENU menu, const EditorCommand& command, UINT flags = MF_STRING) {
    if (command.IsSeparator())
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    else
        AppendMenuW(menu, flags, static_cast<UINT_PTR>(command.Id),
                    CaptionWithShortcut(command.Caption, command.Shortcuts[0]).c_str());
}

} // namespace

void EditorWindow::AddToolbarButtons() {
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
    std::vector<TBBUTTON> buttons;
    for (const EditorCommand& command : EditorCommands()) {
        if (command.Place != CommandPlace::Toolbar)
            continue;
        TBBUTTON button{};
        button.fsStyle = BTNS_SEP;
        if (!command.IsSeparator()) {
            // Each text is kept by the toolbar: it is the tooltip, not drawn on the button.
            std::wstring text = command.Caption;
            text.push_back(L'\0');
            button.iString =
                SendMessageW(toolbar_, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(text.c_str()));
            button.iBitmap = static_cast<int>(*command.Picture);
            button.idCommand = command.Id;
            button.fsStyle = BTNS_BUTTON;
        }
        buttons.push_back(button);
    }
    SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(),
                 reinterpret_cast<LPARAM>(buttons.data()));
}

void EditorWindow::OnCommand(int id, int code, HWND source) {
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
    const EditorCommand* command = FindEditorCommand(id);
    if (command == nullptr || !CommandEnabled(*command, states_))
        return;
    const auto& action = command->Action;
    if (action.Run != nullptr) {
        action.Run(*controller_, *command);
        return;
    }
    switch (action.Window) {
    case WindowCommand::Close:
        OnClose();
        break;
    case WindowCommand::About:
        RunTrapped(dialogs_, action.Procedure, [&] {
            ShowAboutBox(instance_, window_.Get(), dialogs_, VantrelCard(),
                         controller_ != nullptr ? controller_->GuideLocation() : "");
        });
        break;
    case WindowCommand::None:
        break;
    }
}

void EditorWindow::OnEnter() {
    if (const HWND button = FocusedPushButton(window_.Get()))
        OnCommand(GetDlgCtrlID(button), BN_CLICKED, button);
}

void EditorWindow::CreateMenus() {
    UniqueMenu bar(CreateMenu());
    UniqueMenu file(CreatePopupMenu());
    UniqueMenu tools(CreatePopupMenu());
    UniqueMenu view(CreatePopupMenu());
    UniqueMenu help(CreatePopupMenu());
    if (!bar || !file || !tools || !view || !help)
        throw std::runtime_error("the menus could not be created");
    const auto menuOf = [&](CommandPlace place) -> UniqueMenu& {
        return place == CommandPlace::FileMenu    ? file
               : place == CommandPlace::ToolsMenu ? tools
               : place == CommandPlace::ViewMenu  ? view
               : place == CommandPlace::HelpMenu  ? help
                                                  : bar;
    };
    // The menus are filled first, then each goes to the bar, which owns it from then on.
    for (const EditorCommand& command : EditorCommands())
        if (InMainMenu(command.Place) && command.Place != CommandPlace::MenuBar)
            AppendItem(menuOf(command.Place).Get(), command);
    for (const EditorCommand& command : EditorCommands()) {
        if (command.Place != CommandPlace::MenuBar)
            continue;
        if (!command.Opens) {
            AppendItem(bar.Get(), command);
            continue;
        }
        UniqueMenu& menu = menuOf(*command.Opens);
        if (AppendMenuW(bar.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(menu.Get()),
                        command.Caption))
            menu.Release();
    }
    if (!SetMenu(window_.Get(), bar.Get()))
        throw std::runtime_error("the menu bar could not be set");
    bar.Release(); // the window destroys its menu bar with itself
}

void EditorWindow::ApplyMenuPictures() {
    const HMENU bar = GetMenu(window_.Get());
    if (bar == nullptr)
        return;
    for (const EditorCommand& command : EditorCommands()) {
        if (!InMainMenu(command.Place) || !command.Picture)
            continue;
        const HBITMAP picture = pictures_.MenuPicture(*command.Picture);
        SetMenuItemBitmaps(bar, static_cast<UINT>(command.Id), MF_BYCOMMAND, picture, picture);
    }
}

void EditorWindow::ApplyCommandStates(const EditorCommandStates& states) {
    states_ = states;
    const HMENU bar = GetMenu(window_.Get());
    for (const EditorCommand& command : EditorCommands()) {
        if (command.Place == CommandPlace::Toolbar && !command.IsSeparator())
            SendMessageW(toolbar_, TB_ENABLEBUTTON, static_cast<WPARAM>(command.Id),
                         MAKELPARAM(states.Toolbar.*command.Enabled.File ? TRUE : FALSE, 0));
        else if (InMainMenu(command.Place) && command.Enabled.File != nullptr)
            EnableMenuItem(bar, static_cast<UINT>(command.Id),
                           MF_BYCOMMAND |
                               (states.Menu.*command.Enabled.File ? MF_ENABLED : MF_GRAYED));
    }
    // The shift layer the list shows.
    const MappingTable* shown =
        controller_ != nullptr ? controller_->Configurations().Shown() : nullptr;
    CheckMenuRadioItem(
        bar, IDM_VIEW_ALL_LAYERS, IDM_VIEW_LAYER_BASE + kMaxLayer,
        static_cast<UINT>(ViewItemOfLayer(shown != nullptr ? shown->ShownLayer() : std::nullopt)),
        MF_BYCOMMAND);
    // The five top-level menus (Options is an item of the bar itself).
    for (UINT position = 0; position < 5; ++position)
        EnableMenuItem(bar, position,
                       MF_BYPOSITION | (states.MenusEnabled ? MF_ENABLED : MF_GRAYED));
    DrawMenuBar(window_.Get());
    for (const HWND button : mappingButtons_)
        if (const EditorCommand* command = FindEditorCommand(GetDlgCtrlID(button)))
            EnableWindow(button, states.Buttons.*command->Enabled.Mapping ? TRUE : FALSE);
    ApplyButtonPictures();
    ApplyMenuPictures();
}

void EditorWindow::PopUpFileListMenu() {
    if (!states_.FileListMenuEnabled)
        return;
    const UniqueMenu menu(CreatePopupMenu());
    if (!menu)
        return;
    // Hidden items are left out, not greyed.
    for (const EditorCommand& item : EditorCommands()) {
        if (item.Place != CommandPlace::FileListMenu || !(states_.FileListMenu.*item.Enabled.List))
            continue;
        AppendItem(menu.Get(), item);
        if (item.Picture) {
            const HBITMAP picture = pictures_.MenuPicture(*item.Picture);
            SetMenuItemBitmaps(menu.Get(), static_cast<UINT>(item.Id), MF_BYCOMMAND, picture,
                               picture);
        }
    }
    PopUpMenuAtPointer(window_.Get(), menu.Get());
}

void EditorWindow::PopUpMappingMenu() {
    if (!states_.MappingMenuEnabled)
        return;
    const UniqueMenu menu(CreatePopupMenu());
    if (!menu)
        return;
    const std::wstring record = WideFromUtf8(RecordItemCaption(states_.Recording));
    const std::wstring test = WideFromUtf8(TestItemCaption(states_.Testing));
    // The menus the pop-up opens are filled first; each goes to its item, which owns it then.
    UniqueMenu copyLayer(CreatePopupMenu());
    UniqueMenu keyCell(CreatePopupMenu());
    if (!copyLayer || !keyCell)
        return;
    for (const EditorCommand& item : EditorCommands()) {
        if (item.Place != CommandPlace::CopyLayerMenu && item.Place != CommandPlace::KeyCellMenu)
            continue;
        const bool enabled = item.IsSeparator() || CommandEnabled(item, states_);
        AppendItem((item.Place == CommandPlace::CopyLayerMenu ? copyLayer : keyCell).Get(), item,
                   MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED));
    }
    for (EditorCommand item : EditorCommands()) {
        if (item.Place != CommandPlace::MappingMenu)
            continue;
        if (item.Enabled.Mapping == &MappingCommandFlags::Record)
            item.Caption = record.c_str();
        else if (item.Enabled.Mapping == &MappingCommandFlags::Test)
            item.Caption = test.c_str();
        const bool enabled = item.IsSeparator() || states_.MappingMenu.*item.Enabled.Mapping;
        if (item.Opens) {
            UniqueMenu& opened = *item.Opens == CommandPlace::CopyLayerMenu ? copyLayer : keyCell;
            if (AppendMenuW(menu.Get(), MF_POPUP | (enabled ? MF_ENABLED : MF_GRAYED),
                            reinterpret_cast<UINT_PTR>(opened.Get()), item.Caption))
                opened.Release();
            continue;
        }
        AppendItem(menu.Get(), item, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED));
    }
    PopUpMenuAtPointer(window_.Get(), menu.Get());
}

} // namespace qm::win32
