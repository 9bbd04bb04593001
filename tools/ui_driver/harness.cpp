#include "harness.h"
#include "program_windows.h"

#include "core/win32/com_ptr.h"
#include "core/win32/win32_module.h"
#include "core/win32/win32_text.h"
#include "runner/win32/corvex_ids.h"
#include "runner/win32/corvex_version.h"
#include "ui/win32/shell_handles.h"

#include <wincodec.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace qm::e2e {

namespace {

constexpr wchar_t kKeyWindowClass[] = L"QmEndToEndKeys";
constexpr std::size_t kShownLines = 22;
constexpr wchar_t kSettingsKey[] = L"Software\\Vantrel";
constexpr wchar_t kWindowsRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kKnownFilesKey[] = L"Software\\Vantrel\\user";
constexpr wchar_t kRunValue[] = L"Corvex";

std::wstring ClassName(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

bool EncodePng(HBITMAP bitmap, int width, int height, const std::wstring& path) {
    using win32::ComPtr;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Put()))))
        return false;
    ComPtr<IWICBitmap> source;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    return SUCCEEDED(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha,
                                                      source.Put())) &&
           SUCCEEDED(factory->CreateStream(stream.Put())) &&
           SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
           SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put())) &&
           SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
           SUCCEEDED(encoder->CreateNewFrame(frame.Put(), nullptr)) &&
           SUCCEEDED(frame->Initialize(nullptr)) &&
           SUCCEEDED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) &&
           SUCCEEDED(frame->SetPixelFormat(&format)) &&
           SUCCEEDED(frame->WriteSource(source.Get(), nullptr)) && SUCCEEDED(frame->Commit()) &&
           SUCCEEDED(encoder->Commit());
}

} // namespace

// ---- checks ------------------------------------------------------------------------------

Checks::Checks(std::string scenario) : scenario_(std::move(scenario)), start_(Now()) {}

std::string Checks::Prefix() const {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, " %.1fs", Milliseconds(Now() - start_) / 1000);
    return "[" + scenario_ + (step_.empty() ? "" : ":" + step_) + seconds + "]";
}

bool Checks::Expect(bool ok, std::string_view what, std::string_view detail) {
    ++checks_;
    if (ok) {
        std::printf("%s ok: %.*s\n", Prefix().c_str(), static_cast<int>(what.size()), what.data());
        return true;
    }
    ++failures_;
    std::printf("%s FAILED: %.*s%s%.*s\n", Prefix().c_str(), static_cast<int>(what.size()),
                what.data(), detail.empty() ? "" : "\n    ", static_cast<int>(detail.size()),
                detail.data());
    return false;
}

void Checks::Require(bool ok, std::string_view what, std::string_view detail) {
    if (!Expect(ok, what, detail))
        throw Fatal(std::string(what));
}

void Checks::Note(std::string_view text) const {
    std::printf("%s %.*s\n", Prefix().c_str(), static_cast<int>(text.size()), text.data());
}

void Checks::Step(std::string name, std::initializer_list<std::string_view> needs,
                  const std::function<void()>& body) {
    step_ = name;
    for (const std::string_view need : needs)
        if (std::find(passed_.begin(), passed_.end(), need) == passed_.end()) {
            Note("skipped: needs " + std::string(need));
            skipped_.push_back(std::move(name));
            step_.clear();
            return;
        }
    const int checks = checks_, failures = failures_;
    try {
        body();
    } catch (const Fatal&) {
        // Reported where it happened.
    } catch (const std::exception& e) {
        Expect(false, "the step ran to its end", e.what());
    }
    const int failed = failures_ - failures;
    Note(failed == 0 ? "step passed (" + std::to_string(checks_ - checks) + " checks)"
                     : "step FAILED (" + std::to_string(failed) + " of " +
                           std::to_string(checks_ - checks) + " checks)");
    (failed == 0 ? passed_ : failed_).push_back(std::move(name));
    step_.clear();
}

