// Feeds arbitrary bytes to both readers. Beyond not crashing, checks that what the editor
// writes reads back to the same rows, that the runner's tables stay consistent, and that both
// compile only well-formed steps of named keys (the runner's load, the editor's live test).
#include "core/editor_qmf.h"
#include "core/scan_codes.h"
#include "editor/live_test.h"
#include "engine/configuration_loader.h"
#include "fuzz_check.h"

#include <cstdint>
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

using qm::fuzz::Require;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const auto read = qm::ReadEditorConfiguration(bytes);
    const auto written = qm::WriteEditorConfiguration(read.Rows);
    const auto again = qm::ReadEditorConfiguration(written);
    Require(!again.Corrupt && !again.Obsolete && again.Rows.size() == read.Rows.size());
    // Writing is a fixed point after one round: the second write gives the same bytes.
    Require(qm::WriteEditorConfiguration(again.Rows) == written);

    static const qm::UsLayoutScanCodes scanCodes;
    static qm::DeviceTables testDevices = MakeDevices();
    qm::TestTables test;
    qm::CompileTestTables(qm::MappingTable::FromRows(read.Rows), testDevices, scanCodes, test);
    Require(test.PressKeys.size() == read.Rows.size() &&
            test.ReleaseKeys.size() == read.Rows.size());
    for (std::size_t r = 0; r < read.Rows.size(); ++r) {
        qm::fuzz::RequireWellFormedKeys(test.PressKeys[r], scanCodes);
        qm::fuzz::RequireWellFormedKeys(test.ReleaseKeys[r], scanCodes);
    }

    static qm::DeviceTables devices = MakeDevices();
    qm::RunnerTables tables;
    const auto result = qm::CompileRunnerConfiguration(bytes, devices, scanCodes, tables);
    // Both readers refuse the files of a newer version, and only those, reading nothing of them.
    Require((result.Status == qm::RunnerLoadStatus::NewerVersion) == !read.NewerVersion.empty());
    Require(read.NewerVersion.empty() || read.Rows.empty());
    if (result.Status == qm::RunnerLoadStatus::Loaded) {
        Require(tables.MappingCount == static_cast<int>(tables.Mappings.size()));
        const auto& map = devices.ButtonMap();
        for (int d = 1; d <= devices.DeviceCount(); ++d)
            for (int b = 1; b <= devices.Device(d).ButtonCount; ++b) {
                const int m = map.At(d, b);
                Require(m >= 0 && m <= tables.MappingCount);
                if (m > 0) {
                    Require(tables.Mapping(m).Valid && tables.Mapping(m).ButtonNo == b);
                    qm::fuzz::RequireWellFormedKeys(tables.Press(m), scanCodes);
                    qm::fuzz::RequireWellFormedKeys(tables.Release(m), scanCodes);
                }
            }
    }
    return 0;
}
