#include "engine/mapping_engine.h"

#include "core/app_error.h"
#include "core/error_trap.h"
#include "engine/control_binding.h"
#include "keyboard/send_keys.h"

#include <cstring>
#include <utility>

namespace qm {

namespace {

// The mapping of button b of device d, 0 for none; an entry past the tables is an error.
int MappingOf(const ButtonMapTable& buttonMap, int d, int b, int mappings) {
    const int m = buttonMap.At(d, b);
    if (m < 0 || m > mappings)
        throw AppError(err::SubscriptOutOfRange);
    return m;
}

// Clears a flag when it goes out of scope, whatever happens.
class BusyScope {
public:
    explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& flag_;
};

bool AllUp(std::span<const std::uint8_t> states) {
    // Eight bytes at a time: a quiet board of 512 buttons costs 64 loads.
    std::size_t i = 0;
    std::uint64_t any = 0;
    for (; i + 8 <= states.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, states.data() + i, sizeof word);
        any |= word;
    }
    for (; i < states.size(); ++i)
        any |= states[i];
    return any == 0;
}

// The mapping of a bound row, checked against the tables.
int CheckedMapping(int m, int mappings) {
    if (m < 1 || m > mappings)
        throw AppError(err::SubscriptOutOfRange);
    return m;
}

} // namespace

MappingEngine::~MappingEngine() {
    ReleaseHeld();
}

void MappingEngine::ReleaseHeld() noexcept {
    try {
        keyboard_.Forget(); // the user may have switched a lock meanwhile
        held_.ReleaseAll();
    } catch (...) {
        // Nothing more can be done for keys the system refuses to take.
    }
}

void MappingEngine::Pass(const ButtonMapTable& buttonMap, std::span<CompiledKeys> press,
                         std::span<const CompiledKeys> release, EnginePolicy& policy) noexcept {
    if (busy_)
        return;
    BusyScope busy(busy_);
    RunTrapped(dialogs_, "MyDXCallback", [&] { RunPass(buttonMap, press, release, policy); });
}

void MappingEngine::Edges(const ButtonMapTable& buttonMap, std::span<CompiledKeys> press,
                          std::span<const CompiledKeys> release, EnginePolicy& policy) noexcept {
    if (busy_)
        return;
    BusyScope busy(busy_);
    RunTrapped(dialogs_, "MyDXCallback", [&] {
        keyboard_.Forget(); // the user may have switched a lock since the last pass
        RunEdges(buttonMap, press, release, policy);
    });
}

void MappingEngine::RunEdges(const ButtonMapTable& buttonMap, std::span<CompiledKeys> press,
                             std::span<const CompiledKeys> release, EnginePolicy& policy) {
    const int mappings = static_cast<int>(std::min(press.size(), release.size()));
    for (const ButtonEdge& edge : devices_.TakeEdges()) {
        const int d = edge.Device;
        const int b = edge.Button;
        const int m = MappingOf(buttonMap, d, b, mappings);
        if (m == 0)
            continue;
        auto& keys = press[static_cast<std::size_t>(m - 1)];
        if (edge.Down) {
            Press(d, b, m, keys, policy, clock_.Now() - edge.AgeSeconds);
            policy.ButtonHeld(d, b);
        } else {
            Release(d, m, keys, release[static_cast<std::size_t>(m - 1)], policy);
        }
    }
}

