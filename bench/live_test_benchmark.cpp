// The editor's live test start: a 3,072-row list (8 controllers x 128 + 4 boards x 512
// buttons) compiled into the test tables.
#include "core/scan_codes.h"
#include "editor/live_test.h"
#include "generated_configuration.h"

#include <benchmark/benchmark.h>

namespace {

void BM_EditorTestCompile(benchmark::State& state) {
    auto setup = qm::bench::GenerateSetup(8, 128, 4, 512);
    const auto table =
        qm::MappingTable::FromRows(qm::ReadEditorConfiguration(setup.FileBytes).Rows);
    const qm::UsLayoutScanCodes scanCodes;
    qm::TestTables tables;
    for (auto _ : state) {
        qm::CompileTestTables(table, setup.Devices, scanCodes, tables);
        benchmark::DoNotOptimize(tables.PressKeys.data());
    }
    state.counters["rows"] = static_cast<double>(table.RowCount());
    state.counters["bound"] = static_cast<double>(setup.Devices.ButtonMap().BoundCount());
}
BENCHMARK(BM_EditorTestCompile)->Unit(benchmark::kMillisecond);

} // namespace
