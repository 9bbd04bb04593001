// check: the runner's loader against described devices.
#include "core/messages.h"
#include "device_description.h"
#include "qmftool.h"
#include "runner/configuration_loader.h"

namespace qm::tool {

int Check(const Arguments& args) {
    const auto parsed = ParseArguments(args, {"--devices"});
    if (!parsed.Error.empty())
        return UsageError(parsed.Error);
    const auto devicesPath = parsed.Options.find("--devices");
    if (parsed.Positional.size() != 1 || devicesPath == parsed.Options.end())
        return UsageError("check takes FILE --devices DEVICES.json");

    std::string devicesText;
    if (!ReadInputFile(devicesPath->second, devicesText))
        return kExitUsage;
    DescribedDevices devices;
    std::string error;
    if (!ReadDeviceDescription(devicesText, devices, error))
        return UsageError(devicesPath->second + ": " + error);

    // The runner checks the devices before it opens the file.
    std::string bytes;
    if (DeviceRefusal(devices.Tables) == RunnerLoadStatus::Loaded) {
        if (!ReadInputFile(parsed.Positional[0], bytes))
            return kExitUsage;
    }
    const UsLayoutScanCodes scanCodes;
    RunnerTables tables;
    const auto result = CompileRunnerConfiguration(bytes, devices.Tables, scanCodes, tables);
    if (const auto refusal = RefusalMessage(result.Status)) {
        PrintMessage(*refusal);
        return kExitRefused;
    }
    if (result.ValueError)
        PrintMessage(msg::ErrorBox(*result.ValueError, "open_click"));
    PrintLine("{\"mapping_count\":" + std::to_string(tables.MappingCount) +
              ",\"valid\":" + std::to_string(tables.ValidCount()) +
              ",\"bound\":" + std::to_string(devices.Tables.ButtonMap().BoundCount()) + "}");
    return kExitSuccess;
}

} // namespace qm::tool
