#include "devices/device_tables.h"

#include "core/qmf_file.h"

#include <algorithm>
#include <atomic>

namespace qm {

namespace {

std::uint64_t NextGeneration() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

} // namespace

void ButtonMapTable::Dimension(int deviceCount, int maxButtons) {
    devices_ = std::max(deviceCount, 0);
    buttons_ = std::max(maxButtons, 0);
    cells_.assign(static_cast<std::size_t>(devices_ + 1) * static_cast<std::size_t>(buttons_ + 1),
                  0);
    controls_.clear();
    layerBits_.clear();
    for (auto& cells : layerCells_)
        cells.clear();
    selectors_.clear();
    generation_ = NextGeneration();
}

void ButtonMapTable::Clear() {
    std::fill(cells_.begin(), cells_.end(), 0);
    controls_.clear();
    layerBits_.clear();
    for (auto& cells : layerCells_)
        cells.clear();
    selectors_.clear();
    generation_ = NextGeneration();
}

std::uint8_t& ButtonMapTable::BitsAt(int device, int button) {
    if (layerBits_.empty())
        layerBits_.assign(cells_.size(), 0);
    return layerBits_[Index(device, button)];
}

void ButtonMapTable::SetLayered(int device, int button, int layer, std::int32_t mapping) {
    if (!InRange(device, button) || layer < 1 || layer > kMaxLayer || mapping == 0)
        return;
    auto& cells = layerCells_[static_cast<std::size_t>(layer)];
    if (cells.empty())
        cells.assign(cells_.size(), 0);
    cells[Index(device, button)] = mapping;
    BitsAt(device, button) |= static_cast<std::uint8_t>(1u << layer);
}

void ButtonMapTable::SetSelectsLayer(int device, int button) {
    if (!InRange(device, button))
        return;
    BitsAt(device, button) |= kSelectsLayer;
    selectors_.push_back({device, button, 0});
}

int ButtonMapTable::BoundCount() const {
    int count =
        static_cast<int>(std::count_if(cells_.begin(), cells_.end(), [](auto c) { return c; }));
    for (const auto& bindings : controls_)
        count += static_cast<int>(bindings.size());
    for (const auto& cells : layerCells_)
        count +=
            static_cast<int>(std::count_if(cells.begin(), cells.end(), [](auto c) { return c; }));
    return count;
}

void ButtonMapTable::AddControl(int device, const ControlBinding& binding) {
    if (device < 1 || device > devices_)
        return;
    if (controls_.size() <= static_cast<std::size_t>(device))
        controls_.resize(static_cast<std::size_t>(devices_) + 1);
    controls_[static_cast<std::size_t>(device)].push_back(binding);
}

void DeviceTables::Clear() {
    devices_.clear();
    buttons_.clear();
    maxButtons_ = 0;
    buttonMap_.Dimension(0, 0);
}

void DeviceTables::AddDevice(DeviceEntry device) {
    // A button past the last one a configuration can name gets no row and no map cell: its
    // row could not be saved, and a device claiming 65535 buttons would cost megabytes.
    device.ButtonCount = std::clamp(device.ButtonCount, 0, kMaxButtonNumber);
    for (int k = 1; k <= device.ButtonCount; ++k)
        buttons_.push_back({k, device.Name, device.Identity});
    maxButtons_ = std::max(maxButtons_, device.ButtonCount);
    devices_.push_back(std::move(device));
    buttonMap_.Dimension(DeviceCount(), maxButtons_);
}

} // namespace qm
