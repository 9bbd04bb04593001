#include "editor/mapping_table.h"

#include "core/app_error.h"
#include "core/control_cells.h"
#include "core/text.h"
#include "editor/control_rows.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>
#include <unordered_map>
#include <utility>

namespace qm {

namespace {

// The active flag of a row, held in its Description tag; an empty tag counts as True and
// becomes True.
bool ActiveFlag(PackedRow& row) {
    Variant tag = row.Tag(col::Description);
    const std::string* text = tag.AsString();
    if (tag.IsEmpty() || (text && text->empty())) {
        tag = Variant::Bool(true);
        row.Set(col::Description, {std::string(row.Text(col::Description)), tag});
    }
    return ConvertedOr(tag, &Variant::ToBool, false);
}

void SetTag(PackedRow& row, int column, Variant tag) {
    row.Set(column, {std::string(row.Text(column)), std::move(tag)});
}

std::uint32_t FlagColour(bool active) {
    return active ? rowcolour::Active : rowcolour::Inactive;
}

} // namespace

std::optional<double> ButtonNumber(const PackedRow& row) {
    double n = 0;
    if (ParseNumber(row.Text(col::Button), n))
        return n;
    return std::nullopt;
}

const std::vector<std::string>& MappingColumnTitles() {
    static const std::vector<std::string> titles = [] {
        std::vector<std::string> t = {"Button No.", "Device ID",  "Repeat",
                                      "Rotary",     "Multiplier", "Description",
                                      "Num Lock",   "Caps Lock",  "Scroll Lock"};
        for (int s = 1; s <= kKeyCellsPerSide; ++s)
            t.push_back("On Press " + std::to_string(s));
        for (int s = 1; s <= kKeyCellsPerSide; ++s)
            t.push_back("On Release " + std::to_string(s));
        for (const char* title : {"Control", "Press At", "Release At", "Hold", "Layer",
                                  "Pointer Speed", "Pointer Curve"})
            t.push_back(title);
        return t;
    }();
    return titles;
}

bool IsCentredColumn(int column) {
    return column >= col::Repeat && column < kColumnCount && column != col::Description &&
           column != col::Control;
}

MappingRow ButtonRow(int button, const std::string& deviceName, const std::string& identity) {
    MappingRow row = NewMappingRow();
    row[col::Button].Text = std::to_string(button);
    row[col::Device] = {deviceName, Variant::Text(identity)};
    row[col::Description].Tag = Variant::Bool(true);
    return row;
}

MappingTable MappingTable::FromButtons(const DeviceTables& devices) {
    MappingTable table;
    std::size_t count = 0;
    for (const DeviceEntry& device : devices.Devices())
        count += static_cast<std::size_t>(StandardSlotCount(device));
    table.rows_.reserve(count);
    // Each device's buttons in the order of the button list, then its hats and axes.
    const auto& buttons = devices.ButtonList();
    std::size_t next = 0;
    for (const DeviceEntry& device : devices.Devices()) {
        for (int b = 0; b < device.ButtonCount && next < buttons.size(); ++b, ++next) {
            const ButtonListEntry& button = buttons[next];
            table.rows_.emplace_back(ButtonRow(button.ButtonNumber, button.ButtonDeviceName,
                                               button.ButtonDeviceIdentity));
        }
        for (const MappingRow& row : DeviceControlRows(device))
            table.rows_.emplace_back(row);
    }
    table.colours_.assign(table.rows_.size(), rowcolour::Active);
    return table;
}

MappingTable MappingTable::CopyOf(const MappingTable& source) {
    MappingTable table;
    table.rows_ = source.rows_;
    table.colours_ = source.colours_;
    for (PackedRow& row : table.rows_)
        SetTag(row, col::Description, Variant::Bool(true));
    return table;
}

MappingTable MappingTable::FromRows(std::vector<PackedRow> rows) {
    MappingTable table;
    table.rows_ = std::move(rows);
    table.colours_.reserve(table.rows_.size());
    for (PackedRow& row : table.rows_)
        table.colours_.push_back(FlagColour(ActiveFlag(row)));
    return table;
}

MappingTable MappingTable::FromRows(const std::vector<MappingRow>& rows) {
    return FromRows(std::vector<PackedRow>(rows.begin(), rows.end()));
}

std::uint32_t MappingTable::RowColour(int r) const {
    return colours_[static_cast<std::size_t>(r)];
}

void MappingTable::SetRowColour(int r, std::uint32_t colour) {
    if (r >= 0 && r < RowCount())
        colours_[static_cast<std::size_t>(r)] = colour;
}

bool MappingTable::Select(int r, bool recording) {
    if (r < 0 || r >= RowCount())
        return false;
    selected_ = r;
    if (RowColour(r) == rowcolour::Selected && !recording)
        return false;
    Recolour(recording);
    return true;
}

void MappingTable::Recolour(bool recording) {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        colours_[i] = FlagColour(ActiveFlag(rows_[i]));
    if (selected_ >= 0 && selected_ < RowCount())
        colours_[static_cast<std::size_t>(selected_)] =
            recording ? rowcolour::Recording : rowcolour::Selected;
}

CellEdit MappingTable::Edit(int r, int column) {
    if (r < 0 || r >= RowCount())
        return CellEdit::None;
    selected_ = r;
    PackedRow& row = rows_[static_cast<std::size_t>(r)];
    switch (column) {
    case col::Repeat:
    case col::Rotary:
    case col::Hold: {
        // Rotary does not apply to a hat or an axis.
        if (column == col::Rotary && RowControl(row).Kind != ControlKind::Button)
            return CellEdit::None;
        const bool on = !ConvertedOr(row.Tag(column), &Variant::ToBool, false);
        row.Set(column, {OnOffText(on), Variant::Bool(on)});
        // A row repeats, turns or holds: switching one on switches the others off.
        if (on)
            for (const int other : {col::Repeat, col::Rotary, col::Hold})
                if (other != column && ConvertedOr(row.Tag(other), &Variant::ToBool, false))
                    row.Set(other, {OnOffText(false), Variant::Bool(false)});
        return CellEdit::Toggled;
    }
    case col::NumLock:
    case col::CapsLock:
    case col::ScrollLock: {
        const bool on = !ConvertedOr(row.Tag(column), &Variant::ToBool, false);
        row.Set(column, {OnOffText(on), Variant::Bool(on)});
        return CellEdit::Toggled;
    }
    case col::Multiplier: {
        double m = ConvertedOr(row.Tag(column), &Variant::ToNumber, 0.0);
        m = std::fabs(std::floor(m)) * 2;
        if (m <= 0 || m > 8)
            m = 1;
        row.Set(column, {NumberText(m) + "X", Variant::Number(m)});
        return CellEdit::Multiplied;
    }
    default:
        return CellEdit::None;
    }
}

void MappingTable::SetDescription(int r, std::string_view text) {
    if (r >= 0 && r < RowCount()) {
        PackedRow& row = rows_[static_cast<std::size_t>(r)];
        row.Set(col::Description, {SanitizeText(text), row.Tag(col::Description)});
    }
}

void MappingTable::SetKeyCell(int r, int column, const Cell& cell) {
    if (r >= 0 && r < RowCount() && IsKeyColumn(column))
        rows_[static_cast<std::size_t>(r)].Set(column, cell);
}

bool MappingTable::SortByColumn(int column) {
    if (column != col::Button && column != col::Device)
        return false;
    std::vector<std::size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (column == col::Button) {
        std::vector<ControlSortKey> keys;
        keys.reserve(rows_.size());
        for (const PackedRow& row : rows_)
            keys.push_back(SortKeyOf(row));
        // A text that is not a number is an empty key, before every number.
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return descending_ ? keys[b] < keys[a] : keys[a] < keys[b];
        });
    }
    descending_ = !descending_;
    std::vector<std::string> devices;
    devices.reserve(rows_.size());
    for (const PackedRow& row : rows_)
        devices.push_back(UpperCase(row.Text(col::Device)));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return descending_ ? devices[b] < devices[a] : devices[a] < devices[b];
    });

    std::vector<PackedRow> rows;
    std::vector<std::uint32_t> colours;
    rows.reserve(order.size());
    colours.reserve(order.size());
    int selected = -1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        rows.push_back(std::move(rows_[order[i]]));
        colours.push_back(colours_[order[i]]);
        if (static_cast<int>(order[i]) == selected_)
            selected = static_cast<int>(i);
    }
    rows_ = std::move(rows);
    colours_ = std::move(colours);
    selected_ = selected;
    return true;
}

