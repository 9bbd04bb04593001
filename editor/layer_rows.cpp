#include "editor/layer_rows.h"

#include "core/control_cells.h"
#include "core/key_names.h"
#include "core/text.h"
#include "editor/control_rows.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>
#include <unordered_set>

namespace qm {

namespace {

// A whole number from `text`, spaces around it allowed; none for anything else.
std::optional<int> WholeNumber(std::string_view text) {
    text = TrimSpaces(text);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// A pointer speed may pass 32767: read as a number, not as an Integer.
int TagNumber(const PackedRow& row, int column) {
    return WholeNumberOf(ConvertedOr(row.Tag(column), &Variant::ToNumber, 0.0));
}

bool IsAxisRow(const PackedRow& row) {
    return RowControl(row).Kind == ControlKind::Axis;
}

// The row's control cells rewritten from `fields`.
void SetFields(MappingTable& table, int r, const ControlFields& fields) {
    MappingRow cells = table.Row(r).Unpack();
    SetControlCells(cells, static_cast<int>(ButtonNumber(table.Row(r)).value_or(0)), fields);
    for (int c = col::Control; c < kColumnCount; ++c)
        table.SetCell(r, c, cells[c]);
}

} // namespace

int RowLayer(const PackedRow& row) {
    const int layer = TagNumber(row, col::Layer);
    return layer >= 0 && layer <= kMaxLayer ? layer : 0;
}

std::string LayerCellText(int layer) {
    return layer == 0 ? std::string(kBaseLayerText) : std::to_string(layer);
}

std::string LayerName(int layer) {
    return layer == 0 ? std::string(kBaseLayerText) + " Layer" : "Layer " + std::to_string(layer);
}

bool MovesPointer(const PackedRow& row) {
    for (int c = col::FirstPress; c < col::KeyEnd; ++c) {
        const Variant tag = row.Tag(c);
        if (const std::string* name = tag.AsString();
            name != nullptr && PointerDirectionOfName(*name) != PointerDirection::None)
            return true;
    }
    return false;
}

std::string_view PointerCurveText(const PackedRow& row) {
    if (!IsAxisRow(row))
        return {};
    const int curve = TagNumber(row, col::PointerCurve);
    if (curve == 2)
        return kSteeperCurveText;
    return curve == 1 || MovesPointer(row) ? kLinearCurveText : std::string_view();
}

bool SetLayerOrSpeed(MappingTable& table, int r, int column, std::string_view text) {
    if (r < 0 || r >= table.RowCount())
        return false;
    ControlFields fields = ControlFieldsOf(table.Row(r).Unpack());
    if (column == col::Layer) {
        const auto layer = EqualsIgnoreCase(TrimSpaces(text), kBaseLayerText) ? std::optional(0)
                                                                              : WholeNumber(text);
        if (!layer || *layer < 0 || *layer > kMaxLayer)
            return false;
        fields.Layer = *layer;
    } else if (column == col::PointerSpeed && IsAxisRow(table.Row(r))) {
        const auto speed = TrimSpaces(text).empty() ? std::optional(0) : WholeNumber(text);
        if (!speed || *speed < 0 || *speed > kMaxPointerSpeed ||
            (*speed == 0 && !TrimSpaces(text).empty()))
            return false;
        fields.PointerSpeed = *speed;
    } else {
        return false;
    }
    SetFields(table, r, fields);
    return true;
}

bool StepPointerCurve(MappingTable& table, int r) {
    if (r < 0 || r >= table.RowCount() || !IsAxisRow(table.Row(r)))
        return false;
    ControlFields fields = ControlFieldsOf(table.Row(r).Unpack());
    fields.PointerCurve = fields.PointerCurve == 2 ? 1 : 2;
    SetFields(table, r, fields);
    return true;
}

std::vector<int> RowsInLayerView(const MappingTable& table, std::optional<int> layer) {
    std::vector<int> rows;
    for (int r = 0; r < table.RowCount(); ++r)
        if (InLayerView(table.Row(r), layer))
            rows.push_back(r);
    return rows;
}

std::string ControlKey(const PackedRow& row) {
    const std::string_view button = row.Text(col::Button);
    const Control control = RowControl(row);
    std::string key = std::to_string(button.size()) + ':' + std::string(button);
    if (control.Kind != ControlKind::Button) {
        key += '#' + std::string(ControlCode(control));
        if (control.IsBand())
            key += ' ' + std::string(row.Text(col::PressPoint));
        key += '#';
    }
    return key + IdentityKey(row.Tag(col::Device).ToText());
}

unsigned CopyableLayers(const MappingTable& table, int r) {
    if (r < 0 || r >= table.RowCount())
        return 0;
    const PackedRow& of = table.Row(r);
    const std::string key = ControlKey(of);
    unsigned taken = 0;
    for (const PackedRow& row : table.Rows())
        // The button text first: most rows differ there, and it costs no key.
        if (row.Text(col::Button) == of.Text(col::Button) && ControlKey(row) == key)
            taken |= 1u << RowLayer(row);
    constexpr unsigned kLayers = ((1u << (kMaxLayer + 1)) - 1) & ~1u;
    return kLayers & ~taken;
}

int CopyRowsToLayer(MappingTable& table, std::span<const int> rows, int layer) {
    if (layer < 1 || layer > kMaxLayer)
        return 0;
    const int count = table.RowCount();
    // Each control's last row, and the controls that have a row in the layer already.
    std::unordered_map<std::string, int> lastOf;
    std::unordered_set<std::string> inLayer;
    for (int r = 0; r < count; ++r) {
        std::string key = ControlKey(table.Row(r));
        if (RowLayer(table.Row(r)) == layer)
            inLayer.insert(key);
        lastOf[std::move(key)] = r;
    }
    // The copies, each to go after the last row of its control.
    std::vector<std::vector<int>> after(static_cast<std::size_t>(count));
    std::vector<PackedRow> added;
    for (const int r : rows) {
        if (r < 0 || r >= count)
            continue;
        std::string key = ControlKey(table.Row(r));
        if (!inLayer.insert(key).second)
            continue;
        MappingRow copy = table.Row(r).Unpack();
        ControlFields fields = ControlFieldsOf(copy);
        fields.Layer = layer;
        SetControlCells(copy, static_cast<int>(ButtonNumber(table.Row(r)).value_or(0)), fields);
        after[static_cast<std::size_t>(lastOf[key])].push_back(count +
                                                               static_cast<int>(added.size()));
        added.emplace_back(copy);
    }
    if (added.empty())
        return 0;
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(count) + added.size());
    for (int r = 0; r < count; ++r) {
        order.push_back(r);
        for (const int a : after[static_cast<std::size_t>(r)])
            order.push_back(a);
    }
    const int copied = static_cast<int>(added.size());
    table.Rearrange(order, std::move(added));
    return copied;
}

} // namespace qm
