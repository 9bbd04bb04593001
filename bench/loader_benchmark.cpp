// Load and compile of a large configuration (8 controllers x 128 + 4 boards x 512 buttons).
#include "core/scan_codes.h"
#include "generated_configuration.h"
#include "runner/configuration_loader.h"

#include <benchmark/benchmark.h>

namespace {

void BM_RunnerLoadAndCompile(benchmark::State& state) {
    auto setup = qm::bench::GenerateSetup(8, 128, 4, 512);
    const qm::UsLayoutScanCodes scanCodes;
    qm::RunnerTables tables;
    for (auto _ : state) {
        const auto result =
            qm::CompileRunnerConfiguration(setup.FileBytes, setup.Devices, scanCodes, tables);
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(tables.MappingCount);
    }
    state.counters["entries"] = static_cast<double>(tables.MappingCount);
    state.counters["bytes"] = static_cast<double>(setup.FileBytes.size());
}
BENCHMARK(BM_RunnerLoadAndCompile)->Unit(benchmark::kMillisecond);

void BM_EditorRead(benchmark::State& state) {
    auto setup = qm::bench::GenerateSetup(8, 128, 4, 512);
    for (auto _ : state) {
        auto result = qm::ReadEditorConfiguration(setup.FileBytes);
        benchmark::DoNotOptimize(result.Rows.data());
    }
}
BENCHMARK(BM_EditorRead)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
