#pragma once
// The joystick seam: game controllers as DirectInput 8 offers them (enumeration of attached
// game controllers, one device object each, immediate state reads of buttons, axes and POV
// hats, buffered changes with an event that says when there are some).
#include "core/window_handle.h"
#include "devices/device_reader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace qm {

// Result codes, as DirectInput returns them.
using DiResult = std::int32_t;
inline constexpr DiResult kDiOk = 0;
// Success, but the buffer was full: the newest changes were dropped.
inline constexpr DiResult kDiBufferOverflow = 1;
inline constexpr DiResult kDiErrNotAcquired = static_cast<DiResult>(0x8007000Cu);
inline constexpr DiResult kDiErrInputLost = static_cast<DiResult>(0x8007001Eu);
inline constexpr DiResult kDiErrGeneric = static_cast<DiResult>(0x80004005u);
inline constexpr DiResult kDiErrAcquired = static_cast<DiResult>(0x800700AAu);
inline constexpr DiResult kDiErrNotBuffered = static_cast<DiResult>(0x80040207u);
// The device is not attached: its object cannot be acquired (again).
inline constexpr DiResult kDiErrUnplugged = static_cast<DiResult>(0x80040209u);

// A DirectInput controller has at most 128 readable buttons.
inline constexpr int kMaxJoystickButtons = 128;
using JoystickButtons = std::array<std::uint8_t, kMaxJoystickButtons>;

// A system event object, passed along and waited on, never looked into here.
using EventHandle = void*;

// Where button 0's byte lies in the extended joystick format: a buffered change of button i
// names offset kFirstButtonOffset + i.
inline constexpr std::uint32_t kFirstButtonOffset = 48;
// Axis a (1-based, kAxisCount of them in DIJOYSTATE2's order) lies at 4 * (a - 1), hat h
// (1-based) at kFirstHatOffset + 4 * (h - 1), both 32-bit.
inline constexpr std::uint32_t kFirstHatOffset = 32;
constexpr std::uint32_t AxisOffset(int a) {
    return 4u * static_cast<std::uint32_t>(a - 1);
}
constexpr std::uint32_t HatOffset(int h) {
    return kFirstHatOffset + 4u * static_cast<std::uint32_t>(h - 1);
}

// One immediate read of a controller: its 128 button bytes (top bit set = down), its axes on
// the range each reports on (see SetAxisRange) and its hats as the device gives them. An axis
// or hat the device does not have reads 0 or centred.
struct JoystickState {
    JoystickButtons Buttons{};
    ControlStates Controls;
};

// One buffered change of a device object's data, as the device reported it.
struct BufferedChange {
    std::uint32_t Offset = 0; // of the object in the data format
    // For a button, bit 7: down; for an axis, its value on its range; for a hat, its position.
    std::uint32_t Data = 0;
    // How long before the read the change was stamped, in milliseconds of the system tick.
    std::uint32_t AgeMs = 0;
    // Increases with every change of every device of one DirectInput object; wraps around.
    std::uint32_t Sequence = 0;
};

struct JoystickInstance {
    std::string InstanceGuid; // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex
    std::string ProductName;  // UTF-8
};

class JoystickDevice {
public:
    virtual ~JoystickDevice() = default;
    // The extended joystick data format (128 buttons).
    virtual DiResult SetDataFormat() = 0;
    // Non-exclusive, background access through the given window.
    virtual DiResult SetCooperativeLevel(WindowHandle window) = 0;
    // The button count of the device's capabilities; negative on failure.
    virtual int ButtonCount() = 0;
    // The axes the device has in the extended format: bit a - 1 for axis a. Once the format
    // is set.
    virtual std::uint8_t AxisMask() = 0;
    // The POV hat count of the device's capabilities (it may exceed kHatCount); negative on
    // failure.
    virtual int HatCount() = 0;
    // Asks every axis to report on min..max. Refused while acquired, and by some devices,
    // whose axes then keep their own range.
    virtual DiResult SetAxisRange(std::int32_t min, std::int32_t max) = 0;
    // The range axis a (1-based) reports on now; false when the device does not say.
    virtual bool AxisRange(int a, std::int32_t& min, std::int32_t& max) = 0;
    virtual DiResult Acquire() = 0;
    virtual void Unacquire() = 0;
    virtual DiResult Poll() = 0;
    // The immediate state, read in one call; `state` is untouched on failure.
    virtual DiResult GetState(JoystickState& state) = 0;

    // Buffered reading. Each of these but the reads is refused while the device is acquired.
    // Whether the driver says the device must be polled for its data.
    virtual bool IsPolledDevice() = 0;
    // A buffer of `changes` entries; 0 ends buffering.
    virtual DiResult SetBufferSize(int changes) = 0;
    // Creates an event that the device sets when its data change (or its acquisition is
    // lost) and subscribes it; null when refused. The event stays the device object's: it is
    // unsubscribed before it is closed, by UnsubscribeEvent or at the object's end.
    virtual EventHandle SubscribeEvent() = 0;
    virtual void UnsubscribeEvent() = 0;
    // Takes up to out.size() buffered changes, oldest first; `count` says how many. kDiOk,
    // kDiBufferOverflow, or a failure (not acquired, input lost).
    virtual DiResult GetBufferedChanges(std::span<BufferedChange> out, std::size_t& count) = 0;
    // Drops whatever is buffered.
    virtual DiResult FlushBuffer() = 0;
};

class JoystickApi {
public:
    virtual ~JoystickApi() = default;
    // Creates the DirectInput object anew, as every scan does; false when it cannot be created.
    virtual bool Create() = 0;
    // The attached game controllers, in enumeration order.
    virtual std::vector<JoystickInstance> EnumerateGameControllers() = 0;
    // Null when the device cannot be created.
    virtual std::unique_ptr<JoystickDevice> CreateDevice(const std::string& instanceGuid) = 0;
};

} // namespace qm
