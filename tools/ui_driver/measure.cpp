// Timing of the real corvex.exe: the period of its device reads at each poll setting, from the
// simulated DirectInput's read log, the time from a button change in the simulation to the
// WM_KEYDOWN in the driver's focused window, and the start-up time with many new files in the
// configuration folder. Printed for the record; nothing is judged here.
#include "driver_runs.h"
#include "harness.h"
#include "runner/win32/corvex_ids.h"
#include "support/qmf_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <random>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace qm::e2e {

namespace {

constexpr char kPad[] = "{6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E5F6}";
constexpr int kPeriods[] = {5, 10, 15};
constexpr DWORD kIdleMs = 10000;
constexpr const char* kPollNames[] = {"High", "Med", "Low"};

struct Summary {
    double Mean = 0, Sd = 0, P50 = 0, P99 = 0, Min = 0, Max = 0;
};

Summary Summarise(std::vector<double> values) {
    Summary s;
    if (values.empty())
        return s;
    std::sort(values.begin(), values.end());
    const double n = static_cast<double>(values.size());
    s.Mean = std::accumulate(values.begin(), values.end(), 0.0) / n;
    double squares = 0;
    for (const double v : values)
        squares += (v - s.Mean) * (v - s.Mean);
    s.Sd = values.size() > 1 ? std::sqrt(squares / (n - 1)) : 0;
    s.P50 = Percentile(values, 0.50);
    s.P99 = Percentile(values, 0.99);
    s.Min = values.front();
    s.Max = values.back();
    return s;
}

// Waits `microseconds` on a high-resolution timer while dispatching messages: a precise delay
// that does not spin (the driver shares the cores with the runner and the Wine server).
void WaitPrecisely(win32::UniqueHandle& timer, int microseconds) {
    LARGE_INTEGER due{};
    due.QuadPart = -static_cast<LONGLONG>(microseconds) * 10;
    if (!timer || !SetWaitableTimer(timer.Get(), &due, 0, nullptr, nullptr, FALSE)) {
        Pump(static_cast<DWORD>((microseconds + 999) / 1000));
        return;
    }
    HANDLE handle = timer.Get();
    while (MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) !=
           WAIT_OBJECT_0)
        Pump(0);
}

// Chooses a poll-menu item and answers its warning with Yes. Under Wine the runner's thread
// stalls for about 2 s after the box closes, then activates the box's owner: this returns
// when it polls again.
bool ChoosePoll(RunnerProcess& runner, HWND main, Simulation& devices, int index) {
    PostCommand(main, IDM_POLL_FIRST + index);
    const HWND box = WaitProcessWindow(runner.Id(), L"#32770", L"Poll Frequency Warning", 5000);
    if (box == nullptr)
        return false;
    ClickButton(box, IDYES);
    return WaitWindowGone(box, 5000) && devices.Polling(3, 10000);
}

} // namespace

