#pragma once
// DEVICES.json: the devices a dry run pretends are attached, as scripted controllers and boards
// that the real device scan then finds.
#include "devices/scripted_devices.h"

#include <string>
#include <vector>

namespace qm::tool {

struct DescribedDevices {
    ScriptedJoystickApi Joysticks;
    ScriptedBoardLibrary Boards;
    // For each element of the file, in file order: which scripted device it is.
    struct Element {
        bool Joystick = false;
        int Index = 0; // controller or board index
    };
    std::vector<Element> Elements;

    // Presses or releases button `button` of element `element` (both 1-based).
    void SetButton(int element, int button, bool down);
};

// Reads the description; false with a message in `error` when it is malformed.
bool ReadDeviceDescription(const std::string& jsonText, DescribedDevices& out, std::string& error);

} // namespace qm::tool
