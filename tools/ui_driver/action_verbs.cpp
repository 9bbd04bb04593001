// The verbs of user actions: menus, the toolbar, buttons, pop-up menus, the notification icon,
// the configuration list, tabs, the mapping list, typing and keys, dropped files.
#include "core/win32/win32_handle.h"
#include "input.h"
#include "program_windows.h"
#include "remote.h"
#include "session.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace qm::e2e::verbs {

void Session::Menu(const Arguments& a) {
    RequireProgram();
    const std::vector<MenuItem> items = MenuBar(program_.Id(), main_);
    // The path's parts, one per menu level.
    std::vector<std::wstring> parts;
    std::wstring path = Wide(a[0]);
    for (std::size_t start = 0;;) {
        const auto end = path.find(L'>', start);
        parts.push_back(Plain(path.substr(start, end - start)));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    std::size_t level = 0;
    bool disabled = false;
    for (const MenuItem& item : items) {
        if (item.Depth != static_cast<int>(level) || item.Separator ||
            Plain(item.Caption) != parts[level])
            continue;
        disabled = disabled || item.Disabled;
        if (++level < parts.size())
            continue;
        if (item.Command < 0)
            Fail("\"" + a[0] + "\" is a menu, not a command");
        if (disabled)
            Fail("the menu item \"" + a[0] + "\" is disabled");
        const HWND window = main_;
        const auto id = static_cast<WPARAM>(item.Command);
        Blocking([=] {
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_NORMAL, kActionMs,
                                &result);
        });
        return;
    }
    Fail("no menu item \"" + a[0] + "\"");
}

void Session::Toolbar(const Arguments& a) {
    const HWND toolbar = Control(kToolbarId, "toolbar");
    for (const ToolbarButton& button : ToolbarButtons(program_.Handle(), toolbar)) {
        if (Plain(button.Text) != Plain(Wide(a[0])))
            continue;
        if ((button.State & TBSTATE_HIDDEN) != 0 || (button.State & TBSTATE_ENABLED) == 0)
            Fail("the toolbar button \"" + a[0] + "\" is disabled");
        const HWND parent = GetParent(toolbar);
        const auto id = static_cast<WPARAM>(button.Command);
        Blocking([=] {
            DWORD_PTR result = 0;
            SendMessageTimeoutW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                reinterpret_cast<LPARAM>(toolbar), SMTO_NORMAL, kActionMs, &result);
        });
        return;
    }
    Fail("no toolbar button \"" + a[0] + "\"");
}

void Session::Button(const Arguments& a) {
    RequireProgram();
    ClickButton(main_, a[0]);
}

void Session::ClickButton(HWND window, const std::string& caption) {
    // A window the program has not shown yet (the runner shows its own at the end of its
    // start-up) shows its buttons in a moment.
    HWND button = nullptr;
    PumpUntil(
        [&] {
            for (const HWND shown : Buttons(window)) {
                if (Plain(WindowText(shown)) == Plain(Wide(caption))) {
                    button = shown;
                    return true;
                }
            }
            return false;
        },
        kAppearMs);
    if (button == nullptr)
        Fail("no button \"" + caption + "\"");
    if (!IsWindowEnabled(button))
        Fail("the button \"" + caption + "\" is disabled");
    Blocking([=] {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, kActionMs, &result);
    });
}

void Session::Context(const Arguments& a) {
    const std::vector<MenuItem> items = PopUpMenuOn(a[0]);
    for (const MenuItem& item : items) {
        if (item.Separator || Plain(item.Caption) != Plain(Wide(a[1])))
            continue;
        if (item.Disabled) {
            DismissMenu();
            Fail("the menu item \"" + a[1] + "\" is disabled");
        }
        ClickAt(Center(item.Bounds), Click::Left);
        PumpUntil([&] { return ShownPopup(program_.Id()).empty(); }, kAppearMs);
        Settle();
        return;
    }
    DismissMenu();
    Fail("no menu item \"" + a[1] + "\" on " + a[0]);
}

