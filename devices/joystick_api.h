#pragma once
// The joystick seam: game controllers as DirectInput 8 offers them (enumeration of attached
// game controllers, one device object each, immediate state reads).
#include "core/window_handle.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qm {

// Result codes, as DirectInput returns them.
using DiResult = std::int32_t;
inline constexpr DiResult kDiOk = 0;
inline constexpr DiResult kDiErrNotAcquired = static_cast<DiResult>(0x8007000Cu);
inline constexpr DiResult kDiErrInputLost = static_cast<DiResult>(0x8007001Eu);
inline constexpr DiResult kDiErrGeneric = static_cast<DiResult>(0x80004005u);
// The device is not attached: its object cannot be acquired (again).
inline constexpr DiResult kDiErrUnplugged = static_cast<DiResult>(0x80040209u);

// A DirectInput controller has at most 128 readable buttons.
inline constexpr int kMaxJoystickButtons = 128;
using JoystickButtons = std::array<std::uint8_t, kMaxJoystickButtons>;

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
    virtual DiResult Acquire() = 0;
    virtual void Unacquire() = 0;
    virtual DiResult Poll() = 0;
    // The immediate state's 128 button bytes (top bit set = down).
    virtual DiResult GetState(JoystickButtons& buttons) = 0;
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
