#pragma once
// One pass's view of the devices, as the mapping engine and the editor's test mode use it:
// read each device once, then look at its buttons.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace qm {

// A controller's axes and hats, as one read gives them with its buttons.
inline constexpr int kAxisCount = 8; // X, Y, Z, X rotation, Y rotation, Z rotation, 2 sliders
inline constexpr int kHatCount = 4;
// Every axis is read on this range, whatever the device's own, so that a percentage of it
// means the same on every device.
inline constexpr std::int32_t kAxisMin = 0;
inline constexpr std::int32_t kAxisMax = 65535;
// A hat's position in hundredths of a degree clockwise from up (0 to 35999); centred when its
// low word is 0xFFFF.
inline constexpr std::uint32_t kHatCentred = 0xFFFFFFFFu;
inline bool HatCentred(std::uint32_t value) {
    return (value & 0xFFFFu) == 0xFFFFu;
}
// The middle of the range.
inline constexpr std::int32_t kAxisCentre = (kAxisMin + kAxisMax + 1) / 2;

struct ControlStates {
    std::array<std::int32_t, kAxisCount> Axes{}; // axis a (1-based) at Axes[a - 1]
    std::array<std::uint32_t, kHatCount> Hats{kHatCentred, kHatCentred, kHatCentred, kHatCentred};
};

// At rest: every axis in the middle of the range, every hat centred. A lost controller, one
// whose read failed, and the axes and hats a controller does not have read so.
inline ControlStates ControlsAtRest() {
    ControlStates rest;
    rest.Axes.fill(kAxisCentre);
    return rest;
}

// A button change a device buffered: its own press or release edge.
struct ButtonEdge {
    int Device = 0; // 1-based
    int Button = 0; // 1-based
    bool Down = false;
    // How long the change waited before it was read, as far as its time stamp can tell.
    double AgeSeconds = 0;
};

class DeviceReader {
public:
    virtual ~DeviceReader() = default;
    virtual int DeviceCount() const = 0;
    // Reads device d (1-based) for this pass. False when the pass must end here (a controller
    // was just acquired, or has no object); otherwise `buttons` is how many of its buttons
    // can be evaluated this pass (never beyond the button table or the device's readable
    // buttons). A failure to read a controller throws: it is an error of the pass.
    virtual bool ReadDevice(int d, int& buttons) = 0;
    // Button b (1-based, within the count ReadDevice gave) of device d is down.
    virtual bool ButtonDown(int d, int b) const = 0;
    // The state bytes of device d for this pass, byte b-1 for button b (0 = up), when the
    // reader keeps them in one block; empty otherwise. Lets a pass skip a quiet device at once.
    virtual std::span<const std::uint8_t> ButtonStates(int /*d*/) const { return {}; }
    // The axes and hats of device d as its last ReadDevice read them (and, for a device read on
    // events, as its buffered changes since moved them); null for a device without any (a
    // board) and for a lost one. Only the axes and hats the device has are meaningful; the
    // others read at rest.
    virtual const ControlStates* Controls(int /*d*/) const { return nullptr; }
    // Whether the last read of some device failed (its buttons then count as up).
    virtual bool ReadFailing() const { return false; }
    // The button changes buffered since the last call by the devices read on events, in the
    // order they happened; the states a pass sees already include them. Valid until the next
    // call.
    virtual std::span<const ButtonEdge> TakeEdges() { return {}; }
    // Whether device d was unplugged and is not back: its buttons are up and it is not read.
    virtual bool Lost(int /*d*/) const { return false; }
    // What happened to the devices last ("Input Devices: NAME disconnected"), shown while no
    // button is held; empty when nothing happened since the scan.
    virtual std::string_view Notice() const { return {}; }
};

} // namespace qm