int Checks::Finish() const {
    const auto list = [](const std::vector<std::string>& steps) {
        std::string names;
        for (const std::string& step : steps)
            names += (names.empty() ? " (" : ", ") + step;
        return std::to_string(steps.size()) + names + (names.empty() ? "" : ")");
    };
    Note("steps passed " + std::to_string(passed_.size()) + ", failed " + list(failed_) +
         ", skipped " + list(skipped_));
    return failures_;
}

// ---- timing and messages ---------------------------------------------------------------

std::int64_t Now() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Milliseconds(std::int64_t counterTicks) {
    static const double frequency = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    return static_cast<double>(counterTicks) * 1000.0 / frequency;
}

double Percentile(const std::vector<double>& sorted, double share) {
    if (sorted.empty())
        return 0;
    const auto rank =
        static_cast<std::size_t>(std::ceil(share * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

namespace {
void DispatchPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
} // namespace

void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

double ProcessCpuSeconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    const auto ticks = [](const FILETIME& t) {
        return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 1e7;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        DispatchPending();
        if (done())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return false;
        // Short waits: what `done` watches (other processes, shared memory) sends no message.
        MsgWaitForMultipleObjectsEx(0, nullptr,
                                    static_cast<DWORD>(std::min<ULONGLONG>(end - now, 2)),
                                    QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// ---- keys --------------------------------------------------------------------------------

std::vector<KeyEvent> Taps(unsigned vk, unsigned scan, int times) {
    std::vector<KeyEvent> keys;
    for (int i = 0; i < times; ++i) {
        keys.push_back(Down(vk, scan));
        keys.push_back(Up(vk, scan));
    }
    return keys;
}

std::vector<KeyEvent> Join(std::initializer_list<std::vector<KeyEvent>> parts) {
    std::vector<KeyEvent> keys;
    for (const auto& part : parts)
        keys.insert(keys.end(), part.begin(), part.end());
    return keys;
}

std::string Describe(std::span<const KeyEvent> keys) {
    if (keys.empty())
        return "(none)";
    std::string text;
    for (const KeyEvent& key : keys) {
        if (!text.empty())
            text += ", ";
        text += (key.Up ? "up " : "down ") + std::to_string(key.Vk) + "/" + Hex(key.Scan);
    }
    return text;
}

KeyWindow::KeyWindow(const wchar_t* title, int x, int y, int width, int height) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &KeyWindow::Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kKeyWindowClass;
    RegisterClassExW(&windowClass);
    window_ = CreateWindowExW(0, kKeyWindowClass, title, WS_POPUP | WS_BORDER | WS_CAPTION, x, y,
                              width, height, nullptr, nullptr, windowClass.hInstance, this);
    if (window_ == nullptr)
        throw Fatal("the driver's key window could not be created");
    heading_ = title;
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
}

KeyWindow::~KeyWindow() {
    if (window_ != nullptr)
        DestroyWindow(window_);
}

bool KeyWindow::Focus(DWORD timeoutMs) {
    const auto focused = [&] { return GetForegroundWindow() == window_ && GetFocus() == window_; };
    if (focused())
        return true;
    ShowWindow(window_, SW_SHOW);
    BringWindowToTop(window_);
    SetForegroundWindow(window_);
    SetFocus(window_);
    return PumpUntil(focused, timeoutMs);
}

std::vector<KeyEvent> KeyWindow::Collect(std::size_t count, DWORD timeoutMs, DWORD settleMs) {
    PumpUntil([&] { return keys_.size() >= count; }, timeoutMs);
    Pump(settleMs);
    std::vector<KeyEvent> keys = std::move(keys_);
    keys_.clear();
    return keys;
}

void KeyWindow::SetHeading(std::wstring text) {
    heading_ = std::move(text);
    InvalidateRect(window_, nullptr, TRUE);
}

LRESULT CALLBACK KeyWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<KeyWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const KeyEvent key{message == WM_KEYUP || message == WM_SYSKEYUP,
                           static_cast<unsigned>(wParam),
                           static_cast<unsigned>((lParam >> 16) & 0xFF), Now()};
        self->keys_.push_back(key);
        if (self->OnKey)
            self->OnKey(key);
        wchar_t name[64] = {};
        GetKeyNameTextW(static_cast<LONG>(lParam & 0x01FF0000), name,
                        static_cast<int>(std::size(name)));
        wchar_t line[160];
        swprintf(line, std::size(line), L"%ls  %-12ls  virtual key %3u  scan code 0x%02X",
                 key.Up ? L"up  " : L"down", name, key.Vk, key.Scan);
        self->lines_.emplace_back(line);
        while (self->lines_.size() > kShownLines)
            self->lines_.pop_front();
        InvalidateRect(window, nullptr, TRUE);
        // Handled here: ALT and F10 open no menu, nothing reaches the system.
        return 0;
    }
    case WM_CHAR:
    case WM_SYSCHAR:
        return 0;
    case WM_PAINT:
        self->Paint();
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_ACTIVATE;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void KeyWindow::Paint() {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window_, &paint);
    SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    SetBkMode(dc, TRANSPARENT);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int line = metrics.tmHeight + 2;
    int y = 6;
    TextOutW(dc, 8, y, heading_.c_str(), static_cast<int>(heading_.size()));
    y += line + 4;
    for (const auto& text : lines_) {
        TextOutW(dc, 8, y, text.c_str(), static_cast<int>(text.size()));
        y += line;
    }
    EndPaint(window_, &paint);
}

void TypeKey(unsigned vk) {
    INPUT inputs[2] = {};
    for (int i = 0; i < 2; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = static_cast<WORD>(vk);
        inputs[i].ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        inputs[i].ki.dwFlags = i == 1 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(2, inputs, sizeof(INPUT));
}

namespace {
constexpr unsigned kLocks[] = {VK_NUMLOCK, VK_CAPITAL, VK_SCROLL};
}

std::string LocksOn() {
    Pump(0);
    std::string on;
    const char* names[] = {"Num Lock", "Caps Lock", "Scroll Lock"};
    for (int i = 0; i < 3; ++i) {
        if ((GetKeyState(static_cast<int>(kLocks[i])) & 1) != 0)
            on += (on.empty() ? "" : ", ") + std::string(names[i]);
    }
    return on;
}

void LocksOff() {
    for (const unsigned vk : kLocks) {
        if ((GetKeyState(static_cast<int>(vk)) & 1) != 0)
            TypeKey(vk);
    }
    PumpUntil([] { return LocksOn().empty(); }, 1000);
}

// ---- files and the scratch installation -------------------------------------------------

std::wstring DriverFolder() {
    return win32::ProgramFolder();
}

void WriteFile(const std::wstring& path, std::string_view bytes) {
    win32::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) ||
        written != bytes.size())
        throw Fatal("cannot write " + Narrow(path));
}

void MakeFolder(const std::wstring& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error)
        throw Fatal("cannot create " + Narrow(path) + ": " + error.message());
}

