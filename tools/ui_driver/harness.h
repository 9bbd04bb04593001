#pragma once
// What the end-to-end driver needs around corvex.exe: a scratch installation, the simulated
// devices' shared state, a focused window that records the keys it receives, the runner's
// process and windows, its message boxes and dialogs, the registry, and screenshots.
#include "core/win32/win32_handle.h"
#include "sim/sim_shared.h"

#include <windows.h>

#include <objbase.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qm::e2e {

// A check that leaves the scenario nothing sensible to go on with.
class Fatal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Counts and prints the checks of one run, step by step.
class Checks {
public:
    explicit Checks(std::string scenario);
    // Prints the outcome; false when it failed (the run goes on).
    bool Expect(bool ok, std::string_view what, std::string_view detail = {});
    // Like Expect, but a failure ends the step.
    void Require(bool ok, std::string_view what, std::string_view detail = {});
    void Note(std::string_view text) const;
    // Runs one named step and prints its outcome after its checks. A failed Require or an
    // exception ends only this step; a step is skipped unless every step it `needs` passed.
    void Step(std::string name, std::initializer_list<std::string_view> needs,
              const std::function<void()>& body);
    // Prints which steps passed, failed and were skipped; returns the failed checks.
    int Finish() const;
    int Failures() const { return failures_; }

private:
    // "[scenario:step 1.2s]": the step and the time since the scenario began.
    std::string Prefix() const;

    std::string scenario_;
    std::string step_;
    std::int64_t start_;
    int checks_ = 0;
    int failures_ = 0;
    std::vector<std::string> passed_, failed_, skipped_;
};

// ---- timing and messages ---------------------------------------------------------------

std::int64_t Now(); // QueryPerformanceCounter
double Milliseconds(std::int64_t counterTicks);
// The value below which `share` of the sorted values lie (nearest rank); 0 when none.
double Percentile(const std::vector<double>& sorted, double share);

// User and kernel time the process has used so far, in seconds.
double ProcessCpuSeconds(HANDLE process);

// Dispatches this thread's messages for `ms` milliseconds.
void Pump(DWORD ms);
// Dispatches this thread's messages until `done` holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// ---- keys --------------------------------------------------------------------------------

struct KeyEvent {
    bool Up = false;
    unsigned Vk = 0;
    unsigned Scan = 0;
    std::int64_t At = 0;   // Now() when the window procedure saw it
    bool Extended = false; // bit 24 of lParam
    bool operator==(const KeyEvent& other) const {
        return Up == other.Up && Vk == other.Vk && Scan == other.Scan && Extended == other.Extended;
    }
};

inline KeyEvent Down(unsigned vk, unsigned scan) {
    return {false, vk, scan};
}
inline KeyEvent Up(unsigned vk, unsigned scan) {
    return {true, vk, scan};
}
// Down and up of one key, `times` times.
std::vector<KeyEvent> Taps(unsigned vk, unsigned scan, int times = 1);
std::vector<KeyEvent> Join(std::initializer_list<std::vector<KeyEvent>> parts);
std::string Describe(std::span<const KeyEvent> keys);

// A top-level window of the driver that takes the keyboard focus and keeps every key message
// it receives; it lists them on screen, for the screenshots and the demo.
class KeyWindow {
public:
    KeyWindow(const wchar_t* title, int x, int y, int width, int height);
    ~KeyWindow();
    KeyWindow(const KeyWindow&) = delete;
    KeyWindow& operator=(const KeyWindow&) = delete;

    HWND Handle() const { return window_; }
    // Makes it the foreground window with the focus; false when that did not happen.
    bool Focus(DWORD timeoutMs = 10000);
    const std::vector<KeyEvent>& Keys() const { return keys_; }
    void Clear() { keys_.clear(); }
    // Waits until at least `count` keys arrived, then `settleMs` more for any extra ones.
    std::vector<KeyEvent> Collect(std::size_t count, DWORD timeoutMs = 5000, DWORD settleMs = 60);
    // A line of text shown above the keys.
    void SetHeading(std::wstring text);
    // Called for every key as it arrives.
    std::function<void(const KeyEvent&)> OnKey;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();

    HWND window_ = nullptr;
    std::vector<KeyEvent> keys_;
    std::deque<std::wstring> lines_;
    std::wstring heading_;
};

// Injects a tap of a key (virtual key and scan code), as a user typing it.
void TypeKey(unsigned vk);
// Turns Num Lock, Caps Lock and Scroll Lock off as this thread sees them.
void LocksOff();
// The toggled lock keys as this thread sees them ("" when none).
std::string LocksOn();

// ---- files and the scratch installation -------------------------------------------------

// The driver's own folder, with a trailing backslash.
std::wstring DriverFolder();
void WriteFile(const std::wstring& path, std::string_view bytes);
// Creates the folder and its parents.
void MakeFolder(const std::wstring& path);

