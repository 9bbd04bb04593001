// Timing of the real vantrel.exe's mapping list with a large configuration (four controllers
// of 128 buttons, every button mapped, the devices simulated so that every row is active):
// the time from the Open command to the painted list, a full repaint and a page scroll; the
// open also with 32 rows of the same kind, which tells the work per row from the rest. Then
// the live test of that list at the 5 ms poll setting with one button held: the period of the
// device reads, and page scrolls of the list while the test runs. Printed for the record;
// nothing is judged here.
#include "driver_runs.h"
#include "harness.h"
#include "program_windows.h"
#include "support/qmf_builder.h"
#include "testing_verbs.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

namespace qm::e2e {

namespace {

constexpr int kControllers = 4;
constexpr DWORD kPatienceMs = 60000;
// Passes of the live test whose period is measured; four reads each stay within the read log.
constexpr int kTestPasses = 1000;
constexpr int kTestPeriodMs = 5;

std::string ControllerIdentity(int controller) {
    char identity[48];
    std::snprintf(identity, sizeof identity, "{7C0DE%03d-4A1B-11EE-9E2F-00AA00B1C2D3}", controller);
    return identity;
}

std::string ControllerName(int controller) {
    return "Panel " + std::to_string(controller);
}

// Every button of the controllers, with a description and keys of the kinds a cockpit uses:
// plain keys, chords and, on every fourth row, a release key.
std::string Configuration(int buttonsEach) {
    static const char* const kKeys[] = {"A", "B", "G", "L", "F1", "F5", "F9", "UP ARROW"};
    static const char* const kModifiers[] = {"", "SHIFT + ", "CTRL + ", "SHIFT + CTRL + ALT + "};
    std::vector<testing::Record14> records;
    for (int c = 1; c <= kControllers; ++c) {
        for (int b = 1; b <= buttonsEach; ++b) {
            testing::Record14 record;
            record.Button = std::to_string(b);
            record.DeviceName = ControllerName(c);
            record.Identity = ControllerIdentity(c);
            record.Description = "Switch " + std::to_string(b) + " of panel " + std::to_string(c);
            const std::string key = kKeys[b % std::size(kKeys)];
            record.Press = {{kModifiers[(b / 8) % std::size(kModifiers)] + key, key}};
            if (b % 4 == 0)
                record.Release = {{"SHIFT + " + key, key}};
            records.push_back(std::move(record));
        }
    }
    return testing::File14(records);
}

LRESULT SendWaiting(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kPatienceMs, &result) ==
        0)
        throw Fatal("vantrel.exe does not answer");
    return static_cast<LRESULT>(result);
}

// Paints what the list has to paint now and returns once it is painted: UpdateWindow sends
// the paint when the list has one pending; if the program had already begun painting on its
// own, the message sent after it returns when that paint is over.
void PaintNow(HWND list) {
    UpdateWindow(list);
    SendWaiting(list, WM_NULL);
}

// Waits until the list holds `rows` rows. A poll is answered only once the program is back
// in its message loop, so the first one that sees them returns when the command has ended.
void WaitRows(HWND list, int rows) {
    const ULONGLONG end = GetTickCount64() + kPatienceMs;
    while (SendWaiting(list, LVM_GETITEMCOUNT) != rows)
        if (GetTickCount64() > end)
            throw Fatal("the mapping list does not show " + std::to_string(rows) + " rows");
}

class Figures {
public:
    void Add(std::int64_t from, std::int64_t to) { values_.push_back(Milliseconds(to - from)); }
    void Print(const std::string& what, const char* target) {
        std::sort(values_.begin(), values_.end());
        std::printf("| %s | %.1f ms | %.1f ms | %.1f ms | %.1f ms | %s |\n", what.c_str(),
                    Percentile(values_, 0.5), Percentile(values_, 0.95), values_.front(),
                    values_.back(), target);
    }

private:
    std::vector<double> values_;
};

// Times `runs` page downs of the list, each until it is painted; at the last page the list
// goes back to its first row, not counted.
void TimePageDowns(HWND list, int runs, Figures& scroll) {
    for (int run = 0; run < runs;) {
        const auto top = SendWaiting(list, LVM_GETTOPINDEX);
        const std::int64_t from = Now();
        SendWaiting(list, WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0));
        PaintNow(list);
        const std::int64_t to = Now();
        if (SendWaiting(list, LVM_GETTOPINDEX) != top) {
            scroll.Add(from, to);
            ++run;
        } else if (top == 0) {
            throw Fatal("the mapping list does not scroll");
        } else {
            // At the last page: back to the first row, not counted.
            SendWaiting(list, LVM_ENSUREVISIBLE, 0, FALSE);
            PaintNow(list);
        }
    }
}

// The times between consecutive reads, in ms.
std::vector<double> Periods(const std::vector<std::int64_t>& stamps) {
    std::vector<double> periods;
    for (std::size_t i = 1; i < stamps.size(); ++i)
        periods.push_back(Milliseconds(stamps[i] - stamps[i - 1]));
    return periods;
}

