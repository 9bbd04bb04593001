// What a jittering axis costs a controller read on its events: each change buffered, then
// drained and kept by TakeEdges (no edge), one change a drain or 64 (a full buffer), and the
// heap allocations the layer makes for them. The wake of the waiting thread is the system's.
#include "devices/input_devices.h"
#include "devices/scripted_devices.h"
#include "support/allocation_counter.h"

#include <benchmark/benchmark.h>

namespace {

class NoDialogs final : public qm::Dialogs {
public:
    qm::MessageAnswer ShowMessage(const qm::Message&) override { return qm::MessageAnswer::Ok; }
};

void BM_JitteringAxisDrained(benchmark::State& state) {
    const int perDrain = static_cast<int>(state.range(0));
    qm::ScriptedJoystickApi joysticks;
    qm::ScriptedBoardLibrary boards;
    NoDialogs dialogs;
    joysticks.AddController("{6F1D2B60-D5A0-11CF-BFC7-444553540000}", "Stick", 12);
    joysticks.SetControls(0, 0xFF, 4);
    qm::InputDevices devices(joysticks, boards, dialogs, nullptr);
    devices.Scan(nullptr);
    devices.StartEventReading();
    int buttons = 0;
    // Acquired, then read whole once: from then on its buffer keeps its states.
    for (int i = 0; i < 3; ++i)
        devices.ReadDevice(1, buttons);
    std::int32_t value = qm::kAxisCentre;
    std::size_t edges = 0;
    const qm::testing::AllocationScope heap;
    for (auto _ : state) {
        for (int i = 0; i < perDrain; ++i)
            joysticks.SetAxis(0, 1, value ^= 1);
        edges += devices.TakeEdges().size();
        benchmark::DoNotOptimize(devices.Controls(1)->Axes[0]);
    }
    state.SetItemsProcessed(state.iterations() * perDrain);
    state.counters["allocations_per_drain"] = benchmark::Counter(
        static_cast<double>(heap.Counts().Allocations), benchmark::Counter::kAvgIterations);
    state.counters["edges"] = static_cast<double>(edges);
}
BENCHMARK(BM_JitteringAxisDrained)->Arg(1)->Arg(64)->Unit(benchmark::kNanosecond);

} // namespace