int Measure(int passes, int presses) {
    Checks checks("measure");
    ForgetSettings();
    const Installation install = Install(L"measure");
    Simulation devices(install.DeviceFile,
                       std::string("controller | Sim Pad | ") + kPad + " | 12\n");
    RegSetText(HKEY_CURRENT_USER, L"Software\\Vantrel\\Runvex\\pref", L"taskbar", L"True");
    const std::wstring configuration = install.Folder + L"measure.qmf";
    testing::Record14 mapping;
    mapping.Identity = kPad;
    mapping.Button = "1";
    mapping.Press = {{"A", "A"}};
    mapping.Release = {{"B", "B"}};
    WriteFile(configuration, testing::File14({mapping}));

    KeyWindow keys(L"Keys received (timing)", 40, 560, 560, 300);
    RunnerProcess runner;
    checks.Require(runner.Start(install.Program, L"\"" + configuration + L"\""),
                   "corvex.exe starts");
    checks.Require(devices.Polling(3, 20000), "the configuration runs");
    const HWND main = runner.MainWindow();
    checks.Require(main != nullptr, "the main window exists");

    std::printf("\nPoll period: %d consecutive passes per setting (time between two reads of the "
                "simulated controller)\n",
                passes);
    std::printf("| setting | mean | sd | p99 | min | max | mean vs setting |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (int index = 0; index < 3; ++index) {
        checks.Require(ChoosePoll(runner, main, devices, index), "the poll menu answers");
        Pump(300);
        const std::uint32_t from = devices.ReadCount();
        checks.Require(devices.WaitReads(from, 1, passes + 1,
                                         static_cast<DWORD>(passes * kPeriods[index] * 3 + 5000)),
                       "the passes were read");
        auto stamps = devices.Stamps(from, devices.ReadCount(), 1);
        stamps.resize(std::min<std::size_t>(stamps.size(), static_cast<std::size_t>(passes) + 1));
        std::vector<double> periods;
        for (std::size_t i = 1; i < stamps.size(); ++i)
            periods.push_back(Milliseconds(stamps[i] - stamps[i - 1]));
        const Summary s = Summarise(periods);
        std::printf("| %d ms (%s) | %.3f ms | %.3f ms | %.2f ms | %.2f ms | %.2f ms | %+.2f %% |\n",
                    kPeriods[index], kPollNames[index], s.Mean, s.Sd, s.P99, s.Min, s.Max,
                    (s.Mean / kPeriods[index] - 1) * 100);
    }

    // At each setting: presses at random phases of the poll period, taps (a press and its
    // release at once) likewise, then the runner's CPU with nothing pressed.
    checks.Require(keys.Focus(), "the driver's window has the keyboard focus");
    win32::UniqueHandle timer(CreateWaitableTimerExW(
        nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS));
    std::mt19937 random(20240601);
    const auto after = [&](std::size_t before, unsigned vk, bool up) -> const KeyEvent* {
        const auto& k = keys.Keys();
        const auto found =
            std::find_if(k.begin() + static_cast<std::ptrdiff_t>(before), k.end(),
                         [&](const KeyEvent& e) { return e.Up == up && e.Vk == vk; });
        return found == k.end() ? nullptr : &*found;
    };
    struct Row {
        Summary Latency, Wait, Delivery;
        int Lost = 0, Taps = 0, TapsKept = 0;
        double IdleCpu = 0;
    };
    std::vector<Row> rows;
    for (int index = 0; index < 3; ++index) {
        checks.Require(ChoosePoll(runner, main, devices, index), "the poll menu answers");
        checks.Require(keys.Focus(), "the driver's window has the keyboard focus");
        keys.Clear();
        Pump(300);
        Row row;
        std::uniform_int_distribution<int> phase(0, kPeriods[index] * 1000 - 1); // us
        // Each latency is split at the first read after the press: the wait for it, then the
        // handling, the injection and the delivery to the window.
        std::vector<double> latencies, waits, deliveries;
        for (int i = 0; i < presses; ++i) {
            WaitPrecisely(timer, phase(random));
            const std::size_t before = keys.Keys().size();
            const std::uint32_t readsBefore = devices.ReadCount();
            const std::int64_t pressed = Now();
            devices.SetButton(1, 1, true);
            if (PumpUntil([&] { return after(before, 'A', false) != nullptr; }, 1000)) {
                const std::int64_t arrived = after(before, 'A', false)->At;
                latencies.push_back(Milliseconds(arrived - pressed));
                for (const std::int64_t read :
                     devices.Stamps(readsBefore, devices.ReadCount(), 1)) {
                    if (read >= pressed && read <= arrived) {
                        waits.push_back(Milliseconds(read - pressed));
                        deliveries.push_back(Milliseconds(arrived - read));
                        break;
                    }
                }
            } else {
                ++row.Lost;
            }
            devices.SetAndWait(1, 1, false);
            PumpUntil([&] { return after(before, 'B', true) != nullptr; }, 200);
            if (keys.Keys().size() > 4096)
                keys.Clear();
        }
        row.Latency = Summarise(latencies);
        row.Wait = Summarise(waits);
        row.Delivery = Summarise(deliveries);
        // Taps: kept when the press keys and then the release keys arrive.
        for (int i = 0; i < presses; ++i) {
            WaitPrecisely(timer, phase(random));
            const std::size_t before = keys.Keys().size();
            ++row.Taps;
            devices.TapAndWait(1, 1);
            PumpUntil([&] { return after(before, 'B', true) != nullptr; }, 30);
            const KeyEvent* down = after(before, 'A', false);
            const KeyEvent* release = after(before, 'B', false);
            if (down != nullptr && release != nullptr && down->At <= release->At)
                ++row.TapsKept;
            if (keys.Keys().size() > 4096)
                keys.Clear();
        }
        // The runner's CPU while it runs with no button pressed.
        Pump(500);
        const double cpuBefore = ProcessCpuSeconds(runner.Handle());
        const std::int64_t idleFrom = Now();
        Pump(kIdleMs);
        const double wall = Milliseconds(Now() - idleFrom) / 1000;
        row.IdleCpu = (ProcessCpuSeconds(runner.Handle()) - cpuBefore) / wall * 100;
        rows.push_back(row);
    }
    std::printf("\nLatency: %d presses per setting, from the button change in the simulation to "
                "WM_KEYDOWN in the driver's window, at random phases of the poll period; taps: "
                "%d per setting, a press and its release at once; idle CPU: the runner's over "
                "%d s running with no button pressed, in %% of one core\n",
                presses, presses, static_cast<int>(kIdleMs / 1000));
    std::printf("| setting | p50 | p99 | mean | max | of which: to the read, p50 / p99 | the "
                "read to WM_KEYDOWN, p50 / p99 | presses lost | taps kept | idle CPU |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        std::printf("| %d ms (%s) | %.2f ms | %.2f ms | %.2f ms | %.2f ms | %.2f / %.2f ms | "
                    "%.2f / %.2f ms | %d | %d of %d | %.2f %% |\n",
                    kPeriods[i], kPollNames[i], r.Latency.P50, r.Latency.P99, r.Latency.Mean,
                    r.Latency.Max, r.Wait.P50, r.Wait.P99, r.Delivery.P50, r.Delivery.P99, r.Lost,
                    r.TapsKept, r.Taps, r.IdleCpu);
    }
    // The floor Wine and this machine set: one key injected by the driver itself, from
    // SendInput to WM_KEYDOWN in its own window, with no runner in between. The runner's way
    // holds this step and three more through the Wine server.
    std::vector<double> floor;
    checks.Require(keys.Focus(), "the driver's window has the keyboard focus");
    std::uniform_int_distribution<int> anyPhase(0, 4999); // us
    for (int i = 0; i < presses; ++i) {
        WaitPrecisely(timer, anyPhase(random));
        const std::size_t before = keys.Keys().size();
        const std::int64_t sent = Now();
        TypeKey('Q');
        if (PumpUntil([&] { return after(before, 'Q', true) != nullptr; }, 1000))
            floor.push_back(Milliseconds(after(before, 'Q', false)->At - sent));
        if (keys.Keys().size() > 4096)
            keys.Clear();
    }
    const Summary f = Summarise(floor);
    std::printf("\nWine's own delivery, for comparison: %zu keys injected by the driver into its "
                "own window, SendInput to WM_KEYDOWN\n| p50 | p99 | mean | max |\n"
                "|---|---|---|---|\n| %.2f ms | %.2f ms | %.2f ms | %.2f ms |\n",
                floor.size(), f.P50, f.P99, f.Mean, f.Max);
    std::printf("\nTargets: mean period within 2 %% of the setting; latency p50 <= 1.0 ms and "
                "p99 <= 2.0 ms at every setting; every tap kept; idle CPU not above the "
                "polling runner's.\n");

    runner.Exit();
    return checks.Failures() == 0 ? 0 : 1;
}

