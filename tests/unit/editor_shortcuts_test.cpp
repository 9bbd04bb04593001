// The editor's keyboard shortcuts against its command states, its menus' shortcut texts, and
// the access keys of each menu and of the main window.
#include "editor/win32/editor_commands.h"
#include "support/access_keys.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace qm::win32 {
namespace {

constexpr Shortcut kCtrlS = CtrlKey('S');
constexpr Shortcut kF5{kVkF5};
// Every editor shortcut with the command it runs.
const std::map<int, std::vector<Shortcut>> kEditorShortcuts = {
    {IDM_NEW, {CtrlKey('N')}},
    {IDM_LOAD, {CtrlKey('O')}},
    {IDM_SAVE, {kCtrlS}},
    {IDM_SAVEAS, {CtrlShiftKey('S')}},
    {IDM_CLOSE, {CtrlKey('W'), CtrlKey(kVkF4)}},
    {IDM_JOY, {kF5}},
    {IDM_CONTENTS, {Shortcut{kVkF1}}},
};

EditorCommandStates StatesFor(std::optional<int> selected, bool devices, bool recording = false,
                              bool testing = false) {
    return NextCommandStates(DesignedCommandStates(), {.EntryCount = selected ? 1 : 0,
                                                       .SelectedState = selected,
                                                       .ConfigurationShown = selected.has_value(),
                                                       .Recording = recording,
                                                       .Testing = testing,
                                                       .DevicesAttached = devices});
}

// The commands the shortcuts run in these states, in kEditorShortcuts' order (0: none).
std::vector<int> Fired(const EditorCommandStates& states) {
    std::vector<int> fired;
    for (const auto& [id, keys] : kEditorShortcuts)
        for (const Shortcut key : keys)
            fired.push_back(ShortcutCommand(key, states));
    return fired;
}

TEST(Shortcuts, EditorShortcutsRunTheirMenuItemsExactlyWhenEnabled) {
    constexpr int N = IDM_NEW, L = IDM_LOAD, S = IDM_SAVE, A = IDM_SAVEAS, C = IDM_CLOSE,
                  J = IDM_JOY, H = IDM_CONTENTS;
    // The order: New, Load, Close (Ctrl+W, Ctrl+F4), Save, Save As, Refresh, Help.
    EXPECT_EQ(Fired(StatesFor(16, true)), (std::vector{N, L, C, C, S, A, J, H}));
    EXPECT_EQ(Fired(StatesFor(0, false)), (std::vector{0, L, C, C, 0, A, J, H}));
    // A new configuration: its toolbar button closes it, its menu item (and so Ctrl+W) not.
    const EditorCommandStates created = StatesFor(2, true);
    ASSERT_TRUE(created.Toolbar.Close);
    EXPECT_EQ(Fired(created), (std::vector{N, L, 0, 0, 0, A, J, H}));
    EXPECT_EQ(Fired(StatesFor(std::nullopt, true)), (std::vector{N, L, 0, 0, 0, 0, J, H}));
    // Testing locks the menus: no shortcut runs.
    EXPECT_EQ(Fired(StatesFor(16, true, false, true)), std::vector<int>(8, 0));
    // While recording every key is recorded, whatever the menus' states.
    EditorCommandStates recording = StatesFor(16, true, true);
    EXPECT_EQ(Fired(recording), std::vector<int>(8, 0));
    recording.MenusEnabled = true;
    recording.Menu = StatesFor(16, true).Menu;
    EXPECT_EQ(Fired(recording), std::vector<int>(8, 0));
    // Only the exact chord: no other modifier, and the letter alone is no shortcut.
    const EditorCommandStates modified = StatesFor(16, true);
    for (const Shortcut other :
         {Shortcut{'S'}, Shortcut{'S', kShiftMask}, Shortcut{'S', kCtrlMask | kAltMask},
          Shortcut{kVkF5, kCtrlMask}, CtrlKey('Q'), Shortcut{}})
        EXPECT_EQ(ShortcutCommand(other, modified), 0) << other.Key << ' ' << other.Modifiers;
}

TEST(Shortcuts, EditorMenuTexts) {
    const auto editorItem = [](int id) {
        const EditorCommand& row = *FindEditorCommand(id);
        return CaptionWithShortcut(row.Caption, row.Shortcuts[0]);
    };
    EXPECT_EQ(editorItem(IDM_SAVEAS), L" S&ave As...\tCtrl+Shift+S");
    EXPECT_EQ(editorItem(IDM_CLOSE), L" &Close\tCtrl+W");
    EXPECT_EQ(editorItem(IDM_JOY), L" Refresh Device &List\tF5");
    EXPECT_EQ(editorItem(IDM_EXIT), L" &Exit");
    EXPECT_EQ(ShortcutText(CtrlKey(kVkF4)), L"Ctrl+F4");
}

TEST(Shortcuts, EditorAccessKeysDistinctInEachMenuAndTheWindow) {
    std::map<std::string, std::vector<const wchar_t*>> editor;
    for (const EditorCommand& row : EditorCommands()) {
        if (row.IsSeparator())
            continue;
        switch (row.Place) {
        case CommandPlace::MenuBar:
        case CommandPlace::MappingButton: // the buttons share the window with the menu bar
            editor["editor window"].push_back(row.Caption);
            break;
        case CommandPlace::FileMenu:
        case CommandPlace::ToolsMenu:
        case CommandPlace::HelpMenu:
            editor["editor menu " + std::to_string(static_cast<int>(row.Place))].push_back(
                row.Caption);
            break;
        default: // the pop-up menus are chosen by the mouse; the toolbar shows no text
            break;
        }
    }
    testing::ExpectDistinctAccessKeys(editor);
}

} // namespace
} // namespace qm::win32
