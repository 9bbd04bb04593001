#pragma once
// DEVICES.json: the devices a dry run pretends are attached, as scripted controllers and boards
// that the real device scan then finds.
#include "devices/scripted_devices.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qm::tool {

struct DescribedDevices {
    ScriptedJoystickApi Joysticks;
    ScriptedBoardLibrary Boards;
    // For each element of the file, in file order: which scripted device it is.
    struct Element {
        bool Joystick = false;
        int Index = 0;             // controller or board index
        std::uint8_t AxisMask = 0; // a joystick's axes: bit a - 1 for axis a
        int Hats = 0;
    };
    std::vector<Element> Elements;

    // Presses or releases button `button` of element `element` (both 1-based).
    void SetButton(int element, int button, bool down);
    // Moves axis `axis` (1 to 8) of element `element` to `value` (0 to 65535) or hat `hat` (from
    // 1) to `position` (hundredths of a degree, or centred); a message when it has no such one.
    std::string SetAxis(int element, int axis, std::int32_t value);
    std::string SetHat(int element, int hat, std::uint32_t position);
};

// Reads the description; false with a message in `error` when it is malformed.
bool ReadDeviceDescription(const std::string& jsonText, DescribedDevices& out, std::string& error);

} // namespace qm::tool
