#pragma once
// The rows of a controller's hats and axes beside its button rows: which a new list gives each
// device (a hat's four directions, an axis's two), the optional ones a user adds (a hat's
// diagonals, an axis's bands), what a row reads, and where each row stands among its device's.
#include "core/control.h"
#include "core/mapping_row.h"
#include "devices/device_tables.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The control a row reads (a button when its control cell holds none or an unknown code).
Control RowControl(const PackedRow& row);
Control RowControl(const MappingRow& row);

// A new row for a control of a device: the new-row defaults, active, the control's default
// points (a band: `band`, or 40-60 %).
MappingRow ControlRow(Control control, int number, const std::string& deviceName,
                      const std::string& identity, std::optional<PointRange> band = std::nullopt);

// The hat and axis rows a device gets after its button rows: per hat its four directions (Up,
// Right, Down, Left), per axis its two (- and +).
std::vector<MappingRow> DeviceControlRows(const DeviceEntry& device);

// Where a row's control stands among the rows a new list gives its device: buttons 1 to
// ButtonCount first, then the hats' directions, then the axes'. Nothing for a row the device
// does not get by itself (a diagonal, a band, a control or button the device lacks).
std::optional<int> StandardSlot(const DeviceEntry& device, Control control, int number);
// How many rows a new list gives the device.
int StandardSlotCount(const DeviceEntry& device);
// The control and number of a slot (0 <= slot < StandardSlotCount).
std::pair<Control, int> SlotControl(const DeviceEntry& device, int slot);

// Whether the device has the control `number` of that kind reads: its button, hat or axis.
bool DeviceHasControl(const DeviceEntry& device, Control control, double number);

// How rows sort by their "Button No." column: buttons by number, then hats, then axes
// directions, then bands, each by number, direction and band.
struct ControlSortKey {
    int Kind = 0; // 0 button, 1 hat, 2 axis direction, 3 band
    std::optional<double> Number;
    int Direction = 0;
    int BandFrom = 0;
    int BandTo = 0;
    auto operator<=>(const ControlSortKey&) const = default;
};
ControlSortKey SortKeyOf(const PackedRow& row);

// What the list shows in a cell: a hat or axis row's name in "Button No.", "n/a" for Rotary
// on a hat or axis row (it does not apply there), "Off" for a Hold never set, "Base" for the
// base layer, the pointer speed and curve of an axis row (the defaults when it moves the pointer
// without them: PointerSpeedText, PointerCurveText) and "n/a" for them on other rows; the cell's
// text otherwise.
std::string_view ShownCellText(const PackedRow& row, int column);
inline constexpr std::string_view kNotApplicable = "n/a";

// The columns the list shows, left to right: the 41 of a button row, then "Press At",
// "Release At", "Hold", "Layer", "Pointer Speed" and "Pointer Curve". The control cell (its
// name is shown in "Button No.") stays hidden.
inline constexpr int kShownColumnCount = col::KeyEnd + 6;
// The row's column shown at position `shown` (0 to kShownColumnCount - 1), and back: -1 for a
// hidden column or a position out of range.
int ColumnAtPosition(int shown);
int PositionOfColumn(int column);

} // namespace qm