void MappingTable::MarkActive(const DeviceTables& devices) {
    // Each attached identity's device, looked up once per row.
    std::unordered_map<std::string, const DeviceEntry*> attached;
    for (const DeviceEntry& device : devices.Devices())
        attached[IdentityKey(device.Identity)] = &device;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        PackedRow& row = rows_[i];
        const auto device = attached.find(IdentityKey(row.Tag(col::Device).ToText()));
        const auto number = ButtonNumber(row);
        const bool active = device != attached.end() && number &&
                            DeviceHasControl(*device->second, RowControl(row), *number);
        SetTag(row, col::Description, Variant::Bool(active));
        colours_[i] = FlagColour(active);
    }
}

bool MappingTable::SetPoint(int r, int column, std::string_view text) {
    if (r < 0 || r >= RowCount() || (column != col::PressPoint && column != col::ReleasePoint))
        return false;
    PackedRow& row = rows_[static_cast<std::size_t>(r)];
    const Control control = RowControl(row);
    if (control.Kind != ControlKind::Axis || !ParsePoint(text, control.IsBand()))
        return false;
    MappingRow cells = row.Unpack();
    const auto tagText = [&](int c) {
        const Variant tag = cells[c].Tag;
        return tag.AsString() != nullptr ? *tag.AsString() : std::string();
    };
    std::string press = tagText(col::PressPoint);
    std::string release = tagText(col::ReleasePoint);
    (column == col::PressPoint ? press : release) = std::string(text);
    ControlFields fields = ControlFieldsOf(cells);
    fields.Points = PointsOf(control, press, release);
    const double number = ButtonNumber(row).value_or(0);
    SetControlCells(cells, static_cast<int>(number), fields);
    for (const int c : {col::Control, col::PressPoint, col::ReleasePoint})
        row.Set(c, cells[c]);
    return true;
}

void MappingTable::Rearrange(const std::vector<int>& order, std::vector<PackedRow> added) {
    const int count = RowCount();
    std::vector<PackedRow> rows;
    std::vector<std::uint32_t> colours;
    rows.reserve(order.size());
    colours.reserve(order.size());
    int selected = -1;
    for (const int from : order) {
        if (from < count) {
            const auto f = static_cast<std::size_t>(from);
            if (from == selected_)
                selected = static_cast<int>(rows.size());
            rows.push_back(std::move(rows_[f]));
            colours.push_back(colours_[f]);
        } else {
            PackedRow row = std::move(added[static_cast<std::size_t>(from - count)]);
            colours.push_back(FlagColour(ActiveFlag(row)));
            rows.push_back(std::move(row));
        }
    }
    rows_ = std::move(rows);
    colours_ = std::move(colours);
    selected_ = selected;
}

void MappingTable::SetCell(int r, int column, const Cell& cell) {
    if (r >= 0 && r < RowCount() && column >= 0 && column < kColumnCount)
        rows_[static_cast<std::size_t>(r)].Set(column, cell);
}

} // namespace qm