// The programs with their icon, qmftool.exe and the simulated devices, copied into a fresh
// folder of their own.
struct Installation {
    std::wstring Folder; // with a trailing backslash
    std::wstring Program;
    std::wstring DeviceFile;
    bool Installed = false; // the folder of an InstalledPrograms, used as it is
};
// work\<name>\ under the driver's folder, emptied first, filled from payload\; or, while an
// InstalledPrograms lives, its folder as it is (the device file then goes to work\).
Installation Install(const std::wstring& name);

// While it lives, runs use the programs installed in `folder` (such as by the installer)
// instead of a scratch installation: the folder is used as it is, with the simulated devices
// copied into it, and they are removed again when it goes. Throws Fatal when the folder lacks
// the programs or already holds a file of a simulated device's name.
class InstalledPrograms {
public:
    explicit InstalledPrograms(std::wstring folder);
    ~InstalledPrograms();
    InstalledPrograms(const InstalledPrograms&) = delete;
    InstalledPrograms& operator=(const InstalledPrograms&) = delete;

private:
    std::vector<std::wstring> copied_;
};

// The folder for screenshots, created on first use.
std::wstring ArtifactsFolder();
// In the artifacts folder: a line per program Wine did not start at the first try.
inline constexpr wchar_t kStartRetriesFile[] = L"start-retries.txt";

// ---- the simulated devices ---------------------------------------------------------------

// The device file (QM_SIM_DEVICES for the driver and the programs it starts) and the shared
// state block the simulated devices read, created here before any program opens it.
// The reads of a button held with Simulation::Hold, as QueryPerformanceCounter stamps: those
// that saw it down, first to last. A read under way while the button changed may have seen
// either state: the read before the first (`Before`, when there was one) and the last one.
struct HeldReads {
    std::vector<std::int64_t> Down;
    std::optional<std::int64_t> Before;
};

// How many times a repeating mapping sends during the hold: once on the first read that saw
// the button down, then on each read more than `everyMs` after the last send. One count, or
// two when the hold ended (or began) within a read of a send, as the reads under way allow.
std::set<int> RepeatSends(const HeldReads& held, double everyMs);

class Simulation {
public:
    Simulation(const std::wstring& deviceFile, std::string_view lines);
    ~Simulation();
    Simulation(const Simulation&) = delete;
    Simulation& operator=(const Simulation&) = delete;

    void SetButton(int controller, int button, bool down);
    // Presses and releases at once, between two reads of a program that polls: only a program
    // reading the buffered data sees it. Then waits until the program has read twice.
    bool TapAndWait(int controller, int button, DWORD timeoutMs = 5000);
    void SetBoardButton(int board, int button, bool down);
    void ReleaseAll();
    // Unplugs or plugs controller `controller` back in (its reads fail while unplugged, and a
    // device object made before the unplug stays unplugged), and tells every top-level window
    // as the system would.
    void SetPlugged(int controller, bool plugged);
    // The same for board `board` (an unplugged board is not detected and its reads fail).
    void SetBoardPlugged(int board, bool plugged);
    // What board `board`'s reads return: 2 new data (the default), 3 none, 4 failure.
    void SetBoardResult(int board, std::int32_t result);

    // The number of device reads so far.
    std::uint32_t ReadCount() const;
    // Waits until `reads` reads of `source` were logged after read number `after`.
    bool WaitReads(std::uint32_t after, std::uint32_t source, int reads, DWORD timeoutMs);
    // Presses or releases, then waits until the program has read the new state twice.
    bool SetAndWait(int controller, int button, bool down, DWORD timeoutMs = 5000);
    bool SetBoardAndWait(int board, int button, bool down, DWORD timeoutMs = 5000);
    // Moves axis `axis` (1 to 8) of the controller to `text` (a value on its own range, or
    // P%), or turns hat `hat` (from 1) to `text` (a direction or hundredths of a degree; see
    // sim/sim_controls.h), then waits until the program has read it twice. The result says
    // what went wrong, empty when nothing did.
    std::string SetAxisAndWait(int controller, int axis, std::string_view text,
                               DWORD timeoutMs = 5000);
    std::string SetHatAndWait(int controller, int hat, std::string_view text,
                              DWORD timeoutMs = 5000);
    // Holds the controller's button down until the program's reads of it down span `ms`, then
    // releases it and waits until the program has read it up twice; empty on time-out.
    HeldReads Hold(int controller, int button, double ms, DWORD timeoutMs = 30000);
    // Whether the program is polling: `reads` new reads of controller 1 within the time.
    bool Polling(int reads = 3, DWORD timeoutMs = 1000);
    // Whether nothing reads the devices any more (no read for `quietMs`).
    bool Quiet(DWORD quietMs, DWORD timeoutMs);
    // The stamps of the reads of `source` among reads [from, to); lost entries skipped.
    std::vector<std::int64_t> Stamps(std::uint32_t from, std::uint32_t to,
                                     std::uint32_t source) const;
    // The median period of the next `reads` reads of controller 1, in ms (0 on time-out).
    double MedianPeriodMs(int reads, DWORD timeoutMs = 3000);

private:
    sim::SharedState& State() const { return view_->State(); }
    std::unique_ptr<sim::SharedView> view_;
    std::unique_ptr<sim::ChangeWriter> writer_;
};

