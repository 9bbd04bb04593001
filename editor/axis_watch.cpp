#include "editor/axis_watch.h"

#include "core/control.h"

#include <algorithm>
#include <cstdlib>

namespace qm {

std::string AxisWatch::ValueText(int axis, std::int32_t value) {
    const std::int64_t range = kAxisMax - kAxisMin;
    const std::int64_t percent =
        ((static_cast<std::int64_t>(value) - kAxisMin) * 200 + range) / (2 * range);
    return std::string(AxisName(axis)) + " " + std::to_string(value) + " (" +
           std::to_string(percent) + " %)";
}

std::optional<std::string> AxisWatch::Update(const DeviceReader& reader,
                                             const DeviceTables& devices) {
    const int count = std::min(reader.DeviceCount(), devices.DeviceCount());
    if (last_.size() != static_cast<std::size_t>(count)) {
        last_.assign(static_cast<std::size_t>(count), std::nullopt);
        shown_.reset();
    }
    std::optional<Shown> moved;
    std::int64_t movedBy = 0;
    for (int d = 1; d <= count; ++d) {
        const ControlStates* states = reader.Controls(d);
        auto& last = last_[static_cast<std::size_t>(d - 1)];
        if (states == nullptr) {
            last.reset();
            continue;
        }
        if (!last) {
            last = *states; // the first read is where the axes rest
            continue;
        }
        const DeviceEntry& device = devices.Device(d);
        for (int a = 1; a <= kAxisCount; ++a) {
            if (!device.HasAxis(a))
                continue;
            const auto i = static_cast<std::size_t>(a - 1);
            const std::int32_t value = states->Axes[i];
            const bool isShown = shown_ && shown_->Device == d && shown_->Axis == a;
            const std::int64_t change =
                std::llabs(static_cast<std::int64_t>(value) - last->Axes[i]);
            if (change == 0 || (!isShown && change < kMoveThreshold))
                continue;
            last->Axes[i] = value;
            // Of two axes moved in one pass, the one moved further is shown.
            if (!moved || change > movedBy) {
                moved = Shown{d, a, value};
                movedBy = change;
            }
        }
    }
    if (!moved)
        return std::nullopt;
    shown_ = moved;
    return devices.Device(moved->Device).Name + ": " + ValueText(moved->Axis, moved->Value);
}

} // namespace qm
