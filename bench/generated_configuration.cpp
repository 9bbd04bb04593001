#include "generated_configuration.h"

#include "core/control_cells.h"

#include <cstdio>

namespace qm::bench {

namespace {

std::string JoystickGuid(int i) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "{%08X-D5A0-11CF-BFC7-444553540000}", 0x6F1D2B60 + i);
    return buf;
}

std::string BoardIdentity(int i) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "\\\\?\\hid#vid_1234&pid_%04x#7&1a2b3c4d&0&0000#{4d1e55b2-f16f",
                  i + 1);
    return buf;
}

MappingRow Row(const std::string& name, const std::string& identity, int b) {
    static const char* const kKeys[] = {"A", "F5", "NUMPAD 7", "PAGE DOWN", "SPACEBAR", "ENTER"};
    MappingRow row = NewMappingRow();
    row[col::Button] = {std::to_string(b), Variant()};
    row[col::Device] = {name, Variant::Text(identity)};
    row[col::Description].Text = "Button " + std::to_string(b);
    const std::string key = kKeys[b % 6];
    row.PressCell(1) = {"SHIFT + CTRL + " + key, Variant::Text(key)};
    row.PressCell(2) = {key, Variant::Text(key)};
    row.ReleaseCell(1) = {"ALT + " + key, Variant::Text(key)};
    if (b % 3 == 0)
        row[col::Repeat] = {"On", Variant::Bool(true)};
    return row;
}

void AddRows(std::vector<PackedRow>& rows, const std::string& name, const std::string& identity,
             int buttons) {
    for (int b = 1; b <= buttons; ++b)
        rows.emplace_back(Row(name, identity, b));
}

// Every direction of 4 hats and 8 axes, with the default points.
void AddControlRows(std::vector<PackedRow>& rows, const std::string& name,
                    const std::string& identity) {
    const auto add = [&](int number, Control which) {
        MappingRow row = Row(name, identity, number);
        ControlFields fields;
        fields.Which = which;
        fields.Points = DefaultPoints(which);
        SetControlCells(row, number, fields);
        rows.emplace_back(row);
    };
    for (int hat = 1; hat <= kMaxHatNumber; ++hat)
        for (int direction = 0; direction < kHatDirectionCount; ++direction)
            add(hat, {ControlKind::Hat, direction});
    for (int axis = 1; axis <= kMaxAxisNumber; ++axis)
        for (const AxisSide side : {AxisSide::Minus, AxisSide::Plus})
            add(axis, {ControlKind::Axis, static_cast<int>(side)});
}

// Copies of every row in the layers 1 to `layers`; the first controller's last buttons select
// them.
void AddLayers(std::vector<PackedRow>& rows, int layers, int selectorsFrom) {
    const std::size_t base = rows.size();
    for (int layer = 1; layer <= layers; ++layer)
        for (std::size_t r = 0; r < base; ++r) {
            MappingRow row = rows[r].Unpack();
            ControlFields fields = ControlFieldsOf(row);
            fields.Layer = layer;
            const int number = std::stoi(row[col::Button].Text);
            SetControlCells(row, number, fields);
            rows.emplace_back(row);
        }
    for (int layer = 1; layer <= layers; ++layer) {
        MappingRow row = rows[static_cast<std::size_t>(selectorsFrom + layer - 2)].Unpack();
        const std::string name = "LAYER " + std::to_string(layer);
        row.PressCell(1) = {name, Variant::Text(name)};
        rows[static_cast<std::size_t>(selectorsFrom + layer - 2)] = PackedRow(row);
    }
}

} // namespace

GeneratedSetup GenerateSetup(int joysticks, int joystickButtons, int boards, int boardButtons,
                             bool controls, int layers) {
    GeneratedSetup setup;
    for (int j = 0; j < joysticks; ++j) {
        DeviceEntry d{true, 0, JoystickGuid(j), "Joystick " + std::to_string(j + 1),
                      joystickButtons};
        AddRows(setup.Rows, d.Name, d.Identity, joystickButtons);
        if (controls) {
            d.AxisMask = 0xFF;
            d.HatCount = kMaxHatNumber;
            AddControlRows(setup.Rows, d.Name, d.Identity);
        }
        setup.Devices.AddDevice(std::move(d));
    }
    for (int h = 0; h < boards; ++h) {
        DeviceEntry d{false, h, BoardIdentity(h), "Panel " + std::to_string(h + 1), boardButtons};
        AddRows(setup.Rows, d.Name, d.Identity, boardButtons);
        setup.Devices.AddDevice(std::move(d));
    }
    if (layers > 0)
        AddLayers(setup.Rows, layers, joystickButtons - layers + 1);
    setup.FileBytes = WriteEditorConfiguration(setup.Rows);
    return setup;
}

GeneratedSetup GenerateManyRecords(int records, bool unknownIdentities) {
    constexpr int kButtons = 128;
    GeneratedSetup setup;
    setup.Devices.AddDevice({true, 0, JoystickGuid(0), "Joystick 1", kButtons});
    // Each record written on its own, less the version line every file starts with.
    setup.FileBytes = WriteEditorConfiguration({});
    const auto versionLine = setup.FileBytes.size();
    std::vector<PackedRow> one(1);
    for (int i = 0; i < records; ++i) {
        one[0] = PackedRow(
            Row("Joystick", JoystickGuid(unknownIdentities ? i + 1 : 0), i % kButtons + 1));
        setup.FileBytes.append(WriteEditorConfiguration(one), versionLine);
    }
    return setup;
}

} // namespace qm::bench
