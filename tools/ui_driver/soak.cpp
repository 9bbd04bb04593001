// Long runs of the real programs at the 5 ms poll setting: corvex.exe running a configuration,
// or vantrel.exe's live test of it, while simulated buttons are pressed and released at random
// and the devices are unplugged and plugged back in now and then. At each quiet point (every
// button up, every device back) the keys that arrived in the driver's focused window must all
// be up again; the program's memory, handles and threads are sampled there, and its CPU time
// over a stretch without presses. The figures are printed as Markdown; stuck keys fail the run.
#include "driver_runs.h"
#include "harness.h"
#include "program_windows.h"
#include "support/qmf_builder.h"

#include <windows.h>

#include <commctrl.h>
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace qm::e2e {

namespace {

constexpr char kPad[] = "{5C0A7E10-3B2D-4E6F-9A81-B2C3D4E5F607}";
constexpr char kBoardPath[] = "\\\\?\\hid#vid_1209&pid_5a01#7&2b3c4d5e&0&0000";
constexpr int kPadButtons = 12;
constexpr int kBoardButtons = 32;
constexpr DWORD kIdleMs = 10000;
constexpr DWORD kSettleMs = 400;
constexpr std::int32_t kBoardReadFails = 4, kBoardNewData = 2;

// A simulated button the soak presses, and what its mapping does.
struct SoakButton {
    bool Board;
    int Number;
    const char* Kind;
};
constexpr std::array<SoakButton, 10> kButtons = {{
    {false, 1, "plain"},
    {false, 2, "plain with release keys"},
    {false, 3, "repeat"},
    {false, 4, "rotary 4X"},
    {false, 5, "chord on press"},
    {false, 9, "unmapped"},
    {true, 1, "plain"},
    {true, 2, "repeat"},
    {true, 3, "rotary 2X"},
    {true, 20, "unmapped"},
}};

// The virtual keys the configuration sends: the check of keys left down looks at them.
constexpr std::array<unsigned, 10> kSentKeys = {'A', 'B', 'C', 'D', 'E',
                                                'F', 'G', 'H', 'K', VK_SHIFT};

std::string SoakConfiguration() {
    const auto record = [](bool board, int button, std::vector<testing::KeySpec> press,
                           std::vector<testing::KeySpec> release = {}) {
        testing::Record14 r;
        r.Button = std::to_string(button);
        r.DeviceName = board ? "Soak Board" : "Soak Pad";
        r.Identity = board ? kBoardPath : kPad;
        r.Press = std::move(press);
        r.Release = std::move(release);
        return r;
    };
    std::vector<testing::Record14> records = {
        record(false, 1, {{"A", "A"}}),
        record(false, 2, {{"B", "B"}}, {{"SHIFT + B", "B"}}),
        record(false, 3, {{"C", "C"}}),
        record(false, 4, {{"D", "D"}}, {{"E", "E"}}),
        record(false, 5, {{"SHIFT + K", "K"}, {"K", "K"}}),
        record(true, 1, {{"F", "F"}}),
        record(true, 2, {{"G", "G"}}),
        record(true, 3, {{"H", "H"}}),
    };
    records[2].Repeat = testing::Flag(true);
    records[3].Rotary = testing::Flag(true);
    records[3].Multiplier = "\"4\"";
    records[6].Repeat = testing::Flag(true);
    records[7].Rotary = testing::Flag(true);
    records[7].Multiplier = "\"2\"";
    return testing::File14(records);
}

std::string SoakDevices() {
    return std::string("controller | Soak Pad | ") + kPad + " | " + std::to_string(kPadButtons) +
           "\nboard | Soak Board | " + kBoardPath + "#{00} | " + std::to_string(kBoardButtons) +
           "\n";
}

// What the system tells of a process at one moment.
struct ProcessSample {
    double Seconds = 0; // since the soak began
    double PrivateMb = 0;
    double WorkingSetMb = 0;
    DWORD Handles = 0;
    int Threads = 0;
    double CpuSeconds = 0; // user and kernel time so far
};

// The process's threads and handles from the system's process list, where Toolhelp reads its
// thread counts. Under Wine GetProcessHandleCount reads 0 for another process; the list has
// the count.
bool ReadProcessEntry(DWORD process, ProcessSample& s) {
    using QueryFunction = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<QueryFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    constexpr int kSystemProcessInformation = 5;
    std::vector<std::uint64_t> buffer(64 * 1024);
    ULONG needed = 0;
    while (query != nullptr &&
           query(kSystemProcessInformation, buffer.data(),
                 static_cast<ULONG>(buffer.size() * sizeof(buffer[0])), &needed) != 0) {
        if (buffer.size() * sizeof(buffer[0]) >= (16u << 20))
            return false;
        buffer.resize(buffer.size() * 2);
    }
    if (query == nullptr)
        return false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer.data());
    for (;;) {
        const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(bytes);
        if (static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(entry->UniqueProcessId)) == process) {
            s.Threads = static_cast<int>(entry->NumberOfThreads);
            s.Handles = entry->HandleCount;
            return true;
        }
        if (entry->NextEntryOffset == 0)
            return false;
        bytes += entry->NextEntryOffset;
    }
}

