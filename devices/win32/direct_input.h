#pragma once
// The joystick seam over the native DirectInput 8 interfaces (dinput8.dll).
#include "core/win32/com_ptr.h"
#include "core/win32/guid_text.h"
#include "devices/joystick_api.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct IDirectInput8W;

namespace qm::win32 {

class DirectInputJoysticks final : public JoystickApi {
public:
    DirectInputJoysticks();
    ~DirectInputJoysticks() override;
    DirectInputJoysticks(const DirectInputJoysticks&) = delete;
    DirectInputJoysticks& operator=(const DirectInputJoysticks&) = delete;

    bool Create() override;
    std::vector<JoystickInstance> EnumerateGameControllers() override;
    std::unique_ptr<JoystickDevice> CreateDevice(const std::string& instanceGuid) override;

private:
    ComPtr<IDirectInput8W> directInput_;
};

// Creates a DirectInput 8 object for the running program; false when that fails.
bool CanCreateDirectInput8();

} // namespace qm::win32
