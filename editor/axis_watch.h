#pragma once
// The axis moved last during a live test, for the status bar: its device, its name and its raw
// value (0 to 65535) with the percentage, so that a user sees where to put a press point. Runs
// on the passes' thread after each pass.
#include "devices/device_reader.h"
#include "devices/device_tables.h"

#include <optional>
#include <string>
#include <vector>

namespace qm {

class AxisWatch {
public:
    // A move smaller than this (about 1 % of the range) from where an axis was last noted is
    // jitter, unless the axis is the one shown, whose every change is shown.
    static constexpr std::int32_t kMoveThreshold = 656;

    // Forgets every axis (a test starts, or the devices changed): the values read next are the
    // resting ones.
    void Reset() {
        last_.clear();
        shown_.reset();
    }
    // Compares the axes the devices have with those of the last call; the text to show when
    // the axis moved last changed, or its value did: "Stick: X axis 49152 (75 %)".
    std::optional<std::string> Update(const DeviceReader& reader, const DeviceTables& devices);

    // "X axis 49152 (75 %)" (the percentage rounded to the nearest whole).
    static std::string ValueText(int axis, std::int32_t value);

private:
    struct Shown {
        int Device = 0;
        int Axis = 0;
        std::int32_t Value = 0;
    };
    // Per device, the value each axis had when last noted; empty: not read yet.
    std::vector<std::optional<ControlStates>> last_;
    std::optional<Shown> shown_;
};

} // namespace qm
