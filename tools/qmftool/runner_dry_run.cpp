#include "runner_dry_run.h"

#include "core/messages.h"
#include "core/scan_codes.h"
#include "qmftool.h"

namespace qm::tool {

int PrepareRunner(const std::string& file, const std::string& devicesPath, RunnerDryRun& run,
                  StatusSink* status) {
    std::string devicesText;
    if (!ReadInputFile(devicesPath, devicesText))
        return kExitUsage;
    std::string error;
    if (!ReadDeviceDescription(devicesText, run.Described, error))
        return UsageError(devicesPath + ": " + error);
    run.Devices = std::make_unique<InputDevices>(run.Described.Joysticks, run.Described.Boards,
                                                 run.Dialogs, status);
    run.Devices->Scan(nullptr);

    // The runner checks the devices before it opens the file.
    std::string bytes;
    if (DeviceRefusal(run.Devices->Tables()) == RunnerLoadStatus::Loaded &&
        !ReadInputFile(file, bytes))
        return kExitUsage;
    const UsLayoutScanCodes scanCodes;
    const auto result =
        CompileRunnerConfiguration(bytes, run.Devices->Tables(), scanCodes, run.Tables);
    if (const auto refusal = RefusalMessage(result)) {
        PrintRefusal(file, *refusal);
        return kExitRefused;
    }
    // Corvex loads such a file after its error box.
    run.ValueError = result.ValueError;
    if (result.ValueError)
        PrintRefusal(file, msg::ErrorBox(*result.ValueError, "open_click"),
                     "loaded with its default in its place, as Corvex loads it");
    return kExitSuccess;
}

} // namespace qm::tool