ProcessSample SampleProcess(const RunnerProcess& program, std::int64_t since) {
    ProcessSample s;
    s.Seconds = Milliseconds(Now() - since) / 1000;
    // The commit charge (PagefileUsage) is the private bytes; Wine leaves PrivateUsage 0.
    PROCESS_MEMORY_COUNTERS memory{};
    if (GetProcessMemoryInfo(program.Handle(), &memory, sizeof(memory))) {
        s.PrivateMb = static_cast<double>(memory.PagefileUsage) / (1024 * 1024);
        s.WorkingSetMb = static_cast<double>(memory.WorkingSetSize) / (1024 * 1024);
    }
    ReadProcessEntry(program.Id(), s);
    s.CpuSeconds = ProcessCpuSeconds(program.Handle());
    return s;
}

// The random presses, unplugs and quiet points of one soak, and what they found.
class Soak {
public:
    Soak(Simulation& devices, KeyWindow& keys, const RunnerProcess& program)
        : devices_(devices), keys_(keys), program_(program), random_(20240917) {
        keys_.OnKey = [this](const KeyEvent& key) {
            auto& down = down_[key.Vk & 0xFF];
            if (!key.Up)
                ++keysDown_;
            down = !key.Up;
        };
    }
    ~Soak() { keys_.OnKey = nullptr; }
    Soak(const Soak&) = delete;
    Soak& operator=(const Soak&) = delete;

    // Soaks for `minutes`, with a quiet point every `sampleSeconds`; false when a key stayed
    // down or the program stopped.
    bool Run(const char* program, int minutes, int sampleSeconds) {
        start_ = Now();
        std::printf("\n| minute | private MB | working set MB | handles | threads | idle CPU | "
                    "median read period | presses | unplugs | keys down | keys left down |\n"
                    "|---|---|---|---|---|---|---|---|---|---|---|\n");
        QuietPoint();
        const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(minutes) * 60000;
        while (GetTickCount64() < end && program_.Running()) {
            const ULONGLONG busyUntil = std::min<ULONGLONG>(
                end, GetTickCount64() + static_cast<ULONGLONG>(sampleSeconds) * 1000 - kIdleMs);
            Busy(busyUntil);
            QuietPoint();
        }
        const bool running = program_.Running();
        const ProcessSample& first = samples_.front();
        const ProcessSample& last = samples_.back();
        std::printf("\n%s over %.1f minutes at the 5 ms setting: %d presses, %d unplugs, %d "
                    "quiet points, %d with keys left down; the window lost the focus %d "
                    "time(s); the program %s\n",
                    program, (last.Seconds - first.Seconds) / 60, presses_, unplugs_, quietPoints_,
                    stuckPoints_, focusLost_, running ? "still ran" : "had ENDED");
        std::printf(
            "| | private MB | working set MB | handles | threads |\n|---|---|---|---|---|\n");
        const auto row = [](const char* when, const ProcessSample& s) {
            std::printf("| %s | %.2f | %.2f | %lu | %d |\n", when, s.PrivateMb, s.WorkingSetMb,
                        static_cast<unsigned long>(s.Handles), s.Threads);
        };
        row("start", first);
        row("end", last);
        std::vector<double> idle = idleCpu_;
        std::sort(idle.begin(), idle.end());
        if (!idle.empty())
            std::printf("Idle CPU (no button pressed, %u s per quiet point): median %.2f %%, "
                        "max %.2f %% of one core\n",
                        static_cast<unsigned>(kIdleMs / 1000), Percentile(idle, 0.5), idle.back());
        return running && stuckPoints_ == 0;
    }

private:
    // Random presses and releases, rotary turns and unplugs until `until` (GetTickCount64).
    void Busy(ULONGLONG until) {
        std::uniform_int_distribution<int> pick(0, static_cast<int>(kButtons.size()) - 1);
        std::uniform_int_distribution<int> gap(2, 150);
        std::uniform_int_distribution<int> percent(0, 99);
        ULONGLONG nextUnplug =
            GetTickCount64() + 5000 + static_cast<ULONGLONG>(percent(random_)) * 200;
        while (GetTickCount64() < until && program_.Running()) {
            const SoakButton& b = kButtons[static_cast<std::size_t>(pick(random_))];
            if (std::string_view(b.Kind).starts_with("rotary") && percent(random_) < 50) {
                // A quick turn: detents a few ms apart, within the rotary window or not.
                std::uniform_int_distribution<int> detents(1, 6), detentGap(3, 60);
                for (int i = detents(random_); i > 0; --i) {
                    Set(b, true);
                    Pump(static_cast<DWORD>(detentGap(random_)));
                    Set(b, false);
                    Pump(static_cast<DWORD>(detentGap(random_)));
                }
            } else {
                Set(b, !held_[Slot(b)]);
            }
            if (GetTickCount64() >= nextUnplug) {
                Unplug();
                nextUnplug =
                    GetTickCount64() + 15000 + static_cast<ULONGLONG>(percent(random_)) * 300;
            }
            Pump(static_cast<DWORD>(gap(random_)) * (percent(random_) < 10 ? 10 : 1));
        }
    }

