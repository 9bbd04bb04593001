#include "editor/mapping_list_editing.h"

#include "core/error_trap.h"
#include "core/messages.h"
#include "editor/control_rows.h"
#include "editor/layer_rows.h"
#include "keyboard/send_keys.h"

#include <algorithm>
#include <utility>

namespace qm {

namespace {

// The lock keys a double-click sets at once while recording.
constexpr std::uint16_t kNumLockKey = 144;
constexpr std::uint16_t kCapsLockKey = 20;
constexpr std::uint16_t kScrollLockKey = 145;

// Whether the cell is one the cell editor edits beside the Description: a point or the pointer
// speed of an axis row, the layer of any row.
bool IsTypedCell(const PackedRow& row, int column) {
    switch (column) {
    case col::PressPoint:
    case col::ReleasePoint:
    case col::PointerSpeed:
        return RowControl(row).Kind == ControlKind::Axis;
    case col::Layer:
        return true;
    default:
        return false;
    }
}

// The text the cell editor opens with: a point as its number or range without " %", the layer
// as its number, the pointer speed as its number or nothing.
std::string EditedText(const PackedRow& row, int column) {
    switch (column) {
    case col::Layer:
        return std::to_string(RowLayer(row));
    case col::PointerSpeed: {
        const int speed = WholeNumberOf(ConvertedOr(row.Tag(column), &Variant::ToNumber, 0.0));
        return speed > 0 ? std::to_string(speed) : std::string();
    }
    case col::PressPoint:
    case col::ReleasePoint:
        if (const Variant tag = row.Tag(column); tag.AsString() != nullptr)
            return *tag.AsString();
        break;
    default:
        break;
    }
    return std::string(row.Text(column));
}

} // namespace

// ---- selecting and editing ---------------------------------------------------------------

void MappingListEditing::RowPressed(int row, int column, bool rightButton) noexcept {
    RunTrapped(state_.Seams.Dialogs, "ListView3_MouseDown", [&] {
        auto* table = state_.List.Shown();
        if (table == nullptr || row < 0 || row >= table->RowCount())
            return;
        state_.PressedRow = row;
        if (rightButton) {
            // The menu's commands that depend on the row follow the row pressed.
            state_.UpdateStates();
            if (state_.States.MappingMenuEnabled)
                state_.View.PopUpMappingMenu();
        } else {
            state_.KeyColumn = IsKeyColumn(column) ? std::optional(column) : std::nullopt;
            state_.ListColumn = column >= 0 ? std::optional(column) : std::nullopt;
        }
    });
}

void MappingListEditing::ListClicked() noexcept {
    RunTrapped(state_.Seams.Dialogs, "ListView3_Click", [&] {
        auto* table = state_.List.Shown();
        if (table == nullptr || table->RowCount() == 0)
            return;
        state_.View.SetKeyMappingText("");
        const int row =
            std::exchange(state_.PressedRow, std::nullopt).value_or(table->SelectedRow());
        if (row < 0 || row >= table->RowCount())
            return;
        if (table->Select(row, state_.Recording) && state_.Recording)
            FollowLockFlags(table->Row(row));
        state_.View.RedrawMappingRows();
        // The commands that depend on the selected row follow it.
        state_.UpdateStates();
    });
}

void MappingListEditing::FollowLockFlags(const PackedRow& row) {
    const auto on = [&](int column) -> std::int16_t {
        const Variant tag = row.Tag(column);
        return tag.kind() == Variant::Kind::Boolean && tag.ToBool() ? 1 : 0;
    };
    auto& keyboard = state_.Seams.Keyboard;
    SetKeyState(keyboard, kNumLockKey, on(col::NumLock));
    SetKeyState(keyboard, kCapsLockKey, on(col::CapsLock));
    SetKeyState(keyboard, kScrollLockKey, on(col::ScrollLock));
}

void MappingListEditing::RowReleased(int row, int column, bool leftButton) noexcept {
    RunTrapped(state_.Seams.Dialogs, "ListView3_MouseUp", [&] {
        auto* table = state_.List.Shown();
        if (table == nullptr || row < 0 || row >= table->RowCount() || !leftButton)
            return;
        state_.View.MarkKeyColumn(IsKeyColumn(column) ? column : 0, state_.Recording);
        if (column == col::Description)
            OpenDescriptionEditor(*table, row);
    });
}

void MappingListEditing::OpenDescriptionEditor(const MappingTable& table, int row) {
    OpenCellEditor(table, row, col::Description);
}

void MappingListEditing::OpenCellEditor(const MappingTable& table, int row, int column) {
    state_.EditRow = row;
    state_.EditColumn = column;
    state_.View.OpenDescriptionEditor(row, EditedText(table.Row(row), column));
}

void MappingListEditing::CellDoubleClicked(int row, int column) noexcept {
    RunTrapped(state_.Seams.Dialogs, "ListView3_DblClick", [&] {
        auto* table = state_.List.Shown();
        if (state_.Testing || table == nullptr || row < 0 || row >= table->RowCount())
            return;
        table->Select(row, state_.Recording);
        if (IsTypedCell(table->Row(row), column)) {
            state_.View.RedrawMappingRows();
            OpenCellEditor(*table, row, column);
            return;
        }
        if ((column == col::PointerCurve && StepPointerCurve(*table, row)) ||
            table->Edit(row, column) != CellEdit::None) {
            state_.MarkModified();
            if (state_.Recording)
                FollowLockFlags(table->Row(row));
        }
        state_.View.RedrawMappingRows();
        state_.Refresh();
    });
}

void MappingListEditing::ColumnClicked(int column) noexcept {
    RunTrapped(state_.Seams.Dialogs, "ListView3_ColumnClick", [&] {
        auto* table = state_.List.Shown();
        if (table == nullptr || !table->SortByColumn(column))
            return;
        // The row order is saved with the file.
        state_.MarkModified();
        state_.View.ShowMappingList(table);
        state_.Refresh();
    });
}

void MappingListEditing::DescriptionCommitted(std::string_view text) noexcept {
    RunTrapped(state_.Seams.Dialogs, "TextEdit_LostFocus", [&] {
        state_.View.CloseDescriptionEditor();
        auto* table = state_.List.Shown();
        const auto row = std::exchange(state_.EditRow, std::nullopt);
        if (table == nullptr || !row || *row < 0 || *row >= table->RowCount())
            return;
        if (state_.EditColumn != col::Description) {
            CommitTypedCell(*table, *row, state_.EditColumn, text);
            return;
        }
        const auto before = table->Row(*row)[col::Description].Text;
        table->SetDescription(*row, text);
        if (table->Row(*row)[col::Description].Text != before)
            state_.MarkModified();
        state_.View.RedrawMappingRows();
        state_.Refresh();
    });
}

void MappingListEditing::CommitTypedCell(MappingTable& table, int row, int column,
                                         std::string_view text) {
    const PackedRow before = table.Row(row);
    const bool point = column == col::PressPoint || column == col::ReleasePoint;
    const bool set =
        point ? table.SetPoint(row, column, text) : SetLayerOrSpeed(table, row, column, text);
    if (!set) {
        if (!IsTypedCell(before, column))
            return;
        state_.Seams.Dialogs.ShowMessage(point ? msg::InvalidPoint(RowControl(before).IsBand())
                                         : column == col::Layer ? msg::InvalidLayer()
                                                                : msg::InvalidPointerSpeed());
        return;
    }
    if (!(table.Row(row) == before))
        state_.MarkModified();
    // A row moved to a layer the list does not show leaves the view, and the selection.
    if (!InLayerView(table.Row(row), table.ShownLayer())) {
        table.Deselect();
        state_.ListColumn.reset();
        state_.View.ShowMappingList(&table);
    } else {
        state_.View.RedrawMappingRows();
    }
    state_.Refresh();
}

void MappingListEditing::DescriptionCancelled() noexcept {
    RunTrapped(state_.Seams.Dialogs, "TextEdit_KeyPress", [&] {
        state_.EditRow.reset();
        state_.View.CloseDescriptionEditor();
    });
}

// ---- keys ----------------------------------------------------------------------------------

void MappingListEditing::KeyPressed(ListKey key, int pageRows) noexcept {
    RunTrapped(state_.Seams.Dialogs, "ListView3_KeyDown", [&] {
        const auto* table = state_.List.Shown();
        // While recording every key is one to record.
        if (state_.Recording || table == nullptr || table->RowCount() == 0)
            return;
        switch (key) {
        case ListKey::Left:
        case ListKey::Right:
            ChooseColumn(*table, key == ListKey::Left ? -1 : 1);
            break;
        case ListKey::Space:
        case ListKey::Enter:
        case ListKey::F2:
            EditChosenCell(*table, key);
            break;
        default:
            MoveSelection(*table, key, pageRows);
            break;
        }
    });
}

void MappingListEditing::MoveSelection(const MappingTable& table, ListKey key, int pageRows) {
    // The keys move among the rows the list shows: positions in the layer's view.
    const auto layer = table.ShownLayer();
    const std::vector<int> shown = layer ? RowsInLayerView(table, layer) : std::vector<int>();
    const int count = layer ? static_cast<int>(shown.size()) : table.RowCount();
    if (count == 0)
        return;
    const auto rowAt = [&](int position) {
        return layer ? shown[static_cast<std::size_t>(position)] : position;
    };
    const int last = count - 1;
    int from = table.SelectedRow();
    if (layer) {
        const auto at = std::find(shown.begin(), shown.end(), from);
        from = at != shown.end() ? static_cast<int>(at - shown.begin()) : -1;
    }
    // A page key moves by the rows a page shows less one, so that one row stays in sight.
    const int page = std::max(pageRows - 1, 1);
    int row = 0;
    if (from < 0)
        row = key == ListKey::End ? last : 0;
    else if (key == ListKey::Up)
        row = from - 1;
    else if (key == ListKey::Down)
        row = from + 1;
    else if (key == ListKey::PageUp)
        row = from - page;
    else if (key == ListKey::PageDown)
        row = from + page;
    else if (key == ListKey::End)
        row = last;
    // As a click on the row: recoloured, the "Key Mapping:" box emptied.
    state_.PressedRow = rowAt(std::clamp(row, 0, last));
    ListClicked();
    state_.View.ScrollCellIntoView(table.SelectedRow(), state_.ListColumn.value_or(-1));
}

void MappingListEditing::ChooseColumn(const MappingTable& table, int step) {
    // The keys step through the shown columns, the hidden cells left out.
    const int column =
        state_.ListColumn ? ColumnAtPosition(std::clamp(PositionOfColumn(*state_.ListColumn) + step,
                                                        0, kShownColumnCount - 1))
                          : 0;
    state_.ListColumn = column;
    // A key column is where recording writes, as a click on it chooses.
    state_.KeyColumn = IsKeyColumn(column) ? std::optional(column) : std::nullopt;
    state_.View.MarkKeyColumn(state_.KeyColumn.value_or(0), false);
    state_.View.ScrollCellIntoView(table.SelectedRow(), column);
    state_.View.RedrawMappingRows();
}

void MappingListEditing::EditChosenCell(const MappingTable& table, ListKey key) {
    const int row = table.SelectedRow();
    if (row < 0 || !state_.ListColumn)
        return;
    const int column = *state_.ListColumn;
    if (column == col::Description || IsTypedCell(table.Row(row), column)) {
        if (key != ListKey::Space)
            OpenCellEditor(table, row, column);
    } else if (key != ListKey::F2) {
        CellDoubleClicked(row, column);
    }
}

// ---- maintenance -------------------------------------------------------------------------

ListMaintenance MappingListEditing::Maintenance() {
    return ListMaintenance(state_.List.Shown(), state_.Devices->Tables(), state_.Seams.Dialogs,
                           state_.View, kEditorTitle);
}

int MappingListEditing::ChosenRow() const {
    const auto* table = state_.List.Shown();
    if (table == nullptr)
        return -1;
    const auto pressed = state_.PressedRow;
    return pressed && *pressed >= 0 && *pressed < table->RowCount() ? *pressed
                                                                    : table->SelectedRow();
}

void MappingListEditing::AddMissingRows() noexcept {
    MoveRows("Add_Devices", &ListMaintenance::AddMissingRows);
}

void MappingListEditing::RemoveInactiveAndDuplicateRows() noexcept {
    MoveRows("Del_Devices", &ListMaintenance::RemoveInactiveAndDuplicateRows);
}

void MappingListEditing::MoveRows(std::string_view procedure, bool (ListMaintenance::*command)()) {
    RunTrapped(state_.Seams.Dialogs, procedure, [&] {
        auto maintenance = Maintenance();
        if ((maintenance.*command)())
            state_.MarkModified();
    });
    state_.PressedRow.reset(); // rows moved
    state_.Refresh();
}

void MappingListEditing::ReplaceDevice() noexcept {
    RunTrapped(state_.Seams.Dialogs, "Swap_Devices", [&] {
        if (Maintenance().ReplaceDevice(ChosenRow()))
            state_.MarkModified();
    });
    state_.Refresh();
}

void MappingListEditing::ClearRow() noexcept {
    RunTrapped(state_.Seams.Dialogs, "ComClear_Click", [&] {
        auto* table = state_.List.Shown();
        const int row = ChosenRow();
        if (table == nullptr || row < 0)
            return;
        ClearRowCells(*table, row);
        // As a click on the row: recoloured, and while recording the lock keys follow it.
        ListClicked();
        state_.View.FocusMappingList();
        state_.MarkModified();
        state_.Refresh();
    });
}

void MappingListEditing::AddHatDiagonals() noexcept {
    AddControlRows("ComDiagonals_Click", &qm::AddHatDiagonals);
}

void MappingListEditing::AddAxisBand() noexcept {
    AddControlRows("ComBand_Click", &qm::AddAxisBand);
}

void MappingListEditing::AddControlRows(std::string_view procedure,
                                        bool (*add)(MappingTable&, int)) {
    RunTrapped(state_.Seams.Dialogs, procedure, [&] {
        auto* table = state_.List.Shown();
        const int row = ChosenRow();
        if (state_.Recording || state_.Testing || table == nullptr || row < 0)
            return;
        if (!add(*table, row))
            return;
        state_.MarkModified();
        state_.View.ShowMappingList(table);
    });
    state_.PressedRow.reset(); // rows moved
    state_.Refresh();
}

// ---- layers --------------------------------------------------------------------------------

void MappingListEditing::ShowLayer(std::optional<int> layer) noexcept {
    RunTrapped(state_.Seams.Dialogs, "MNlayer_Click", [&] {
        auto* table = state_.List.Shown();
        if (table == nullptr || state_.Recording || state_.Testing)
            return;
        table->SetShownLayer(layer);
        const int selected = table->SelectedRow();
        if (selected >= 0 && !InLayerView(table->Row(selected), layer))
            table->Deselect();
        state_.PressedRow.reset();
        state_.View.ShowMappingList(table);
    });
    state_.Refresh();
}

void MappingListEditing::CopyToLayer(int layer) noexcept {
    RunTrapped(state_.Seams.Dialogs, "ComCopyLayer_Click", [&] {
        auto* table = state_.List.Shown();
        const int row = ChosenRow();
        if (state_.Recording || state_.Testing || table == nullptr || row < 0)
            return;
        if (CopyRowsToLayer(*table, std::span(&row, 1), layer) == 0)
            return;
        state_.MarkModified();
        state_.View.ShowMappingList(table);
    });
    state_.PressedRow.reset(); // rows moved
    state_.Refresh();
}

void MappingListEditing::SetKeyCellName(std::string_view name) noexcept {
    RunTrapped(state_.Seams.Dialogs, "ComSetCell_Click", [&] {
        auto* table = state_.List.Shown();
        const int row = ChosenRow();
        const auto column = state_.KeyColumn;
        if (state_.Testing || table == nullptr || row < 0 || !column || !IsKeyColumn(*column))
            return;
        table->SetKeyCell(row, *column, {std::string(name), Variant::Text(std::string(name))});
        state_.View.RedrawMappingRows();
        state_.MarkModified();
    });
    state_.Refresh();
}

void MappingListEditing::ClearKeyCell() noexcept {
    RunTrapped(state_.Seams.Dialogs, "ComClearItem_Click", [&] {
        auto* table = state_.List.Shown();
        const int row = ChosenRow();
        if (table == nullptr || table->RowCount() == 0)
            return;
        const auto column = state_.KeyColumn;
        if (column && IsKeyColumn(*column) && row >= 0) {
            table->SetCell(row, *column, {"", Variant::Text("")});
            state_.View.RedrawMappingRows();
        }
        state_.View.FocusMappingList();
        state_.MarkModified();
        state_.Refresh();
    });
}

} // namespace qm