void MappingEngine::RunPass(const ButtonMapTable& buttonMap, std::span<CompiledKeys> press,
                            std::span<const CompiledKeys> release, EnginePolicy& policy) {
    keyboard_.Forget(); // the user may have switched a lock since the last pass
    // What the devices read on events buffered comes first, in order.
    RunEdges(buttonMap, press, release, policy);
    bool anyDown = false;
    const int mappings = static_cast<int>(std::min(press.size(), release.size()));
    if (anyPressedOn_ && !policy.AnyReleaseDue()) {
        // Nothing is pressed any more (released, or the tables were loaded again).
        pressedOn_.fill(0);
        anyPressedOn_ = false;
    }
    const bool mayReleaseUnpressed = policy.ReleaseDueWithoutPress();
    for (int d = 1; d <= devices_.DeviceCount(); ++d) {
        int buttons = 0;
        if (!devices_.ReadDevice(d, buttons))
            return; // a controller was just acquired: its state comes next pass
        if (devices_.Lost(d)) {
            if (mayReleaseUnpressed || MayHoldPress(d))
                ReleaseDevice(d, buttonMap, press, release, policy);
            continue;
        }
        if (const auto controls = buttonMap.Controls(d); !controls.empty())
            anyDown |= RunControls(d, controls, press, release, policy,
                                   mayReleaseUnpressed || MayHoldPress(d));
        buttons = std::min(buttons, buttonMap.ButtonBound());
        const auto states = devices_.ButtonStates(d);
        const bool bulk = states.size() >= static_cast<std::size_t>(std::max(buttons, 0));
        if (bulk && !mayReleaseUnpressed && !MayHoldPress(d) &&
            AllUp(states.first(static_cast<std::size_t>(std::max(buttons, 0)))))
            continue;
        for (int b = 1; b <= buttons; ++b) {
            const int m = MappingOf(buttonMap, d, b, mappings);
            if (m == 0)
                continue;
            auto& keys = press[static_cast<std::size_t>(m - 1)];
            const bool down =
                bulk ? states[static_cast<std::size_t>(b - 1)] != 0 : devices_.ButtonDown(d, b);
            if (!down) {
                Release(d, m, keys, release[static_cast<std::size_t>(m - 1)], policy);
                continue;
            }
            Press(d, b, m, keys, policy, clock_.Now());
            policy.ButtonHeld(d, b);
            anyDown = true;
        }
    }
    policy.PassEnd(anyDown, devices_.ReadFailing(), devices_.Notice());
}

bool MappingEngine::RunControls(int d, std::span<const ControlBinding> controls,
                                std::span<CompiledKeys> press,
                                std::span<const CompiledKeys> release, EnginePolicy& policy,
                                bool mayHold) {
    const int mappings = static_cast<int>(std::min(press.size(), release.size()));
    // A device without a read of its controls has them all at rest.
    const ControlStates* states = devices_.Controls(d);
    bool anyDown = false;
    for (const ControlBinding& control : controls) {
        // Nothing pressed through the device: a control outside its press range has nothing
        // to do, and is passed over without asking the policy.
        if (!mayHold && (states == nullptr || !ControlDown(control, *states, false)))
            continue;
        const int m = CheckedMapping(control.Mapping, mappings);
        auto& keys = press[static_cast<std::size_t>(m - 1)];
        if (states == nullptr || !ControlDown(control, *states, policy.Pressed(m))) {
            Release(d, m, keys, release[static_cast<std::size_t>(m - 1)], policy);
            continue;
        }
        Press(d, 0, m, keys, policy, clock_.Now(), &control);
        policy.ControlHeld(d, control.Name());
        anyDown = true;
    }
    return anyDown;
}

void MappingEngine::ReleaseDevice(int d, const ButtonMapTable& buttonMap,
                                  std::span<CompiledKeys> press,
                                  std::span<const CompiledKeys> release, EnginePolicy& policy) {
    const int mappings = static_cast<int>(std::min(press.size(), release.size()));
    for (int b = 1; b <= buttonMap.ButtonBound(); ++b) {
        const int m = buttonMap.At(d, b);
        if (m == 0)
            continue;
        if (m < 0 || m > mappings)
            throw AppError(err::SubscriptOutOfRange);
        Release(d, m, press[static_cast<std::size_t>(m - 1)],
                release[static_cast<std::size_t>(m - 1)], policy);
    }
    for (const ControlBinding& control : buttonMap.Controls(d)) {
        const int m = CheckedMapping(control.Mapping, mappings);
        Release(d, m, press[static_cast<std::size_t>(m - 1)],
                release[static_cast<std::size_t>(m - 1)], policy);
    }
}

