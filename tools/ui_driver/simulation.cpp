// The simulated devices' shared state: buttons pressed and released, devices plugged, and the
// program's reads of them waited for.
#include "harness.h"

#include "sim/sim_controls.h"

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace qm::e2e {

Simulation::Simulation(const std::wstring& deviceFile, std::string_view lines) {
    WriteFile(deviceFile, lines);
    SetEnvironmentVariableW(sim::kDevicesVariable, deviceFile.c_str());
    DWORD error = 0;
    view_ = sim::SharedView::Open(deviceFile, true, error);
    if (!view_)
        throw Fatal("cannot open the simulation's shared state, error " + std::to_string(error));
    writer_ = std::make_unique<sim::ChangeWriter>(view_->State(), deviceFile);
}

Simulation::~Simulation() {
    SetEnvironmentVariableW(sim::kDevicesVariable, nullptr);
}

void Simulation::SetButton(int controller, int button, bool down) {
    writer_->SetButton(controller, button - 1, down);
}

bool Simulation::TapAndWait(int controller, int button, DWORD timeoutMs) {
    const std::uint32_t before = ReadCount();
    writer_->SetButton(controller, button - 1, true);
    writer_->SetButton(controller, button - 1, false);
    return WaitReads(before, static_cast<std::uint32_t>(controller), 2, timeoutMs);
}

void Simulation::SetBoardButton(int board, int button, bool down) {
    auto* state =
        reinterpret_cast<volatile std::uint8_t*>(&State().Boards[board - 1].Buttons[button - 1]);
    *state = down ? sim::kBoardDown : 0;
    MemoryBarrier();
}

void Simulation::ReleaseAll() {
    for (int c = 1; c <= sim::kMaxControllers; ++c)
        for (int b = 0; b < sim::kControllerStateBytes; ++b)
            writer_->SetButton(c, b, false);
    // Axes back in the middle of their range, hats centred.
    const auto controllers = std::min<std::uint32_t>(State().ControllerCount, sim::kMaxControllers);
    for (std::uint32_t c = 0; c < controllers; ++c) {
        const sim::ControllerSlot& slot = State().Controllers[c];
        const auto centre = static_cast<std::int32_t>(
            slot.RangeMin + (std::int64_t{slot.RangeMax} - slot.RangeMin + 1) / 2);
        for (int a = 0; a < sim::kControllerAxes; ++a)
            if ((slot.AxisMask >> a & 1u) != 0)
                writer_->SetAxis(static_cast<int>(c + 1), a, centre);
        for (int h = 0; h < sim::kControllerHats; ++h)
            writer_->SetHat(static_cast<int>(c + 1), h, sim::kSimHatCentred);
    }
    for (auto& board : State().Boards)
        std::fill(std::begin(board.Buttons), std::end(board.Buttons), 0);
    MemoryBarrier();
}

void Simulation::SetPlugged(int controller, bool plugged) {
    writer_->SetPlugged(controller, plugged);
    sim::BroadcastDevicesChanged();
}

void Simulation::SetBoardPlugged(int board, bool plugged) {
    *reinterpret_cast<volatile std::uint8_t*>(&State().Boards[board - 1].Unplugged) =
        plugged ? 0 : 1;
    MemoryBarrier();
    sim::BroadcastDevicesChanged();
}

void Simulation::SetBoardResult(int board, std::int32_t result) {
    *reinterpret_cast<volatile std::int32_t*>(&State().Boards[board - 1].Result) = result;
    MemoryBarrier();
}

std::uint32_t Simulation::ReadCount() const {
    return *static_cast<const volatile std::uint32_t*>(&State().Reads.Count);
}

bool Simulation::WaitReads(std::uint32_t after, std::uint32_t source, int reads, DWORD timeoutMs) {
    std::uint32_t next = after;
    int seen = 0;
    return PumpUntil(
        [&] {
            const std::uint32_t count = ReadCount();
            for (; next != count && seen < reads; ++next) {
                sim::ReadStamp stamp{};
                if (sim::LoggedRead(State(), next, stamp) && stamp.Source == source)
                    ++seen;
            }
            return seen >= reads;
        },
        timeoutMs);
}

bool Simulation::SetAndWait(int controller, int button, bool down, DWORD timeoutMs) {
    SetButton(controller, button, down);
    return WaitReads(ReadCount(), static_cast<std::uint32_t>(controller), 2, timeoutMs);
}

bool Simulation::SetBoardAndWait(int board, int button, bool down, DWORD timeoutMs) {
    SetBoardButton(board, button, down);
    return WaitReads(ReadCount(), sim::kBoardReadSource + static_cast<std::uint32_t>(board), 2,
                     timeoutMs);
}

std::string Simulation::SetAxisAndWait(int controller, int axis, std::string_view text,
                                       DWORD timeoutMs) {
    if (controller < 1 || controller > static_cast<int>(std::min<std::uint32_t>(
                                           State().ControllerCount, sim::kMaxControllers)))
        return "no simulated controller " + std::to_string(controller);
    const sim::ControllerSlot& slot = State().Controllers[controller - 1];
    if (axis < 1 || axis > sim::kControllerAxes || (slot.AxisMask >> (axis - 1) & 1u) == 0)
        return "controller " + std::to_string(controller) + " has no axis " + sim::AxisName(axis);
    std::int32_t value = 0;
    if (!sim::ParseAxisValue(text, slot.RangeMin, slot.RangeMax, value))
        return "\"" + std::string(text) + "\" is neither a value from " +
               std::to_string(slot.RangeMin) + " to " + std::to_string(slot.RangeMax) +
               " nor a percentage";
    const std::uint32_t before = ReadCount();
    writer_->SetAxis(controller, axis - 1, value);
    if (!WaitReads(before, static_cast<std::uint32_t>(controller), 2, timeoutMs))
        return "the program does not read controller" + std::to_string(controller);
    return {};
}

std::string Simulation::SetHatAndWait(int controller, int hat, std::string_view text,
                                      DWORD timeoutMs) {
    if (controller < 1 || controller > static_cast<int>(std::min<std::uint32_t>(
                                           State().ControllerCount, sim::kMaxControllers)))
        return "no simulated controller " + std::to_string(controller);
    const sim::ControllerSlot& slot = State().Controllers[controller - 1];
    if (hat < 1 || hat > std::min<int>(slot.HatCount, sim::kControllerHats))
        return "controller " + std::to_string(controller) + " has no hat " + std::to_string(hat);
    std::uint32_t position = 0;
    if (!sim::ParseHatPosition(text, position))
        return "\"" + std::string(text) + "\" is no hat position";
    const std::uint32_t before = ReadCount();
    writer_->SetHat(controller, hat - 1, position);
    if (!WaitReads(before, static_cast<std::uint32_t>(controller), 2, timeoutMs))
        return "the program does not read controller" + std::to_string(controller);
    return {};
}

HeldReads Simulation::Hold(int controller, int button, double ms, DWORD timeoutMs) {
    const auto source = static_cast<std::uint32_t>(controller);
    HeldReads held;
    SetButton(controller, button, true);
    // A read is logged before it copies the state: the reads from this number on see it down.
    const std::uint32_t pressed = ReadCount();
    bool spanned = PumpUntil(
        [&] {
            const auto down = Stamps(pressed, ReadCount(), source);
            return down.size() > 1 && Milliseconds(down.back() - down.front()) >= ms;
        },
        timeoutMs);
    SetButton(controller, button, false);
    const std::uint32_t released = ReadCount();
    spanned = spanned && WaitReads(released, source, 2, timeoutMs);
    if (!spanned)
        return held;
    held.Down = Stamps(pressed, released, source);
    for (std::uint32_t n = pressed; n-- != 0 && pressed - n <= 64;) {
        sim::ReadStamp stamp{};
        if (sim::LoggedRead(State(), n, stamp) && stamp.Source == source) {
            held.Before = stamp.Counter;
            break;
        }
    }
    return held;
}

std::set<int> RepeatSends(const HeldReads& held, double everyMs) {
    const auto sends = [&](std::span<const std::int64_t> reads) {
        int count = 0;
        std::int64_t last = 0;
        for (const std::int64_t read : reads) {
            if (count == 0 || Milliseconds(read - last) > everyMs) {
                ++count;
                last = read;
            }
        }
        return count;
    };
    std::vector<std::int64_t> withBefore = held.Down;
    if (held.Before)
        withBefore.insert(withBefore.begin(), *held.Before);
    std::set<int> counts;
    const std::vector<std::int64_t>* const variants[] = {&held.Down, &withBefore};
    for (const auto* reads : variants) {
        counts.insert(sends(*reads));
        if (held.Down.size() > 1)
            counts.insert(sends(std::span(*reads).first(reads->size() - 1)));
    }
    return counts;
}

bool Simulation::Polling(int reads, DWORD timeoutMs) {
    return WaitReads(ReadCount(), 1, reads, timeoutMs);
}

bool Simulation::Quiet(DWORD quietMs, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    do {
        const std::uint32_t before = ReadCount();
        Pump(quietMs);
        if (ReadCount() == before)
            return true;
    } while (GetTickCount64() < end);
    return false;
}

std::vector<std::int64_t> Simulation::Stamps(std::uint32_t from, std::uint32_t to,
                                             std::uint32_t source) const {
    std::vector<std::int64_t> stamps;
    for (std::uint32_t n = from; n != to; ++n) {
        sim::ReadStamp stamp{};
        if (sim::LoggedRead(State(), n, stamp) && stamp.Source == source)
            stamps.push_back(stamp.Counter);
    }
    return stamps;
}

double Simulation::MedianPeriodMs(int reads, DWORD timeoutMs) {
    const std::uint32_t from = ReadCount();
    if (!WaitReads(from, 1, reads + 1, timeoutMs))
        return 0;
    const auto stamps = Stamps(from, ReadCount(), 1);
    std::vector<double> periods;
    for (std::size_t i = 1; i < stamps.size(); ++i)
        periods.push_back(Milliseconds(stamps[i] - stamps[i - 1]));
    if (periods.empty())
        return 0;
    std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
    return periods[periods.size() / 2];
}

} // namespace qm::e2e
