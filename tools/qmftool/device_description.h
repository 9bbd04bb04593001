#pragma once
// DEVICES.json: the devices a dry run pretends are attached, in scan order.
#include "devices/device_tables.h"

#include <string>
#include <vector>

namespace qm::tool {

struct DescribedDevices {
    DeviceTables Tables;
    // For each element of the file (in file order), its device index in Tables, or 0 when the
    // scan would not add it (a board without buttons, controllers beyond the limit).
    std::vector<int> DeviceIndexOfElement;
};

// Reads the description; returns false with a message in `error` when it is malformed.
bool ReadDeviceDescription(const std::string& jsonText, DescribedDevices& out, std::string& error);

} // namespace qm::tool