void Session::ContextItems(const Arguments& a) {
    for (const MenuItem& item : PopUpMenuOn(a[0]))
        record_(item.Separator
                    ? std::string("-")
                    : Shown(item.Caption) + "\t" + (item.Disabled ? "disabled" : "enabled") +
                          (item.Checked ? "\tchecked" : ""));
    DismissMenu();
}

void Session::Tray(const Arguments& a) {
    if (a[0] == "right-click") {
        PopUpMenuOn(std::string(kTrayTarget)); // left open, as the user sees it
        return;
    }
    if (a[0] != "double-click")
        Fail("the notification icon is clicked \"double-click\" or \"right-click\", not \"" + a[0] +
             "\"");
    RequireProgram();
    PostTrayClick(main_, WM_LBUTTONDBLCLK);
    Settle();
}

void Session::SelectConfig(const Arguments& a) {
    const HWND list = Control(kConfigurationListId, "configuration list");
    const int index = EntryIndex(a[0]);
    Foreground();
    SendTo(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
    ClickAt(ToScreen(list, Center(ListIconRect(program_.Handle(), list, index))), Click::Left);
    Settle();
}

void Session::Tab(const Arguments& a) {
    const HWND tabs = Control(kTabsId, "tabs");
    const int count = TabCount(tabs);
    for (int i = 0; i < count; ++i) {
        if (!SameText(TabText(program_.Handle(), tabs, i), Wide(a[0])))
            continue;
        Foreground();
        ClickAt(ToScreen(tabs, Center(TabRect(program_.Handle(), tabs, i))), Click::Left);
        Settle();
        return;
    }
    Fail("no tab \"" + a[0] + "\"");
}

void Session::Row(const Arguments& a) {
    const HWND list = Control(kMappingListId, "mapping list");
    const int row = MappingRow(a[0]);
    Foreground();
    ClickAt(MappingCellPoint(list, row, 0), Click::Left);
    Settle();
}

void Session::ClickCell(const Arguments& a) {
    const HWND list = Control(kMappingListId, "mapping list");
    const int row = MappingRow(a[0]);
    const int column = MappingColumn(list, a[1]);
    Foreground();
    ClickAt(MappingCellPoint(list, row, column), Click::Left);
    Settle();
}

void Session::Header(const Arguments& a) {
    const HWND list = Control(kMappingListId, "mapping list");
    const int column = MappingColumn(list, a[0]);
    const HWND header = reinterpret_cast<HWND>(SendTo(list, LVM_GETHEADER));
    // The column in sight first, as a user scrolls to it.
    MappingCellPoint(list, 0, column);
    Foreground();
    ClickAt(ToScreen(header, Center(HeaderItemRect(program_.Handle(), header, column))),
            Click::Left);
    Settle();
}

void Session::DoubleClick(const Arguments& a) {
    const HWND list = Control(kMappingListId, "mapping list");
    const int row = MappingRow(a[0]);
    const int column = MappingColumn(list, a[1]);
    Foreground();
    ClickAt(MappingCellPoint(list, row, column), Click::Double);
    Settle();
}

void Session::Type(const Arguments& a) {
    RequireProgram();
    TypeText(Wide(a[0]));
    Settle();
}

void Session::Key(const Arguments& a) {
    RequireProgram();
    if (!PressChord(a[0], [this] { Idle(kActionMs); }))
        Fail("unknown key in \"" + a[0] + "\"");
    Settle();
}

void Session::Drop(const Arguments& a) {
    RequireProgram();
    std::vector<std::wstring> paths;
    for (const std::string& path : a)
        paths.push_back(InInstall(path));
    RECT client{};
    GetClientRect(main_, &client);
    DropFiles(program_.Id(), main_, Center(client), paths);
    Settle();
}

} // namespace qm::e2e::verbs
