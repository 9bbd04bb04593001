// The main window's commands, built from the command table: the menu bar and its menus (the
// File menu is also the notification icon's), the configuration items, the menu glyphs,
// which items are enabled, and where each command goes.
#include "runner/win32/main_window.h"

#include "core/error_trap.h"
#include "core/win32/win32_text.h"
#include "runner/runner_controller.h"
#include "runner/win32/corvex_ids.h"
#include "runner/win32/runner_commands.h"
#include "ui/win32/dpi.h"

#include <array>
#include <stdexcept>

namespace qm::win32 {
namespace {

constexpr int kPriorityItems = IDM_PRIORITY_LAST - IDM_PRIORITY_FIRST + 1;
constexpr int kPollItems = IDM_POLL_LAST - IDM_POLL_FIRST + 1;
constexpr int kMaxMenuConfigurations = IDM_CONFIG_LAST - IDM_CONFIG_FIRST + 1;

// A menu text shows "&" as a mnemonic marker; a file name's own "&" is doubled.
std::wstring MenuText(std::string_view text) {
    std::wstring wide = WideFromUtf8(text);
    std::wstring escaped;
    escaped.reserve(wide.size() + 1);
    for (const wchar_t c : wide) {
        escaped += c;
        if (c == L'&')
            escaped += L'&';
    }
    return escaped;
}

// A row's position in its menu, as the table builds it.
UINT PositionInMenu(const RunnerCommand& command) {
    UINT position = 0;
    for (const RunnerCommand& other : RunnerCommands()) {
        if (&other == &command)
            break;
        if (other.Place == command.Place)
            ++position;
    }
    return position;
}

// The menu of a place, found through the items that open it.
HMENU MenuOf(HMENU bar, RunnerPlace place) {
    if (place == RunnerPlace::MenuBar)
        return bar;
    for (const RunnerCommand& command : RunnerCommands())
        if (command.Opens == place)
            return GetSubMenu(MenuOf(bar, command.Place),
                              static_cast<int>(PositionInMenu(command)));
    return nullptr;
}

} // namespace

void RunnerWindow::OnCommand(int id, int code) {
    // While a dialog or a box of the program is open the window is disabled, and so are its
    // commands (a command posted from outside, or picked from the notification icon's menu).
    if (controller_ == nullptr || !IsWindowEnabled(window_.Get()))
        return;
    if (id == IDOK) {
        OnEnter();
        return;
    }
    if (id == IDC_CONFIGURATION_SELECTOR) {
        OnSelectorNotification(code);
        return;
    }
    // Menu items and the button's clicks (BN_CLICKED, which is 0), shortcuts (1); a command
    // of a disabled item or button does nothing, whoever sends it.
    if (code != 0 && code != 1)
        return;
    const RunnerCommand* command = FindRunnerCommand(id);
    const bool enabled = command != nullptr && command->Place == RunnerPlace::RunButton
                             ? IsWindowEnabled(runButton_) != FALSE
                             : MenuItemEnabled(id);
    if (!enabled)
        return;
    // The controller's commands trap their own errors: they are called as they are.
    if (command == nullptr) {
        RunConfigurationItem(id);
    } else if (command->Action.Run != nullptr) {
        command->Action.Run(*controller_, *command);
    } else if (command->Action.Window == WindowCommand::About) {
        RunTrapped(dialogs_, command->Action.Procedure, [&] { ShowAbout(); });
    }
}

bool RunnerWindow::PreviewMessage(const MSG& message) {
    const HWND window = window_.Get();
    if (controller_ == nullptr || !IsWindowEnabled(window) ||
        (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) ||
        (message.hwnd != window && !IsChild(window, message.hwnd)))
        return false;
    const auto held = [](int key) { return GetKeyState(key) < 0; };
    const auto mask = static_cast<std::uint16_t>((held(VK_SHIFT) ? kShiftMask : 0) |
                                                 (held(VK_CONTROL) ? kCtrlMask : 0) |
                                                 (held(VK_MENU) ? kAltMask : 0));
    const int command =
        RunnerShortcutCommand({static_cast<std::uint16_t>(message.wParam), mask}, menuState_);
    if (command == 0)
        return false;
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(command, 1), 0);
    return true;
}

