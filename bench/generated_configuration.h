#pragma once
// Builds large configurations and matching device tables for the benchmarks.
#include "core/editor_qmf.h"
#include "devices/device_tables.h"

#include <string>
#include <vector>

namespace qm::bench {

struct GeneratedSetup {
    DeviceTables Devices;
    std::vector<PackedRow> Rows;
    std::string FileBytes; // the rows written as a version 1.4 file
};

// `joysticks` controllers of `joystickButtons` buttons, then `boards` boards of `boardButtons`
// buttons, one mapping per button with a few key steps each. With `controls`, each controller
// also has 8 axes and 4 hats, with a row for every direction of each (the eight of a hat, two
// of an axis: 48 rows), written as version 1.5.
// With `layers` (1 to 7), every row also has a copy in each of the shift layers 1 to `layers`,
// and the first controller's last `layers` buttons select them ("LAYER 1" on the first of them).
GeneratedSetup GenerateSetup(int joysticks, int joystickButtons, int boards, int boardButtons,
                             bool controls = false, int layers = 0);

// One controller of 128 buttons and `records` mappings of its buttons in turn, each of the
// controller's identity or, with `unknownIdentities`, each of an identity of its own that
// matches no device. Rows are not kept: a million records take a few hundred megabytes of text.
GeneratedSetup GenerateManyRecords(int records, bool unknownIdentities);

} // namespace qm::bench
