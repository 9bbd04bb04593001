// List maintenance on the device limits: 255 controllers of 128 buttons (argument 0), 129
// boards of 512 buttons (1), and both together (2), every device attached. Each command is
// answered Yes; the duplicate dialog keeps the second row of each pair.
#include "editor/control_rows.h"
#include "editor/list_maintenance.h"
#include "generated_configuration.h"
#include "support/editor_fakes.h"

#include <benchmark/benchmark.h>

namespace {

struct AnsweringDialogs final : qm::EditorDialogs {
    qm::MessageAnswer ShowMessage(const qm::Message& message) override {
        return message.buttons == qm::MessageButtons::Ok ? qm::MessageAnswer::Ok
                                                         : qm::MessageAnswer::Yes;
    }
    std::optional<std::string> SaveFile(const qm::FileDialogRequest&) override { return {}; }
    qm::DuplicateChoice ChooseRowToKeep(const std::vector<qm::DuplicateRow>&) override {
        return {qm::DuplicateChoice::Action::Keep, 1};
    }
    std::optional<int> ChooseDevice(const std::vector<std::string>&) override { return 1; }
};

// The devices of the layout of argument 0, every controller with 8 axes and 4 hats, a row for
// each of their buttons and, after a controller's buttons, the rows New gives its hats and axes
// (32 more a controller).
qm::bench::GeneratedSetup Limits(const benchmark::State& state) {
    const auto layout = state.range(0);
    auto setup = qm::bench::GenerateSetup(layout != 1 ? 255 : 0, 128, layout != 0 ? 129 : 0, 512);
    qm::DeviceTables devices;
    std::vector<qm::PackedRow> rows;
    auto next = setup.Rows.begin();
    for (qm::DeviceEntry device : setup.Devices.Devices()) {
        rows.insert(rows.end(), next, next + device.ButtonCount);
        next += device.ButtonCount;
        if (device.IsDirectInput) {
            device.AxisMask = 0xFF;
            device.HatCount = qm::kMaxHatNumber;
            for (const auto& row : qm::DeviceControlRows(device))
                rows.emplace_back(row);
        }
        devices.AddDevice(std::move(device));
    }
    setup.Devices = std::move(devices);
    setup.Rows = std::move(rows);
    return setup;
}

// Runs `command` on a fresh copy of `rows` in every iteration; the copy is not timed.
template <class Command>
void Maintain(benchmark::State& state, const qm::DeviceTables& devices,
              std::vector<qm::PackedRow> rows, Command command) {
    const auto base = qm::MappingTable::FromRows(std::move(rows));
    AnsweringDialogs dialogs;
    qm::testing::RecordingEditorView view;
    int after = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto table = base;
        state.ResumeTiming();
        qm::ListMaintenance maintenance(&table, devices, dialogs, view, "Vantrel");
        benchmark::DoNotOptimize(command(maintenance));
        after = table.RowCount();
    }
    state.counters["rows"] = static_cast<double>(base.RowCount());
    state.counters["rows_after"] = after;
}

// Nothing to add: every button has its row (the case that took 82 s).
void BM_AddNothingMissing(benchmark::State& state) {
    auto setup = Limits(state);
    Maintain(state, setup.Devices, std::move(setup.Rows),
             [](qm::ListMaintenance& m) { return m.AddMissingRows(); });
}

// Every even button's, hat's and axis's rows missing: half the rows inserted where they belong.
void BM_AddHalfMissing(benchmark::State& state) {
    auto setup = Limits(state);
    std::erase_if(setup.Rows, [](const qm::PackedRow& row) {
        return row.Text(qm::col::Button).back() % 2 == 0;
    });
    Maintain(state, setup.Devices, std::move(setup.Rows),
             [](qm::ListMaintenance& m) { return m.AddMissingRows(); });
}

// Nothing inactive, no duplicates: the whole duplicate search for nothing.
void BM_RemoveNothing(benchmark::State& state) {
    auto setup = Limits(state);
    Maintain(state, setup.Devices, std::move(setup.Rows),
             [](qm::ListMaintenance& m) { return m.RemoveInactiveAndDuplicateRows(); });
}

// Every row twice: one duplicate dialog per button, half the rows removed.
void BM_RemoveDuplicates(benchmark::State& state) {
    auto setup = Limits(state);
    auto rows = setup.Rows;
    rows.insert(rows.end(), setup.Rows.begin(), setup.Rows.end());
    Maintain(state, setup.Devices, std::move(rows),
             [](qm::ListMaintenance& m) { return m.RemoveInactiveAndDuplicateRows(); });
}

// The first device's rows moved to the second device.
void BM_ReplaceDevice(benchmark::State& state) {
    auto setup = Limits(state);
    Maintain(state, setup.Devices, std::move(setup.Rows),
             [](qm::ListMaintenance& m) { return m.ReplaceDevice(0); });
}

// New: a list of every button, hat and axis of the devices.
void BM_NewList(benchmark::State& state) {
    const auto setup = Limits(state);
    int rows = 0;
    for (auto _ : state) {
        const auto table = qm::MappingTable::FromButtons(setup.Devices);
        rows = table.RowCount();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = rows;
}

#define LIMITS(bm) BENCHMARK(bm)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)
LIMITS(BM_AddNothingMissing);
LIMITS(BM_AddHalfMissing);
LIMITS(BM_RemoveNothing);
LIMITS(BM_RemoveDuplicates);
LIMITS(BM_ReplaceDevice);
LIMITS(BM_NewList);

} // namespace
