#pragma once
// The mapping engine's test rig: devices of 8 buttons read from arrays, a recording keyboard, a
// manual clock and the runner's policy, with helpers to press, pass and read what was sent.
#include "core/key_names.h"
#include "core/messages.h"
#include "engine/configuration_loader.h"
#include "engine/runner_engine_policy.h"
#include "keyboard/recording_keyboard.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <set>

namespace qm {

class FakeReader final : public DeviceReader {
public:
    std::vector<std::vector<std::uint8_t>> states; // per device, byte b-1
    int endPassAt = 0;                             // device whose read ends the pass
    int reads = 0;
    std::vector<ButtonEdge> buffered; // taken (and forgotten) by the next drain
    std::vector<ButtonEdge> taken;

    int DeviceCount() const override { return static_cast<int>(states.size()); }
    bool ReadDevice(int d, int& buttons) override {
        ++reads;
        buttons = static_cast<int>(ButtonStates(d).size());
        return d != endPassAt;
    }
    bool ButtonDown(int d, int b) const override { return ButtonStates(d)[b - 1u] != 0; }
    std::span<const std::uint8_t> ButtonStates(int d) const override { return states[d - 1u]; }
    std::span<const ButtonEdge> TakeEdges() override {
        taken = std::move(buffered);
        buffered.clear();
        return taken;
    }
    bool Lost(int d) const override { return lost.contains(d); }
    std::string_view Notice() const override { return notice; }
    const ControlStates* Controls(int d) const override {
        return d <= static_cast<int>(controls.size()) ? &controls[d - 1u] : nullptr;
    }
    std::vector<ControlStates> controls; // per device; none past its end
    std::set<int> lost;
    std::string notice;
};

class StatusLog final : public StatusSink {
public:
    void SetStatusText(std::string_view text) override {
        if (text != current)
            changes.emplace_back(text);
        current = text;
    }
    std::string current = "Input Devices: Available";
    std::vector<std::string> changes;
};

struct Mapping {
    std::string press = {}, release = {}; // one key (a letter) per step
    bool repeat = false, rotary = false, valid = true;
    std::int16_t multiplier = 1, num = 0, caps = 0;
    bool hold = false;
};

// Devices of 8 buttons; button b of device 1 is bound to mapping b.
class EngineTest : public ::testing::Test {
protected:
    void Load(const std::vector<Mapping>& mappings, int deviceCount = 1) {
        devices.Clear();
        for (int d = 0; d < deviceCount; ++d)
            devices.AddDevice({true, 0, "{G" + std::to_string(d) + "}", "Pad", 8});
        reader.states.assign(static_cast<std::size_t>(deviceCount), std::vector<std::uint8_t>(8));
        tables = RunnerTables{};
        const auto compile = [&](CompiledKeys& keys, const std::string& letters) {
            for (std::size_t s = 0; s < letters.size(); ++s)
                FillKeyStep(keys, letters.substr(s, 1), letters.substr(s, 1),
                            static_cast<int>(s + 1), Vocabulary::Runner, layout);
        };
        for (const auto& m : mappings) {
            tables.Mappings.push_back({.Valid = m.valid});
            CompiledKeys& press = tables.PressKeys.emplace_back();
            CompileBehaviour({.Repeat = m.repeat,
                              .Rotary = m.rotary,
                              .Hold = m.hold,
                              .Multiplier = m.multiplier,
                              .NumLock = m.num != 0,
                              .CapsLock = m.caps != 0},
                             press);
            compile(press, m.press);
            compile(tables.ReleaseKeys.emplace_back(), m.release);
            ++tables.MappingCount;
            devices.ButtonMap().Set(1, tables.MappingCount, tables.MappingCount);
        }
        policy.Recount();
    }

    void Hold(int button, bool down, int device = 1) {
        reader.states[device - 1u][button - 1u] = down;
    }
    void Axis(int axis, std::int32_t value, int device = 1) {
        reader.controls[device - 1u].Axes[axis - 1u] = value;
    }
    void Hat(int hat, std::uint32_t value, int device = 1) {
        reader.controls[device - 1u].Hats[hat - 1u] = value;
    }
    // Passes every 10 ms for `seconds`.
    void Run(double seconds) {
        for (double t = 0; t < seconds - 1e-9; t += 0.01) {
            Pass();
            clock.Advance(0.01);
        }
    }
    void Pass() { engine.Pass(devices.ButtonMap(), tables.PressKeys, tables.ReleaseKeys, policy); }
    // A button change a device buffered, `age` seconds before the drain; its state follows.
    void Change(int button, bool down, double age = 0, int device = 1) {
        reader.buffered.push_back({device, button, down, age});
        Hold(button, down, device);
    }
    void Edges() {
        engine.Edges(devices.ButtonMap(), tables.PressKeys, tables.ReleaseKeys, policy);
    }
    // The virtual keys of every record, a release as its negative.
    std::vector<int> Records() const {
        std::vector<int> keys;
        for (const auto& batch : keyboard.Batches)
            for (const auto& r : batch)
                keys.push_back(r.KeyUp ? -r.VirtualKey : r.VirtualKey);
        return keys;
    }

    // The virtual keys pressed, one entry per press record.
    std::vector<int> Pressed() const {
        auto keys = Records();
        std::erase_if(keys, [](int key) { return key < 0; });
        return keys;
    }
    std::size_t Count(int key) const { return std::ranges::count(Pressed(), key); }
    // The keys down after every record so far.
    std::set<int> Down() const {
        std::set<int> down;
        for (int key : Records())
            key > 0 ? (void)down.insert(key) : (void)down.erase(-key);
        return down;
    }
    // Step 1 of mapping m's press side becomes a chord such as "SHIFT + W".
    void Chord(int m, const std::string& text, const std::string& name) {
        tables.Press(m).Step(1) = {};
        FillKeyStep(tables.Press(m), text, name, 1, Vocabulary::Runner, layout);
    }

    UsLayoutScanCodes layout;
    DeviceTables devices;
    FakeReader reader;
    RecordingKeyboard keyboard{layout};
    ManualClock clock;
    testing::RecordingDialogs dialogs;
    StatusLog status;
    RunnerTables tables;
    RunnerEnginePolicy policy{tables, status};
    MappingEngine engine{reader, keyboard, clock, dialogs};

    void SetUp() override { clock.Set(1000); } // a monotonic clock is far from zero
};

} // namespace qm
