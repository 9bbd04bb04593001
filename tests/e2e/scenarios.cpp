// The end-to-end scenarios: the real corvex.exe under the real registry of the session, its
// devices simulated, driven from outside as a user and the system would drive it.
#include "scenarios.h"

#include "harness.h"
#include "runner/win32/corvex_ids.h"
#include "support/qmf_builder.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace qm::e2e {

namespace {

using testing::File14;
using testing::Record14;

constexpr char kPadIdentity[] = "{6A1F0C10-2B3C-4D5E-8F90-A1B2C3D4E5F6}";
// A board's identity is its device path without the last five characters.
constexpr char kBoardPath[] =
    "\\\\?\\hid#vid_1209&pid_0001#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

std::string DeviceLines() {
    return std::string("controller | Sim Pad | ") + kPadIdentity + " | 12\n" +
           "board | Sim Board | " + kBoardPath + " | 32\n";
}

std::string BoardIdentity() {
    const std::string path = kBoardPath;
    return path.substr(0, path.size() - 5);
}

// Generous waits for what should take a moment, sized for a busy machine: a passing run never
// waits them out. Starting corvex.exe in a fresh Wine session takes longest.
constexpr DWORD kLong = 10000, kStart = 30000;
// Rates far apart from the defaults (500 and 35 ms) and from the polls' jitter.
constexpr int kRepeatMs = 200, kRotaryMs = 1000;

const std::wstring kConfigKey = L"Software\\Vantrel\\config";
const std::wstring kPrefKey = L"Software\\Vantrel\\Runvex\\pref";

// Set-1 scan codes of the keys the scenarios use.
constexpr unsigned kScanA = 0x1E, kScanB = 0x30, kScanC = 0x2E, kScanD = 0x20, kScanE = 0x12,
                   kScanH = 0x23, kScanR = 0x13, kScanT = 0x14, kScanShift = 0x2A,
                   kScanNumLock = 0x45, kScanCapsLock = 0x3A, kScanUpOrKeypad8 = 0x48;

Record14 Mapping(const std::string& identity, int button, std::vector<testing::KeySpec> press,
                 std::vector<testing::KeySpec> release = {}) {
    Record14 r;
    r.Identity = identity;
    r.DeviceName = identity == kPadIdentity ? "Sim Pad" : "Sim Board";
    r.Button = std::to_string(button);
    r.Press = std::move(press);
    r.Release = std::move(release);
    return r;
}

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

// What the runner shows instead of running, for the failure's detail.
std::string OpenBoxes(RunnerProcess& runner) {
    if (!runner.Running())
        return "corvex.exe has ended";
    if (const HWND box = FindProcessWindow(runner.Id(), L"#32770", nullptr); box != nullptr)
        return "a box is open: \"" + Narrow(WindowText(box)) + "\": \"" +
               Narrow(MessageBoxText(box)) + "\"";
    return "no box is open";
}

// The warning of a Tools menu item answered Yes (its text and No: the menus script).
void AnswerYes(Checks& checks, RunnerProcess& runner, const wchar_t* title) {
    const HWND box = WaitProcessWindow(runner.Id(), L"#32770", title, kLong);
    checks.Require(box != nullptr, "the menu item asks first: \"" + Narrow(title) + "\"");
    ClickButton(box, IDYES);
    checks.Require(WaitWindowGone(box, kLong), "the warning closes when answered");
}

// The middle third of a picture. Wine's tray draws an icon over the one before without
// erasing, so the blended edges keep traces of it; the opaque middle does not.
Capture Middle(const Capture& picture) {
    Capture middle{picture.Width / 3, picture.Height / 3, {}};
    for (int y = middle.Height; y < 2 * middle.Height; ++y) {
        const auto row = picture.Pixels.begin() + y * picture.Width;
        middle.Pixels.insert(middle.Pixels.end(), row + middle.Width, row + 2 * middle.Width);
    }
    return middle;
}

// The middle of the one notification icon once `wanted` holds for it, or as it shows when the
// time is up (empty when there is not exactly one icon). The tray is asked to paint the icon
// again now and then: what is checked is the icon it holds, and Wine's tray, busy, may leave
// a change it took unpainted.
Capture TrayIcon(const std::function<bool(const Capture&)>& wanted, DWORD timeoutMs = kLong) {
    Capture shown;
    ULONGLONG repainted = GetTickCount64();
    PumpUntil(
        [&] {
            const auto icons = TrayIconWindows();
            shown = icons.size() == 1 ? Middle(CaptureWindow(icons.front())) : Capture{};
            if (!shown.Pixels.empty() && wanted(shown))
                return true;
            if (icons.size() == 1 && GetTickCount64() - repainted >= 500) {
                InvalidateRect(icons.front(), nullptr, TRUE);
                repainted = GetTickCount64();
            }
            return false;
        },
        timeoutMs);
    return shown;
}

// Expects the notification icon to come to show `expected` rather than `other`: nearer to
// it by far, as a few pixels may keep a trace of the icon before (Wine's tray blends an icon's
// edge over it). A failure says how far the icon is from each.
void ExpectTrayIcon(Checks& checks, const Capture& expected, const Capture& other,
                    std::string_view what) {
    const auto shows = [&](const Capture& shown) {
        return DifferingPixels(shown, expected) * 4 < DifferingPixels(shown, other);
    };
    const Capture shown = TrayIcon(shows);
    checks.Expect(!shown.Pixels.empty() && shows(shown), what,
                  shown.Pixels.empty()
                      ? std::to_string(TrayIconWindows().size()) + " icon(s) shown"
                      : "pixels differing from the expected icon " +
                            std::to_string(DifferingPixels(shown, expected)) + ", from the other " +
                            std::to_string(DifferingPixels(shown, other)));
}

BOOL CALLBACK NoteChildNeedsPaint(HWND child, LPARAM pending) {
    *reinterpret_cast<BOOL*>(pending) |= GetUpdateRect(child, nullptr, FALSE);
    return TRUE;
}

// Whether the window or one of its children still has something to paint.
bool NeedsPaint(HWND window) {
    BOOL pending = GetUpdateRect(window, nullptr, FALSE);
    EnumChildWindows(window, NoteChildNeedsPaint, reinterpret_cast<LPARAM>(&pending));
    return pending != FALSE;
}

// What the screen shows of the window once it has nothing left to paint and two looks a
// moment apart agree (empty when that did not happen in time).
Capture Painted(HWND window) {
    Capture previous;
    for (const ULONGLONG end = GetTickCount64() + kLong; GetTickCount64() < end;) {
        Pump(150);
        Capture shown = NeedsPaint(window) ? Capture{} : CaptureWindow(window);
        if (!shown.Pixels.empty() && shown == previous)
            return shown;
        previous = std::move(shown);
    }
    return {};
}

} // namespace

