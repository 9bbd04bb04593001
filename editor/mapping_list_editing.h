#pragma once
// The editor's commands on the shown mapping list: the clicks and keys that select rows and
// cells and edit them, sorting, the Description editor, and the list's maintenance (rows added for
// missing buttons, inactive and duplicate rows removed, a device replaced, a row or a key cell
// cleared). Each traps its own errors under the procedure name its error box shows.
#include "editor/editor_state.h"
#include "editor/list_maintenance.h"

#include <string_view>

namespace qm {

// The keys that move and edit in the mapping list.
enum class ListKey { Up, Down, PageUp, PageDown, Home, End, Left, Right, Space, Enter, F2 };

class MappingListEditing {
public:
    explicit MappingListEditing(EditorState& state) : state_(state) {}

    // `row` is 0-based, -1 when no row is under the pointer; `column` is the cell's column
    // (a row's column, 0 to 47), -1 when none.
    void RowPressed(int row, int column, bool rightButton) noexcept;
    void RowReleased(int row, int column, bool leftButton) noexcept;
    // A click on the list, after the press selected a row: the rows are recoloured, and while
    // recording the lock keys follow the selected row.
    void ListClicked() noexcept;
    void CellDoubleClicked(int row, int column) noexcept;
    void ColumnClicked(int column) noexcept;
    // The Description editor closed (Enter or the focus left it) with this text.
    void DescriptionCommitted(std::string_view text) noexcept;
    // Escape in the Description editor: closed, the row keeps its text.
    void DescriptionCancelled() noexcept;
    // A key pressed in the list, outside recording (while recording it is a key to record):
    // the navigation keys select another row (`pageRows`: the rows a page shows), Left and
    // Right choose the column, Space or Enter edit the chosen cell of the selected row as a
    // double-click does, F2 or Enter on a Description or an axis row's point open its editor.
    void KeyPressed(ListKey key, int pageRows) noexcept;

    void AddMissingRows() noexcept;
    void RemoveInactiveAndDuplicateRows() noexcept;
    void ReplaceDevice() noexcept;
    void ClearRow() noexcept;
    void ClearKeyCell() noexcept;
    // Rows for the missing diagonals of the chosen row's hat; a band row of its axis.
    void AddHatDiagonals() noexcept;
    void AddAxisBand() noexcept;
    // The list shows the rows of one shift layer (0 the base), or of all (none). A selected row
    // the view hides is no longer selected.
    void ShowLayer(std::optional<int> layer) noexcept;
    // The chosen row copied into `layer` (1 to 7) with its keys, unless its control has a row
    // there already.
    void CopyToLayer(int layer) noexcept;
    // A name no key gives ("LAYER 1", "POINTER UP", ...) put into the chosen key cell of the
    // chosen row.
    void SetKeyCellName(std::string_view name) noexcept;

private:
    void MoveSelection(const MappingTable& table, ListKey key, int pageRows);
    void ChooseColumn(const MappingTable& table, int step);
    void EditChosenCell(const MappingTable& table, ListKey key);
    void OpenDescriptionEditor(const MappingTable& table, int row);
    // The cell editor over a row's Description or point cell.
    void OpenCellEditor(const MappingTable& table, int row, int column);
    // A point, layer or pointer speed typed in the cell editor: set, or refused with a message.
    void CommitTypedCell(MappingTable& table, int row, int column, std::string_view text);
    void AddControlRows(std::string_view procedure, bool (*add)(MappingTable&, int));
    // While recording, the keyboard's lock keys follow the row's flags.
    void FollowLockFlags(const PackedRow& row);
    ListMaintenance Maintenance();
    // A maintenance command that adds or removes rows: the pressed row is forgotten after it.
    void MoveRows(std::string_view procedure, bool (ListMaintenance::*command)());
    // The selected row of the shown list: the row the last press chose, else the list's.
    int ChosenRow() const;

    EditorState& state_;
};

} // namespace qm
