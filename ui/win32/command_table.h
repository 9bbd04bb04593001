#pragma once
// The shape of both programs' command tables: one row per command identifier, saying where it
// appears, its caption, its picture, the flag of the command states that enables it, its
// keyboard shortcuts and what it runs. A program's menus, toolbar, buttons, the routing of
// WM_COMMAND and the shortcuts are built from its table. No Win32 types: the rows are plain data.
#include "core/shortcut.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <optional>
#include <span>

namespace qm::win32 {

// What the window does itself rather than the controller.
enum class WindowCommand { None, Close, About };

// What a command does: a controller function, which traps its errors under the procedure name
// its error box shows, or the window's own command, trapped under `Procedure`.
template <class Function> struct CommandAction {
    Function Run = nullptr;
    WindowCommand Window = WindowCommand::None;
    const char* Procedure = nullptr;
};

// `Controller` runs the commands, `PlaceKind` says where a command appears, `PictureKind` what
// it shows beside its caption, `Flag` which flag of the program's command states enables it.
template <class Controller, class PlaceKind, class PictureKind, class Flag> struct CommandRow {
    // A controller function is given its row.
    using RunFunction = void (*)(Controller&, const CommandRow&) noexcept;

    int Id = 0; // 0 with no caption: a separator
    PlaceKind Place{};
    // The menu item's text, the toolbar button's tooltip or the button's caption.
    const wchar_t* Caption = nullptr;
    // An item that opens a menu of its own.
    std::optional<PlaceKind> Opens;
    CommandAction<RunFunction> Action;
    std::optional<PictureKind> Picture;
    // The flag that enables it; none: it follows only its place's own state.
    Flag Enabled{};
    // Its keyboard shortcuts (menu items only); the menu shows the first after a tab.
    std::array<Shortcut, 2> Shortcuts{};

    constexpr bool IsSeparator() const { return Caption == nullptr; }
    constexpr bool HasShortcut(Shortcut key) const {
        return key && (Shortcuts[0] == key || Shortcuts[1] == key);
    }
};

// The rows' common soundness: the routing finds a command by its identifier, so each has one
// row; a shortcut runs one command, shown in its menu item (`showsShortcuts` says which places
// are menus whose items show one), and a row's two shortcuts differ.
template <class Row, class Places>
constexpr bool RowsSound(std::span<const Row> rows, Places showsShortcuts) {
    for (auto a = rows.begin(); a != rows.end(); ++a) {
        if (a->Id != 0 &&
            std::any_of(std::next(a), rows.end(), [&](const Row& b) { return b.Id == a->Id; }))
            return false;
        for (const Shortcut& key : a->Shortcuts) {
            if (key && (a->Id == 0 || !showsShortcuts(a->Place)))
                return false;
            if (key && std::any_of(std::next(a), rows.end(),
                                   [&](const Row& b) { return b.HasShortcut(key); }))
                return false;
        }
        if (a->Shortcuts[0] && a->Shortcuts[0] == a->Shortcuts[1])
            return false;
    }
    return true;
}

// The row of a command identifier; null for none.
template <class Row> const Row* FindCommand(std::span<const Row> rows, int id) {
    if (id == 0)
        return nullptr;
    const auto found =
        std::find_if(rows.begin(), rows.end(), [id](const Row& row) { return row.Id == id; });
    return found != rows.end() ? &*found : nullptr;
}

// The command whose shortcut a key is, when `enabled` says its row is enabled now; 0 for none.
template <class Row, class Enabled>
int CommandOfShortcut(std::span<const Row> rows, Shortcut pressed, Enabled enabled) {
    for (const Row& row : rows)
        if (row.HasShortcut(pressed))
            return enabled(row) ? row.Id : 0;
    return 0;
}

// Whether the key is the shortcut of a command, enabled or not.
template <class Row> bool IsShortcutOf(std::span<const Row> rows, Shortcut pressed) {
    return std::any_of(rows.begin(), rows.end(),
                       [&](const Row& row) { return row.HasShortcut(pressed); });
}

} // namespace qm::win32