int KeysScenario() {
    Checks checks("keys");
    ForgetSettings();
    const Installation install = Install(L"keys");
    Simulation devices(install.DeviceFile, DeviceLines());
    // The test's rates, the fastest poll, and no window at start-up: the driver keeps the focus.
    RegSetText(HKEY_CURRENT_USER, kConfigKey, L"RepeatRate", std::to_wstring(kRepeatMs));
    RegSetText(HKEY_CURRENT_USER, kConfigKey, L"RotaryRate", std::to_wstring(kRotaryMs));
    RegSetText(HKEY_CURRENT_USER, kConfigKey, L"PollFrequency", L" 0");
    RegSetText(HKEY_CURRENT_USER, kPrefKey, L"taskbar", L"True");

    // Outside the configuration folder, as a file opened from anywhere.
    MakeFolder(install.Folder + L"elsewhere");
    const std::wstring configuration = install.Folder + L"elsewhere\\keys.qmf";
    Record14 repeat = Mapping(kPadIdentity, 2, {{"C", "C"}});
    repeat.Repeat = "#TRUE#";
    Record14 rotary = Mapping(kPadIdentity, 3, {{"R", "R"}}, {{"T", "T"}});
    rotary.Rotary = "#TRUE#";
    rotary.Multiplier = "\"4\"";
    Record14 locks = Mapping(kPadIdentity, 4, {{"D", "D"}});
    locks.NumLock = "#TRUE#";
    locks.CapsLock = "#TRUE#";
    WriteFile(
        configuration,
        File14({Mapping(kPadIdentity, 1, {{"SHIFT + A", "A"}}, {{"B", "B"}}), repeat, rotary, locks,
                Mapping(BoardIdentity(), 3, {{"E", "E"}}),
                Mapping(kPadIdentity, 5, {{"UP ARROW", "UP ARROW"}, {"NUMPAD 8", "NUMPAD 8"}})}));

    KeyWindow keys(L"Keys received (end-to-end test)", 40, 560, 560, 360);
    RunnerProcess runner;
    HWND main = nullptr;
    HWND runButton = nullptr;
    checks.Step("start", {}, [&] {
        checks.Require(runner.Start(install.Program, Quoted(configuration)), "corvex.exe starts");
        checks.Require(devices.Polling(3, kStart),
                       "given a configuration on its command line, the runner runs it",
                       OpenBoxes(runner));
        main = runner.MainWindow();
        checks.Require(main != nullptr, "the main window exists");
        runButton = GetDlgItem(main, IDC_RUN_BUTTON);
    });
    checks.Step("registration", {"start"}, [&] {
        checks.Expect(!IsWindowVisible(main),
                      "running from the command line, the window is hidden");
        const auto known = KnownConfigurationPaths();
        checks.Expect(std::any_of(known.begin(), known.end(),
                                  [&](const auto& p) { return SameText(p, configuration); }),
                      "the file joins the list of configurations");
    });

    // The key steps start with every button up, the locks off and no key pending.
    std::vector<KeyEvent> got;
    const auto keyStep = [&](const char* name, const std::function<void()>& body) {
        checks.Step(name, {"start"}, [&] {
            devices.ReleaseAll();
            checks.Require(keys.Focus(), "the driver's window has the keyboard focus");
            LocksOff();
            keys.Collect(0, 0, 100);
            body();
        });
    };
    keyStep("plain", [&] {
        devices.SetAndWait(1, 1, true);
        got = keys.Collect(4);
        checks.Expect(got == std::vector{Down(VK_SHIFT, kScanShift), Down('A', kScanA),
                                         Up('A', kScanA), Up(VK_SHIFT, kScanShift)},
                      "a press sends its chord: SHIFT down, A down, A up, SHIFT up",
                      "got " + Describe(got));
        devices.SetAndWait(1, 1, false);
        got = keys.Collect(2);
        checks.Expect(got == Taps('B', kScanB), "the release sends the release side (B)",
                      "got " + Describe(got));
    });
    keyStep("repeat", [&] {
        // C at once, then every RepeatRate while held: as many sends as the program's reads of
        // the held button imply.
        const HeldReads held = devices.Hold(1, 2, kRepeatMs * 11 / 2);
        checks.Require(!held.Down.empty(), "the program reads the held button");
        const std::set<int> counts = RepeatSends(held, kRepeatMs);
        // Sent before the hold ended, so waiting in this thread's queue.
        got = keys.Collect(2 * static_cast<std::size_t>(*counts.begin()));
        const auto downs =
            std::count_if(got.begin(), got.end(), [](const KeyEvent& k) { return !k.Up; });
        const bool onlyC = std::all_of(got.begin(), got.end(), [](const KeyEvent& k) {
            return k.Vk == 'C' && k.Scan == kScanC;
        });
        checks.Expect(
            onlyC && std::ssize(got) == 2 * downs && counts.contains(static_cast<int>(downs)),
            "a held Repeat button sends C at once and then every RepeatRate",
            "held " +
                std::to_string(std::lround(Milliseconds(held.Down.back() - held.Down.front()))) +
                " ms for " + std::to_string(*counts.rbegin()) + " sends; got " + Describe(got));
        got = keys.Collect(0, 0, 3 * kRepeatMs);
        checks.Expect(got.empty(), "a released Repeat button sends nothing more",
                      "got " + Describe(got));
    });
    keyStep("rotary", [&] {
        // A turn long after the last one sends once; a turn within RotaryRate of the last (as
        // the program read the presses) sends Multiplier (4) times, on press and on release; a
        // turn after more than RotaryRate once again. A turn gives the stamp of the program's
        // first read of its press.
        const auto turn = [&] {
            devices.SetButton(1, 3, true);
            const std::uint32_t pressed = devices.ReadCount();
            devices.WaitReads(pressed, 1, 2, kLong);
            devices.SetAndWait(1, 3, false);
            const auto reads = devices.Stamps(pressed, devices.ReadCount(), 1);
            return reads.empty() ? 0 : reads.front();
        };
        const std::int64_t first = turn();
        Pump(kRotaryMs / 4); // fast for RotaryRate, slow for the default rate
        const double apart = Milliseconds(turn() - first);
        const int times = apart < kRotaryMs ? 4 : 1;
        got = keys.Collect(4 + 4 * static_cast<std::size_t>(times));
        checks.Expect(got == Join({Taps('R', kScanR), Taps('T', kScanT), Taps('R', kScanR, times),
                                   Taps('T', kScanT, times)}),
                      "a rotary turn sends once; a fast second turn sends Multiplier (4) times",
                      "the second " + std::to_string(std::lround(apart)) + " ms after; got " +
                          Describe(got));
        Pump(2 * kRotaryMs);
        turn();
        got = keys.Collect(4);
        checks.Expect(got == Join({Taps('R', kScanR), Taps('T', kScanT)}),
                      "a turn after the rotary window sends once again", "got " + Describe(got));
    });
    keyStep("locks", [&] {
        // Forced on for the burst and off after it, on press and on release.
        devices.SetAndWait(1, 4, true);
        got = keys.Collect(10);
        const auto numLock = Taps(VK_NUMLOCK, kScanNumLock);
        const auto capsLock = Taps(VK_CAPITAL, kScanCapsLock);
        checks.Expect(got == Join({numLock, capsLock, Taps('D', kScanD), numLock, capsLock}),
                      "a lock mapping turns Num Lock and Caps Lock on, sends D, turns them off",
                      "got " + Describe(got));
        devices.SetAndWait(1, 4, false);
        got = keys.Collect(8);
        checks.Expect(got == Join({numLock, capsLock, numLock, capsLock}),
                      "its release forces the locks on and off again", "got " + Describe(got));
        const std::string on = LocksOn();
        checks.Expect(on.empty(), "after the release every lock is off", "on: " + on);
    });
    keyStep("board", [&] {
        devices.SetBoardAndWait(1, 3, true);
        got = keys.Collect(2);
        checks.Expect(got == Taps('E', kScanE), "a board button sends its key (E)",
                      "got " + Describe(got));
        devices.SetBoardAndWait(1, 3, false);
        got = keys.Collect(0, 0, 100);
        checks.Expect(got.empty(), "its release sends nothing", "got " + Describe(got));
    });

    keyStep("navigation keys", [&] {
        // UP ARROW goes out by keypad 8's scan code, as keypad 8 does; with the preference on
        // (read when the configuration runs again) it is flagged as extended, keypad 8 is not.
        const auto arrowThenKeypad = [](bool extended) {
            const auto key = [](bool up, unsigned vk, bool ext) {
                return KeyEvent{up, vk, kScanUpOrKeypad8, 0, ext};
            };
            return std::vector{key(false, VK_UP, extended), key(true, VK_UP, extended),
                               key(false, VK_NUMPAD8, false), key(true, VK_NUMPAD8, false)};
        };
        const auto runAgain = [&](const wchar_t* extended) {
            RegSetText(HKEY_CURRENT_USER, kConfigKey, L"ExtendedKeys", extended);
            PostClick(main, IDC_RUN_BUTTON);
            checks.Require(devices.Quiet(100, kLong), "Stop ends the polling");
            PostClick(main, IDC_RUN_BUTTON);
            checks.Require(devices.Polling(3, kStart), "Run runs again", OpenBoxes(runner));
        };
        devices.SetAndWait(1, 5, true);
        got = keys.Collect(4);
        checks.Expect(got == arrowThenKeypad(false),
                      "by default UP ARROW and NUMPAD 8 arrive alike, neither extended",
                      "got " + Describe(got));
        devices.SetAndWait(1, 5, false);
        runAgain(L"True");
        devices.SetAndWait(1, 5, true);
        got = keys.Collect(4);
        checks.Expect(got == arrowThenKeypad(true),
                      "with the preference on UP ARROW arrives extended, NUMPAD 8 does not",
                      "got " + Describe(got));
        devices.SetAndWait(1, 5, false);
        runAgain(L"False");
    });

    // A second copy of the same version shows the first and ends.
    checks.Step("second copy", {"start"}, [&] {
        RunnerProcess second;
        checks.Require(second.Start(install.Program, L""), "a second corvex.exe starts");
        const auto secondExit = second.WaitExit(kStart);
        checks.Expect(secondExit == 0u, "the second copy ends by itself with exit code 0",
                      secondExit ? "exit code " + std::to_string(*secondExit) : "still running");
        checks.Expect(runner.Running() && RunnerMainWindows().size() == 1,
                      "the first copy still runs, alone");
        checks.Expect(PumpUntil([&] { return IsWindowVisible(main) && !IsIconic(main); }, kLong),
                      "the first copy's hidden window is shown again");
        checks.Expect(PumpUntil([&] { return GetForegroundWindow() == main; }, kLong),
                      "and brought to the foreground");
        checks.Expect(PumpUntil([&] { return FocusIn(main) == runButton; }, kLong),
                      "the configuration chosen on the command line left the focus on Run/Stop");
    });

    // The notification icon follows Run and Stop (its menu: the tray script).
    Capture iconRunning, iconStopped;
    checks.Step("tray icon", {"start"}, [&] {
        iconRunning = TrayIcon([](const Capture&) { return true; });
        checks.Require(!iconRunning.Pixels.empty(), "one notification icon shows");
        PostClick(main, IDC_RUN_BUTTON);
        checks.Expect(devices.Quiet(100, kLong), "Stop ends the polling");
        // Another icon: most of its middle differs, not only the blend of an edge.
        const auto another = [&](const Capture& shown) {
            return DifferingPixels(shown, iconRunning) * 2 > shown.Pixels.size();
        };
        iconStopped = TrayIcon(another);
        checks.Expect(!iconStopped.Pixels.empty() && another(iconStopped),
                      "the notification icon shows run_off instead of run_up");
    });
    checks.Step("enter runs", {"tray icon"}, [&] {
        // Enter on the focused Run button runs, as Space would.
        SetForegroundWindow(main);
        checks.Require(
            PumpUntil([&] { return GetForegroundWindow() == main && FocusIn(main) == runButton; },
                      kLong),
            "the runner is in front with the focus on its Run button");
        TypeKey(VK_RETURN);
        checks.Expect(devices.Polling(3, kStart), "Enter on the focused Run button runs",
                      OpenBoxes(runner));
        ExpectTrayIcon(checks, iconRunning, iconStopped,
                       "the notification icon shows run_up again");
    });
    checks.Step("taskbar restart", {"enter runs"}, [&] {
        // Announced while the old icon is still there: the icon comes back once and follows
        // Stop and Run.
        PostMessageW(main, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
        PostClick(main, IDC_RUN_BUTTON);
        checks.Expect(devices.Quiet(100, kLong), "after the taskbar's restart Stop still stops");
        ExpectTrayIcon(checks, iconStopped, iconRunning,
                       "and the notification icon follows: run_off");
        PostClick(main, IDC_RUN_BUTTON);
        checks.Expect(devices.Polling(3, kStart), "Run runs again", OpenBoxes(runner));
        ExpectTrayIcon(checks, iconRunning, iconStopped,
                       "and the notification icon follows: run_up");
    });
    checks.Step("exit", {"start"}, [&] {
        const auto exitCode = runner.Exit();
        checks.Expect(exitCode == 0u, "Exit ends the program with exit code 0");
        checks.Expect(PumpUntil([] { return TrayIconWindows().empty(); }, kLong),
                      "and removes its notification icon",
                      std::to_string(TrayIconWindows().size()) + " icon(s) left");
    });
    return checks.Finish();
}

int DialogsScenario() {
    Checks checks("dialogs");
    ForgetSettings();
    const Installation install = Install(L"dialogs");
    Simulation devices(install.DeviceFile, DeviceLines());
    WriteFile(install.Folder + L"config\\listed.qmf",
              File14({Mapping(kPadIdentity, 1, {{"F", "F"}})}));

    RunnerProcess runner;
    HWND main = nullptr;
    checks.Step("start", {}, [&] {
        checks.Require(runner.Start(install.Program, L""), "corvex.exe starts");
        main = runner.MainWindow(kStart);
        checks.Require(main != nullptr && PumpUntil([&] { return IsWindowVisible(main); }, kLong),
                       "started without arguments, its main window shows", OpenBoxes(runner));
    });
    checks.Step("dpi", {"start"}, [&] {
        // Moved to a screen of 144 DPI: laid out again at the new scale, and painted as a full
        // repaint of that layout paints it, with no line of the old layout left on screen (so
        // the old layout is on screen first).
        checks.Require(!Painted(main).Pixels.empty(), "the window is painted at its first scale");
        RECT before{};
        GetWindowRect(main, &before);
        const RECT suggested{before.left, before.top,
                             before.left + (before.right - before.left) * 3 / 2,
                             before.top + (before.bottom - before.top) * 3 / 2};
        checks.Require(SendDpiChanged(runner.Handle(), main, 144, suggested),
                       "the runner takes WM_DPICHANGED");
        checks.Expect(PumpUntil(
                          [&] {
                              RECT after{};
                              GetWindowRect(main, &after);
                              return after.right - after.left > before.right - before.left;
                          },
                          kLong),
                      "the window grows with the scale");
        const Capture painted = Painted(main);
        RedrawWindow(main, nullptr, nullptr,
                     RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
        const Capture repainted = Painted(main);
        checks.Expect(!painted.Pixels.empty() && DifferingPixels(painted, repainted) == 0,
                      "after the DPI change nothing stale is left on screen",
                      std::to_string(DifferingPixels(painted, repainted)) +
                          " pixels change when the window is repainted in full");
        if (painted != repainted)
            SaveScreenshot(ArtifactsFolder() + L"main-window-144dpi-repainted.png", {main});
    });
    checks.Step("run", {"start"}, [&] {
        // The listed configuration (Open... and its dialog: the menus script).
        PostClick(main, IDC_RUN_BUTTON);
        checks.Require(devices.Polling(3, kStart), "Run runs it", OpenBoxes(runner));
    });
    checks.Step("priority", {"run"}, [&] {
        PostCommand(main, IDM_PRIORITY_FIRST + 2); // " AboveNormal"
        AnswerYes(checks, runner, L"Priority Class Warning");
        checks.Expect(
            PumpUntil(
                [&] { return GetPriorityClass(runner.Handle()) == ABOVE_NORMAL_PRIORITY_CLASS; },
                kLong),
            "the running program's priority class is AboveNormal at once");
    });
    checks.Step("poll frequency", {"run"}, [&] {
        // Low stores " 2" and polls at 15 ms. The median of many periods: a busy machine delays
        // some polls, not most.
        PostCommand(main, IDM_POLL_FIRST + 2); // " Low"
        AnswerYes(checks, runner, L"Poll Frequency Warning");
        std::optional<std::wstring> stored;
        PumpUntil(
            [&] {
                return (stored = RegText(HKEY_CURRENT_USER, kConfigKey, L"PollFrequency")) == L" 2";
            },
            kLong);
        const double period = devices.MedianPeriodMs(60, kLong);
        checks.Expect(stored == L" 2" && period > 12.5 && period < 17.5,
                      "PollFrequency becomes \" 2\" and the devices are read every 15 ms",
                      "found " + Shown(stored) + ", median period " + std::to_string(period));
    });
    checks.Step("stop", {"run"}, [&] {
        // The Run/Stop button stops, and the priority class goes back to Normal.
        PostClick(main, IDC_RUN_BUTTON);
        checks.Expect(devices.Quiet(100, kLong), "the Stop button ends the polling");
        checks.Expect(
            PumpUntil([&] { return GetPriorityClass(runner.Handle()) == NORMAL_PRIORITY_CLASS; },
                      kLong),
            "stopped, the priority class is Normal again");
    });
    checks.Step("exit", {"start"}, [&] {
        checks.Expect(runner.Exit() == 0u, "Exit ends the program with exit code 0");
    });
    return checks.Finish();
}

int DefaultConfigurationScenario() {
    Checks checks("default");
    ForgetSettings();
    const Installation install = Install(L"default");
    Simulation devices(install.DeviceFile, DeviceLines());
    MakeFolder(install.Folder + L"elsewhere");
    const std::wstring file = install.Folder + L"elsewhere\\default.qmf";
    WriteFile(file, File14({Mapping(kPadIdentity, 1, {{"H", "H"}})}));
    RegSetText(HKEY_CURRENT_USER, kPrefKey, L"launch", L"True");
    RegSetText(HKEY_CURRENT_USER, kPrefKey, L"startup", L"True");
    RegSetText(HKEY_CURRENT_USER, kPrefKey, L"DefaultConfigFile", file);
    RegSetText(HKEY_CURRENT_USER, kPrefKey, L"taskbar", L"True");

    KeyWindow keys(L"Keys received (end-to-end test)", 40, 560, 560, 360);
    RunnerProcess runner;
    checks.Step("start", {}, [&] {
        checks.Require(runner.Start(install.Program, L"/t"), "corvex.exe /t starts");
        checks.Require(devices.Polling(3, kStart),
                       "with launch and startup set, /t runs the default configuration",
                       OpenBoxes(runner));
        checks.Require(keys.Focus(), "the driver's window has the keyboard focus");
        keys.Clear();
        devices.SetAndWait(1, 1, true);
        devices.SetAndWait(1, 1, false);
        const auto got = keys.Collect(2);
        checks.Expect(got == Taps('H', kScanH), "its mapping sends H", "got " + Describe(got));
    });
    checks.Step("exit", {"start"}, [&] {
        checks.Expect(runner.Exit() == 0u, "Exit ends the program with exit code 0");
    });
    return checks.Finish();
}

// Every top-level window of the process whose caption starts with `title`.
std::vector<HWND> WindowsTitled(DWORD process, const std::wstring& title) {
    std::vector<HWND> found;
    for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == process && WindowText(w).starts_with(title))
            found.push_back(w);
    }
    return found;
}