// The periods of the next `passes` reads of the first controller.
std::vector<double> TestPeriods(Simulation& devices, int passes) {
    const std::uint32_t from = devices.ReadCount();
    if (!devices.WaitReads(from, 1, passes + 1,
                           static_cast<DWORD>(passes * kTestPeriodMs * 3 + 5000)))
        throw Fatal("the live test stopped reading the devices");
    std::vector<double> periods = Periods(devices.Stamps(from, devices.ReadCount(), 1));
    periods.resize(std::min<std::size_t>(periods.size(), static_cast<std::size_t>(passes)));
    return periods;
}

void PrintPeriods(const char* what, std::vector<double> periods) {
    if (periods.empty())
        throw Fatal(std::string("no periods measured: ") + what);
    const double mean =
        std::accumulate(periods.begin(), periods.end(), 0.0) / static_cast<double>(periods.size());
    std::sort(periods.begin(), periods.end());
    std::printf("| %s | %.3f ms | %+.2f %% | %.2f ms | %.2f ms | %.2f ms |\n", what, mean,
                (mean / kTestPeriodMs - 1) * 100, Percentile(periods, 0.5),
                Percentile(periods, 0.99), periods.back());
}

// Page downs of the list for two seconds (and at least `runs` of them), one every `gapMs`:
// the time of each until painted, and the periods of the device reads meanwhile.
struct ScrollWhileTesting {
    ScrollWhileTesting(HWND list, Simulation& devices, int gapMs, int runs) {
        const std::uint32_t from = devices.ReadCount();
        for (const ULONGLONG end = GetTickCount64() + 2000;
             Scrolls < runs || GetTickCount64() < end; ++Scrolls) {
            const ULONGLONG next = GetTickCount64() + static_cast<ULONGLONG>(gapMs);
            TimePageDowns(list, 1, Times);
            if (const ULONGLONG now = GetTickCount64(); now < next)
                Pump(static_cast<DWORD>(next - now));
        }
        ReadPeriods = Periods(devices.Stamps(from, devices.ReadCount(), 1));
    }
    Figures Times;
    std::vector<double> ReadPeriods;
    int Scrolls = 0;
};

// vantrel.exe started on a fresh installation whose configuration folder holds one generated
// configuration, with the controllers it names simulated.
class EditorUnderTest {
public:
    explicit EditorUnderTest(int buttonsEach)
        : rows_(kControllers * buttonsEach),
          install_(Install(L"measure-editor-" + std::to_wstring(rows_))),
          devices_(install_.DeviceFile, DeviceLines(buttonsEach)) {
        const std::string file = Configuration(buttonsEach);
        bytes_ = file.size();
        WriteFile(install_.Folder + L"config\\generated.qmf", file);
        if (!editor_.Start(install_.Folder + L"vantrel.exe", L""))
            throw Fatal("vantrel.exe did not start (build the ui_driver target with the editor)");
        main_ = EditorMainWindow(editor_);
        if (main_ == nullptr)
            throw Fatal("vantrel.exe shows no main window");
        list_ = GetDlgItem(main_, EditorControlIds().MappingList);
        if (list_ == nullptr)
            throw Fatal("vantrel.exe has no mapping list");
    }
    ~EditorUnderTest() {
        PostMessageW(main_, WM_CLOSE, 0, 0);
        editor_.WaitExit(30000);
    }
    EditorUnderTest(const EditorUnderTest&) = delete;
    EditorUnderTest& operator=(const EditorUnderTest&) = delete;

    HWND List() const { return list_; }
    HWND Main() const { return main_; }
    Simulation& Devices() { return devices_; }
    const RunnerProcess& Process() const { return editor_; }
    int Rows() const { return rows_; }
    std::size_t Bytes() const { return bytes_; }

    // Opens the configuration (its entry, the only one, is selected from the start) `runs`
    // times after one run not counted, closing it in between; it stays open at the end.
    void TimeOpen(int runs, Figures& toRows, Figures& toPainted) {
        const EditorCommands commands = EditorCommandIds();
        for (int run = 0; run <= runs; ++run) {
            if (run > 0) {
                PostCommand(main_, commands.Close);
                WaitRows(list_, 0);
                PaintNow(list_);
            }
            const std::int64_t posted = Now();
            PostCommand(main_, commands.Open);
            WaitRows(list_, rows_);
            const std::int64_t shown = Now();
            PaintNow(list_);
            if (run > 0) {
                toRows.Add(posted, shown);
                toPainted.Add(posted, Now());
            }
        }
    }

private:
    static std::string DeviceLines(int buttonsEach) {
        std::string lines;
        for (int c = 1; c <= kControllers; ++c)
            lines += "controller | " + ControllerName(c) + " | " + ControllerIdentity(c) + " | " +
                     std::to_string(buttonsEach) + "\n";
        return lines;
    }

