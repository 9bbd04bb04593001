#pragma once
// One open configuration's mapping list: its rows of 41 cells, each row's background colour, the
// selected row, the sort order and the editing rules of the list (toggles, the multiplier cycle,
// the description, sorting, marking rows active against the attached devices).
#include "core/mapping_row.h"
#include "devices/device_tables.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Row background colours, as Windows colour values (red + 256 * green + 65536 * blue).
namespace rowcolour {
inline constexpr std::uint32_t Active = 16381943;    // RGB(247, 247, 249)
inline constexpr std::uint32_t Inactive = 14737632;  // RGB(224, 224, 224)
inline constexpr std::uint32_t Selected = 16108223;  // RGB(191, 202, 245)
inline constexpr std::uint32_t Recording = 14803455; // RGB(255, 225, 225)
inline constexpr std::uint32_t Pressed = 13696972;   // RGB(204, 255, 208)
} // namespace rowcolour

// The list's own background: the placeholder's and an open configuration's.
inline constexpr std::uint32_t kPlaceholderBackColour = 13554646; // RGB(214, 211, 206)
inline constexpr std::uint32_t kListBackColour = 16381943;        // RGB(247, 247, 249)

// Column titles, left to right ("Button No.", "Device ID", ..., "On Release 16").
const std::vector<std::string>& MappingColumnTitles();
// Whether a column's text is centred (the flags, the multiplier and the key cells).
bool IsCentredColumn(int column);
// Whether the column is a key cell (On Press 1 .. On Release 16).
inline bool IsKeyColumn(int column) {
    return column >= col::FirstPress && column < col::KeyEnd;
}

// What a double-click on a cell did.
enum class CellEdit {
    None,       // not an editable column
    Toggled,    // a flag column changed
    Multiplied, // the multiplier stepped
};

// The number in a row's "Button No." text; none when it is not a number.
std::optional<double> ButtonNumber(const PackedRow& row);

// A new row for a device's button: the new-row defaults, active.
MappingRow ButtonRow(int button, const std::string& deviceName, const std::string& identity);

class MappingTable {
public:
    MappingTable() = default;
    // A new list: one row per device button, in the order of the device layer's button list,
    // each device's buttons followed by its hat and axis rows (DeviceControlRows), with the
    // new-row defaults; every row active.
    static MappingTable FromButtons(const DeviceTables& devices);
    // A copy of another list's rows (texts, tags and colours); every Description tag True.
    static MappingTable CopyOf(const MappingTable& source);
    // Rows read from a file; each row coloured from its active flag.
    static MappingTable FromRows(std::vector<PackedRow> rows);
    static MappingTable FromRows(const std::vector<MappingRow>& rows);

    int RowCount() const { return static_cast<int>(rows_.size()); }
    const PackedRow& Row(int r) const { return rows_[static_cast<std::size_t>(r)]; }
    const std::vector<PackedRow>& Rows() const { return rows_; }
    std::uint32_t RowColour(int r) const;

    // The selected row (0-based), -1 when none.
    int SelectedRow() const { return selected_; }
    // No row selected (the selected one was hidden).
    void Deselect() { selected_ = -1; }

    // The shift layer the list shows (none: every layer); the rows of others stay, hidden.
    std::optional<int> ShownLayer() const { return shownLayer_; }
    void SetShownLayer(std::optional<int> layer) { shownLayer_ = layer; }

    // Selecting a row (a click): recolours every row from its active flag, then the selected
    // row Selected, or Recording while recording. Returns false and recolours nothing when the
    // row is already coloured Selected and recording is off, or when there is no such row.
    bool Select(int r, bool recording);
    // Recolours every row from its active flag and the selected one as Select does.
    void Recolour(bool recording);
    // A row's colour set by the device handler (Pressed) or a test.
    void SetRowColour(int r, std::uint32_t colour);

    // A double-click on a cell selects its row (without recolouring) and edits the cell: flags
    // toggle; the multiplier m becomes Abs(Int(m)) * 2, or 1 when that is not 1 to 8, so it
    // steps 1, 2, 4, 8, 1. Repeat, Rotary and Hold exclude each other: one switched on
    // switches the others off. Rotary does not apply to a hat or axis row and stays off.
    CellEdit Edit(int r, int column);
    // The Description of a row; a double quote becomes an apostrophe, control characters
    // spaces.
    void SetDescription(int r, std::string_view text);
    // The press or release point of an axis row from a user's text ("50", "40-60", "%"
    // allowed): the points made sound (PointsOf: the release range widened to contain the
    // press range) and a band row renamed after its band. False, nothing changed, for a text
    // that is no point, another row or another column.
    bool SetPoint(int r, int column, std::string_view text);
    // A key cell (On Press 1 .. On Release 16) of a row, replaced; nothing for another column.
    void SetKeyCell(int r, int column, const Cell& cell);

    // A click on "Button No." sorts the rows by button number in the current order (rows whose
    // number does not convert first; buttons, then hats, then axis directions, then bands, each
    // by number, direction and band: SortKeyOf), then does what a click on "Device ID" does:
    // toggles the order and sorts by the device text in the new order. Both sorts are stable, so
    // the rows end grouped by device with each device's buttons in number order. Other columns sort
    // nothing and give false.
    bool SortByColumn(int column);

    // Marks each row active when its device is attached (identity compared trimmed and without
    // regard to case; of two devices of one identity, the later counts) and has the button, hat
    // or axis the row reads, else inactive.
    void MarkActive(const DeviceTables& devices);

    // List maintenance, in one step however many rows move: row i of the new list is row
    // order[i] of the list now or, from RowCount() on, added[order[i] - RowCount()], coloured
    // from its active flag. Rows not in `order` go; none may appear twice. The selection stays
    // with its row, and is none once that row went.
    void Rearrange(const std::vector<int>& order, std::vector<PackedRow> added);
    // A cell replaced.
    void SetCell(int r, int column, const Cell& cell);

private:
    std::vector<PackedRow> rows_;
    std::vector<std::uint32_t> colours_;
    int selected_ = -1;
    bool descending_ = false; // the current sort order
    std::optional<int> shownLayer_;
};

} // namespace qm
