#include "engine/control_binding.h"

#include "core/text.h"

#include <algorithm>
#include <cmath>

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

// A control as the rows of the layers share it: kind, number, direction and a band's range.
std::uint32_t ControlKey(int number, const ControlFields& f) {
    const auto kind = static_cast<std::uint32_t>(f.Which.Kind);
    std::uint32_t key = kind << 28 | static_cast<std::uint32_t>(number) << 20 |
                        static_cast<std::uint32_t>(f.Which.Direction) << 16;
    if (f.Which.IsBand())
        key |= static_cast<std::uint32_t>(f.Points.Press.From) << 8 |
               static_cast<std::uint32_t>(f.Points.Press.To);
    return key;
}

std::uint32_t LayeredControlKey(int number, const ControlFields& f) {
    return ControlKey(number, f) | static_cast<std::uint32_t>(f.Layer & kMaxLayer) << 25;
}

// The stick an axis belongs to: X with Y, X rotation with Y rotation; -1 for the others.
int PartnerOf(int axis) {
    switch (axis) {
    case 0:
        return 1;
    case 1:
        return 0;
    case 3:
        return 4;
    case 4:
        return 3;
    default:
        return -1;
    }
}

} // namespace

ControlBinding BindControl(const ControlFields& fields, int number, std::int32_t mapping,
                           bool eightWayHat) {
    ControlBinding b;
    b.Mapping = mapping;
    b.Kind = fields.Which.Kind;
    b.Index = static_cast<std::uint8_t>(std::max(number - 1, 0));
    b.Layer = static_cast<std::uint8_t>(fields.Layer & kMaxLayer);
    const AxisPoints& p = fields.Points;
    if (b.Kind == ControlKind::Axis && !fields.Which.IsBand()) {
        b.Side = fields.Which.Side() == AxisSide::Plus ? 1 : -1;
        b.DeadZone = static_cast<std::uint8_t>(std::clamp(p.Press.From, 0, 100));
    }
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

PointerPush PushOf(const ControlBinding& b, const ControlStates& states) {
    constexpr double kHalf = (kAxisMax - kAxisMin) / 2.0;
    constexpr double kCentre = kAxisMin + kHalf;
    const auto position = [&](int axis) {
        return std::clamp((states.Axes[static_cast<std::size_t>(axis)] - kCentre) / kHalf, -1.0,
                          1.0);
    };
    const double along = position(b.Index) * b.Side;
    if (along <= 0 || b.DeadZone >= 100)
        return {};
    const double radius = b.PartnerAxis >= 0 ? std::hypot(along, position(b.PartnerAxis)) : along;
    const double deadZone = b.DeadZone / 100.0;
    if (radius <= deadZone)
        return {};
    return {std::min((radius - deadZone) / (1 - deadZone), 1.0), along / radius};
}

bool ControlDown(const ControlBinding& b, const ControlStates& states, bool held) {
    if (b.MovesPointer)
        return PushOf(b, states).Magnitude > 0;
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
    auto& diagonals = identity.DiagonalHats[static_cast<std::size_t>(fields.Layer & kMaxLayer)];
    if (fields.Which.Kind == ControlKind::Hat && fields.Which.Direction % 2 == 1)
        diagonals = static_cast<std::uint8_t>(diagonals | 1u << (number - 1));
    if (!identity.Controls.insert(LayeredControlKey(number, fields)).second)
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
        const Identity& identity = it->second;
        // The rows of one control gathered, in the order of each control's first row.
        std::vector<std::vector<const Row*>> groups;
        std::unordered_map<std::uint32_t, std::size_t> groupOf;
        for (const Row& row : identity.Rows) {
            if (!DeviceHasControl(device, row.Fields.Which, row.Number))
                continue;
            const auto [at, added] =
                groupOf.try_emplace(ControlKey(row.Number, row.Fields), groups.size());
            if (added)
                groups.emplace_back();
            groups[at->second].push_back(&row);
        }
        for (auto& group : groups) {
            std::stable_sort(group.begin(), group.end(), [](const Row* a, const Row* b) {
                return a->Fields.Layer < b->Fields.Layer;
            });
            for (const Row* row : group) {
                const auto diagonals =
                    identity.DiagonalHats[static_cast<std::size_t>(row->Fields.Layer & kMaxLayer)];
                ControlBinding binding = BindControl(row->Fields, row->Number, row->Mapping,
                                                     (diagonals >> (row->Number - 1) & 1u) != 0);
                binding.GroupSize =
                    static_cast<std::uint8_t>(row == group.front() ? group.size() : 1);
                map.AddControl(d, binding);
            }
        }
    }
}