// ---- the runner --------------------------------------------------------------------------

// "Corvex Ver. 1.4.N (Beta)", from the runner's version header.
std::wstring RunnerCaption();

// One started corvex.exe; killed if it still runs when the object goes.
class RunnerProcess {
public:
    RunnerProcess() = default;
    ~RunnerProcess();
    RunnerProcess(RunnerProcess&&) = default;
    RunnerProcess& operator=(RunnerProcess&&) = default;

    // Starts the program with the simulated DirectInput in charge; false when it did not start.
    bool Start(const std::wstring& program, const std::wstring& arguments);
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_.Get(); }
    bool Running() const;
    // Its main window, waited for.
    HWND MainWindow(DWORD timeoutMs = 10000);
    std::optional<DWORD> WaitExit(DWORD timeoutMs);
    // The Exit command, then the wait; the process is killed after the time-out.
    std::optional<DWORD> Exit(DWORD timeoutMs = 30000);

private:
    win32::UniqueHandle process_;
    DWORD id_ = 0;
    HWND main_ = nullptr;
};

// The runner's Exit command, posted to its main window.
void PostRunnerExit(HWND main);
// Every top-level window of the runner's main window class.
std::vector<HWND> RunnerMainWindows();
// A menu command, posted as the menu posts it.
void PostCommand(HWND window, int id);
// A button's click, as the button notifies its parent.
void PostClick(HWND dialog, int id);
// The control with the keyboard focus in the thread of `window` (null when none).
HWND FocusIn(HWND window);
// WM_DPICHANGED, as the system sends it when the window moves to a screen of another DPI.
// Wine hands the message's rectangle pointer over unchanged, so the rectangle is written into
// the program's memory first. False when the message could not be delivered.
bool SendDpiChanged(HANDLE process, HWND window, UINT dpi, const RECT& suggested);

// ---- the notification area ---------------------------------------------------------------

// The notification icons as Wine shows them without a system tray: one child window per icon
// in its own tray window at the top left of the screen.
std::vector<HWND> TrayIconWindows();

// A visible top-level window of `process` with this class and title (any title when null).
HWND FindProcessWindow(DWORD process, const wchar_t* windowClass, const wchar_t* title);
HWND WaitProcessWindow(DWORD process, const wchar_t* windowClass, const wchar_t* title,
                       DWORD timeoutMs);
bool WaitWindowGone(HWND window, DWORD timeoutMs);
std::wstring WindowText(HWND window);
// A message box's text.
std::wstring MessageBoxText(HWND box);
// Clicks a button of a message box or dialog (BM_CLICK, posted).
void ClickButton(HWND dialog, int id);
// Sets a check box and tells the dialog, as a click does.
void SetCheck(HWND dialog, int id, bool checked);
// Sets an edit control's text and tells the dialog.
void SetEditText(HWND dialog, int id, const std::wstring& text);

// ---- registry ----------------------------------------------------------------------------

std::optional<std::wstring> RegText(HKEY root, const std::wstring& key, const std::wstring& value);
void RegSetText(HKEY root, const std::wstring& key, const std::wstring& value,
                const std::wstring& text);
// Removes every setting of the programs, the file type and the start-with-Windows entries.
void ForgetSettings();
// The paths of the known-files list ("Software\Vantrel\user\*\path").
std::vector<std::wstring> KnownConfigurationPaths();

bool SameText(std::wstring_view a, std::wstring_view b);    // ignoring case
std::string Narrow(std::wstring_view text);                 // UTF-8
std::string Shown(const std::optional<std::wstring>& text); // for messages: "(missing)" or quoted

// ---- screenshots -------------------------------------------------------------------------

// Saves the part of the screen covering `windows` and `margin` pixels around them as a PNG file.
bool SaveScreenshot(const std::wstring& path, const std::vector<HWND>& windows, int margin = 12);

// A part of the screen, pixel by pixel (0xRRGGBB).
struct Capture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;
    bool operator==(const Capture&) const = default;
};
// What the screen shows of a visible window, frame included; empty when it could not be read.
Capture CaptureWindow(HWND window);
// The number of pixels that differ (every pixel when the sizes differ).
std::size_t DifferingPixels(const Capture& a, const Capture& b);

// COM for this thread while the object lives (the screenshots' encoder).
class ComScope {
public:
    ComScope() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (ok_)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool ok_;
};

} // namespace qm::e2e