namespace {

// The folder of the installed programs in use, with a trailing backslash; empty for scratch
// installations.
std::wstring& InstalledFolder() {
    static std::wstring folder;
    return folder;
}

constexpr const wchar_t* kSimulatedDevices[] = {L"dinput8.dll", L"orvhid.dll"};

} // namespace

InstalledPrograms::InstalledPrograms(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    for (const wchar_t* program : {L"corvex.exe", L"vantrel.exe"}) {
        if (GetFileAttributesW((folder + program).c_str()) == INVALID_FILE_ATTRIBUTES)
            throw Fatal(Narrow(folder) + " holds no " + Narrow(program));
    }
    const std::wstring payload = DriverFolder() + L"payload\\";
    for (const wchar_t* file : kSimulatedDevices) {
        // Fails when the file is there: a device library of the installation is never replaced.
        if (!CopyFileW((payload + file).c_str(), (folder + file).c_str(), TRUE)) {
            const DWORD error = GetLastError();
            for (const std::wstring& copied : copied_)
                DeleteFileW(copied.c_str());
            throw Fatal("cannot copy " + Narrow(file) + " into " + Narrow(folder) + ", error " +
                        std::to_string(error));
        }
        copied_.push_back(folder + file);
    }
    InstalledFolder() = folder;
}

