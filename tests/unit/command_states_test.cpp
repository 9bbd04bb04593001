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

// An expected value: '1' true, '0' false, 'D' whether devices are attached, '-' as before.
bool Expected(char value, bool devices, bool before) {
    return value == '1' || (value == 'D' && devices) || (value == '-' && before);
}

// A row of the file command table: its values in the columns no entries, 1 listed, 2 new,
// 0 saved, 16 modified.
template <class Flags> struct TableRow {
    const char* Command;
    bool Flags::*Flag;
    const char* Values;
};

using F = FileCommandFlags;
const TableRow<F> kToolbar[] = {
    {"BTopen", &F::Open, "01000"},   {"BTnew", &F::New, "DDDDD"},
    {"BTload", &F::Load, "11111"},   {"BTclose", &F::Close, "00111"},
    {"BTsave", &F::Save, "00001"},   {"BTsaveas", &F::SaveAs, "00111"},
    {"BTclone", &F::Clone, "00011"}, {"BTdelete", &F::Delete, "01011"},
    {"BTicon", &F::Icon, "01011"},   {"BTjoy", &F::Refresh, "11111"},
    {"BTrun", &F::Run, "0D0D0"},     {"BThelp", &F::Help, "11111"},
};
const TableRow<F> kMenu[] = {
    {"MNopen", &F::Open, "01000"},     {"MNnew", &F::New, "DDDDD"},
    {"MNload", &F::Load, "11111"},     {"MNclose", &F::Close, "00011"},
    {"MNsave", &F::Save, "00001"},     {"MNsaveas", &F::SaveAs, "00111"},
    {"MNclone", &F::Clone, "00011"},   {"MNdelete", &F::Delete, "01011"},
    {"MNicon", &F::Icon, "01011"},     {"MNrun", &F::Run, "0D0D0"},
    {"Refresh", &F::Refresh, "11111"}, {"Help", &F::Help, "11111"},
};
using P = FileListMenuFlags;
const TableRow<P> kFileListMenu[] = {
    {"MNopen", &P::Open, "01000"},           {"MNnew", &P::New, "DDDDD"},
    {"separator1", &P::Separator1, "D1DDD"}, {"MNload", &P::Load, "11111"},
    {"MNclose", &P::Close, "00111"},         {"separator2", &P::Separator2, "11111"},
    {"MNsave", &P::Save, "00001"},           {"MNsaveas", &P::SaveAs, "00111"},
    {"separator3", &P::Separator3, "0001-"}, {"MNclone", &P::Clone, "00011"},
    {"MNdelete", &P::Delete, "01011"},       {"separator4", &P::Separator4, "00011"},
    {"MNicon", &P::Icon, "01011"},
};

template <class Flags, std::size_t N>
void ExpectColumn(const TableRow<Flags> (&table)[N], const Flags& actual, int column, bool devices,
                  bool before) {
    for (const auto& row : table)
        EXPECT_EQ(actual.*row.Flag, Expected(row.Values[column], devices, before))
            << row.Command << " column " << column << " devices " << devices << " before "
            << before;
}

TEST(CommandStates, FileCommandTableByStateWithAndWithoutDevices) {
    const std::optional<int> columnStates[] = {std::nullopt, 1, 2, 0, 16};
    for (int column = 0; column < 5; ++column)
        for (bool devices : {false, true})
            for (bool before : {false, true}) {
                EditorCommandInput in;
                in.EntryCount = column == 0 ? 0 : 2;
                in.SelectedState = columnStates[column];
                in.ConfigurationShown = true;
                in.DevicesAttached = devices;
                const auto s = NextCommandStates(AllFlags(before), in);
                ExpectColumn(kToolbar, s.Toolbar, column, devices, before);
                ExpectColumn(kMenu, s.Menu, column, devices, before);
                ExpectColumn(kFileListMenu, s.FileListMenu, column, devices, before);
            }
}

// Mapping command values in the order Record, ClearRow, ClearItem, Test, Remove, Add, Replace.
std::string MappingFlags(const MappingCommandFlags& m) {
    std::string s;
    for (bool f : {m.Record, m.ClearRow, m.ClearItem, m.Test, m.Remove, m.Add, m.Replace})
        s += f ? '1' : '0';
    return s;
}

std::string Resolve(const char* values, bool before) {
    std::string s(values);
    for (char& c : s)
        c = Expected(c, false, before) ? '1' : '0';
    return s;
}

TEST(CommandStates, ModesSetTheMappingCommandsAndLockTheRestWhileRecordingOrTesting) {
    struct Case {
        const char* Mode;
        bool Shown, Recording, Testing;
        const char* Buttons;     // as MappingFlags spells them
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
            EXPECT_EQ(MappingFlags(s.Buttons), Resolve(c.Buttons, before));
            EXPECT_EQ(MappingFlags(s.MappingMenu), Resolve(c.MappingMenu, before));
            const std::string flags = {
                s.MenusEnabled ? '1' : '0', s.FileListMenuEnabled ? '1' : '0',
                s.MappingMenuEnabled ? '1' : '0', s.Recording ? '1' : '0', s.Testing ? '1' : '0'};
            EXPECT_EQ(flags, Resolve(c.Flags, before));
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