FirstButtonRows::FirstButtonRows(int buttons) : buttons_(std::max(buttons, 0)) {
    first_[0].assign(static_cast<std::size_t>(buttons_) + 1, 0);
}

bool FirstButtonRows::Offer(int button, int layer, std::int32_t mapping) {
    if (button < 1 || button > buttons_ || layer < 0 || layer > kMaxLayer)
        return false;
    auto& first = first_[static_cast<std::size_t>(layer)];
    if (first.empty())
        first.assign(static_cast<std::size_t>(buttons_) + 1, 0);
    auto& kept = first[static_cast<std::size_t>(button)];
    if (kept != 0)
        return false;
    kept = mapping;
    return true;
}

void FirstButtonRows::Bind(int d, int buttons, ButtonMapTable& map) const {
    const int last = std::min(buttons, buttons_);
    for (int b = 1; b <= last; ++b)
        if (const auto m = first_[0][static_cast<std::size_t>(b)]; m != 0)
            map.Set(d, b, m);
    for (int layer = 1; layer <= kMaxLayer; ++layer) {
        const auto& first = first_[static_cast<std::size_t>(layer)];
        if (!first.empty())
            for (int b = 1; b <= last; ++b)
                map.SetLayered(d, b, layer, first[static_cast<std::size_t>(b)]);
    }
}

void CompilePointer(const ControlFields& fields, CompiledKeys& press) {
    press.PointerSpeed = fields.PointerSpeed > 0 ? fields.PointerSpeed : kDefaultPointerSpeed;
    press.PointerCurve = fields.PointerCurve == 2 ? 2 : 1;
}

void FinishBindings(ButtonMapTable& map, std::span<const CompiledKeys> press) {
    const auto keysOf = [&](std::int32_t m) -> const CompiledKeys* {
        return m >= 1 && static_cast<std::size_t>(m) <= press.size()
                   ? &press[static_cast<std::size_t>(m - 1)]
                   : nullptr;
    };
    for (int d = 1; d <= map.DeviceBound(); ++d) {
        for (int b = 1; b <= map.ButtonBound(); ++b)
            if (const auto* keys = keysOf(map.At(d, b)); keys != nullptr && keys->SelectsLayer != 0)
                map.SetSelectsLayer(d, b);
        const auto controls = map.MutableControls(d);
        std::uint8_t pointerAxes = 0;
        for (std::size_t i = 0; i < controls.size(); ++i) {
            ControlBinding& c = controls[i];
            const auto* keys = keysOf(c.Mapping);
            if (keys == nullptr)
                continue;
            // A control's rows in the layers are not used when its base row selects a layer.
            if (keys->SelectsLayer != 0 && c.Layer == 0)
                c.SelectsLayer = true;
            c.MovesPointer = keys->Pointer != PointerDirection::None && c.Side != 0;
            if (c.MovesPointer)
                pointerAxes = static_cast<std::uint8_t>(pointerAxes | 1u << c.Index);
        }
        for (std::size_t i = 0; i < controls.size(); ++i) {
            ControlBinding& c = controls[i];
            if (c.SelectsLayer)
                map.AddSelector({d, 0, static_cast<int>(i)});
            const int partner = c.MovesPointer ? PartnerOf(c.Index) : -1;
            c.PartnerAxis = static_cast<std::int8_t>(
                partner >= 0 && (pointerAxes >> partner & 1u) ? partner : -1);
        }
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
