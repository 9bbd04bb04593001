#pragma once
// The runner's loader: reads a version 1.4 configuration into Mappings and compiles every
// entry bound to a connected device's button into PressKeys/ReleaseKeys and ButtonMap.
#include "core/app_error.h"
#include "core/compiled_keys.h"
#include "core/dialogs.h"
#include "core/file_system.h"
#include "core/mapping_entry.h"
#include "core/scan_codes.h"
#include "devices/device_tables.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

struct RunnerTables {
    int MappingCount = 0;
    // Entry i (1-based) is at index i - 1 of each table.
    std::vector<MappingEntry> Mappings;
    // Compiled only for the entries ButtonMap holds; every other one stays zero-filled.
    std::vector<CompiledKeys> PressKeys;
    std::vector<CompiledKeys> ReleaseKeys;

    const MappingEntry& Mapping(int i) const { return Mappings[static_cast<std::size_t>(i - 1)]; }
    CompiledKeys& Press(int i) { return PressKeys[static_cast<std::size_t>(i - 1)]; }
    CompiledKeys& Release(int i) { return ReleaseKeys[static_cast<std::size_t>(i - 1)]; }
    const CompiledKeys& Press(int i) const { return PressKeys[static_cast<std::size_t>(i - 1)]; }
    const CompiledKeys& Release(int i) const {
        return ReleaseKeys[static_cast<std::size_t>(i - 1)];
    }
    int ValidCount() const;
};

enum class RunnerLoadStatus { Loaded, NoDevices, NoButtons, Obsolete, NewerVersion, Corrupt };

struct RunnerLoadResult {
    RunnerLoadStatus Status = RunnerLoadStatus::Loaded;
    std::string FileVersion; // the version line, for NewerVersion
    // The first value that did not convert; its field got the default of a new row.
    std::optional<AppError> ValueError;
};

// Reads and compiles the bytes of a file. On success replaces `tables` and fills the device
// tables' ButtonMap; otherwise leaves both as they were. Throws nothing but std::bad_alloc.
RunnerLoadResult CompileRunnerConfiguration(std::string_view fileBytes, DeviceTables& devices,
                                            const ScanCodeSource& scanCodes, RunnerTables& tables);

// The press side's behaviour from an entry: Repeat and Rotary -1 or 0, the locks 1 or 0, the
// multiplier 2, 4 or 8 as given, any other 1.
void CompileBehaviour(const MappingEntry& entry, CompiledKeys& press);

// NoDevices or NoButtons when the runner refuses to load for want of devices; else Loaded.
RunnerLoadStatus DeviceRefusal(const DeviceTables& devices);

// The message the runner shows when it refuses a configuration; none for Loaded. The status
// alone serves the refusals for want of devices.
std::optional<Message> RefusalMessage(const RunnerLoadResult& result);
std::optional<Message> RefusalMessage(RunnerLoadStatus status);

// The runner's load of a configuration file: shows the message of every refusal and failure
// and returns whether the tables now hold the configuration. Starting the engine and the
// process priority are the caller's.
bool LoadRunnerConfiguration(FileSystem& files, Dialogs& dialogs, const std::string& path,
                             DeviceTables& devices, const ScanCodeSource& scanCodes,
                             RunnerTables& tables);

} // namespace qm
