// The runner as the program in front changes: what its window shows, its idle CPU, the time
// from a target program's activation to the runner showing the rule's configuration running,
// and what its process holds over many switches by hotkey.
// Reads the runner's control ids, so it is a file of its own (the editor's ids clash).
#include "harness.h"
#include "input.h"
#include "remote.h"
#include "runner/win32/corvex_ids.h"
#include "target_programs.h"

#include <psapi.h>

#include <stdexcept>

namespace qm::e2e {

HWND OnlyRunnerWindow() {
    const std::vector<HWND> windows = RunnerMainWindows();
    return windows.size() == 1 ? windows.front() : nullptr;
}

RunnerShows ReadRunnerShows(HWND runnerMain) {
    RunnerShows shows;
    DWORD id = 0;
    GetWindowThreadProcessId(runnerMain, &id);
    const win32::UniqueHandle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id));
    const HWND selector = GetDlgItem(runnerMain, IDC_CONFIGURATION_SELECTOR);
    if (process && selector != nullptr)
        shows.Entry = ComboBoxExText(process.Get(), selector,
                                     static_cast<int>(SendTo(selector, CB_GETCURSEL)));
    wchar_t button[32] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(GetDlgItem(runnerMain, IDC_RUN_BUTTON), WM_GETTEXT, std::size(button),
                        reinterpret_cast<LPARAM>(button), SMTO_NORMAL, 5000, &copied);
    // The caption with or without its access key ("&Stop").
    std::wstring caption(button);
    std::erase(caption, L'&');
    shows.Running = caption == L"Stop";
    return shows;
}

std::string RunnerShowsText(const RunnerShows& shows) {
    return "the selector shows \"" + Narrow(shows.Entry) + "\", " +
           (shows.Running ? "running" : "not running");
}

bool WaitRunnerShows(HWND runnerMain, std::wstring_view entry, bool running, DWORD timeoutMs) {
    return PumpUntil(
        [&] {
            const RunnerShows shows = ReadRunnerShows(runnerMain);
            return shows.Running == running && SameText(shows.Entry, entry);
        },
        timeoutMs);
}

double IdleCpuPercent(HWND window, int seconds) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    const win32::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process)
        throw std::runtime_error("cannot open the window's process");
    const double before = ProcessCpuSeconds(process.Get());
    const std::int64_t from = Now();
    Pump(static_cast<DWORD>(seconds) * 1000);
    const double wall = Milliseconds(Now() - from) / 1000;
    return (ProcessCpuSeconds(process.Get()) - before) / wall * 100;
}

namespace {

[[noreturn]] void NoSwitch(std::wstring_view entry, HWND target, DWORD boundMs,
                           const RunnerShows& shows) {
    throw std::runtime_error("no switch to \"" + Narrow(entry) + "\" within " +
                             std::to_string(boundMs) + " ms after " + Narrow(WindowText(target)) +
                             " came to the front: " + RunnerShowsText(shows));
}

// Brings the target to the front and waits for the runner to show `entry` running; the time
// from the target's activation to the first read that showed it, in ms.
double SwitchTo(HWND runnerMain, HWND target, std::wstring_view entry, DWORD boundMs) {
    const std::string name = Narrow(WindowText(target));
    const RunnerShows before = ReadRunnerShows(runnerMain);
    if (before.Running && SameText(before.Entry, entry))
        throw std::runtime_error("the runner runs \"" + Narrow(entry) + "\" before " + name +
                                 " comes to the front: nothing to time");
    if (GetForegroundWindow() == target)
        throw std::runtime_error(name + " is in front already: nothing to time");
    if (!BringToFront(target, 10000))
        throw std::runtime_error(name + " did not come to the front");
    const std::int64_t activated = TargetActivatedAt(target);
    std::int64_t seen = 0;
    RunnerShows last;
    const bool switched = PumpUntil(
        [&] {
            last = ReadRunnerShows(runnerMain);
            seen = Now();
            return last.Running && SameText(last.Entry, entry);
        },
        boundMs);
    if (!switched)
        NoSwitch(entry, target, boundMs, last);
    return Milliseconds(seen - activated);
}

} // namespace

SwitchTimes MeasureSwitches(HWND runnerMain, HWND one, HWND two, std::wstring_view entryOne,
                            std::wstring_view entryTwo, int rounds, DWORD boundMs) {
    ForegroundEvents events;
    SwitchTimes times;
    times.Hooked = events.Hooked();
    // The first switch is not timed: the runner may run either configuration when it begins.
    if (!BringToFront(two, 10000))
        throw std::runtime_error(Narrow(WindowText(two)) + " did not come to the front");
    if (!WaitRunnerShows(runnerMain, entryTwo, true, boundMs))
        NoSwitch(entryTwo, two, boundMs, ReadRunnerShows(runnerMain));
    for (int round = 0; round < rounds; ++round) {
        times.Ms.push_back(SwitchTo(runnerMain, one, entryOne, boundMs));
        times.Ms.push_back(SwitchTo(runnerMain, two, entryTwo, boundMs));
    }
    // Events are delivered while this thread dispatches messages: give the last ones a moment.
    Pump(100);
    times.ForegroundEvents = events.Count(one) + events.Count(two);
    return times;
}

RunnerFootprint ReadFootprint(HWND runnerMain) {
    DWORD id = 0;
    GetWindowThreadProcessId(runnerMain, &id);
    const win32::UniqueHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    if (!process)
        throw std::runtime_error("cannot open the runner's process");
    RunnerFootprint footprint;
    PROCESS_MEMORY_COUNTERS memory{};
    if (GetProcessMemoryInfo(process.Get(), &memory, sizeof(memory))) {
        footprint.PrivateMb = static_cast<double>(memory.PagefileUsage) / (1024 * 1024);
        footprint.WorkingSetMb = static_cast<double>(memory.WorkingSetSize) / (1024 * 1024);
    }
    SetLastError(ERROR_SUCCESS);
    footprint.GdiObjects = GetGuiResources(process.Get(), GR_GDIOBJECTS);
    footprint.UserObjects = GetGuiResources(process.Get(), GR_USEROBJECTS);
    footprint.ObjectsCounted = GetLastError() != ERROR_CALL_NOT_IMPLEMENTED;
    return footprint;
}

std::vector<RunnerFootprint> MeasureHotkeySwitches(HWND runnerMain, std::string_view chord,
                                                   int switches, int samples, DWORD boundMs) {
    std::vector<RunnerFootprint> footprints{ReadFootprint(runnerMain)};
    const int every = std::max(switches / std::max(samples, 1), 1);
    for (int made = 1; made <= switches; ++made) {
        const RunnerShows before = ReadRunnerShows(runnerMain);
        if (!PressChord(chord))
            throw std::runtime_error("unknown key in \"" + std::string(chord) + "\"");
        RunnerShows last;
        const bool switched = PumpUntil(
            [&] {
                last = ReadRunnerShows(runnerMain);
                return last.Running && !SameText(last.Entry, before.Entry);
            },
            boundMs);
        if (!switched)
            throw std::runtime_error("switch " + std::to_string(made) + " did not come within " +
                                     std::to_string(boundMs) + " ms: " + RunnerShowsText(last));
        if (made % every == 0 || made == switches) {
            footprints.push_back(ReadFootprint(runnerMain));
            footprints.back().Switches = made;
        }
    }
    return footprints;
}

} // namespace qm::e2e
