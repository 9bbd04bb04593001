// Load and compile of a large configuration (8 controllers x 128 + 4 boards x 512 buttons).
#include "core/scan_codes.h"
#include "engine/configuration_loader.h"
#include "generated_configuration.h"
#include "support/allocation_counter.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

// Argument 1: the controllers' hats and axes mapped too (a version 1.5 file).
void BM_RunnerLoadAndCompile(benchmark::State& state) {
    auto setup = qm::bench::GenerateSetup(8, 128, 4, 512, state.range(0) != 0);
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
BENCHMARK(BM_RunnerLoadAndCompile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A million records for one 128-button controller: of its identity (argument 0), or each of
// an identity of its own that matches no device (1). peak_bytes: the most heap the load held
// at once, beyond the file text.
void BM_RunnerLoadMillionRecords(benchmark::State& state) {
    const auto setup = qm::bench::GenerateManyRecords(1'000'000, state.range(0) != 0);
    auto devices = setup.Devices;
    const qm::UsLayoutScanCodes scanCodes;
    long long peak = 0;
    for (auto _ : state) {
        qm::RunnerTables tables;
        const qm::testing::AllocationScope heap;
        qm::CompileRunnerConfiguration(setup.FileBytes, devices, scanCodes, tables);
        peak = std::max(peak, heap.Counts().PeakBytes);
        benchmark::DoNotOptimize(tables.MappingCount);
    }
    state.counters["peak_bytes"] = static_cast<double>(peak);
    state.counters["file_bytes"] = static_cast<double>(setup.FileBytes.size());
}
BENCHMARK(BM_RunnerLoadMillionRecords)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

void BM_EditorRead(benchmark::State& state) {
    auto setup = qm::bench::GenerateSetup(8, 128, 4, 512, state.range(0) != 0);
    for (auto _ : state) {
        auto result = qm::ReadEditorConfiguration(setup.FileBytes);
        benchmark::DoNotOptimize(result.Rows.data());
        // Freeing the rows is not part of reading them (the runner's tables are kept too).
        state.PauseTiming();
        result = {};
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditorRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
