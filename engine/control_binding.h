#pragma once
// Hat and axis rows bound to the devices that have their control, and the rule that says when
// such a control is down. Both the runner's loader and the editor's live test bind through it.
#include "core/compiled_keys.h"
#include "core/control.h"
#include "devices/device_reader.h"
#include "devices/device_tables.h"

#include <array>
#include <cstdint>
#include <span>
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

// How far a pointer row's stick is pushed its way: Magnitude 0 inside the dead zone, rising to 1
// at full deflection; Share the part of the push along the row's axis (1 on the axis alone).
// The dead zone is round when the stick's other axis moves the pointer too.
struct PointerPush {
    double Magnitude = 0;
    double Share = 0;
};
PointerPush PushOf(const ControlBinding& binding, const ControlStates& states);

// Whether the control is down in `states` (a pointer row: pushed past its dead zone). `held`: its
// row is pressed, so an axis stays down until it leaves the release range rather than the press
// range.
bool ControlDown(const ControlBinding& binding, const ControlStates& states, bool held);

// Collects the hat and axis rows of a configuration, then binds the first row of each control
// of an identity in each layer to every device of that identity that has the control.
class ControlRows {
public:
    // Offers a row of `identityKey` (IdentityKey form) with its number and fields. True when it
    // is the first of its control in its layer there and will be bound (its keys are then
    // compiled).
    bool Offer(const std::string& identityKey, int number, const ControlFields& fields,
               std::int32_t mapping);
    // Adds the bindings to `map`, which is dimensioned for `devices` already: the rows of one
    // control in several layers one after the other, base first.
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
        // Per layer, bit h - 1: hat h has a diagonal row there.
        std::array<std::uint8_t, kMaxLayer + 1> DiagonalHats{};
    };
    std::unordered_map<std::string, Identity> identities_;
};

// The first row of each button number of one identity, per layer; the rows bound to a device of
// that identity.
class FirstButtonRows {
public:
    // For buttons 1 to `buttons`.
    explicit FirstButtonRows(int buttons = 0);
    int Buttons() const { return buttons_; }
    // True when `mapping` is the first row of `button` in `layer` (it is then kept).
    bool Offer(int button, int layer, std::int32_t mapping);
    // Binds the kept rows to device d's buttons 1 to `buttons` (at most Buttons()).
    void Bind(int d, int buttons, ButtonMapTable& map) const;

private:
    int buttons_ = 0;
    std::array<std::vector<std::int32_t>, kMaxLayer + 1> first_;
};

// The pointer speed and curve of a row into its press side: the default speed when none is
// set, the linear curve unless the steeper one is asked for.
void CompilePointer(const ControlFields& fields, CompiledKeys& press);

// What binding needs of the compiled rows, once they are compiled: the rows that select a layer
// (handled first in a pass) and the axis rows that move the pointer, with the stick's other
// axis when it moves the pointer too. `press`: element m - 1 for mapping m.
void FinishBindings(ButtonMapTable& map, std::span<const CompiledKeys> press);

// Whether a device has the control of a hat or axis row.
bool DeviceHasControl(const DeviceEntry& device, Control control, int number);

} // namespace qm
