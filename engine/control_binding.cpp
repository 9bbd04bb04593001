#include "engine/control_binding.h"

#include "core/text.h"

#include <algorithm>

namespace qm {

namespace {

constexpr std::int64_t kRange = kAxisMax - kAxisMin;

// The least axis value whose deflection from the centre is at least `percent`, towards the
// high end; and the greatest towards the low end. Exact in integers.
std::int32_t HighFrom(int percent) {
    return static_cast<std::int32_t>(kAxisMin + (kRange * (100 + percent) + 199) / 200);
}
std::int32_t LowFrom(int percent) {
    return static_cast<std::int32_t>(kAxisMin + kRange * (100 - percent) / 200);
}
// The least and greatest values whose position from the low end is within `percent`.
std::int32_t PositionAtLeast(int percent) {
    return static_cast<std::int32_t>(kAxisMin + (kRange * percent + 99) / 100);
}
std::int32_t PositionAtMost(int percent) {
    return static_cast<std::int32_t>(kAxisMin + kRange * percent / 100);
}

std::uint8_t HatSectorsOf(int direction, bool eightWay) {
    const auto bit = [](int sector) { return static_cast<std::uint8_t>(1u << (sector & 7)); };
    if (eightWay || direction % 2 == 1)
        return bit(direction);
    return static_cast<std::uint8_t>(bit(direction - 1) | bit(direction) | bit(direction + 1));
}

std::uint32_t ControlKey(int number, const ControlFields& f) {
    const auto kind = static_cast<std::uint32_t>(f.Which.Kind);
    std::uint32_t key = kind << 28 | static_cast<std::uint32_t>(number) << 20 |
                        static_cast<std::uint32_t>(f.Which.Direction) << 16;
    if (f.Which.IsBand())
        key |= static_cast<std::uint32_t>(f.Points.Press.From) << 8 |
               static_cast<std::uint32_t>(f.Points.Press.To);
    return key;
}

} // namespace

ControlBinding BindControl(const ControlFields& fields, int number, std::int32_t mapping,
                           bool eightWayHat) {
    ControlBinding b;
    b.Mapping = mapping;
    b.Kind = fields.Which.Kind;
    b.Index = static_cast<std::uint8_t>(std::max(number - 1, 0));
    const AxisPoints& p = fields.Points;
    if (b.Kind == ControlKind::Hat) {
        b.HatSectors = HatSectorsOf(fields.Which.Direction, eightWayHat);
    } else if (fields.Which.IsBand()) {
        b.PressLow = PositionAtLeast(p.Press.From);
        b.PressHigh = PositionAtMost(p.Press.To);
        b.ReleaseLow = PositionAtLeast(p.Release.From);
        b.ReleaseHigh = PositionAtMost(p.Release.To);
    } else if (fields.Which.Side() == AxisSide::Plus) {
        b.PressLow = HighFrom(p.Press.From);
        b.PressHigh = kAxisMax;
        b.ReleaseLow = HighFrom(p.Release.From);
        b.ReleaseHigh = kAxisMax;
    } else {
        b.PressLow = kAxisMin;
        b.PressHigh = LowFrom(p.Press.From);
        b.ReleaseLow = kAxisMin;
        b.ReleaseHigh = LowFrom(p.Release.From);
    }
    const std::string name = ControlName(fields.Which, number, p.Press);
    b.NameLength = static_cast<std::uint8_t>(std::min(name.size(), b.NameText.size()));
    std::copy_n(name.begin(), b.NameLength, b.NameText.begin());
    return b;
}

bool ControlDown(const ControlBinding& b, const ControlStates& states, bool held) {
    if (b.Kind == ControlKind::Hat) {
        const std::uint32_t value = states.Hats[b.Index];
        if (HatCentred(value) || value >= 36000)
            return false;
        const auto sector = ((value + 2250) / 4500) % 8;
        return (b.HatSectors >> sector & 1u) != 0;
    }
    const std::int32_t value = states.Axes[b.Index];
    return held ? value >= b.ReleaseLow && value <= b.ReleaseHigh
                : value >= b.PressLow && value <= b.PressHigh;
}

bool ControlRows::Offer(const std::string& identityKey, int number, const ControlFields& fields,
                        std::int32_t mapping) {
    auto& identity = identities_[identityKey];
    if (fields.Which.Kind == ControlKind::Hat && fields.Which.Direction % 2 == 1)
        identity.DiagonalHats =
            static_cast<std::uint8_t>(identity.DiagonalHats | 1u << (number - 1));
    if (!identity.Controls.insert(ControlKey(number, fields)).second)
        return false;
    identity.Rows.push_back({number, fields, mapping});
    return true;
}

void ControlRows::Bind(const DeviceTables& devices, ButtonMapTable& map) const {
    if (identities_.empty())
        return;
    for (int d = 1; d <= devices.DeviceCount(); ++d) {
        const DeviceEntry& device = devices.Device(d);
        const auto it = identities_.find(IdentityKey(device.Identity));
        if (it == identities_.end())
            continue;
        for (const Row& row : it->second.Rows)
            if (DeviceHasControl(device, row.Fields.Which, row.Number))
                map.AddControl(
                    d, BindControl(row.Fields, row.Number, row.Mapping,
                                   (it->second.DiagonalHats >> (row.Number - 1) & 1u) != 0));
    }
}

bool DeviceHasControl(const DeviceEntry& device, Control control, int number) {
    switch (control.Kind) {
    case ControlKind::Hat:
        return number >= 1 && number <= std::min(device.HatCount, kHatCount);
    case ControlKind::Axis:
        return device.HasAxis(number);
    case ControlKind::Button:
        break;
    }
    return number >= 1 && number <= device.ButtonCount;
}

} // namespace qm