void MappingEngine::Press(int d, int b, int m, CompiledKeys& keys, EnginePolicy& policy,
                          double pressedAt, const ControlBinding* control) {
    if (!policy.Handles(m))
        return;
    // Repeat runs on every pass the button is down, before the edge test; a new press does
    // not restart its interval.
    if (keys.Repeat != 0 && keys.Rotary == 0 &&
        clock_.Now() - keys.LastRepeatTime > Settings.RepeatRate) {
        Burst(keys, keys, 1);
        keys.LastRepeatTime = clock_.Now();
    }
    if (policy.Pressed(m))
        return;
    policy.SetPressed(m, true);
    if (d <= kCountedDevices) {
        ++pressedOn_[static_cast<std::size_t>(d)];
        anyPressedOn_ = true;
    }
    if (keys.Hold != 0) {
        // The keys go down now and stay down until the release; the row's locks stay forced.
        ForceLocks(keys);
        keys.HeldTicket = held_.Hold(keys, Settings.Navigation);
        EndLocks();
    } else if (keys.Rotary != 0) {
        // A press edge soon after the previous one is a fast turn: send Multiplier times.
        keys.CurrentMultiplier = 1;
        const double elapsed = pressedAt - keys.LastRotaryTime;
        keys.LastRotaryTime = pressedAt;
        if (elapsed < Settings.RotaryRate)
            keys.CurrentMultiplier = keys.Multiplier;
        Burst(keys, keys, keys.CurrentMultiplier);
    } else if (keys.Repeat == 0) {
        Burst(keys, keys, 1);
    }
    if (control != nullptr)
        policy.ControlPressEdge(d, control->Name(), m);
    else
        policy.PressEdge(d, b, m);
}

void MappingEngine::Release(int d, int m, CompiledKeys& pressKeys, const CompiledKeys& releaseKeys,
                            EnginePolicy& policy) {
    if (!policy.ReleaseDue(m))
        return;
    policy.SetPressed(m, false);
    if (d <= kCountedDevices && pressedOn_[static_cast<std::size_t>(d)] > 0)
        --pressedOn_[static_cast<std::size_t>(d)];
    if (pressKeys.HeldTicket != 0)
        held_.LetGo(pressKeys, std::exchange(pressKeys.HeldTicket, 0));
    Burst(releaseKeys, pressKeys, pressKeys.Rotary != 0 ? pressKeys.CurrentMultiplier : 1);
}

bool MappingEngine::MayHoldPress(int d) const {
    return anyPressedOn_ && (d > kCountedDevices || pressedOn_[static_cast<std::size_t>(d)] > 0);
}

void MappingEngine::ForceLocks(const CompiledKeys& locks) {
    SetKeyState(held_, kVkNumLock, locks.NumLock);
    SetKeyState(held_, kVkCapsLock, locks.CapsLock);
    SetKeyState(held_, kVkScrollLock, locks.ScrollLock);
}

void MappingEngine::EndLocks() {
    // Off, unless a row held down forces a lock on.
    for (const std::uint16_t lock : {kVkNumLock, kVkCapsLock, kVkScrollLock})
        SetKeyState(held_, lock, held_.LockWanted(lock));
}

void MappingEngine::Burst(const CompiledKeys& side, const CompiledKeys& locks, int repetitions) {
    ForceLocks(locks);
    for (int r = 0; r < repetitions; ++r)
        for (int k = 1; k <= kStepCount; ++k)
            if (side.Step(k).IsUsed())
                SendKey(held_, clock_, side, k, Settings.KeyHoldMs, Settings.Navigation);
    EndLocks();
}

} // namespace qm
