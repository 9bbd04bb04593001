// The editor's keyboard shortcuts against its command states, its menus' shortcut texts, and
// the access keys of each menu and of the main window.
#include "editor/win32/editor_commands.h"
#include "support/access_keys.h"

#include <gtest/gtest.h>

namespace qm::win32 {
namespace {

// Every shortcut: New, Load, Close (two), Save, Save As, Refresh Device List, Help.
constexpr Shortcut kKeys[] = {CtrlKey('N'), CtrlKey('O'),      CtrlKey('W'),    CtrlKey(kVkF4),
                              CtrlKey('S'), CtrlShiftKey('S'), Shortcut{kVkF5}, Shortcut{kVkF1}};

EditorCommandStates StatesFor(std::optional<int> selected, bool devices, bool recording = false,
                              bool testing = false) {
    return NextCommandStates(DesignedCommandStates(), {.EntryCount = selected ? 1 : 0,
                                                       .SelectedState = selected,
                                                       .ConfigurationShown = selected.has_value(),
                                                       .Recording = recording,
                                                       .Testing = testing,
                                                       .DevicesAttached = devices});
}

// The commands the shortcuts run in these states, in kKeys' order (0: none).
std::vector<int> Fired(const EditorCommandStates& states) {
    std::vector<int> fired;
    for (const Shortcut key : kKeys)
        fired.push_back(EditorShortcutCommand(key, states));
    return fired;
}

TEST(Shortcuts, EditorShortcutsRunTheirMenuItemsExactlyWhenEnabled) {
    constexpr int N = IDM_NEW, L = IDM_LOAD, S = IDM_SAVE, A = IDM_SAVEAS, C = IDM_CLOSE,
                  J = IDM_JOY, H = IDM_CONTENTS;
    EXPECT_EQ(Fired(StatesFor(16, true)), (std::vector{N, L, C, C, S, A, J, H}));
    EXPECT_EQ(Fired(StatesFor(0, false)), (std::vector{0, L, C, C, 0, A, J, H}));
    // A new configuration: its toolbar button closes it, its menu item (and so Ctrl+W) not.
    const EditorCommandStates created = StatesFor(2, true);
    ASSERT_TRUE(created.Toolbar.Close);
    EXPECT_EQ(Fired(created), (std::vector{N, L, 0, 0, 0, A, J, H}));
    EXPECT_EQ(Fired(StatesFor(std::nullopt, true)), (std::vector{N, L, 0, 0, 0, 0, J, H}));
    // Testing locks the menus; while recording every key is recorded, whatever the menus' states.
    EXPECT_EQ(Fired(StatesFor(16, true, false, true)), std::vector<int>(8, 0));
    EditorCommandStates recording = StatesFor(16, true, true);
    EXPECT_EQ(Fired(recording), std::vector<int>(8, 0));
    recording.MenusEnabled = true;
    recording.Menu = StatesFor(16, true).Menu;
    EXPECT_EQ(Fired(recording), std::vector<int>(8, 0));
    // Only the exact chord: no other modifier, and the letter alone is no shortcut.
    for (const Shortcut other : {Shortcut{'S'}, Shortcut{'S', kShiftMask},
                                 Shortcut{'S', kCtrlMask | kAltMask}, Shortcut{kVkF5, kCtrlMask}})
        EXPECT_FALSE(IsShortcut(other) || EditorShortcutCommand(other, StatesFor(16, true)) != 0)
            << other.Modifiers;
    EXPECT_TRUE(IsShortcut(kKeys[4]));
}

TEST(Shortcuts, EditorMenusShowTheFirstShortcutAfterATabFunctionKeysByNumber) {
    const auto menuText = [](int id) {
        const EditorCommand& row = *FindEditorCommand(id);
        return CaptionWithShortcut(row.Caption, row.Shortcuts[0]);
    };
    EXPECT_EQ(menuText(IDM_SAVEAS), L" S&ave As...\tCtrl+Shift+S");
    EXPECT_EQ(menuText(IDM_CONTENTS), L" &Contents...\tF1");
    EXPECT_EQ(menuText(IDM_JOY), L" Refresh Device &List\tF5");
    EXPECT_EQ(menuText(IDM_ABOUT), L" &About"); // no shortcut: no tab
    // The first and the last function key, with modifiers.
    EXPECT_EQ(ShortcutText(CtrlKey(kVkF4)), L"Ctrl+F4");
    EXPECT_EQ(ShortcutText({kVkF1 + 23, kAltMask | kShiftMask}), L"Alt+Shift+F24");
}

TEST(Shortcuts, EditorAccessKeysDistinctInEachMenuAndTheWindow) {
    std::map<int, std::vector<std::wstring>> groups;
    for (const EditorCommand& row : EditorCommands()) {
        // The buttons share the window with the menu bar; the toolbar shows no text, and the
        // pop-up menus are the mouse's.
        const CommandPlace place =
            row.Place == CommandPlace::MappingButton ? CommandPlace::MenuBar : row.Place;
        if (!row.IsSeparator() && place <= CommandPlace::HelpMenu)
            groups[static_cast<int>(place)].push_back(row.Caption);
    }
    testing::ExpectDistinctAccessKeys(groups);
}

} // namespace
} // namespace qm::win32