InstalledPrograms::~InstalledPrograms() {
    InstalledFolder().clear();
    // A program just ended may hold its libraries a moment longer.
    for (const std::wstring& file : copied_)
        PumpUntil(
            [&] { return DeleteFileW(file.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND; },
            5000);
}

Installation Install(const std::wstring& name) {
    Installation install;
    if (!InstalledFolder().empty()) {
        install.Folder = InstalledFolder();
        install.Program = install.Folder + L"corvex.exe";
        MakeFolder(DriverFolder() + L"work");
        install.DeviceFile = DriverFolder() + L"work\\" + name + L"-devices.txt";
        install.Installed = true;
        return install;
    }
    install.Folder = DriverFolder() + L"work\\" + name + L"\\";
    install.Program = install.Folder + L"corvex.exe";
    install.DeviceFile = install.Folder + L"devices.txt";
    std::error_code error;
    // A run may have left read-only files, which the removal would keep, and paths longer
    // than the classic limit (reached only through the long-path prefix).
    const std::filesystem::path leftovers = L"\\\\?\\" + install.Folder;
    for (std::filesystem::recursive_directory_iterator it(leftovers, error), end;
         !error && it != end; it.increment(error))
        SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
    error.clear();
    std::filesystem::remove_all(leftovers, error);
    if (error)
        throw Fatal("cannot empty " + Narrow(install.Folder) + ": " + error.message());
    MakeFolder(install.Folder + L"config");
    const std::wstring payload = DriverFolder() + L"payload\\";
    for (const wchar_t* file : {L"corvex.exe", L"default.ico", L"dinput8.dll", L"orvhid.dll",
                                L"qmftool.exe", L"target-one.exe", L"target-two.exe"}) {
        if (!CopyFileW((payload + file).c_str(), (install.Folder + file).c_str(), FALSE))
            throw Fatal("cannot copy " + Narrow(payload + file) + " (build the ui_driver target)");
    }
    // The editor, where the build has it.
    CopyFileW((payload + L"vantrel.exe").c_str(), (install.Folder + L"vantrel.exe").c_str(), FALSE);
    return install;
}

std::wstring ArtifactsFolder() {
    const std::wstring folder = DriverFolder() + L"artifacts\\";
    MakeFolder(folder);
    return folder;
}

// ---- the simulated devices ---------------------------------------------------------------

Simulation::Simulation(const std::wstring& deviceFile, std::string_view lines) {
    WriteFile(deviceFile, lines);
    SetEnvironmentVariableW(sim::kDevicesVariable, deviceFile.c_str());
    DWORD error = 0;
    view_ = sim::SharedView::Open(deviceFile, true, error);
    if (!view_)
        throw Fatal("cannot open the simulation's shared state, error " + std::to_string(error));
}

Simulation::~Simulation() {
    SetEnvironmentVariableW(sim::kDevicesVariable, nullptr);
}

void Simulation::SetButton(int controller, int button, bool down) {
    auto* state = reinterpret_cast<volatile std::uint8_t*>(
        &State().Controllers[controller - 1].Buttons[button - 1]);
    *state = down ? sim::kControllerDown : 0;
    MemoryBarrier();
}

void Simulation::SetBoardButton(int board, int button, bool down) {
    auto* state =
        reinterpret_cast<volatile std::uint8_t*>(&State().Boards[board - 1].Buttons[button - 1]);
    *state = down ? sim::kBoardDown : 0;
    MemoryBarrier();
}

void Simulation::ReleaseAll() {
    for (auto& controller : State().Controllers)
        std::fill(std::begin(controller.Buttons), std::end(controller.Buttons), 0);
    for (auto& board : State().Boards)
        std::fill(std::begin(board.Buttons), std::end(board.Buttons), 0);
    MemoryBarrier();
}

void Simulation::SetPlugged(int controller, bool plugged) {
    auto& slot = State().Controllers[controller - 1];
    if (!plugged && slot.Unplugged == 0)
        InterlockedIncrement(reinterpret_cast<volatile LONG*>(&slot.UnplugCount));
    *reinterpret_cast<volatile std::uint8_t*>(&slot.Unplugged) = plugged ? 0 : 1;
    MemoryBarrier();
}

void Simulation::SetBoardResult(int board, std::int32_t result) {
    *reinterpret_cast<volatile std::int32_t*>(&State().Boards[board - 1].Result) = result;
    MemoryBarrier();
}

std::uint32_t Simulation::ReadCount() const {
    return *static_cast<const volatile std::uint32_t*>(&State().Reads.Count);
}

bool Simulation::WaitReads(std::uint32_t after, std::uint32_t source, int reads, DWORD timeoutMs) {
    std::uint32_t next = after;
    int seen = 0;
    return PumpUntil(
        [&] {
            const std::uint32_t count = ReadCount();
            for (; next != count && seen < reads; ++next) {
                sim::ReadStamp stamp{};
                if (sim::LoggedRead(State(), next, stamp) && stamp.Source == source)
                    ++seen;
            }
            return seen >= reads;
        },
        timeoutMs);
}

bool Simulation::SetAndWait(int controller, int button, bool down, DWORD timeoutMs) {
    SetButton(controller, button, down);
    return WaitReads(ReadCount(), static_cast<std::uint32_t>(controller), 2, timeoutMs);
}

bool Simulation::SetBoardAndWait(int board, int button, bool down, DWORD timeoutMs) {
    SetBoardButton(board, button, down);
    return WaitReads(ReadCount(), sim::kBoardReadSource + static_cast<std::uint32_t>(board), 2,
                     timeoutMs);
}

HeldReads Simulation::Hold(int controller, int button, double ms, DWORD timeoutMs) {
    const auto source = static_cast<std::uint32_t>(controller);
    HeldReads held;
    SetButton(controller, button, true);
    // A read is logged before it copies the state: the reads from this number on see it down.
    const std::uint32_t pressed = ReadCount();
    bool spanned = PumpUntil(
        [&] {
            const auto down = Stamps(pressed, ReadCount(), source);
            return down.size() > 1 && Milliseconds(down.back() - down.front()) >= ms;
        },
        timeoutMs);
    SetButton(controller, button, false);
    const std::uint32_t released = ReadCount();
    spanned = spanned && WaitReads(released, source, 2, timeoutMs);
    if (!spanned)
        return held;
    held.Down = Stamps(pressed, released, source);
    for (std::uint32_t n = pressed; n-- != 0 && pressed - n <= 64;) {
        sim::ReadStamp stamp{};
        if (sim::LoggedRead(State(), n, stamp) && stamp.Source == source) {
            held.Before = stamp.Counter;
            break;
        }
    }
    return held;
}

std::set<int> RepeatSends(const HeldReads& held, double everyMs) {
    const auto sends = [&](std::span<const std::int64_t> reads) {
        int count = 0;
        std::int64_t last = 0;
        for (const std::int64_t read : reads) {
            if (count == 0 || Milliseconds(read - last) > everyMs) {
                ++count;
                last = read;
            }
        }
        return count;
    };
    std::vector<std::int64_t> withBefore = held.Down;
    if (held.Before)
        withBefore.insert(withBefore.begin(), *held.Before);
    std::set<int> counts;
    const std::vector<std::int64_t>* const variants[] = {&held.Down, &withBefore};
    for (const auto* reads : variants) {
        counts.insert(sends(*reads));
        if (held.Down.size() > 1)
            counts.insert(sends(std::span(*reads).first(reads->size() - 1)));
    }
    return counts;
}

bool Simulation::Polling(int reads, DWORD timeoutMs) {
    return WaitReads(ReadCount(), 1, reads, timeoutMs);
}

bool Simulation::Quiet(DWORD quietMs, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    do {
        const std::uint32_t before = ReadCount();
        Pump(quietMs);
        if (ReadCount() == before)
            return true;
    } while (GetTickCount64() < end);
    return false;
}

std::vector<std::int64_t> Simulation::Stamps(std::uint32_t from, std::uint32_t to,
                                             std::uint32_t source) const {
    std::vector<std::int64_t> stamps;
    for (std::uint32_t n = from; n != to; ++n) {
        sim::ReadStamp stamp{};
        if (sim::LoggedRead(State(), n, stamp) && stamp.Source == source)
            stamps.push_back(stamp.Counter);
    }
    return stamps;
}

double Simulation::MedianPeriodMs(int reads, DWORD timeoutMs) {
    const std::uint32_t from = ReadCount();
    if (!WaitReads(from, 1, reads + 1, timeoutMs))
        return 0;
    const auto stamps = Stamps(from, ReadCount(), 1);
    std::vector<double> periods;
    for (std::size_t i = 1; i < stamps.size(); ++i)
        periods.push_back(Milliseconds(stamps[i] - stamps[i - 1]));
    if (periods.empty())
        return 0;
    std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
    return periods[periods.size() / 2];
}

// ---- the runner --------------------------------------------------------------------------

ProgramWindows RunnerWindows() {
    return {CORVEX_MAIN_WINDOW_CLASS, CORVEX_SPLASH_WINDOW_CLASS};
}

void PostTrayClick(HWND runnerMain, UINT mouseMessage) {
    PostMessageW(runnerMain, CORVEX_TRAY_MESSAGE, CORVEX_TRAY_ICON_ID, mouseMessage);
}

std::wstring RunnerCaption() {
    return L"Corvex Ver. " + std::to_wstring(CORVEX_VERSION_MAJOR) + L"." +
           std::to_wstring(CORVEX_VERSION_MINOR) + L"." + std::to_wstring(CORVEX_VERSION_REVISION) +
           L" (Beta)";
}

RunnerProcess::~RunnerProcess() {
    if (Running()) {
        TerminateProcess(process_.Get(), 99);
        WaitForSingleObject(process_.Get(), 5000);
    }
}

bool RunnerProcess::Start(const std::wstring& program, const std::wstring& arguments) {
    // Under Wine the simulated DirectInput beside the program replaces the built-in one only
    // when the loader is told so, and a child reads that from the environment its session
    // started with: setting the variable here would not reach the program.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr) {
        std::wstring overrides(2048, L'\0');
        overrides.resize(GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides.data(),
                                                 static_cast<DWORD>(overrides.size())));
        if (overrides.find(L"dinput8=n") == std::wstring::npos)
            throw Fatal("WINEDLLOVERRIDES lacks dinput8=n,b: set it before the Wine session "
                        "starts, or corvex.exe gets Wine's own DirectInput");
    }

    std::wstring command = L"\"" + program + L"\"";
    if (!arguments.empty())
        command += L" " + arguments;
    const std::wstring folder = program.substr(0, program.find_last_of(L'\\') + 1);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const auto create = [&] {
        return CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &startup, &process) != FALSE;
    };
    if (!create()) {
        // Wine now and then fails to start a program at all (CreateProcess fails; seen once
        // in some hundreds of starts on a busy machine): one more try, noted where scripts/test
        // reports it.
        const DWORD error = GetLastError();
        const bool second = create();
        const std::string note =
            Narrow(program) + ": not started, error " + std::to_string(error) +
            (second ? "; started at the second try\n" : "; nor at the second\n");
        std::fputs(note.c_str(), stderr);
        std::ofstream(std::filesystem::path(ArtifactsFolder() + kStartRetriesFile),
                      std::ios::binary | std::ios::app)
            << note;
        if (!second) {
            SetLastError(error);
            return false;
        }
    }
    process_.Reset(process.hProcess);
    CloseHandle(process.hThread);
    id_ = process.dwProcessId;
    main_ = nullptr;
    return true;
}