bool RunnerWindow::MenuItemEnabled(int id) const {
    const UINT state = GetMenuState(GetMenu(window_.Get()), static_cast<UINT>(id), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

void RunnerWindow::OnSelectorNotification(int code) {
    // The button shows the chosen configuration's picture at once; the focus moves to the
    // button once the drop-down list is closed.
    const bool dropped = SendMessageW(selector_, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
    if (code == CBN_SELCHANGE)
        UpdateRunButtonPicture();
    if (code == CBN_SELENDOK || (code == CBN_SELCHANGE && !dropped))
        controller_->ConfigurationChosen();
}

void RunnerWindow::RunConfigurationItem(int id) {
    if (id < IDM_CONFIG_FIRST || id > IDM_CONFIG_LAST)
        return;
    const auto index = static_cast<std::size_t>(id - IDM_CONFIG_FIRST);
    if (index < configurations_.size()) {
        // A copy: the command may add configurations to the list.
        const std::string entry = configurations_[index].Entry;
        controller_->SelectAndToggleRun(entry);
    }
}

void RunnerWindow::OnEnter() {
    if (const HWND button = FocusedPushButton(window_.Get()))
        OnCommand(GetDlgCtrlID(button), BN_CLICKED);
}

void RunnerWindow::CreateMenus() {
    // Each menu is filled through its handle; its owner lets go once a menu holds it.
    constexpr std::size_t kPlaces = static_cast<std::size_t>(RunnerPlace::RunButton);
    std::array<UniqueMenu, kPlaces> owners;
    std::array<HMENU, kPlaces> menus{};
    for (std::size_t i = 0; i < kPlaces; ++i) {
        owners[i].Reset(i == 0 ? CreateMenu() : CreatePopupMenu());
        if (!owners[i])
            throw std::runtime_error("the menus could not be created");
        menus[i] = owners[i].Get();
    }
    for (const RunnerCommand& command : RunnerCommands()) {
        if (command.Place == RunnerPlace::RunButton)
            continue;
        const HMENU menu = menus[static_cast<std::size_t>(command.Place)];
        if (command.IsSeparator()) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else if (command.Opens) {
            UniqueMenu& opened = owners[static_cast<std::size_t>(*command.Opens)];
            if (AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(opened.Get()),
                            command.Caption))
                opened.Release();
        } else {
            AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command.Id),
                        CaptionWithShortcut(command.Caption, command.Shortcuts[0]).c_str());
        }
    }
    fileMenu_ = menus[static_cast<std::size_t>(RunnerPlace::FileMenu)];
    if (!SetMenu(window_.Get(), menus[0]))
        throw std::runtime_error("the menu bar could not be set");
    owners[0].Release(); // the window destroys its menu bar with itself
}

void RunnerWindow::AddConfigurationItem(std::size_t index, std::string_view fileName) {
    // The File menu: separator1 appears with the first configuration, the items follow it.
    if (index == 0)
        InsertMenuW(fileMenu_, IDM_STOP, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);
    if (index < static_cast<std::size_t>(kMaxMenuConfigurations)) {
        const std::wstring caption = MenuText(fileName) + L" ";
        InsertMenuW(fileMenu_, IDM_STOP, MF_BYCOMMAND | MF_STRING, IDM_CONFIG_FIRST + index,
                    caption.c_str());
    }
}

void RunnerWindow::ApplyMenuBitmaps() {
    const int width = SystemMetric(SM_CXMENUCHECK, dpi_);
    const int height = SystemMetric(SM_CYMENUCHECK, dpi_);
    const HMENU bar = GetMenu(window_.Get());
    if (bar == nullptr)
        return;
    for (const RunnerCommand& command : RunnerCommands()) {
        if (!command.Picture)
            continue;
        // Items by their identifier (configuration items move the File menu's positions),
        // the submenus by their position.
        const HMENU menu = command.Id != 0 ? bar : MenuOf(bar, command.Place);
        const UINT item = command.Id != 0 ? static_cast<UINT>(command.Id) : PositionInMenu(command);
        const UINT flags = command.Id != 0 ? MF_BYCOMMAND : MF_BYPOSITION;
        auto& bitmap = menuBitmaps_[static_cast<std::size_t>(*command.Picture)];
        BITMAP size{};
        if (!bitmap || !GetObjectW(bitmap.Get(), sizeof(size), &size) || size.bmWidth != width ||
            size.bmHeight != height) {
            UniqueBitmap drawn = DrawMenuGlyph(*command.Picture, width, height);
            if (!drawn)
                continue;
            // The menu lets go of the old bitmap before it is deleted.
            SetMenuItemBitmaps(menu, item, flags, drawn.Get(), drawn.Get());
            bitmap = std::move(drawn);
        } else if (menu != nullptr) {
            SetMenuItemBitmaps(menu, item, flags, bitmap.Get(), bitmap.Get());
        }
    }
}

void RunnerWindow::ApplyMenuState(const RunnerMenuState& state) {
    menuState_ = state;
    const HMENU bar = GetMenu(window_.Get());
    for (const RunnerCommand& command : RunnerCommands()) {
        if (command.Enabled == nullptr)
            continue;
        const bool enabled = state.*command.Enabled;
        if (command.Place == RunnerPlace::RunButton)
            EnableWindow(runButton_, enabled);
        else
            EnableMenuItem(bar, static_cast<UINT>(command.Id),
                           MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
    EnableWindow(selector_, state.Selector);
    if (!state.Selector && configurations_.empty()) {
        // An empty selector shows no text and the button the default picture.
        SendMessageW(selector_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        UpdateRunButtonPicture();
    }
    ApplyMenuBitmaps();
}

void RunnerWindow::CheckPriorityItem(int index) {
    const HMENU bar = GetMenu(window_.Get());
    for (int i = 0; i < kPriorityItems; ++i)
        CheckMenuItem(bar, static_cast<UINT>(IDM_PRIORITY_FIRST + i),
                      MF_BYCOMMAND | (i == index ? MF_CHECKED : MF_UNCHECKED));
}

void RunnerWindow::CheckPollItem(int index) {
    const HMENU bar = GetMenu(window_.Get());
    for (int i = 0; i < kPollItems; ++i)
        CheckMenuItem(bar, static_cast<UINT>(IDM_POLL_FIRST + i),
                      MF_BYCOMMAND | (i == index ? MF_CHECKED : MF_UNCHECKED));
}

void RunnerWindow::PopUpTrayMenu() {
    const HWND window = window_.Get();
    if (!IsWindowEnabled(window)) {
        // A dialog or a box is open: it comes forward instead of a menu whose commands
        // could not run now.
        const HWND popup = GetLastActivePopup(window);
        if (popup != nullptr && popup != window)
            SetForegroundWindow(popup);
        return;
    }
    PopUpMenuAtPointer(window, fileMenu_);
}

} // namespace qm::win32