int MeasureStartUp(int newFiles) {
    Checks checks("startup");
    ForgetSettings();
    const Installation install = Install(L"startup");
    Simulation devices(install.DeviceFile,
                       std::string("controller | Sim Pad | ") + kPad + " | 12\n");
    testing::Record14 mapping;
    mapping.Identity = kPad;
    mapping.Press = {{"A", "A"}};
    const std::string bytes = testing::File14({mapping});
    for (int i = 0; i < newFiles; ++i)
        WriteFile(install.Folder + L"config\\new" + std::to_wstring(i) + L".qmf", bytes);

    RunnerProcess runner;
    const std::int64_t started = Now();
    checks.Require(runner.Start(install.Program, L""), "corvex.exe starts");
    constexpr DWORD kPatienceMs = 600000;
    const HWND main = runner.MainWindow(kPatienceMs);
    checks.Require(main != nullptr, "the main window exists");
    const std::int64_t created = Now();
    // The synchronisation fills the selector before the message loop runs; the window may
    // answer a message earlier (while a call of its own waits for another program).
    const HWND selector = GetDlgItem(main, IDC_CONFIGURATION_SELECTOR);
    const auto listedCount = [&] {
        DWORD_PTR count = 0;
        return SendMessageTimeoutW(selector, CB_GETCOUNT, 0, 0, SMTO_NORMAL, 100, &count) != 0
                   ? count
                   : 0;
    };
    checks.Require(
        PumpUntil([&] { return listedCount() == static_cast<DWORD_PTR>(newFiles); }, kPatienceMs),
        "the selector lists every file");
    DWORD_PTR result = 0;
    checks.Require(SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, kPatienceMs, &result) != 0,
                   "the main window answers");
    const std::int64_t answered = Now();
    const std::size_t known = KnownConfigurationPaths().size();
    checks.Expect(known == static_cast<std::size_t>(newFiles), "every file of the folder is known",
                  std::to_string(known) + " known");
    std::printf("\nStart-up with %d new files in the configuration folder\n", newFiles);
    std::printf("| new files | main window exists | every file listed, window answers |\n"
                "|---|---|---|\n");
    std::printf("| %d | %.2f s | %.2f s |\n", newFiles, Milliseconds(created - started) / 1000,
                Milliseconds(answered - started) / 1000);
    runner.Exit();
    return checks.Failures() == 0 ? 0 : 1;
}

} // namespace qm::e2e
