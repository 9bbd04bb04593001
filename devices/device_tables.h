#pragma once
// The shared device tables: the usable devices in scan order (game controllers first, then the
// maker's boards), the flat list of all their buttons, and the button -> mapping table.
#include "core/control.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

struct DeviceEntry {
    bool IsDirectInput = false;
    std::int32_t HidIndex = 0; // index into the board table; boards only
    std::string Identity;      // DeviceIdentity: instance GUID string or board path less 5
    std::string Name;          // display name
    int ButtonCount = 0;       // as the scan found it
    // The axes the device has: bit a - 1 for axis a (1 X ... 8 Slider 2); none for a board.
    std::uint8_t AxisMask = 0;
    int HatCount = 0; // 0 to 4
    bool HasAxis(int a) const { return a >= 1 && a <= 8 && (AxisMask >> (a - 1)) & 1u; }
};

struct ButtonListEntry {
    int ButtonNumber = 0; // within its device, from 1
    std::string ButtonDeviceName;
    std::string ButtonDeviceIdentity;
    bool operator==(const ButtonListEntry&) const = default;
};

// A hat direction or an axis row bound to a device: which value of its read it looks at and
// when that value presses and releases it.
struct ControlBinding {
    std::int32_t Mapping = 0;
    ControlKind Kind = ControlKind::Hat;
    std::uint8_t Index = 0; // 0-based axis or hat
    // Hats: bit s set when the row is down with the hat in sector s (45 degrees each, 0 up).
    std::uint8_t HatSectors = 0;
    // Axes, on kAxisMin..kAxisMax: down from a value within Press until one outside Release.
    std::int32_t PressLow = 0, PressHigh = 0, ReleaseLow = 0, ReleaseHigh = 0;
    // The control's name for the status, without allocating ("Hat 1 Up Left").
    std::array<char, 24> NameText{};
    std::uint8_t NameLength = 0;
    // The row's shift layer (0 the base). The rows of one control in several layers are bound
    // one after the other, the first carrying how many they are.
    std::uint8_t Layer = 0;
    std::uint8_t GroupSize = 1;
    // Whether the row selects a layer while held (such rows are handled first in a pass).
    bool SelectsLayer = false;
    // Pointer rows (axis directions only): the side of the centre the row moves on (+1, -1),
    // its dead zone (the press point, percent) and, when the stick's other axis moves the
    // pointer too, that axis (0-based) for a round dead zone; -1 otherwise.
    bool MovesPointer = false;
    std::int8_t Side = 0;
    std::uint8_t DeadZone = 0;
    std::int8_t PartnerAxis = -1;
    std::string_view Name() const { return {NameText.data(), NameLength}; }
};

// Index of the mapping bound to each device button, 0 for none. Subscripted by device index
// (1 to DeviceCount) and button number (1 to MaxButtons); reads outside the table give 0.
class ButtonMapTable {
public:
    void Dimension(int deviceCount, int maxButtons);
    int DeviceBound() const { return devices_; }
    int ButtonBound() const { return buttons_; }
    std::int32_t At(int device, int button) const {
        return InRange(device, button) ? cells_[Index(device, button)] : 0;
    }
    void Set(int device, int button, std::int32_t mapping) {
        if (InRange(device, button))
            cells_[Index(device, button)] = mapping;
    }
    void Clear();
    // Number of non-zero cells and bound controls.
    int BoundCount() const;

    // The hat and axis rows bound to device d (1-based), in binding order; none past the table.
    std::span<const ControlBinding> Controls(int device) const {
        return device >= 1 && static_cast<std::size_t>(device) < controls_.size()
                   ? std::span<const ControlBinding>(controls_[static_cast<std::size_t>(device)])
                   : std::span<const ControlBinding>();
    }
    void AddControl(int device, const ControlBinding& binding);
    std::span<ControlBinding> MutableControls(int device) {
        return device >= 1 && static_cast<std::size_t>(device) < controls_.size()
                   ? std::span<ControlBinding>(controls_[static_cast<std::size_t>(device)])
                   : std::span<ControlBinding>();
    }

