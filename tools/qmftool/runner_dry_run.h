#pragma once
// What check and simulate share: the described devices scanned by the real device layer and a
// configuration loaded by the runner's loader.
#include "console_dialogs.h"
#include "device_description.h"
#include "devices/input_devices.h"
#include "engine/configuration_loader.h"

#include <memory>
#include <optional>
#include <string>

namespace qm::tool {

struct RunnerDryRun {
    ConsoleDialogs Dialogs;
    DescribedDevices Described;
    std::unique_ptr<InputDevices> Devices;
    RunnerTables Tables;
    std::optional<AppError> ValueError;
};

// Reads DEVICES.json, scans the devices and loads FILE. Returns kExitSuccess, or the exit code
// after printing why not on one line (the runner's refusal, or what could not be read).
int PrepareRunner(const std::string& file, const std::string& devicesPath, RunnerDryRun& run,
                  StatusSink* status);

} // namespace qm::tool