    // One device out for 0.2 to 3 s while the presses go on, then back.
    void Unplug() {
        ++unplugs_;
        const bool board = random_() % 2 == 0;
        if (board)
            devices_.SetBoardResult(1, kBoardReadFails);
        else
            devices_.SetPlugged(1, false);
        std::uniform_int_distribution<int> outMs(200, 3000);
        const ULONGLONG back = GetTickCount64() + static_cast<ULONGLONG>(outMs(random_));
        std::uniform_int_distribution<int> pick(0, static_cast<int>(kButtons.size()) - 1);
        while (GetTickCount64() < back) {
            const SoakButton& b = kButtons[static_cast<std::size_t>(pick(random_))];
            Set(b, !held_[Slot(b)]);
            Pump(static_cast<DWORD>(20 + random_() % 200));
        }
        if (board)
            devices_.SetBoardResult(1, kBoardNewData);
        else
            devices_.SetPlugged(1, true);
    }

    static std::size_t Slot(const SoakButton& b) {
        return (b.Board ? 128u : 0u) + static_cast<std::size_t>(b.Number);
    }

    void Set(const SoakButton& b, bool down) {
        if (down && !held_[Slot(b)])
            ++presses_;
        held_[Slot(b)] = down;
        if (b.Board)
            devices_.SetBoardButton(1, b.Number, down);
        else
            devices_.SetButton(1, b.Number, down);
    }

    // Every button up and every device back; once the program has read that, every key it
    // sent must be up. Then a stretch without presses for the idle CPU, and a sample.
    void QuietPoint() {
        ++quietPoints_;
        devices_.ReleaseAll();
        held_.fill(false);
        devices_.SetPlugged(1, true);
        devices_.SetBoardResult(1, kBoardNewData);
        // Two reads of each: the first may only acquire the controller again.
        devices_.WaitReads(devices_.ReadCount(), 1, 2, 5000);
        devices_.WaitReads(devices_.ReadCount(), sim::kBoardReadSource + 1, 2, 5000);
        Pump(kSettleMs);
        std::string stuck;
        for (unsigned vk = 0; vk < down_.size(); ++vk)
            if (down_[vk])
                stuck += (stuck.empty() ? "" : " ") + std::to_string(vk);
        // The system's view too: a key the window did not see come up.
        for (const unsigned vk : kSentKeys)
            if ((GetAsyncKeyState(static_cast<int>(vk)) & 0x8000) != 0)
                stuck += (stuck.empty() ? "async " : " async ") + std::to_string(vk);
        if (!stuck.empty()) {
            ++stuckPoints_;
            down_.fill(false);
        }
        if (GetForegroundWindow() != keys_.Handle()) {
            ++focusLost_;
            keys_.Focus();
        }
        keys_.Clear();

        const double median = devices_.MedianPeriodMs(200);
        const double cpuBefore = ProcessCpuSeconds(program_.Handle());
        const std::int64_t idleFrom = Now();
        Pump(kIdleMs);
        const double wall = Milliseconds(Now() - idleFrom) / 1000;
        const double cpu = (ProcessCpuSeconds(program_.Handle()) - cpuBefore) / wall * 100;
        idleCpu_.push_back(cpu);
        samples_.push_back(SampleProcess(program_, start_));
        const ProcessSample& s = samples_.back();
        std::printf("| %.1f | %.2f | %.2f | %lu | %d | %.2f %% | %.2f ms | %d | %d | %d | %s |\n",
                    s.Seconds / 60, s.PrivateMb, s.WorkingSetMb,
                    static_cast<unsigned long>(s.Handles), s.Threads, cpu, median, presses_,
                    unplugs_, keysDown_, stuck.empty() ? "none" : stuck.c_str());
    }

