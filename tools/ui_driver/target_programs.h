#pragma once
// The program in front, as the end-to-end tests change it: the target programs
// (target-one.exe, target-two.exe: windows that log the keys they receive), a window of a
// program named by its file name brought to the front as a user's click brings it, and what
// the runner shows and costs meanwhile.
#include "harness.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::e2e {

// The executable's file name of the process ("target-one.exe"); empty when unknown.
std::wstring ProcessFileName(DWORD process);
// The shown top-level windows of the processes whose executable has that file name (ignoring
// case), owner windows first.
std::vector<HWND> WindowsOfProgram(std::wstring_view fileName);

bool IsTargetWindow(HWND window);
// The shown target window of the process; null when there is none (yet).
HWND TargetWindowOf(DWORD process);

// Makes `window` the foreground window and waits until it is, as a user does it: a click on
// the top band of a target window (when that point shows the window), otherwise
// SetForegroundWindow with the driver's input attached to the thread in front (Windows lets
// only the foreground thread give the foreground away); a target once it also noted its
// activation. False when it did not come to the front within the time.
bool BringToFront(HWND window, DWORD timeoutMs);

// A target's key log, a line per key message: "down 65 0x1E", "up 65 0x1E".
std::vector<std::wstring> TargetKeyLines(HWND target);
// QueryPerformanceCounter's value when the target was last activated; 0 before that.
std::int64_t TargetActivatedAt(HWND target);

// The system's foreground events (EVENT_SYSTEM_FOREGROUND, out of context) counted per window
// while the object lives; delivered while the driver's thread dispatches messages.
class ForegroundEvents {
public:
    ForegroundEvents();
    ~ForegroundEvents();
    ForegroundEvents(const ForegroundEvents&) = delete;
    ForegroundEvents& operator=(const ForegroundEvents&) = delete;
    bool Hooked() const { return hook_ != nullptr; }
    int Count(HWND window) const;

private:
    HWINEVENTHOOK hook_;
};

// ---- the runner, as the program in front changes ------------------------------------------

// The runner's main window; null when no corvex.exe window exists, or more than one.
HWND OnlyRunnerWindow();

// What the runner's window shows: the selector's entry, and whether the Run/Stop button reads
// "Stop" (a configuration runs).
struct RunnerShows {
    std::wstring Entry;
    bool Running = false;
};
RunnerShows ReadRunnerShows(HWND runnerMain);
std::string RunnerShowsText(const RunnerShows& shows);
// Waits until the runner shows `entry` (ignoring case) and runs or not; false after the time.
bool WaitRunnerShows(HWND runnerMain, std::wstring_view entry, bool running, DWORD timeoutMs);

// The CPU use of the window's process over `seconds` of the driver doing nothing, in percent
// of one core.
double IdleCpuPercent(HWND window, int seconds);

// Target one, then target two, brought to the front `rounds` times, after a first, untimed
// switch to target two. Each time: from the target's activation to the runner showing the
// rule's entry running. Throws when a switch did not come within `boundMs`.
struct SwitchTimes {
    std::vector<double> Ms;
    int ForegroundEvents = 0; // foreground events the driver saw for the targets
    bool Hooked = false;
};
SwitchTimes MeasureSwitches(HWND runnerMain, HWND one, HWND two, std::wstring_view entryOne,
                            std::wstring_view entryTwo, int rounds, DWORD boundMs);

// What the runner's process holds at one moment: the commit charge (the private bytes; Wine
// leaves PrivateUsage 0), the working set, and its GDI and USER objects where the system counts
// them (Wine does not).
struct RunnerFootprint {
    int Switches = 0; // made before this sample
    double PrivateMb = 0;
    double WorkingSetMb = 0;
    DWORD GdiObjects = 0;
    DWORD UserObjects = 0;
    bool ObjectsCounted = false;
};
RunnerFootprint ReadFootprint(HWND runnerMain);
// Presses `chord`, a hotkey of the runner that switches (the next configuration), `switches`
// times, each time waiting until the runner runs another entry than before; the footprint
// before the first and after every `switches / samples` switches. Throws when a switch did not
// come within `boundMs`.
std::vector<RunnerFootprint> MeasureHotkeySwitches(HWND runnerMain, std::string_view chord,
                                                   int switches, int samples, DWORD boundMs);

} // namespace qm::e2e
