#include "engine/mapping_engine.h"

#include "core/app_error.h"
#include "core/error_trap.h"
#include "engine/control_binding.h"
#include "keyboard/send_keys.h"

#include <algorithm>
#include <cmath>
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
        const auto choice = ButtonRow(buttonMap, d, b, buttonMap.LayerBits(d, b), mappings);
        if (choice.Mapping != 0)
            RunButton(buttonMap, d, b, choice, edge.Down, clock_.Now() - edge.AgeSeconds, press,
                      release, policy);
    }
}

void MappingEngine::RunPass(const ButtonMapTable& buttonMap, std::span<CompiledKeys> press,
                            std::span<const CompiledKeys> release, EnginePolicy& policy) {
    keyboard_.Forget(); // the user may have switched a lock since the last pass
    // What the devices read on events buffered comes first, in order.
    RunEdges(buttonMap, press, release, policy);
    const int mappings = static_cast<int>(std::min(press.size(), release.size()));
    if (anyPressedOn_ && !policy.AnyReleaseDue()) {
        // Nothing is pressed any more (released, or the tables were loaded again).
        pressedOn_.fill(0);
        anyPressedOn_ = false;
        layers_.Clear();
    }
    // Every device is read before any row is run, so that the layer controls come first.
    const auto count = static_cast<std::size_t>(std::max(devices_.DeviceCount(), 0));
    if (readButtons_.size() < count + 1)
        readButtons_.resize(count + 1);
    for (int d = 1; d <= devices_.DeviceCount(); ++d)
        if (!devices_.ReadDevice(d, readButtons_[static_cast<std::size_t>(d)]))
            return; // a controller was just acquired: its state comes next pass
    bool anyDown = RunSelectors(buttonMap, press, release, policy);
    const bool mayReleaseUnpressed = policy.ReleaseDueWithoutPress();
    const bool layered = buttonMap.HasLayerBits();
    if (layered)
        Latch(buttonMap, 0, 0); // made for this table, so that the loop may read it at once
    for (int d = 1; d <= devices_.DeviceCount(); ++d) {
        if (devices_.Lost(d)) {
            if (mayReleaseUnpressed || MayHoldPress(d))
                ReleaseDevice(d, buttonMap, press, release, policy);
            continue;
        }
        if (const auto controls = buttonMap.Controls(d); !controls.empty())
            anyDown |= RunControls(d, controls, press, release, policy,
                                   mayReleaseUnpressed || MayHoldPress(d));
        const int buttons =
            std::min(readButtons_[static_cast<std::size_t>(d)], buttonMap.ButtonBound());
        const auto states = devices_.ButtonStates(d);
        const bool bulk = states.size() >= static_cast<std::size_t>(std::max(buttons, 0));
        if (bulk && !mayReleaseUnpressed && !MayHoldPress(d) &&
            AllUp(states.first(static_cast<std::size_t>(std::max(buttons, 0)))))
            continue;
        for (int b = 1; b <= buttons; ++b) {
            const std::uint8_t bits = layered ? buttonMap.LayerBits(d, b) : 0;
            if ((bits & ButtonMapTable::kSelectsLayer) != 0)
                continue; // run first
            const bool down =
                bulk ? states[static_cast<std::size_t>(b - 1)] != 0 : devices_.ButtonDown(d, b);
            if (bits == 0) {
                // The common case, kept free of the layers' bookkeeping.
                const int m = MappingOf(buttonMap, d, b, mappings);
                if (m == 0)
                    continue;
                auto& keys = press[static_cast<std::size_t>(m - 1)];
                if (!down) {
                    Release(d, m, keys, release[static_cast<std::size_t>(m - 1)], policy);
                    continue;
                }
                Press(d, b, m, keys, policy, clock_.Now());
                policy.ButtonHeld(d, b);
                anyDown = true;
                continue;
            }
            // A button of the layers that is up and has no row pressed has nothing to do.
            if (!down && !mayReleaseUnpressed && latches_[buttonMap.CellIndex(d, b)] == 0)
                continue;
            const auto choice = ButtonRow(buttonMap, d, b, bits, mappings);
            if (choice.Mapping != 0)
                anyDown |=
                    RunButton(buttonMap, d, b, choice, down, kPressedNow, press, release, policy);
        }
    }
    MovePointer();
    policy.PassEnd(anyDown, devices_.ReadFailing(), devices_.Notice());
}