int InstancesScenario() {
    Checks checks("instances");
    for (const std::wstring name : {L"corvex", L"vantrel"}) {
        ForgetSettings();
        const Installation install = Install(L"instances-" + name);
        Simulation devices(install.DeviceFile, DeviceLines());
        const std::wstring program = install.Folder + name + L".exe";
        const std::wstring title = name == L"corvex" ? L"Corvex Ver. " : L"Vantrel Ver. ";
        RunnerProcess starts[2];
        RunnerProcess* first = nullptr;
        HWND main = nullptr;
        checks.Step(Narrow(name) + " twice", {}, [&] {
            checks.Require(starts[0].Start(program, L""), "the program starts");
            Sleep(50);
            checks.Require(starts[1].Start(program, L""), "and again 50 ms later");
            checks.Require(
                PumpUntil([&] { return !starts[0].Running() || !starts[1].Running(); }, kStart),
                "one of the two ends by itself");
            first = starts[0].Running() ? &starts[0] : &starts[1];
            checks.Require(
                PumpUntil([&] { return !WindowsTitled(first->Id(), title).empty(); }, kStart),
                "the other runs on and shows its main window");
            main = WindowsTitled(first->Id(), title).front();
            checks.Expect(first->Running() && (starts[0].Running() != starts[1].Running()),
                          "one copy runs");
        });
        checks.Step(Narrow(name) + " busy", {Narrow(name) + " twice"}, [&] {
            // Busy: its window's thread stopped, as in a long command.
            const win32::UniqueHandle thread(
                OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(main, nullptr)));
            checks.Require(thread && SuspendThread(thread.Get()) != DWORD(-1),
                           "the copy's window thread stops");
            RunnerProcess later;
            const bool started = later.Start(program, L"");
            const auto exit = started ? later.WaitExit(kStart) : std::nullopt;
            ResumeThread(thread.Get());
            checks.Expect(exit == 0u, "a start meanwhile ends by itself with exit code 0",
                          exit ? "" : "still running");
        });
        checks.Step(Narrow(name) + " held by another", {Narrow(name) + " twice"}, [&] {
            // Another program holds the instance mutex, and no copy shows a window.
            const std::wstring caption = WindowText(main);
            const win32::UniqueHandle held(
                CreateMutexW(nullptr, FALSE, (L"Local\\" + caption + L" instance").c_str()));
            checks.Require(held && TerminateProcess(first->Handle(), 9) &&
                               first->WaitExit(kLong).has_value(),
                           "the driver holds the mutex, the copy has ended");
            RunnerProcess later;
            checks.Require(later.Start(program, L"x.qmf"), "a start with a file");
            const std::wstring programTitle = name == L"corvex" ? L"Corvex" : L"Vantrel";
            const HWND box = WaitProcessWindow(later.Id(), L"#32770", programTitle.c_str(), kStart);
            checks.Require(box != nullptr, "waits for a window, then says it found none",
                           later.Running() ? "no box" : "ended");
            checks.Expect(MessageBoxText(box) ==
                              L"Another copy of " + programTitle +
                                  L" seems to be running, but its window did not appear.\r\n\r\n"
                                  L"The file \"x.qmf\" was not opened.",
                          "the box names the file", Narrow(MessageBoxText(box)));
            ClickButton(box, IDOK);
            const auto exit = later.WaitExit(kLong);
            checks.Expect(exit == 1u, "it ends with exit code 1");
        });
    }
    return checks.Finish();
}

} // namespace qm::e2e
