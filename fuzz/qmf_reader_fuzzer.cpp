// Feeds arbitrary bytes to both readers. Beyond not crashing, checks that what the editor
// writes reads back to the same rows, and that the runner's tables stay consistent.
#include "core/editor_qmf.h"
#include "core/scan_codes.h"
#include "runner/configuration_loader.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

qm::DeviceTables MakeDevices() {
    qm::DeviceTables devices;
    devices.AddDevice({true, 0, "{6F1D2B60-D5A0-11CF-BFC7-444553540000}", "Pad", 12});
    devices.AddDevice({true, 0, "{6F1D2B61-D5A0-11CF-BFC7-444553540000}", "Stick", 128});
    devices.AddDevice(
        {false, 0, "\\\\?\\hid#vid_1234&pid_0001#7&1a2b3c4d&0&0000#{ab", "Panel", 512});
    return devices;
}

void Require(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const auto read = qm::ReadEditorConfiguration(bytes);
    const auto written = qm::WriteEditorConfiguration(read.Rows);
    const auto again = qm::ReadEditorConfiguration(written);
    Require(!again.Corrupt && !again.Obsolete && again.Rows.size() == read.Rows.size());
    // Writing is a fixed point after one round: the second write gives the same bytes.
    Require(qm::WriteEditorConfiguration(again.Rows) == written);

    static qm::DeviceTables devices = MakeDevices();
    static const qm::UsLayoutScanCodes scanCodes;
    qm::RunnerTables tables;
    const auto result = qm::CompileRunnerConfiguration(bytes, devices, scanCodes, tables);
    if (result.Status == qm::RunnerLoadStatus::Loaded) {
        Require(tables.MappingCount == static_cast<int>(tables.Mappings.size()));
        const auto& map = devices.ButtonMap();
        for (int d = 1; d <= devices.DeviceCount(); ++d)
            for (int b = 1; b <= devices.Device(d).ButtonCount; ++b) {
                const int m = map.At(d, b);
                Require(m >= 0 && m <= tables.MappingCount);
                if (m > 0)
                    Require(tables.Mapping(m).Valid && tables.Mapping(m).ButtonNo == b);
            }
    }
    return 0;
}