bool MappingEngine::RunButton(const ButtonMapTable& buttonMap, int d, int b, ButtonChoice choice,
                              bool down, double pressedAt, std::span<CompiledKeys> press,
                              std::span<const CompiledKeys> release, EnginePolicy& policy) {
    const int m = choice.Mapping;
    auto& keys = press[static_cast<std::size_t>(m - 1)];
    if (!down) {
        Release(d, m, keys, release[static_cast<std::size_t>(m - 1)], policy);
        if (choice.Layered && !policy.Pressed(m))
            Latch(buttonMap, d, b) = 0;
        return false;
    }
    Press(d, b, m, keys, policy, std::isnan(pressedAt) ? clock_.Now() : pressedAt);
    if (choice.Layered && policy.Pressed(m))
        Latch(buttonMap, d, b) = static_cast<std::uint8_t>(choice.Layer + 1);
    policy.ButtonHeld(d, b);
    return true;
}

std::uint8_t& MappingEngine::Latch(const ButtonMapTable& buttonMap, int d, int b) {
    if (latchesFor_ != buttonMap.Generation() || latches_.size() != buttonMap.CellCount()) {
        latches_.assign(buttonMap.CellCount(), 0);
        latchesFor_ = buttonMap.Generation();
    }
    return latches_[buttonMap.CellIndex(d, b)];
}

bool MappingEngine::RunSelectors(const ButtonMapTable& buttonMap, std::span<CompiledKeys> press,
                                 std::span<const CompiledKeys> release, EnginePolicy& policy) {
    const int mappings = static_cast<int>(std::min(press.size(), release.size()));
    const bool mayReleaseUnpressed = policy.ReleaseDueWithoutPress();
    bool anyDown = false;
    for (const auto& selector : buttonMap.Selectors()) {
        const int d = selector.Device;
        if (d > devices_.DeviceCount() || devices_.Lost(d))
            continue; // a lost device's rows are released with the others
        if (selector.Button == 0) {
            const auto controls = buttonMap.Controls(d);
            const auto at = static_cast<std::size_t>(selector.Control);
            if (at < controls.size())
                anyDown |= RunControl(d, controls.subspan(at, 1), devices_.Controls(d), press,
                                      release, policy, mayReleaseUnpressed || MayHoldPress(d));
            continue;
        }
        const int b = selector.Button;
        if (b > readButtons_[static_cast<std::size_t>(d)])
            continue;
        if (const int m = MappingOf(buttonMap, d, b, mappings))
            anyDown |= RunButton(buttonMap, d, b, {m, 0, false}, devices_.ButtonDown(d, b),
                                 kPressedNow, press, release, policy);
    }
    return anyDown;
}

MappingEngine::ButtonChoice MappingEngine::ButtonRow(const ButtonMapTable& buttonMap, int d, int b,
                                                     std::uint8_t bits, int mappings) {
    const int base = MappingOf(buttonMap, d, b, mappings);
    // A button whose base row selects a layer always does.
    if (bits == 0 || (bits & ButtonMapTable::kSelectsLayer) != 0)
        return {base, 0, bits > ButtonMapTable::kSelectsLayer};
    int layer = Latch(buttonMap, d, b) - 1;
    if (layer < 0) {
        const int active = layers_.Active();
        layer = active != 0 && (bits >> active & 1u) != 0 ? active : 0;
    }
    return {layer == 0 ? base : CheckedMapping(buttonMap.LayeredAt(d, b, layer), mappings), layer,
            true};
}

const ControlBinding* MappingEngine::ControlRow(std::span<const ControlBinding> group, int mappings,
                                                EnginePolicy& policy) const {
    if (group.size() == 1 && group.front().Layer == 0)
        return &group.front();
    const ControlBinding* base = nullptr;
    const ControlBinding* active = nullptr;
    for (const ControlBinding& row : group) {
        if (policy.Pressed(CheckedMapping(row.Mapping, mappings)))
            return &row;
        if (row.Layer == 0)
            base = &row;
        else if (row.Layer == layers_.Active())
            active = &row;
    }
    return active != nullptr ? active : base;
}

bool MappingEngine::RunControls(int d, std::span<const ControlBinding> controls,
                                std::span<CompiledKeys> press,
                                std::span<const CompiledKeys> release, EnginePolicy& policy,
                                bool mayHold) {
    // A device without a read of its controls has them all at rest.
    const ControlStates* states = devices_.Controls(d);
    bool anyDown = false;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        // Most controls have one row: the next control follows without waiting for a read.
        std::size_t rows = 1;
        if (controls[i].GroupSize > 1)
            rows = std::min<std::size_t>(controls[i].GroupSize, controls.size() - i);
        const auto group = controls.subspan(i, rows);
        i += rows - 1;
        // Nothing pressed through the device and the control at rest: nothing to do.
        if (!mayHold && rows == 1 &&
            (states == nullptr || !ControlDown(group.front(), *states, false)))
            continue;
        if (!group.front().SelectsLayer) // those ran first
            anyDown |= RunControl(d, group, states, press, release, policy, mayHold);
    }
    return anyDown;
}

