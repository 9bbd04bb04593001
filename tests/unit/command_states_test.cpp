// The editor's command states: how the file command table is applied, the modes, and what
// each step leaves as it was.
#include "editor/command_states.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <string>
#include <tuple>

namespace qm {
namespace {

// Every flag of the states set to `v` (the states hold only bools).
EditorCommandStates AllFlags(bool v) {
    std::array<bool, sizeof(EditorCommandStates)> flags;
    flags.fill(v);
    return std::bit_cast<EditorCommandStates>(flags);
}

// Flags as '1' and '0', in the order the structure declares them (it holds only bools).
template <class Flags> std::string Bits(const Flags& flags) {
    std::string s;
    for (bool f : std::bit_cast<std::array<bool, sizeof flags>>(flags))
        s += f ? '1' : '0';
    return s;
}

// Expected flags: '1' true, '0' false, '-' as before.
std::string Resolve(std::string values, bool before) {
    for (char& c : values)
        c = c == '1' || (c == '-' && before) ? '1' : '0';
    return values;
}

// The file command table's values are the product's own table (seen in the e2e scripts' states
// and in editor_shortcuts_test); here how a state's column is applied: 'D' follows the devices,
// '-' keeps what was, '0' and '1' set.
TEST(CommandStates, AStatesColumnFollowsTheDevicesAndKeepsItsUnchangedCells) {
    for (bool devices : {false, true})
        for (bool before : {false, true}) {
            const auto s = NextCommandStates(AllFlags(before), {.EntryCount = 2,
                                                                .SelectedState = 16,
                                                                .ConfigurationShown = true,
                                                                .DevicesAttached = devices});
            SCOPED_TRACE(::testing::Message() << devices << before);
            EXPECT_EQ(
                std::tuple(s.Toolbar.New, s.FileListMenu.Separator3, s.Menu.Open, s.Menu.Save),
                std::tuple(devices, before, false, true));
        }
}

TEST(CommandStates, ModesSetTheMappingCommandsAndLockTheRestWhileRecordingOrTesting) {
    struct Case {
        // HatRow: the chosen row reads a hat missing a diagonal; AxisRow: an axis; CopyLayers:
        // the layers the chosen row can be copied into; KeyCell: a row and a key column chosen.
        const char* Mode;
        bool Shown, Recording, Testing, HatRow, AxisRow;
        unsigned CopyLayers;
        bool KeyCell;
        // Buttons: Record, ClearRow, ClearItem, Test, Remove, Add, Replace, AddDiagonals,
        // AddBand, CopyToLayer, SetKeyCell; MappingMenu: the mapping list's context menu items;
        // Flags: Enabled of menus, file list menu, mapping menu, then Recording, Testing.
        const char *Buttons, *MappingMenu, *Flags;
        bool Locked;      // toolbar off, menu entries kept, step 3 skipped
        const char* Copy; // CopyLayers, layer 0 first
    };
    // Recording with a key cell chosen, as the window shows it: tests/e2e/editor/recording.
    const Case cases[] = {
        {"none shown", false, true, true, true, true, 0xFE, true, "00000000000", "-----------",
         "---00", false, "00000000"},
        {"recording, no key cell", true, true, false, false, false, 0, false, "-1100000000",
         "-1100000000", "00-1-", true, "00000000"},
        {"testing", true, false, true, true, true, 0xFE, true, "000-0000000", "000-0000000",
         "00--1", true, "00000000"},
        {"neither", true, false, false, false, false, 0, false, "11111110000", "11111110000",
         "11100", false, "00000000"},
        {"hat row", true, false, false, true, false, 0, false, "11111111000", "11111111000",
         "11100", false, "00000000"},
        {"axis row", true, false, false, false, true, 0, false, "11111110100", "11111110100",
         "11100", false, "00000000"},
        {"layers 2 and 7 free", true, false, false, false, false, 0x84, true, "11111110011",
         "11111110011", "11100", false, "00100001"},
    };
    for (const Case& c : cases)
        for (bool before : {false, true}) {
            const auto b = AllFlags(before);
            const auto s = NextCommandStates(b, {.EntryCount = 1,
                                                 .SelectedState = 16,
                                                 .ConfigurationShown = c.Shown,
                                                 .Recording = c.Recording,
                                                 .Testing = c.Testing,
                                                 .DevicesAttached = true,
                                                 .HatRowMissingDiagonals = c.HatRow,
                                                 .AxisRow = c.AxisRow,
                                                 .RowChosen = c.KeyCell || c.CopyLayers != 0,
                                                 .CopyLayers = c.CopyLayers,
                                                 .KeyColumnChosen = c.KeyCell});
            SCOPED_TRACE(std::string(c.Mode) + (before ? " from all on" : " from all off"));
            EXPECT_EQ(Bits(s.Buttons), Resolve(c.Buttons, before));
            EXPECT_EQ(Bits(s.MappingMenu), Resolve(c.MappingMenu, before));
            EXPECT_EQ(Bits(s.CopyLayers), c.Copy);
            EXPECT_EQ(Bits(std::array{s.MenusEnabled, s.FileListMenuEnabled, s.MappingMenuEnabled,
                                      s.Recording, s.Testing}),
                      Resolve(c.Flags, before));
            if (c.Locked)
                EXPECT_EQ(std::tie(s.Toolbar, s.Menu.Open, s.FileListMenu),
                          std::tuple(FileCommandFlags{}, b.Menu.Open, b.FileListMenu));
            else // step 3 ran: state 16
                EXPECT_EQ(std::tuple(s.Toolbar.Save, s.Toolbar.Open), std::tuple(true, false));
        }
}

// A state the editor never produces leaves the file commands as they were. An empty list
// leaves no mapping command: editor_controller_test's Delete case.
TEST(CommandStates, UnknownStatesLeaveTheFileCommands) {
    for (bool before : {false, true})
        for (const std::optional<int> state :
             {std::optional<int>(), std::optional(8), std::optional(4)}) {
            const auto b = AllFlags(before);
            const auto s = NextCommandStates(
                b, {.EntryCount = 1, .SelectedState = state, .ConfigurationShown = true});
            EXPECT_EQ(std::tie(s.Toolbar, s.FileListMenu, s.Menu.Save),
                      std::tie(b.Toolbar, b.FileListMenu, b.Menu.Save));
        }
}

} // namespace
} // namespace qm