    int rows_;
    std::size_t bytes_ = 0;
    Installation install_;
    Simulation devices_;
    RunnerProcess editor_;
    HWND main_ = nullptr;
    HWND list_ = nullptr;
};

} // namespace

int MeasureEditor(int runs) {
    ForgetSettings();
    Figures smallToRows, smallToPainted;
    {
        EditorUnderTest small(8);
        small.TimeOpen(runs, smallToRows, smallToPainted);
    }

    ForgetSettings();
    // The live test reads the devices every 5 ms ("High").
    RegSetText(HKEY_CURRENT_USER, L"Software\\Vantrel\\config", L"PollFrequency", L"0");
    EditorUnderTest large(128);
    const HWND list = large.List();
    Figures toRows, toPainted, repaint, scroll;
    large.TimeOpen(runs, toRows, toPainted);

    // The list is open at its first row.
    for (int run = 0; run < runs; ++run) {
        const std::int64_t from = Now();
        InvalidateRect(list, nullptr, TRUE);
        PaintNow(list);
        repaint.Add(from, Now());
    }
    TimePageDowns(list, runs, scroll);
    SaveScreenshot(ArtifactsFolder() + L"measure-editor.png", {GetAncestor(list, GA_ROOT)});

    // The live test with the first button of the first controller held: its row is recoloured
    // and its key sent once, then every pass reads the four controllers and compiles nothing.
    Simulation& devices = large.Devices();
    PostCommand(large.Main(), EditorCommandIds().Test);
    // The test begins once its notice is answered.
    const HWND notice = WaitProcessWindow(large.Process().Id(), L"#32770", nullptr, kPatienceMs);
    if (notice == nullptr)
        throw Fatal("the live test shows no notice");
    ClickButton(notice, IDOK);
    if (!WaitWindowGone(notice, kPatienceMs) || !devices.Polling(3, kPatienceMs))
        throw Fatal("the live test does not read the devices");
    if (!devices.SetAndWait(1, 1, true))
        throw Fatal("the live test does not see the button held");
    const std::vector<double> periods = TestPeriods(devices, kTestPasses);
    // Page downs for two seconds at the keyboard's repeat rate (one every 33 ms), then one
    // after the other.
    ScrollWhileTesting paced(list, devices, 33, runs);
    ScrollWhileTesting unpaced(list, devices, 0, runs);
    const HWND testWindow = FindTestWindow(large.Process().Id());
    const std::size_t logged = testWindow != nullptr ? TestLogLines(testWindow).size() : 0;
    devices.SetAndWait(1, 1, false);
    PostCommand(large.Main(), EditorCommandIds().Test);

    RECT client{};
    GetClientRect(list, &client);
    std::printf("\nThe mapping list of vantrel.exe with %d rows (%d controllers of %d buttons, "
                "every row active; a %zu-byte file), %d runs each after one not counted; the "
                "list's client area %ld x %ld pixels\n",
                large.Rows(), kControllers, large.Rows() / kControllers, large.Bytes(), runs,
                client.right, client.bottom);
    std::printf("| what | median | p95 | min | max | target |\n|---|---|---|---|---|---|\n");
    const std::string small = " (" + std::to_string(kControllers * 8) + " rows)";
    toRows.Print("Open command to the rows in the list", "");
    toPainted.Print("Open command to the list painted", "<= 150 ms");
    smallToRows.Print("Open command to the rows in the list" + small, "");
    smallToPainted.Print("Open command to the list painted" + small, "");
    repaint.Print("full repaint (InvalidateRect + UpdateWindow)", "");
    scroll.Print("page down (WM_VSCROLL + UpdateWindow)", "");

    std::printf("\nThe live test of that list at the %d ms setting, the first button held (its "
                "key logged %zu time(s)): the period of the reads of the first controller over "
                "%zu passes with the list still, then during page downs for two seconds, one "
                "every 33 ms (%d, %zu passes) and one after the other (%d, %zu passes)\n",
                kTestPeriodMs, logged, periods.size(), paced.Scrolls, paced.ReadPeriods.size(),
                unpaced.Scrolls, unpaced.ReadPeriods.size());
    std::printf("| what | mean | mean vs setting | p50 | p99 | max |\n|---|---|---|---|---|---|\n");
    PrintPeriods("poll period, the list still", periods);
    PrintPeriods("poll period, a page down every 33 ms", paced.ReadPeriods);
    PrintPeriods("poll period, page downs one after the other", unpaced.ReadPeriods);
    std::printf("| what | median | p95 | min | max | target |\n|---|---|---|---|---|---|\n");
    paced.Times.Print("page down during the test, one every 33 ms", "");
    unpaced.Times.Print("page down during the test, one after the other", "");
    std::printf("\nTarget: mean period within 2 %% of the setting.\n");
    return 0;
}

} // namespace qm::e2e
