// simulate: the runner's mapping engine, pass by pass on a virtual clock, with the described
// devices and a simulated keyboard; prints every injected record and status change.
#include "core/key_names.h"
#include "core/scan_codes.h"
#include "engine/runner_engine_policy.h"
#include "keyboard/recording_keyboard.h"
#include "keyboard/send_keys.h"
#include "qmftool.h"
#include "runner_dry_run.h"
#include "sim/sim_controls.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <sstream>

namespace qm::tool {

namespace {

struct Event {
    enum class Kind : std::uint8_t { Button, Axis, Hat };
    long long Time = 0; // ms
    int Element = 0;    // 1-based index into DEVICES.json
    Kind What = Kind::Button;
    int Number = 0; // the button, axis (1 to 8) or hat
    bool Down = false;
    std::uint32_t Value = 0; // an axis's value (0 to 65535) or a hat's position
};

// Bounds that keep the virtual clock's arithmetic exact and a run finite: times and periods up
// to about 31 years, at most 100 million passes.
constexpr long long kMaxMs = 1'000'000'000'000;
constexpr long long kMaxPasses = 100'000'000;

std::optional<long long> WholeMs(const std::string& text) {
    long long value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < 0 || value > kMaxMs)
        return std::nullopt;
    return value;
}

// One line of EVENTS, split in words: `TIME DEVICE BUTTON down|up`, `TIME DEVICE axis AXIS
// VALUE` (VALUE 0 to 65535, or P% of that) or `TIME DEVICE hat HAT POSITION` (a direction such
// as up-left, centre, or hundredths of a degree); a message when it is none of them.
std::string ReadEvent(const std::vector<std::string>& w, const DescribedDevices& devices,
                      Event& event) {
    const std::string usage = "expected TIME DEVICE BUTTON down|up, TIME DEVICE axis AXIS VALUE "
                              "or TIME DEVICE hat HAT POSITION (TIME at most " +
                              std::to_string(kMaxMs) + ")";
    const bool control = w.size() == 5 && (w[2] == "axis" || w[2] == "hat");
    if (w.size() != 4 && !control)
        return usage;
    const auto t = WholeMs(w[0]);
    const auto e = WholeMs(w[1]);
    if (!t || !e || *e < 1 || static_cast<std::size_t>(*e) > devices.Elements.size())
        return usage;
    event.Time = *t;
    event.Element = static_cast<int>(*e);
    const auto& described = devices.Elements[static_cast<std::size_t>(*e - 1)];
    if (!control) {
        const auto b = WholeMs(w[2]);
        if (!b || *b < 1 || *b > 32767 || (w[3] != "down" && w[3] != "up"))
            return usage;
        event.Number = static_cast<int>(*b);
        event.Down = w[3] == "down";
        return {};
    }
    if (w[2] == "axis") {
        event.What = Event::Kind::Axis;
        event.Number = sim::AxisNumber(w[3]);
        if (event.Number == 0)
            return "no axis \"" + w[3] + "\" (x, y, z, rx, ry, rz, slider1, slider2 or 1 to 8)";
        if ((described.AxisMask >> (event.Number - 1) & 1u) == 0)
            return "device " + w[1] + " has no axis " + sim::AxisName(event.Number);
        std::int32_t value = 0;
        if (!sim::ParseAxisValue(w[4], kAxisMin, kAxisMax, value))
            return "\"" + w[4] + "\" is neither a value from 0 to 65535 nor a percentage";
        event.Value = static_cast<std::uint32_t>(value);
        return {};
    }
    event.What = Event::Kind::Hat;
    const auto h = WholeMs(w[3]);
    if (!h || *h < 1 || *h > described.Hats)
        return "device " + w[1] + " has no hat " + w[3];
    event.Number = static_cast<int>(*h);
    if (!sim::ParseHatPosition(w[4], event.Value))
        return "\"" + w[4] + "\" is no hat position (up, up-right, ..., centre, or 0 to 35999)";
    return {};
}

// Reads EVENTS; false with a message naming the line when it is malformed.
bool ReadEvents(const std::string& text, const DescribedDevices& devices,
                std::vector<Event>& events, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream split(line);
        std::vector<std::string> words;
        for (std::string word; words.size() < 6 && split >> word;)
            words.push_back(word);
        if (words.empty() || words[0][0] == '#')
            continue;
        Event event;
        if (const auto why = ReadEvent(words, devices, event); !why.empty()) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
        events.push_back(event);
    }
    // Events of the same time keep their order in the file.
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.Time < b.Time; });
    return true;
}

// Makes an event's change on the described devices.
void Apply(const Event& e, DescribedDevices& devices) {
    switch (e.What) {
    case Event::Kind::Button:
        devices.SetButton(e.Element, e.Number, e.Down);
        break;
    case Event::Kind::Axis:
        devices.SetAxis(e.Element, e.Number, static_cast<std::int32_t>(e.Value));
        break;
    case Event::Kind::Hat:
        devices.SetHat(e.Element, e.Number, e.Value);
        break;
    }
}

long long Milliseconds(Clock& clock) {
    return std::llround(clock.Now() * 1000);
}

// Prints a status line when a pass sets a different text.
class PrintingStatus final : public StatusSink {
public:
    explicit PrintingStatus(Clock& clock) : clock_(clock) {}
    void SetStatusText(std::string_view text) override {
        if (text == current_)
            return;
        current_.assign(text);
        if (Printing)
            PrintLine("{\"t\":" + std::to_string(Milliseconds(clock_)) +
                      ",\"event\":\"status\",\"text\":" + JsonQuote(current_) + "}");
    }
    bool Printing = false;

private:
    Clock& clock_;
    std::string current_{status::kAvailable};
};

} // namespace

