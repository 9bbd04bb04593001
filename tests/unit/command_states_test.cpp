// The editor's command states: the file command table state by state, the modes, and what
// each step leaves as it was.
#include "editor/command_states.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

// Every flag of the states set to `v`.
EditorCommandStates AllFlags(bool v) {
    EditorCommandStates s;
    s.Toolbar = s.Menu = {v, v, v, v, v, v, v, v, v, v, v, v};
    s.FileListMenu = {v, v, v, v, v, v, v, v, v, v, v, v, v};
    s.Buttons = s.MappingMenu = {v, v, v, v, v, v, v};
    s.MenusEnabled = s.FileListMenuEnabled = s.MappingMenuEnabled = v;
    s.Recording = s.Testing = v;
    return s;
}

// Flags as '1' and '0', in the order the structures declare them.
std::string Bits(std::initializer_list<bool> flags) {
    std::string s;
    for (bool f : flags)
        s += f ? '1' : '0';
    return s;
}
std::string Bits(const FileCommandFlags& f) {
    const auto& [a, b, c, d, e, g, h, i, j, k, l, m] = f;
    return Bits({a, b, c, d, e, g, h, i, j, k, l, m});
}
std::string Bits(const FileListMenuFlags& f) {
    const auto& [a, b, c, d, e, g, h, i, j, k, l, m, n] = f;
    return Bits({a, b, c, d, e, g, h, i, j, k, l, m, n});
}
std::string Bits(const MappingCommandFlags& f) {
    const auto& [a, b, c, d, e, g, h] = f;
    return Bits({a, b, c, d, e, g, h});
}

// Expected flags: '1' true, '0' false, 'D' whether devices are attached, '-' as before.
std::string Resolve(std::string values, bool devices, bool before) {
    for (char& c : values)
        c = c == '1' || (c == 'D' && devices) || (c == '-' && before) ? '1' : '0';
    return values;
}

TEST(CommandStates, FileCommandTableByStateWithAndWithoutDevices) {
    const struct {
        std::optional<int> state; // none: no entries
        const char *toolbar, *menu, *fileListMenu;
    } columns[] = {
        {std::nullopt, "0D1000000101", "0D1000000101", "00DD110000000"},
        {1, "1D10000111D1", "1D10000111D1", "101D110000101"},
        {2, "0D1101000101", "0D1001000101", "01DD110100000"},
        {0, "0D11011111D1", "0D11011111D1", "01DD110111111"},
        {16, "0D1111111101", "0D1111111101", "01DD1111-1111"},
    };
    for (const auto& c : columns)
        for (bool devices : {false, true})
            for (bool before : {false, true}) {
                EditorCommandInput in;
                in.EntryCount = c.state ? 2 : 0;
                in.SelectedState = c.state;
                in.ConfigurationShown = true;
                in.DevicesAttached = devices;
                const auto s = NextCommandStates(AllFlags(before), in);
                SCOPED_TRACE(::testing::Message() << c.state.value_or(-1) << devices << before);
                EXPECT_EQ(Bits(s.Toolbar), Resolve(c.toolbar, devices, before));
                EXPECT_EQ(Bits(s.Menu), Resolve(c.menu, devices, before));
                EXPECT_EQ(Bits(s.FileListMenu), Resolve(c.fileListMenu, devices, before));
            }
}

TEST(CommandStates, ModesSetTheMappingCommandsAndLockTheRestWhileRecordingOrTesting) {
    struct Case {
        const char* Mode;
        bool Shown, Recording, Testing;
        const char* Buttons;     // Record, ClearRow, ClearItem, Test, Remove, Add, Replace
        const char* MappingMenu; // the mapping list's context menu items
        const char* Flags; // MenusEnabled, FileListMenuEnabled, MappingMenuEnabled, Recording,
                           // Testing
        bool Locked;       // toolbar off, menu entries kept, step 3 skipped
    };
    const Case cases[] = {
        {"none shown", false, true, true, "0000000", "-------", "---00", false},
        {"recording", true, true, false, "-110000", "-110000", "00-1-", true},
        {"testing", true, false, true, "000-000", "000-000", "00--1", true},
        {"neither", true, false, false, "1111111", "1111111", "11100", false},
    };
    for (const Case& c : cases)
        for (bool before : {false, true}) {
            EditorCommandInput in;
            in.EntryCount = 1;
            in.SelectedState = 16;
            in.ConfigurationShown = c.Shown;
            in.Recording = c.Recording;
            in.Testing = c.Testing;
            in.DevicesAttached = true;
            const auto b = AllFlags(before);
            const auto s = NextCommandStates(b, in);
            SCOPED_TRACE(std::string(c.Mode) + (before ? " from all on" : " from all off"));
            EXPECT_EQ(Bits(s.Buttons), Resolve(c.Buttons, false, before));
            EXPECT_EQ(Bits(s.MappingMenu), Resolve(c.MappingMenu, false, before));
            EXPECT_EQ(Bits({s.MenusEnabled, s.FileListMenuEnabled, s.MappingMenuEnabled,
                            s.Recording, s.Testing}),
                      Resolve(c.Flags, false, before));
            if (c.Locked) {
                EXPECT_EQ(s.Toolbar, FileCommandFlags{});
                EXPECT_EQ(s.Menu.Open, b.Menu.Open);
                EXPECT_EQ(s.FileListMenu, b.FileListMenu);
            } else {
                EXPECT_TRUE(s.Toolbar.Save); // step 3 ran: state 16
                EXPECT_FALSE(s.Toolbar.Open);
            }
        }
}

TEST(CommandStates, UnknownStatesAndAnEmptyListLeaveWhatTheirStepDoesNotSet) {
    for (bool before : {false, true}) {
        const auto b = AllFlags(before);
        EditorCommandInput in;
        in.EntryCount = 1;
        in.ConfigurationShown = true;
        for (std::optional<int> state :
             {std::optional<int>(), std::optional<int>(8), std::optional<int>(4)}) {
            in.SelectedState = state;
            const auto s = NextCommandStates(b, in);
            EXPECT_EQ(s.Toolbar, b.Toolbar);
            EXPECT_EQ(s.FileListMenu, b.FileListMenu);
            EXPECT_EQ(s.Menu.Save, b.Menu.Save);
        }
        in.EntryCount = 0;
        in.ConfigurationShown = false;
        const auto s = NextCommandStates(b, in);
        EXPECT_EQ(s.Buttons, b.Buttons);
        EXPECT_EQ(s.MappingMenu, b.MappingMenu);
        EXPECT_EQ(s.MenusEnabled, b.MenusEnabled);
        EXPECT_EQ(s.Recording, b.Recording);
    }
}

} // namespace
} // namespace qm
