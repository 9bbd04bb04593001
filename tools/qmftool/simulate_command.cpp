// simulate: the runner's mapping engine, pass by pass on a virtual clock, with the described
// devices and a simulated keyboard; prints every injected record and status change.
#include "core/scan_codes.h"
#include "engine/runner_engine_policy.h"
#include "keyboard/recording_keyboard.h"
#include "keyboard/send_keys.h"
#include "qmftool.h"
#include "runner_dry_run.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <sstream>

namespace qm::tool {

namespace {

struct Event {
    long long Time = 0; // ms
    int Element = 0;    // 1-based index into DEVICES.json
    int Button = 0;
    bool Down = false;
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

// Reads EVENTS; false with a message naming the line when it is malformed.
bool ReadEvents(const std::string& text, std::size_t elements, std::vector<Event>& events,
                std::string& error) {
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream words(line);
        std::string time, element, button, action, extra;
        if (!(words >> time) || time[0] == '#')
            continue;
        words >> element >> button >> action;
        const auto t = WholeMs(time);
        const auto e = WholeMs(element);
        const auto b = WholeMs(button);
        if (!t || !e || !b || *e < 1 || static_cast<std::size_t>(*e) > elements || *b < 1 ||
            *b > 32767 || (action != "down" && action != "up") || (words >> extra)) {
            error = "line " + std::to_string(number) +
                    ": expected TIME DEVICE BUTTON down|up (TIME at most " +
                    std::to_string(kMaxMs) + ")";
            return false;
        }
        events.push_back({*t, static_cast<int>(*e), static_cast<int>(*b), action == "down"});
    }
    // Events of the same time keep their order in the file.
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.Time < b.Time; });
    return true;
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
    if (!ReadEvents(eventsText, run.Described.Elements.size(), events, error))
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
        for (const auto& r : records)
            PrintLine("{\"t\":" + std::to_string(Milliseconds(clock)) +
                      ",\"event\":\"key\",\"vk\":" + std::to_string(r.VirtualKey) + ",\"scan\":" +
                      std::to_string(r.ScanCode) + ",\"up\":" + (r.KeyUp ? "true" : "false") + "}");
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
            run.Described.SetButton(events[next].Element, events[next].Button, events[next].Down);
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