    // Rows of the shift layers 1 to 7 bound to device buttons, beside the base rows At gives.
    void SetLayered(int device, int button, int layer, std::int32_t mapping);
    std::int32_t LayeredAt(int device, int button, int layer) const {
        const auto& cells = layerCells_[static_cast<std::size_t>(layer & kMaxLayer)];
        return InRange(device, button) && !cells.empty() ? cells[Index(device, button)] : 0;
    }
    // Bit L (1 to 7) set when layer L has a row for the button; bit 0 (kSelectsLayer) when the
    // button's base row selects a layer. 0 for every button of a configuration without either.
    static constexpr std::uint8_t kSelectsLayer = 1;
    std::uint8_t LayerBits(int device, int button) const {
        return InRange(device, button) && !layerBits_.empty() ? layerBits_[Index(device, button)]
                                                              : 0;
    }
    bool HasLayerBits() const { return !layerBits_.empty(); }
    // Each cell's place in one array (d, b within the table), for state kept per button beside
    // the table, and the table's identity: it changes whenever the table is dimensioned or
    // cleared, so that such state is known to be stale.
    std::size_t CellIndex(int device, int button) const { return Index(device, button); }
    std::size_t CellCount() const { return cells_.size(); }
    std::uint64_t Generation() const { return generation_; }
    // Marks the button's base row as one that selects a layer.
    void SetSelectsLayer(int device, int button);
    // The buttons and controls whose rows select a layer, in device order.
    struct Selector {
        int Device = 0;
        int Button = 0;  // 0 for a control
        int Control = 0; // the index in Controls(Device), for a control
    };
    std::span<const Selector> Selectors() const { return selectors_; }
    void AddSelector(const Selector& selector) { selectors_.push_back(selector); }

private:
    bool InRange(int d, int b) const { return d >= 0 && d <= devices_ && b >= 0 && b <= buttons_; }
    std::size_t Index(int d, int b) const {
        return static_cast<std::size_t>(d) * static_cast<std::size_t>(buttons_ + 1) +
               static_cast<std::size_t>(b);
    }
    int devices_ = 0;
    int buttons_ = 0;
    std::vector<std::int32_t> cells_ = std::vector<std::int32_t>(1, 0);
    std::vector<std::vector<ControlBinding>> controls_;
    std::vector<std::uint8_t> layerBits_;
    std::array<std::vector<std::int32_t>, kMaxLayer + 1> layerCells_; // [0] stays empty
    std::vector<Selector> selectors_;
    std::uint64_t generation_ = 0;
    std::uint8_t& BitsAt(int device, int button);
};

class DeviceTables {
public:
    // At most this many game controllers are handled.
    static constexpr int kMaxDirectInputDevices = 255;

    // Empties every table, as a scan does before it starts.
    void Clear();
    // Appends a device with its buttons 1..ButtonCount to the tables and re-dimensions
    // ButtonMap (all cells 0). Skipping boards without buttons is the board scan's decision.
    void AddDevice(DeviceEntry device);

    int DeviceCount() const { return static_cast<int>(devices_.size()); }
    // Device d, 1-based.
    const DeviceEntry& Device(int d) const { return devices_[static_cast<std::size_t>(d - 1)]; }
    const std::vector<DeviceEntry>& Devices() const { return devices_; }
    // A board of device d found again under another record of the board table.
    void SetHidIndex(int d, std::int32_t hidIndex) {
        devices_[static_cast<std::size_t>(d - 1)].HidIndex = hidIndex;
    }

    int ButtonTotal() const { return static_cast<int>(buttons_.size()); }
    int MaxButtons() const { return maxButtons_; }
    // Entry p, 1-based.
    const ButtonListEntry& Button(int p) const { return buttons_[static_cast<std::size_t>(p - 1)]; }
    const std::vector<ButtonListEntry>& ButtonList() const { return buttons_; }

    ButtonMapTable& ButtonMap() { return buttonMap_; }
    const ButtonMapTable& ButtonMap() const { return buttonMap_; }

private:
    std::vector<DeviceEntry> devices_;
    std::vector<ButtonListEntry> buttons_;
    int maxButtons_ = 0;
    ButtonMapTable buttonMap_;
};

} // namespace qm