bool RunnerProcess::Running() const {
    return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

HWND RunnerProcess::MainWindow(DWORD timeoutMs) {
    if (main_ != nullptr && IsWindow(main_))
        return main_;
    PumpUntil(
        [&] {
            for (const HWND window : RunnerMainWindows()) {
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == id_ && WindowText(window) == RunnerCaption())
                    main_ = window;
            }
            return main_ != nullptr || !Running();
        },
        timeoutMs);
    return main_;
}

std::optional<DWORD> RunnerProcess::WaitExit(DWORD timeoutMs) {
    if (!process_)
        return std::nullopt;
    if (!PumpUntil([&] { return !Running(); }, timeoutMs))
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
}

std::optional<DWORD> RunnerProcess::Exit(DWORD timeoutMs) {
    if (!Running())
        return WaitExit(0);
    if (const HWND window = MainWindow(1000); window != nullptr)
        PostCommand(window, IDM_EXIT);
    auto code = WaitExit(timeoutMs);
    if (!code) {
        TerminateProcess(process_.Get(), 99);
        WaitForSingleObject(process_.Get(), 5000);
    }
    return code;
}

namespace {

BOOL CALLBACK CollectMainWindow(HWND window, LPARAM context) {
    if (ClassName(window) == CORVEX_MAIN_WINDOW_CLASS)
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

struct WindowSearch {
    DWORD Process;
    const wchar_t* Class;
    const wchar_t* Title;
    HWND Found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
    auto& s = *reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != s.Process || !IsWindowVisible(window) || ClassName(window) != s.Class ||
        (s.Title != nullptr && WindowText(window) != s.Title))
        return TRUE;
    s.Found = window;
    return FALSE;
}

} // namespace