    Simulation& devices_;
    KeyWindow& keys_;
    const RunnerProcess& program_;
    std::mt19937 random_;
    std::array<bool, 256> down_{};
    std::array<bool, 128 + kBoardButtons + 1> held_{};
    std::vector<ProcessSample> samples_;
    std::vector<double> idleCpu_;
    std::int64_t start_ = 0;
    int presses_ = 0, unplugs_ = 0, keysDown_ = 0;
    int quietPoints_ = 0, stuckPoints_ = 0, focusLost_ = 0;
};

// A fresh installation at the 5 ms setting with the soak's configuration and devices.
struct SoakSetUp {
    explicit SoakSetUp(const wchar_t* name)
        : Install(qm::e2e::Install(name)), Devices(Install.DeviceFile, SoakDevices()) {
        RegSetText(HKEY_CURRENT_USER, L"Software\\Vantrel\\config", L"PollFrequency", L"0");
        RegSetText(HKEY_CURRENT_USER, L"Software\\Vantrel\\Runvex\\pref", L"taskbar", L"True");
        Configuration = Install.Folder + L"config\\soak.qmf";
        WriteFile(Configuration, SoakConfiguration());
    }
    Installation Install;
    Simulation Devices;
    std::wstring Configuration;
};

// Gives the keys window the focus, says what runs on which machine, and soaks `program`.
bool RunSoak(SoakSetUp& setUp, KeyWindow& keys, RunnerProcess& program, const char* what,
             const char* name, int minutes, int sampleSeconds) {
    if (!keys.Focus())
        throw Fatal("the driver's window cannot take the keyboard focus");
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    std::printf("%s; %lu processors\n", what,
                static_cast<unsigned long>(system.dwNumberOfProcessors));
    Soak soak(setUp.Devices, keys, program);
    return soak.Run(name, minutes, sampleSeconds);
}

} // namespace

int SoakRunner(int minutes, int sampleSeconds) {
    ForgetSettings();
    SoakSetUp setUp(L"soak-runner");
    KeyWindow keys(L"Keys received (soak)", 40, 560, 560, 300);
    RunnerProcess runner;
    if (!runner.Start(setUp.Install.Program, L"\"" + setUp.Configuration + L"\""))
        throw Fatal("corvex.exe did not start");
    if (!setUp.Devices.Polling(3, 20000))
        throw Fatal("corvex.exe does not run the configuration");
    const bool passed = RunSoak(setUp, keys, runner,
                                "corvex.exe runs a configuration of plain, chord, repeat and "
                                "rotary mappings on a simulated controller and board",
                                "corvex.exe", minutes, sampleSeconds);
    runner.Exit();
    return passed ? 0 : 1;
}

int SoakEditor(int minutes, int sampleSeconds) {
    ForgetSettings();
    SoakSetUp setUp(L"soak-editor");
    RunnerProcess editor;
    if (!editor.Start(setUp.Install.Folder + L"vantrel.exe", L""))
        throw Fatal("vantrel.exe did not start");
    const HWND main = EditorMainWindow(editor);
    if (main == nullptr)
        throw Fatal("vantrel.exe shows no main window");
    // The only configuration of the folder is selected: open it, then start the live test.
    PostCommand(main, EditorCommandIds().Open);
    const HWND list = GetDlgItem(main, EditorControlIds().MappingList);
    if (!PumpUntil([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > 0; }, 30000))
        throw Fatal("vantrel.exe does not show the configuration");
    PostCommand(main, EditorCommandIds().Test);
    const HWND notice = WaitProcessWindow(editor.Id(), L"#32770", nullptr, 30000);
    if (notice == nullptr)
        throw Fatal("the live test shows no notice");
    ClickButton(notice, IDOK);
    if (!WaitWindowGone(notice, 30000) || !setUp.Devices.Polling(3, 30000))
        throw Fatal("the live test does not read the devices");
    KeyWindow keys(L"Keys received (soak)", 40, 560, 560, 300);
    const bool passed = RunSoak(setUp, keys, editor,
                                "vantrel.exe's live test of a configuration of plain, chord, "
                                "repeat and rotary mappings on a simulated controller and board",
                                "vantrel.exe (live test)", minutes, sampleSeconds);
    PostCommand(main, EditorCommandIds().Test);
    Pump(500);
    PostMessageW(main, WM_CLOSE, 0, 0);
    if (!editor.WaitExit(30000))
        TerminateProcess(editor.Handle(), 99);
    return passed ? 0 : 1;
}

} // namespace qm::e2e
