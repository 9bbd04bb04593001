// The verbs of the program in front: the target programs, hotkeys, the runner's switching and
// its measurements.
#include "core/win32/win32_handle.h"
#include "input.h"
#include "remote.h"
#include "session.h"
#include "target_programs.h"
#include "testing_verbs.h"
#include "ui/win32/shell_handles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <string>
#include <vector>

namespace qm::e2e::verbs {

namespace {

// A target program's file name as the session keeps it.
std::wstring TargetKey(const std::string& name) {
    std::wstring key = Wide(name);
    std::transform(key.begin(), key.end(), key.begin(), [](wchar_t c) { return std::towlower(c); });
    return key;
}

} // namespace

// What the runner does when the program in front changes has run once it is idle again.
void Session::SettleIfRunning() {
    if (program_.Running())
        Settle();
}

void Session::StartTarget(const Arguments& a) {
    const std::wstring name = Wide(a[0]);
    const std::wstring key = TargetKey(a[0]);
    if (key != L"target-one.exe" && key != L"target-two.exe")
        Fail("the target programs are target-one.exe and target-two.exe");
    if (targets_.count(key) != 0 && targets_[key].Running())
        Fail(a[0] + " runs already");
    // Beside the programs; the payload's when the installation is an installer's.
    std::wstring path = install_.Folder + name;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        path = DriverFolder() + L"payload\\" + name;
    RunnerProcess& target = targets_[key];
    if (!target.Start(path, L""))
        Fail("cannot start " + a[0] + ": error " + std::to_string(GetLastError()));
    HWND window = nullptr;
    if (!PumpUntil([&] { return (window = TargetWindowOf(target.Id())) != nullptr; }, kStartMs))
        Fail(a[0] + " shows no target window");
    // For the keys' reads: they wait until it has taken every key that came.
    LoadProbe(target.Handle());
    targetKeysShown_[key] = 0;
    // A program started comes to the front.
    if (!BringToFront(window, kAppearMs))
        Fail(a[0] + " did not come to the front");
    SettleIfRunning();
}

HWND Session::TargetWindow(const std::string& name) const {
    const auto found = targets_.find(TargetKey(name));
    const HWND window = found == targets_.end() ? nullptr : TargetWindowOf(found->second.Id());
    if (window == nullptr)
        Fail(name + " is not a started target program (start-target)");
    return window;
}

void Session::Front(const Arguments& a) {
    const std::vector<HWND> windows = WindowsOfProgram(Wide(a[0]));
    if (windows.empty())
        Fail("no window of " + a[0] + " shows");
    if (!BringToFront(windows.front(), kAppearMs))
        Fail("a window of " + a[0] + " did not come to the front");
    SettleIfRunning();
}

void Session::Hotkey(const Arguments& a) {
    const std::vector<WORD> keys = ChordKeys(a[0]);
    if (keys.empty())
        Fail("unknown key in \"" + a[0] + "\"");
    // With a target in front, the chord has passed once its keys reached it, the first key's
    // release last: all of them, or all but the hotkey's own key press, which the system turns
    // into WM_HOTKEY for the program that registered the chord.
    const HWND front = GetForegroundWindow();
    const bool target = IsTargetWindow(front);
    const std::size_t before = target ? TargetKeyLines(front).size() : 0;
    const std::wstring last = L"up " + std::to_wstring(keys.front()) + L" ";
    PressChord(a[0]);
    const auto passed = [&] {
        const std::vector<std::wstring> lines = TargetKeyLines(front);
        return lines.size() >= before + 2 * keys.size() - 1 && lines.back().starts_with(last);
    };
    if (target && !PumpUntil(passed, kAppearMs))
        Fail("the keys of " + a[0] + " did not reach " + Narrow(WindowText(front)));
    SettleIfRunning();
}

void Session::TargetKeys(const Arguments& a) {
    const HWND window = TargetWindow(a[0]);
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    if (!ProgramIdle(id, window, kActionMs))
        Fail(a[0] + " does not become idle");
    const std::vector<std::wstring> lines = TargetKeyLines(window);
    std::size_t& shown = targetKeysShown_[TargetKey(a[0])];
    shown = std::min(shown, lines.size());
    record_("target-keys\t" + a[0] + "\t" + std::to_string(lines.size() - shown));
    for (; shown < lines.size(); ++shown) {
        std::string line = Narrow(lines[shown]);
        std::replace(line.begin(), line.end(), ' ', '\t');
        record_(line);
    }
}

void Session::WaitTarget(const Arguments& a) {
    const HWND window = TargetWindow(a[0]);
    char* end = nullptr;
    const long count = std::strtol(a[1].c_str(), &end, 10);
    if (*end != '\0' || count < 1)
        Fail("the number of messages is a positive number");
    const std::size_t shown = targetKeysShown_[TargetKey(a[0])];
    std::size_t lines = 0;
    if (!PumpUntil([&] { return (lines = TargetKeyLines(window).size()) >= shown + count; },
                   kAppearMs))
        Fail(a[0] + " received " + std::to_string(lines - std::min(lines, shown)) + " messages");
}

void Session::WaitRunner(const Arguments& a) {
    if (a[1] != "running" && a[1] != "stopped")
        Fail("the state is running or stopped");
    const HWND runner = OnlyRunnerWindow();
    if (runner == nullptr)
        Fail("not exactly one runner window");
    if (!WaitRunnerShows(runner, Wide(a[0]), a[1] == "running", kAppearMs))
        Fail("the runner does not show " + a[0] + " " + a[1] + ": " +
             RunnerShowsText(ReadRunnerShows(runner)));
}

void Session::IdleCpu(const Arguments& a) {
    const int seconds = std::atoi(a[0].c_str());
    if (seconds < 1)
        Fail("the period is a number of seconds");
    HWND window = nullptr;
    if (a.size() == 1) {
        window = OnlyRunnerWindow();
        if (window == nullptr)
            Fail("not exactly one runner window");
    } else {
        const std::vector<HWND> windows = WindowsOfProgram(Wide(a[1]));
        if (windows.empty())
            Fail("no window of " + a[1] + " shows");
        window = windows.front();
    }
    char line[160];
    std::snprintf(line, sizeof(line), "idle-cpu\t%s\t%d s\t%.2f %%",
                  a.size() == 1 ? "corvex.exe" : a[1].c_str(), seconds,
                  IdleCpuPercent(window, seconds));
    record_(line);
}

void Session::KeysDown(const Arguments&) {
    // The system's view: a key or mouse button some program sent down and never up, whichever
    // window took it.
    std::string down;
    for (int vk = 1; vk < 255; ++vk)
        if ((GetAsyncKeyState(vk) & 0x8000) != 0)
            down += "\t" + std::to_string(vk);
    record_("keys-down" + (down.empty() ? std::string("\tnone") : down));
}

void Session::Pointer(const Arguments& a) {
    GetCursorPos(&pointerNoted_);
    POINT at = pointerNoted_;
    if (!a.empty())
        ScreenToClient(TargetWindow(a[0]), &at); // in the target's client area
    record_("pointer\t" + std::to_string(at.x) + "\t" + std::to_string(at.y));
}

void Session::PointerTo(const Arguments& a) {
    const bool inTarget = a.size() == 3;
    char* end = nullptr;
    POINT to{std::strtol(a[inTarget].c_str(), &end, 10), 0};
    const bool xNumber = *end == '\0' && !a[inTarget].empty();
    to.y = std::strtol(a[inTarget + 1].c_str(), &end, 10);
    if (!xNumber || *end != '\0' || a[inTarget + 1].empty())
        Fail("the position is two whole numbers");
    if (inTarget)
        ClientToScreen(TargetWindow(a[0]), &to);
    SetCursorPos(to.x, to.y);
    POINT at{};
    if (!PumpUntil([&] { return GetCursorPos(&at) && at.x == to.x && at.y == to.y; }, kAppearMs))
        Fail("the pointer stays at " + std::to_string(at.x) + "," + std::to_string(at.y));
    pointerNoted_ = at;
    SettleIfRunning();
}

void Session::PointerMoved(const Arguments& a) {
    if (!a.empty()) {
        RequireProgram();
        const auto device = ParseSimulatedDevice(a[0]);
        if (!device || device->Board)
            Fail("no simulated controller \"" + a[0] + "\"");
        if (!devices_->WaitReads(devices_->ReadCount(), static_cast<std::uint32_t>(device->Number),
                                 2, kActionMs))
            Fail("the program does not read " + a[0]);
        Settle();
    }
    POINT at{};
    GetCursorPos(&at);
    std::string direction = at.y < pointerNoted_.y ? "up" : at.y > pointerNoted_.y ? "down" : "";
    if (at.x != pointerNoted_.x)
        direction +=
            (direction.empty() ? "" : "-") + std::string(at.x < pointerNoted_.x ? "left" : "right");
    pointerNoted_ = at;
    record_("pointer-moved\t" + (direction.empty() ? std::string("none") : direction));
}

void Session::MeasureSwitch(const Arguments& a) {
    // How long a switch may take before the measurement fails: far above the goal, far below
    // the scripts' patience.
    constexpr DWORD kSwitchBoundMs = 5000;
    const int rounds = std::atoi(a[0].c_str());
    if (rounds < 1)
        Fail("the number of rounds is a positive number");
    const HWND runner = OnlyRunnerWindow();
    if (runner == nullptr)
        Fail("not exactly one runner window");
    SwitchTimes times =
        MeasureSwitches(runner, TargetWindow("target-one.exe"), TargetWindow("target-two.exe"),
                        Wide(a[1]), Wide(a[2]), rounds, kSwitchBoundMs);
    std::sort(times.Ms.begin(), times.Ms.end());
    char line[160];
    std::snprintf(line, sizeof(line), "switch\t%zu switches\tmedian %.1f ms\tmax %.1f ms",
                  times.Ms.size(), Percentile(times.Ms, 0.5), times.Ms.back());
    record_(line);
    record_(times.Hooked ? "foreground-events\t" + std::to_string(times.ForegroundEvents) +
                               " seen for the targets"
                         : std::string("foreground-events\tthe hook failed"));
}

void Session::MeasureSwitchMemory(const Arguments& a) {
    constexpr DWORD kSwitchBoundMs = 5000;
    constexpr int kSamples = 10;
    const int switches = std::atoi(a[0].c_str());
    if (switches < 1)
        Fail("the number of switches is a positive number");
    const HWND runner = OnlyRunnerWindow();
    if (runner == nullptr)
        Fail("not exactly one runner window");
    const std::int64_t start = Now();
    const std::vector<RunnerFootprint> footprints =
        MeasureHotkeySwitches(runner, a[1], switches, kSamples, kSwitchBoundMs);
    const auto objects = [](const RunnerFootprint& f) {
        return f.ObjectsCounted ? "GDI " + std::to_string(f.GdiObjects) + "\tUSER " +
                                      std::to_string(f.UserObjects)
                                : std::string("GDI/USER not counted by the system");
    };
    char line[200];
    for (const RunnerFootprint& f : footprints) {
        std::snprintf(line, sizeof(line),
                      "switch-memory\t%d switches\tprivate %.2f MB\tworking set %.2f MB\t",
                      f.Switches, f.PrivateMb, f.WorkingSetMb);
        record_(line + objects(f));
    }
    const RunnerFootprint& first = footprints.front();
    const RunnerFootprint& last = footprints.back();
    std::snprintf(line, sizeof(line),
                  "switch-memory\tgrowth\t%+.0f bytes of private bytes per switch\t%.1f s",
                  (last.PrivateMb - first.PrivateMb) * 1024 * 1024 / last.Switches,
                  Milliseconds(Now() - start) / 1000);
    record_(line);
}

} // namespace qm::e2e::verbs