std::vector<HWND> RunnerMainWindows() {
    std::vector<HWND> windows;
    EnumWindows(&CollectMainWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

void PostRunnerExit(HWND main) {
    PostCommand(main, IDM_EXIT);
}

void PostCommand(HWND window, int id) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void PostClick(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

HWND FocusIn(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

bool SendDpiChanged(HANDLE process, HWND window, UINT dpi, const RECT& suggested) {
    void* remote =
        VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr)
        return false;
    DWORD_PTR result = 0;
    const bool sent =
        WriteProcessMemory(process, remote, &suggested, sizeof(RECT), nullptr) &&
        SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                            reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 10000, &result);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return sent;
}

std::vector<HWND> TrayIconWindows() {
    std::vector<HWND> icons;
    HWND tray = nullptr;
    while ((tray = FindWindowExW(nullptr, tray, L"__winex11_standalone_tray", nullptr)) !=
           nullptr) {
        HWND icon = nullptr;
        while ((icon = FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr)) != nullptr) {
            if (IsWindowVisible(icon))
                icons.push_back(icon);
        }
    }
    return icons;
}

HWND FindProcessWindow(DWORD process, const wchar_t* windowClass, const wchar_t* title) {
    WindowSearch search{process, windowClass, title, nullptr};
    EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND WaitProcessWindow(DWORD process, const wchar_t* windowClass, const wchar_t* title,
                       DWORD timeoutMs) {
    HWND found = nullptr;
    PumpUntil([&] { return (found = FindProcessWindow(process, windowClass, title)) != nullptr; },
              timeoutMs);
    return found;
}

bool WaitWindowGone(HWND window, DWORD timeoutMs) {
    return PumpUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 2000, &length))
        return {};
    return std::wstring(text, std::min<std::size_t>(length, std::size(text) - 1));
}

