#pragma once
// Builds large configurations and matching device tables for the benchmarks.
#include "core/editor_qmf.h"
#include "devices/device_tables.h"

#include <string>
#include <vector>

namespace qm::bench {

struct GeneratedSetup {
    DeviceTables Devices;
    std::vector<MappingRow> Rows;
    std::string FileBytes; // the rows written as a version 1.4 file
};

// `joysticks` controllers of `joystickButtons` buttons, then `boards` boards of `boardButtons`
// buttons, one mapping per button with a few key steps each.
GeneratedSetup GenerateSetup(int joysticks, int joystickButtons, int boards, int boardButtons);

} // namespace qm::bench
