#pragma once
// Hat and axis rows bound to the devices that have their control, and the rule that says when
// such a control is down. Both the runner's loader and the editor's live test bind through it.
#include "core/control.h"
#include "devices/device_reader.h"
#include "devices/device_tables.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace qm {

// The binding of one row: its thresholds on the fixed axis range, its hat sectors and its
// name. A four-way hat's Up, Right, Down and Left rows also take the diagonals beside them,
// so a diagonal never drops a direction; an eight-way hat's rows take their own sector only.
ControlBinding BindControl(const ControlFields& fields, int number, std::int32_t mapping,
                           bool eightWayHat);

// Whether the control is down in `states`. `held`: its row is pressed, so an axis stays down
// until it leaves the release range rather than the press range.
bool ControlDown(const ControlBinding& binding, const ControlStates& states, bool held);

// Collects the hat and axis rows of a configuration, then binds the first row of each control
// of an identity to every device of that identity that has the control.
class ControlRows {
public:
    // Offers a row of `identityKey` (IdentityKey form) with its number and fields. True when it
    // is the first of its control there and will be bound (its keys are then compiled).
    bool Offer(const std::string& identityKey, int number, const ControlFields& fields,
               std::int32_t mapping);
    // Adds the bindings to `map`, which is dimensioned for `devices` already.
    void Bind(const DeviceTables& devices, ButtonMapTable& map) const;

private:
    struct Row {
        int Number = 0;
        ControlFields Fields;
        std::int32_t Mapping = 0;
    };
    struct Identity {
        std::vector<Row> Rows;
        std::unordered_set<std::uint32_t> Controls;
        std::uint8_t DiagonalHats = 0; // bit h - 1: hat h has a diagonal row
    };
    std::unordered_map<std::string, Identity> identities_;
};

// Whether a device has the control of a hat or axis row.
bool DeviceHasControl(const DeviceEntry& device, Control control, int number);

} // namespace qm
