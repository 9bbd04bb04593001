#include "editor/command_states.h"

#include <optional>

namespace qm {

namespace {

// Columns of the file command table: an empty configuration list, then the state of the
// selected entry.
enum Column { NoEntries, StateListed, StateNew, StateSaved, StateModified };

std::optional<Column> ColumnOfState(int state) {
    switch (state) {
    case 1:
        return StateListed;
    case 2:
        return StateNew;
    case 0:
        return StateSaved;
    case 16:
        return StateModified;
    default:
        return std::nullopt;
    }
}

// A command and its value in each column: '1' enabled (shown), '0' disabled (hidden), 'D'
// enabled only with an input device attached, '-' unchanged.
template <class Flags> struct CommandRow {
    bool Flags::*Flag;
    const char* Values;
};

using F = FileCommandFlags;
constexpr CommandRow<F> kToolbar[] = {
    {&F::Open, "01000"}, {&F::New, "DDDDD"},     {&F::Load, "11111"},  {&F::Close, "00111"},
    {&F::Save, "00001"}, {&F::SaveAs, "00111"},  {&F::Clone, "00011"}, {&F::Delete, "01011"},
    {&F::Icon, "01011"}, {&F::Refresh, "11111"}, {&F::Run, "0D0D0"},   {&F::Help, "11111"},
};
// The main menu's Refresh and Help items are always enabled (while the menus are).
constexpr CommandRow<F> kMenu[] = {
    {&F::Open, "01000"}, {&F::New, "DDDDD"},    {&F::Load, "11111"},  {&F::Close, "00011"},
    {&F::Save, "00001"}, {&F::SaveAs, "00111"}, {&F::Clone, "00011"}, {&F::Delete, "01011"},
    {&F::Icon, "01011"}, {&F::Run, "0D0D0"},
};
using P = FileListMenuFlags;
constexpr CommandRow<P> kFileListMenu[] = {
    {&P::Open, "01000"},  {&P::New, "DDDDD"},    {&P::Separator1, "D1DDD"},
    {&P::Load, "11111"},  {&P::Close, "00111"},  {&P::Separator2, "11111"},
    {&P::Save, "00001"},  {&P::SaveAs, "00111"}, {&P::Separator3, "0001-"},
    {&P::Clone, "00011"}, {&P::Delete, "01011"}, {&P::Separator4, "00011"},
    {&P::Icon, "01011"},
};

template <class Flags, std::size_t N>
void ApplyColumn(Flags& flags, const CommandRow<Flags> (&table)[N], Column column,
                 bool devicesAttached) {
    for (const CommandRow<Flags>& row : table) {
        switch (row.Values[column]) {
        case '1':
            flags.*row.Flag = true;
            break;
        case '0':
            flags.*row.Flag = false;
            break;
        case 'D':
            flags.*row.Flag = devicesAttached;
            break;
        default: // unchanged
            break;
        }
    }
}

void ApplyFileColumn(EditorCommandStates& s, Column column, bool devicesAttached) {
    ApplyColumn(s.Toolbar, kToolbar, column, devicesAttached);
    ApplyColumn(s.Menu, kMenu, column, devicesAttached);
    ApplyColumn(s.FileListMenu, kFileListMenu, column, devicesAttached);
}

// Recording or testing: nothing but the mapping list and its mode's own commands is available.
void LockFileCommands(EditorCommandStates& s) {
    s.Toolbar = FileCommandFlags{};
    s.MenusEnabled = false;
    s.FileListMenuEnabled = false;
}

} // namespace

EditorCommandStates DesignedCommandStates() {
    constexpr FileCommandFlags kAllFileCommands{true, true, true, true, true, true,
                                                true, true, true, true, true, true};
    EditorCommandStates s;
    s.Toolbar = s.Menu = kAllFileCommands;
    s.FileListMenu = {true, true, true, true, true, true, true, true, true, true, true, true, true};
    // The mapping buttons wait for a configuration: the placeholder list offers nothing.
    s.MappingMenu = {true, true, true, true, true, true, true, false, false};
    return s;
}

EditorCommandStates NextCommandStates(const EditorCommandStates& before,
                                      const EditorCommandInput& input) {
    EditorCommandStates s = before;
    s.Menu.Refresh = s.Menu.Help = true;
    // The mapping commands by mode first: with nothing shown there is nothing to act on,
    // whether entries are left or not.
    if (!input.ConfigurationShown) {
        s.Recording = false;
        s.Testing = false;
        s.Buttons = MappingCommandFlags{};
        s.CopyLayers = {};
    } else if (input.Recording) {
        s.Recording = true;
        for (MappingCommandFlags* m : {&s.Buttons, &s.MappingMenu}) {
            m->ClearRow = m->ClearItem = true;
            m->Test = m->Remove = m->Add = m->Replace = m->AddDiagonals = m->AddBand =
                m->CopyToLayer = false;
            m->SetKeyCell = input.RowChosen && input.KeyColumnChosen;
        }
        s.CopyLayers = {};
        LockFileCommands(s);
        return s;
    } else if (input.Testing) {
        s.Testing = true;
        for (MappingCommandFlags* m : {&s.Buttons, &s.MappingMenu})
            m->Record = m->ClearRow = m->ClearItem = m->Remove = m->Add = m->Replace =
                m->AddDiagonals = m->AddBand = m->CopyToLayer = m->SetKeyCell = false;
        s.CopyLayers = {};
        LockFileCommands(s);
        return s;
    } else {
        s.Recording = false;
        s.Testing = false;
        constexpr MappingCommandFlags all{true, true, true, true, true, true, true};
        s.Buttons = s.MappingMenu = all;
        for (MappingCommandFlags* m : {&s.Buttons, &s.MappingMenu}) {
            m->AddDiagonals = input.HatRowMissingDiagonals;
            m->AddBand = input.AxisRow;
            m->CopyToLayer = input.CopyLayers != 0;
            m->SetKeyCell = input.RowChosen && input.KeyColumnChosen;
        }
        s.CopyLayers = {};
        for (std::size_t layer = 1; layer < s.CopyLayers.size(); ++layer)
            s.CopyLayers[layer] = (input.CopyLayers & (1u << layer)) != 0;
        s.MappingMenuEnabled = s.MenusEnabled = s.FileListMenuEnabled = true;
    }

    if (input.EntryCount == 0)
        ApplyFileColumn(s, NoEntries, input.DevicesAttached);
    else if (input.SelectedState)
        if (const auto column = ColumnOfState(*input.SelectedState))
            ApplyFileColumn(s, *column, input.DevicesAttached);
    return s;
}

} // namespace qm
