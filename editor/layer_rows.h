#pragma once
// The shift layers and the pointer motion of a mapping list's rows: which layer a row belongs
// to and how its Layer, Pointer Speed and Pointer Curve cells read and are edited, the rows a
// view of one layer shows, and a layer's rows made from rows the user chose.
#include "core/control.h"
#include "editor/mapping_table.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The layer a row belongs to: 0 (the base) to kMaxLayer.
int RowLayer(const PackedRow& row);
// What the Layer cell shows: "Base" for the base layer, else the number.
std::string LayerCellText(int layer);
inline constexpr std::string_view kBaseLayerText = "Base";
// A layer's name in menus and the live test: "Base Layer", "Layer 1" ... "Layer 7".
std::string LayerName(int layer);

// The highest pointer speed a row's pointer cells take, pixels a second at full deflection.
inline constexpr int kMaxPointerSpeed = 100000;
inline constexpr std::string_view kDefaultPointerSpeedText = "800";
// Whether a key cell of the row names a pointer direction ("POINTER UP" ...).
bool MovesPointer(const PackedRow& row);
// What the Pointer Curve cell shows on an axis row: "Linear" or "Steeper"; a row moving the
// pointer without one set shows the default, linear. Empty otherwise.
std::string_view PointerCurveText(const PackedRow& row);
inline constexpr std::string_view kLinearCurveText = "Linear";
inline constexpr std::string_view kSteeperCurveText = "Steeper";

// A typed Layer ("0" to "7", or "Base") or Pointer Speed ("1" to "100000", or "" for none, the
// default): the cell set; false, nothing changed, for other text, a speed on a row that is no
// axis, or another column.
bool SetLayerOrSpeed(MappingTable& table, int r, int column, std::string_view text);
// A double-click on Pointer Curve of an axis row: linear and steeper alternate. False for any
// other row.
bool StepPointerCurve(MappingTable& table, int r);

// Whether a row is shown by a view of `layer` (none: every layer).
inline bool InLayerView(const PackedRow& row, std::optional<int> layer) {
    return !layer || RowLayer(row) == *layer;
}
// The rows a view of `layer` shows, in list order.
std::vector<int> RowsInLayerView(const MappingTable& table, std::optional<int> layer);

// What identifies the control a row reads, whatever its layer: the button text, the control
// (a band with its band) and the device identity trimmed and without regard to case.
std::string ControlKey(const PackedRow& row);

// The layers row `r` can be copied into, bit n for layer n (1 to 7): those its control has no
// row in yet.
unsigned CopyableLayers(const MappingTable& table, int r);
// The rows `rows` copied into `layer`, keys and all, each after the last row of its control;
// a row whose control has a row in `layer` already, or that is in `layer`, is skipped. The
// number of rows added.
int CopyRowsToLayer(MappingTable& table, std::span<const int> rows, int layer);

} // namespace qm