std::wstring MessageBoxText(HWND box) {
    return WindowText(GetDlgItem(box, 0xFFFF));
}

void ClickButton(HWND dialog, int id) {
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void SetCheck(HWND dialog, int id, bool checked) {
    const HWND item = GetDlgItem(dialog, id);
    SendMessageW(item, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(item));
}

void SetEditText(HWND dialog, int id, const std::wstring& text) {
    const HWND item = GetDlgItem(dialog, id);
    SendMessageW(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(item));
}

// ---- registry ----------------------------------------------------------------------------

std::optional<std::wstring> RegText(HKEY root, const std::wstring& key, const std::wstring& value) {
    DWORD bytes = 0;
    if (RegGetValueW(root, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(root, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr, text.data(),
                     &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

void RegSetText(HKEY root, const std::wstring& key, const std::wstring& value,
                const std::wstring& text) {
    const auto bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    if (RegSetKeyValueW(root, key.c_str(), value.c_str(), REG_SZ, text.c_str(), bytes) !=
        ERROR_SUCCESS)
        throw Fatal("cannot write the registry value " + Narrow(key) + "\\" + Narrow(value));
}

namespace {
void DeleteKey(HKEY root, const wchar_t* key) {
    RegDeleteTreeW(root, key);
    RegDeleteKeyW(root, key);
}
} // namespace

void ForgetSettings() {
    DeleteKey(HKEY_CURRENT_USER, kSettingsKey);
    DeleteKey(HKEY_CURRENT_USER, L"Software\\Classes\\.qmf");
    DeleteKey(HKEY_CURRENT_USER, L"Software\\Classes\\qmf_file");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kWindowsRunKey, kRunValue);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kWindowsRunKey, kRunValue);
}

std::vector<std::wstring> KnownConfigurationPaths() {
    std::vector<std::wstring> paths;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKnownFilesKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return paths;
    std::vector<std::wstring> entries;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        entries.emplace_back(name, length);
    }
    RegCloseKey(key);
    for (const auto& entry : entries) {
        if (auto path =
                RegText(HKEY_CURRENT_USER, std::wstring(kKnownFilesKey) + L"\\" + entry, L"path"))
            paths.push_back(*path);
    }
    return paths;
}

bool SameText(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::string Narrow(std::wstring_view text) {
    return win32::Utf8FromWide(text);
}

std::string Shown(const std::optional<std::wstring>& text) {
    return text ? "\"" + Narrow(*text) + "\"" : "(missing)";
}

// ---- screenshots -------------------------------------------------------------------------

namespace {

// The screen inside `area` as a new top-down 32-bit DIB section, and its pixels; null when the
// screen could not be read.
win32::UniqueBitmap CopyScreen(const RECT& area, const std::uint32_t*& pixels) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const win32::WindowDc screen(nullptr);
    const win32::UniqueMemoryDc memory(CreateCompatibleDC(screen.Get()));
    if (width <= 0 || height <= 0 || screen.Get() == nullptr || !memory)
        return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win32::UniqueBitmap bitmap(
        CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr)
        return {};
    const HGDIOBJ old = SelectObject(memory.Get(), bitmap.Get());
    const bool copied = BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), area.left, area.top,
                               SRCCOPY | CAPTUREBLT) != FALSE;
    SelectObject(memory.Get(), old);
    GdiFlush();
    if (!copied)
        return {};
    pixels = static_cast<const std::uint32_t*>(bits);
    return bitmap;
}

// `area` within the screen; false when nothing of it is on the screen.
bool OnScreen(RECT& area) {
    const RECT screen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                      GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                      GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    return IntersectRect(&area, &area, &screen) != FALSE;
}

} // namespace

