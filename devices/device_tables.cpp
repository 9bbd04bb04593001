#include "devices/device_tables.h"

#include <algorithm>

namespace qm {

void ButtonMapTable::Dimension(int deviceCount, int maxButtons) {
    devices_ = std::max(deviceCount, 0);
    buttons_ = std::max(maxButtons, 0);
    cells_.assign(static_cast<std::size_t>(devices_ + 1) * static_cast<std::size_t>(buttons_ + 1),
                  0);
}

void ButtonMapTable::Clear() {
    std::fill(cells_.begin(), cells_.end(), 0);
}

int ButtonMapTable::BoundCount() const {
    return static_cast<int>(std::count_if(cells_.begin(), cells_.end(), [](auto c) { return c; }));
}

void DeviceTables::Clear() {
    devices_.clear();
    buttons_.clear();
    maxButtons_ = 0;
    buttonMap_.Dimension(0, 0);
}

void DeviceTables::AddDevice(DeviceEntry device) {
    device.ButtonCount = std::max(device.ButtonCount, 0);
    for (int k = 1; k <= device.ButtonCount; ++k)
        buttons_.push_back({k, device.Name, device.Identity});
    maxButtons_ = std::max(maxButtons_, device.ButtonCount);
    devices_.push_back(std::move(device));
    buttonMap_.Dimension(DeviceCount(), maxButtons_);
}

} // namespace qm
