// check: the runner's loader against described devices.
#include "qmftool.h"
#include "runner_dry_run.h"

namespace qm::tool {

int Check(const Arguments& args) {
    const auto parsed = ParseArguments(args, {"--devices"});
    if (!parsed.Error.empty())
        return UsageError(parsed.Error);
    const auto devices = parsed.Options.find("--devices");
    if (parsed.Positional.size() != 1 || devices == parsed.Options.end())
        return UsageError("check takes FILE --devices DEVICES.json");
    RunnerDryRun run;
    if (const int exit = PrepareRunner(parsed.Positional[0], devices->second, run, nullptr))
        return exit;
    PrintLine("{\"mapping_count\":" + std::to_string(run.Tables.MappingCount) +
              ",\"valid\":" + std::to_string(run.Tables.ValidCount()) +
              ",\"bound\":" + std::to_string(run.Devices->Tables().ButtonMap().BoundCount()) + "}");
    return kExitSuccess;
}

} // namespace qm::tool