bool MappingEngine::RunControl(int d, std::span<const ControlBinding> group,
                               const ControlStates* states, std::span<CompiledKeys> press,
                               std::span<const CompiledKeys> release, EnginePolicy& policy,
                               bool mayHold) {
    const int mappings = static_cast<int>(std::min(press.size(), release.size()));
    // Nothing pressed through the device: a control outside its press range has nothing to
    // do, and is passed over without asking the policy.
    if (!mayHold && (states == nullptr ||
                     std::none_of(group.begin(), group.end(), [&](const ControlBinding& row) {
                         return ControlDown(row, *states, false);
                     })))
        return false;
    const ControlBinding* control = ControlRow(group, mappings, policy);
    if (control == nullptr)
        return false;
    const int m = CheckedMapping(control->Mapping, mappings);
    auto& keys = press[static_cast<std::size_t>(m - 1)];
    if (states == nullptr || !ControlDown(*control, *states, policy.Pressed(m))) {
        Release(d, m, keys, release[static_cast<std::size_t>(m - 1)], policy);
        return false;
    }
    Press(d, 0, m, keys, policy, clock_.Now(), control);
    policy.ControlHeld(d, control->Name());
    if (control->MovesPointer && policy.Pressed(m))
        AddPointerSpeed(*control, keys, *states);
    return true;
}

void MappingEngine::AddPointerSpeed(const ControlBinding& control, const CompiledKeys& keys,
                                    const ControlStates& states) {
    const PointerPush push = PushOf(control, states);
    const double curved = keys.PointerCurve == 2 ? push.Magnitude * push.Magnitude : push.Magnitude;
    const double speed = keys.PointerSpeed * curved * push.Share;
    switch (keys.Pointer) {
    case PointerDirection::Up:
        speedY_ -= speed;
        break;
    case PointerDirection::Down:
        speedY_ += speed;
        break;
    case PointerDirection::Left:
        speedX_ -= speed;
        break;
    case PointerDirection::Right:
        speedX_ += speed;
        break;
    case PointerDirection::None:
        break;
    }
}

void MappingEngine::MovePointer() {
    // A pass late by more than this (a box was open, the runner was stopped) moves no further.
    constexpr double kLongestStep = 0.05;
    const double now = clock_.Now();
    const double step = lastPassTime_ < 0 ? 0 : std::clamp(now - lastPassTime_, 0.0, kLongestStep);
    lastPassTime_ = now;
    if (speedX_ == 0 && speedY_ == 0) {
        remainderX_ = remainderY_ = 0;
        return;
    }
    remainderX_ += speedX_ * step;
    remainderY_ += speedY_ * step;
    speedX_ = speedY_ = 0;
    // To the nearest pixel: the pointer is never more than half a pixel from where the speeds
    // put it, whatever the rounding of the clock's steps.
    const double dx = std::round(remainderX_);
    const double dy = std::round(remainderY_);
    remainderX_ -= dx;
    remainderY_ -= dy;
    if (dx != 0 || dy != 0)
        held_.MovePointer(static_cast<int>(dx), static_cast<int>(dy));
}

void MappingEngine::ReleaseDevice(int d, const ButtonMapTable& buttonMap,
                                  std::span<CompiledKeys> press,
                                  std::span<const CompiledKeys> release, EnginePolicy& policy) {
    const int mappings = static_cast<int>(std::min(press.size(), release.size()));
    const auto releaseRow = [&](int m) {
        if (m == 0)
            return;
        if (m < 0 || m > mappings)
            throw AppError(err::SubscriptOutOfRange);
        Release(d, m, press[static_cast<std::size_t>(m - 1)],
                release[static_cast<std::size_t>(m - 1)], policy);
    };
    for (int b = 1; b <= buttonMap.ButtonBound(); ++b) {
        releaseRow(buttonMap.At(d, b));
        const std::uint8_t bits = buttonMap.LayerBits(d, b);
        if (bits <= ButtonMapTable::kSelectsLayer)
            continue;
        for (int layer = 1; layer <= kMaxLayer; ++layer)
            if ((bits >> layer & 1u) != 0)
                releaseRow(buttonMap.LayeredAt(d, b, layer));
        Latch(buttonMap, d, b) = 0;
    }
    for (const ControlBinding& control : buttonMap.Controls(d))
        releaseRow(CheckedMapping(control.Mapping, mappings));
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
    if (keys.SelectsLayer != 0)
        layers_.Push(m, keys.SelectsLayer);
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
    if (pressKeys.SelectsLayer != 0)
        layers_.Remove(m);
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