Capture CaptureWindow(HWND window) {
    RECT area{};
    const std::uint32_t* pixels = nullptr;
    if (window == nullptr || !IsWindowVisible(window) || !GetWindowRect(window, &area) ||
        !OnScreen(area))
        return {};
    const win32::UniqueBitmap bitmap = CopyScreen(area, pixels);
    if (!bitmap)
        return {};
    Capture capture{area.right - area.left, area.bottom - area.top, {}};
    capture.Pixels.assign(pixels, pixels + static_cast<std::size_t>(capture.Width) *
                                               static_cast<std::size_t>(capture.Height));
    for (auto& pixel : capture.Pixels)
        pixel &= 0xFFFFFF;
    return capture;
}

std::size_t DifferingPixels(const Capture& a, const Capture& b) {
    if (a.Width != b.Width || a.Height != b.Height)
        return std::max(a.Pixels.size(), b.Pixels.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < a.Pixels.size(); ++i)
        differing += a.Pixels[i] != b.Pixels[i] ? 1 : 0;
    return differing;
}

bool SaveScreenshot(const std::wstring& path, const std::vector<HWND>& windows, int margin) {
    RECT area{};
    for (const HWND window : windows) {
        RECT bounds{};
        if (window == nullptr || !IsWindowVisible(window) || !GetWindowRect(window, &bounds))
            continue;
        UnionRect(&area, &area, &bounds);
    }
    InflateRect(&area, margin, margin);
    if (!OnScreen(area))
        return false;
    const std::uint32_t* pixels = nullptr;
    const win32::UniqueBitmap bitmap = CopyScreen(area, pixels);
    return bitmap && EncodePng(bitmap.Get(), area.right - area.left, area.bottom - area.top, path);
}

} // namespace qm::e2e
