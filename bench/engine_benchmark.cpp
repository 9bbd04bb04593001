// One pass of the mapping engine over 3,072 mapped buttons (8 controllers x 128 + 4 boards
// x 512) with no output, and the heap allocations it makes; the same with every direction of
// the controllers' 4 hats and 8 axes mapped too (384 rows more); and with every button mapped
// in each of 8 layers (21,504 rows more), a layer held.
#include "engine/runner_engine_policy.h"
#include "generated_configuration.h"
#include "keyboard/recording_keyboard.h"
#include "support/allocation_counter.h"

#include <benchmark/benchmark.h>

namespace {

class QuietDevices final : public qm::DeviceReader {
public:
    explicit QuietDevices(const qm::DeviceTables& tables) {
        for (const auto& d : tables.Devices()) {
            states_.emplace_back(static_cast<std::size_t>(d.ButtonCount), 0);
            controls_.push_back(qm::ControlsAtRest());
        }
    }
    const qm::ControlStates* Controls(int d) const override {
        return &controls_[static_cast<std::size_t>(d - 1)];
    }
    void Deflect(int d, int axis) {
        controls_[static_cast<std::size_t>(d - 1)].Axes[axis - 1u] = 0;
    }
    int DeviceCount() const override { return static_cast<int>(states_.size()); }
    bool ReadDevice(int d, int& buttons) override {
        buttons = static_cast<int>(states_[static_cast<std::size_t>(d - 1)].size());
        return true;
    }
    bool ButtonDown(int d, int b) const override {
        return states_[static_cast<std::size_t>(d - 1)][static_cast<std::size_t>(b - 1)] != 0;
    }
    std::span<const std::uint8_t> ButtonStates(int d) const override {
        return states_[static_cast<std::size_t>(d - 1)];
    }
    void Hold(int d, int b) {
        states_[static_cast<std::size_t>(d - 1)][static_cast<std::size_t>(b - 1)] = 1;
    }

private:
    std::vector<std::vector<std::uint8_t>> states_;
    std::vector<qm::ControlStates> controls_;
};

class QuietStatus final : public qm::StatusSink {
public:
    void SetStatusText(std::string_view text) override { benchmark::DoNotOptimize(text.data()); }
};

class NoDialogs final : public qm::Dialogs {
public:
    qm::MessageAnswer ShowMessage(const qm::Message&) override { return qm::MessageAnswer::Ok; }
};

// `held`: the last device's last button is held down, its mapping pressed; with `controls`, the
// last controller's X axis at its low end instead. With `layers`, every row has a copy in each
// of the 7 shift layers, and the button that selects the last of them is held too.
void RunPasses(benchmark::State& state, bool held, bool controls = false, bool layers = false) {
    auto setup = qm::bench::GenerateSetup(8, 128, 4, 512, controls, layers ? 7 : 0);
    const qm::UsLayoutScanCodes scanCodes;
    qm::RunnerTables tables;
    qm::CompileRunnerConfiguration(setup.FileBytes, setup.Devices, scanCodes, tables);
    QuietDevices devices(setup.Devices);
    if (layers)
        devices.Hold(1, 128);
    if (held && controls)
        devices.Deflect(8, 1);
    else if (held) {
        const int d = setup.Devices.DeviceCount();
        devices.Hold(d, setup.Devices.Device(d).ButtonCount);
    }
    qm::RecordingKeyboard keyboard(scanCodes);
    qm::ManualClock clock;
    NoDialogs dialogs;
    QuietStatus status;
    qm::RunnerEnginePolicy policy(tables, status);
    qm::MappingEngine engine(devices, keyboard, clock, dialogs);
    // The first pass makes room for the devices' and the table's state.
    engine.Pass(setup.Devices.ButtonMap(), tables.PressKeys, tables.ReleaseKeys, policy);
    const qm::testing::AllocationScope heap;
    for (auto _ : state) {
        engine.Pass(setup.Devices.ButtonMap(), tables.PressKeys, tables.ReleaseKeys, policy);
    }
    state.counters["allocations_per_pass"] = benchmark::Counter(
        static_cast<double>(heap.Counts().Allocations), benchmark::Counter::kAvgIterations);
    state.counters["mapped_buttons"] = setup.Devices.ButtonMap().BoundCount();
    state.counters["keys_sent"] = static_cast<double>(keyboard.Batches.size());
    state.counters["layer"] = engine.ActiveLayer();
}

void BM_EnginePassIdle(benchmark::State& state) {
    RunPasses(state, false);
}
void BM_EnginePassOneHeld(benchmark::State& state) {
    RunPasses(state, true);
}
void BM_EnginePassControlsIdle(benchmark::State& state) {
    RunPasses(state, false, true);
}
void BM_EnginePassControlsOneHeld(benchmark::State& state) {
    RunPasses(state, true, true);
}
void BM_EnginePassEightLayersOneHeld(benchmark::State& state) {
    RunPasses(state, true, false, true);
}
BENCHMARK(BM_EnginePassIdle)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_EnginePassOneHeld)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_EnginePassControlsIdle)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_EnginePassControlsOneHeld)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_EnginePassEightLayersOneHeld)->Unit(benchmark::kNanosecond);

} // namespace