int Simulate(const Arguments& args) {
    const std::vector<std::string> options = {"--devices",     "--events",      "--poll",
                                              "--repeat-rate", "--rotary-rate", "--key-hold",
                                              "--until",       "--locks"};
    const auto parsed = ParseArguments(args, options);
    if (!parsed.Error.empty())
        return UsageError(parsed.Error);
    const auto option = [&](const std::string& name) -> const std::string* {
        const auto it = parsed.Options.find(name);
        return it == parsed.Options.end() ? nullptr : &it->second;
    };
    if (parsed.Positional.size() != 1 || !option("--devices") || !option("--events"))
        return UsageError("simulate takes FILE --devices DEVICES.json --events EVENTS [options]");
    const auto number = [&](const std::string& name, long long fallback) {
        const auto* text = option(name);
        return text ? WholeMs(*text) : std::optional<long long>(fallback);
    };
    const auto poll = number("--poll", 10);
    const auto repeatRate = number("--repeat-rate", 500);
    const auto rotaryRate = number("--rotary-rate", 35);
    const auto keyHold = number("--key-hold", 0);
    if (!poll || *poll == 0 || !repeatRate || !rotaryRate || !keyHold)
        return UsageError("--poll, --repeat-rate, --rotary-rate and --key-hold take whole "
                          "milliseconds up to " +
                          std::to_string(kMaxMs) + " (--poll at least 1)");
    const std::string locks = option("--locks") ? *option("--locks") : "";
    if (locks.find_first_not_of("NCS") != std::string::npos)
        return UsageError("--locks takes the letters N, C and S");

    ManualClock clock;
    PrintingStatus status(clock);
    RunnerDryRun run;
    if (const int exit = PrepareRunner(parsed.Positional[0], *option("--devices"), run, &status))
        return exit;

    std::string eventsText;
    if (!ReadInputFile(*option("--events"), eventsText))
        return kExitUsage;
    std::vector<Event> events;
    std::string error;
    if (!ReadEvents(eventsText, run.Described, events, error))
        return UsageError(*option("--events") + ": " + error);
    const auto until = number("--until", events.empty() ? 1000 : events.back().Time + 1000);
    if (!until)
        return UsageError("--until takes whole milliseconds up to " + std::to_string(kMaxMs));
    if (*until / *poll >= kMaxPasses)
        return UsageError("--until and --poll ask for more than " + std::to_string(kMaxPasses) +
                          " passes");

    const UsLayoutScanCodes layout;
    RecordingKeyboard keyboard(layout);
    keyboard.Record = false;
    keyboard.SetToggled(kVkNumLock, locks.find('N') != std::string::npos);
    keyboard.SetToggled(kVkCapsLock, locks.find('C') != std::string::npos);
    keyboard.SetToggled(kVkScrollLock, locks.find('S') != std::string::npos);
    keyboard.OnSend = [&](std::span<const KeyInput> records) {
        for (const auto& r : records) {
            const std::string up = r.KeyUp ? "true" : "false";
            const std::string t = "{\"t\":" + std::to_string(Milliseconds(clock));
            if (IsMouseCode(r.VirtualKey)) {
                // A wheel's key-up moves nothing.
                if (!IsWheelCode(r.VirtualKey) || !r.KeyUp)
                    PrintLine(t + ",\"event\":\"mouse\",\"action\":\"" +
                              std::string(NameOfCode(r.VirtualKey)) + "\"" +
                              (IsWheelCode(r.VirtualKey) ? "" : ",\"up\":" + up) + "}");
                continue;
            }
            PrintLine(t + ",\"event\":\"key\",\"vk\":" + std::to_string(r.VirtualKey) +
                      ",\"scan\":" + std::to_string(r.ScanCode) + ",\"up\":" + up + "}");
        }
    };
    keyboard.OnMove = [&](int dx, int dy) {
        PrintLine("{\"t\":" + std::to_string(Milliseconds(clock)) +
                  ",\"event\":\"pointer\",\"dx\":" + std::to_string(dx) +
                  ",\"dy\":" + std::to_string(dy) + "}");
    };

    MappingEngine engine(*run.Devices, keyboard, clock, run.Dialogs);
    engine.Settings.RepeatRate = static_cast<double>(*repeatRate) / 1000;
    engine.Settings.RotaryRate = static_cast<double>(*rotaryRate) / 1000;
    engine.Settings.KeyHoldMs = ClampKeyHold(static_cast<double>(*keyHold));
    RunnerEnginePolicy policy(run.Tables, status);
    status.Printing = true;

    std::size_t next = 0;
    for (long long start = 0; start <= *until;) {
        clock.Set(static_cast<double>(start) / 1000);
        for (; next < events.size() && events[next].Time <= start; ++next)
            Apply(events[next], run.Described);
        engine.Pass(run.Devices->Tables().ButtonMap(), run.Tables.PressKeys, run.Tables.ReleaseKeys,
                    policy);
        // A pass that overran its period is followed at once by the next one.
        const long long end = Milliseconds(clock);
        const long long boundary = (start / *poll + 1) * *poll;
        start = end > boundary ? end : boundary;
    }
    return kExitSuccess;
}

} // namespace qm::tool
