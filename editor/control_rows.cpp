#include "editor/control_rows.h"

#include "core/control_cells.h"
#include "core/qmf_file.h"
#include "core/text.h"
#include "editor/layer_rows.h"
#include "editor/mapping_table.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace qm {

namespace {

// A hat's directions a new list gives it, in their order: up, right, down, left.
constexpr int kStandardHatDirections = 4;

Control ControlOfTag(const Variant& tag) {
    const std::string* code = tag.AsString();
    if (code == nullptr)
        return {};
    return ParseControlCode(*code).value_or(Control{});
}

int AxisCount(const DeviceEntry& device) {
    return std::popcount(static_cast<unsigned>(device.AxisMask));
}

int HatCount(const DeviceEntry& device) {
    return std::clamp(device.HatCount, 0, kMaxHatNumber);
}

} // namespace

Control RowControl(const PackedRow& row) {
    // A hat or axis row's cell names it (SetControlCells); a button row's is empty, which is
    // read without decoding the tag.
    if (row.Text(col::Control).empty())
        return {};
    return ControlOfTag(row.Tag(col::Control));
}

Control RowControl(const MappingRow& row) {
    return ControlOfTag(row[col::Control].Tag);
}

MappingRow ControlRow(Control control, int number, const std::string& deviceName,
                      const std::string& identity, std::optional<PointRange> band) {
    MappingRow row = ButtonRow(number, deviceName, identity);
    ControlFields fields;
    fields.Which = control;
    fields.Points = DefaultPoints(control, control.IsBand() ? band : std::nullopt);
    SetControlCells(row, number, fields);
    return row;
}

std::vector<MappingRow> DeviceControlRows(const DeviceEntry& device) {
    std::vector<MappingRow> rows;
    const int count = StandardSlotCount(device);
    rows.reserve(static_cast<std::size_t>(count - device.ButtonCount));
    for (int slot = std::max(device.ButtonCount, 0); slot < count; ++slot) {
        const auto [control, number] = SlotControl(device, slot);
        rows.push_back(ControlRow(control, number, device.Name, device.Identity));
    }
    return rows;
}

int StandardSlotCount(const DeviceEntry& device) {
    return std::max(device.ButtonCount, 0) + kStandardHatDirections * HatCount(device) +
           2 * AxisCount(device);
}

std::optional<int> StandardSlot(const DeviceEntry& device, Control control, int number) {
    const int buttons = std::max(device.ButtonCount, 0);
    switch (control.Kind) {
    case ControlKind::Button:
        if (number >= 1 && number <= buttons)
            return number - 1;
        return std::nullopt;
    case ControlKind::Hat:
        if (number < 1 || number > HatCount(device) || control.Direction % 2 != 0)
            return std::nullopt;
        return buttons + (number - 1) * kStandardHatDirections + control.Direction / 2;
    case ControlKind::Axis: {
        if (control.IsBand() || !device.HasAxis(number))
            return std::nullopt;
        // The axes the device has below this one.
        const unsigned below = static_cast<unsigned>(device.AxisMask) & ((1u << (number - 1)) - 1);
        return buttons + kStandardHatDirections * HatCount(device) + 2 * std::popcount(below) +
               control.Direction;
    }
    }
    return std::nullopt;
}

std::pair<Control, int> SlotControl(const DeviceEntry& device, int slot) {
    const int buttons = std::max(device.ButtonCount, 0);
    if (slot < buttons)
        return {Control{}, slot + 1};
    slot -= buttons;
    if (slot < kStandardHatDirections * HatCount(device))
        return {Control{ControlKind::Hat, 2 * (slot % kStandardHatDirections)},
                slot / kStandardHatDirections + 1};
    slot -= kStandardHatDirections * HatCount(device);
    int rank = slot / 2;
    for (int a = 1; a <= kMaxAxisNumber; ++a)
        if (device.HasAxis(a) && rank-- == 0)
            return {Control{ControlKind::Axis, slot % 2}, a};
    return {Control{}, 0};
}

bool DeviceHasControl(const DeviceEntry& device, Control control, double number) {
    switch (control.Kind) {
    case ControlKind::Hat:
        return number >= 1 && number <= HatCount(device) && number == std::floor(number);
    case ControlKind::Axis:
        return number == std::floor(number) && number >= 1 && number <= kMaxAxisNumber &&
               device.HasAxis(static_cast<int>(number));
    case ControlKind::Button:
        break;
    }
    return number <= device.ButtonCount;
}

ControlSortKey SortKeyOf(const PackedRow& row) {
    const Control control = RowControl(row);
    ControlSortKey key;
    key.Number = ButtonNumber(row);
    switch (control.Kind) {
    case ControlKind::Button:
        break;
    case ControlKind::Hat:
        key.Kind = 1;
        key.Direction = control.Direction;
        break;
    case ControlKind::Axis:
        key.Kind = control.IsBand() ? 3 : 2;
        key.Direction = control.Direction;
        if (control.IsBand()) {
            const Variant press = row.Tag(col::PressPoint);
            const PointRange band =
                PointsOf(control, press.AsString() ? *press.AsString() : "", "").Press;
            key.BandFrom = band.From;
            key.BandTo = band.To;
        }
        break;
    }
    return key;
}

std::string_view ShownCellText(const PackedRow& row, int column) {
    if (column == col::Button || column == col::Rotary) {
        if (const std::string_view name = row.Text(col::Control); !name.empty())
            return column == col::Button ? name : kNotApplicable;
    }
    switch (column) {
    case col::Layer:
        return RowLayer(row) == 0 ? kBaseLayerText : row.Text(column);
    case col::PointerSpeed:
        // An axis row moving the pointer without a speed set moves at the default.
        if (RowControl(row).Kind != ControlKind::Axis)
            return kNotApplicable;
        if (ConvertedOr(row.Tag(column), &Variant::ToNumber, 0.0) > 0)
            return row.Text(column);
        return MovesPointer(row) ? kDefaultPointerSpeedText : std::string_view();
    case col::PointerCurve:
        if (RowControl(row).Kind != ControlKind::Axis)
            return kNotApplicable;
        return PointerCurveText(row);
    default:
        break;
    }
    // A row that never had Hold switched on keeps its cell empty (a button row written as
    // version 1.4): it is off.
    if (column == col::Hold && row.Text(column).empty())
        return OnOffText(false);
    return row.Text(column);
}

int ColumnAtPosition(int shown) {
    if (shown < 0 || shown >= kShownColumnCount)
        return -1;
    return shown < col::KeyEnd ? shown : shown + 1;
}

int PositionOfColumn(int column) {
    if (column >= 0 && column < col::KeyEnd)
        return column;
    if (column >= col::PressPoint && column <= col::PointerCurve)
        return column - 1;
    return -1;
}

} // namespace qm
