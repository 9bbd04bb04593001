// The verbs of the program: the devices, which program, its start, a second start and quitting.
#include "core/win32/win32_handle.h"
#include "handover_verbs.h"
#include "program_windows.h"
#include "remote.h"
#include "session.h"
#include "ui/win32/shell_handles.h"

namespace qm::e2e::verbs {

void Session::Devices(const Arguments& a) {
    if (program_.Running())
        Fail("the devices must be given before the program starts");
    devices_.reset();
    devices_ = std::make_unique<Simulation>(install_.DeviceFile,
                                            ReadBytes(scriptFolder_ + WindowsPath(Wide(a[0]))));
}

void Session::Program(const Arguments& a) {
    programName_ = Wide(a[0]);
}

void Session::KeepSettings(const Arguments&) {
    if (!keepSettings_)
        Fail("keep-settings is the script's first action");
    keepSettings_ = false; // once
}

void Session::Start(const Arguments& a) {
    if (program_.Running())
        Fail("the program runs already");
    if (!devices_)
        devices_ = std::make_unique<Simulation>(install_.DeviceFile, "");
    if (!program_.Start(install_.Folder + programName_, a.empty() ? L"" : Wide(a[0])))
        Fail("cannot start " + Narrow(programName_) + ": error " + std::to_string(GetLastError()));
    AwaitStartUp();
}

void Session::StartTogether(const Arguments& a) {
    if (program_.Running())
        Fail("the program runs already");
    if (!devices_)
        devices_ = std::make_unique<Simulation>(install_.DeviceFile, "");
    std::vector<std::wstring> commandLines;
    for (const auto& path : a)
        commandLines.push_back(Wide(path));
    if (std::string why;
        !e2e::StartTogether(install_.Folder + programName_, commandLines, kActionMs, program_, why))
        Fail(why);
    AwaitStartUp();
}

void Session::Listed(const Arguments&) {
    RequireProgram();
    for (const auto& record :
         e2e::ListedRecords(program_.Handle(), main_, SameText(programName_, L"corvex.exe")))
        record_(record);
}

void Session::AwaitStartUp() {
    const ProgramWindows windows =
        SameText(programName_, L"corvex.exe") ? RunnerWindows() : EditorWindows();
    // Boxes of the start-up come before the main window shows.
    main_ = nullptr;
    const ULONGLONG end = GetTickCount64() + kStartMs;
    // The start-up is over when the main window exists and the splash window has gone. The
    // splash is clicked away, as a user may, instead of waiting the second it stays by itself
    // (the scenarios' starts wait for it).
    HWND clicked = nullptr;
    for (;;) {
        bool splash = false;
        for (const HWND window : TopLevelWindows(program_.Id())) {
            if (ClassOf(window) == windows.MainClass)
                main_ = window;
            if (IsWindowVisible(window) && ClassOf(window) == windows.SplashClass) {
                splash = true;
                if (window != clicked)
                    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
                clicked = window;
            }
        }
        if (main_ != nullptr && !splash)
            break;
        if (!program_.Running())
            Fail(Narrow(programName_) + " ended at start-up");
        if (GetTickCount64() > end)
            Fail(Narrow(programName_) + " does not finish its start-up");
        HandleDialogs();
        Pump(20);
    }
    // Its start-up has run when its message loop takes what is posted to it (or it shows a
    // box): Settle.
    LoadProbe(program_.Handle());
    Settle();
}

void Session::StartAgain(const Arguments& a) {
    RequireProgram();
    RunnerProcess again;
    if (!again.Start(install_.Folder + programName_, a.empty() ? L"" : Wide(a[0])))
        Fail("cannot start " + Narrow(programName_) + ": error " + std::to_string(GetLastError()));
    // It hands over what it has to the copy that runs, and ends.
    if (!PumpUntil([&] { return !again.Running(); }, kStartMs))
        Fail(Narrow(programName_) + " started again runs on");
    if (const auto exit = again.WaitExit(0); exit != 0u)
        Fail(Narrow(programName_) + " started again ends with exit code " +
             std::to_string(exit.value_or(0)));
    // The copy that runs acts on it from its message loop.
    Settle();
}

void Session::Quit(const Arguments&) {
    RequireProgram();
    // As the window's close box asks.
    PostMessageW(main_, WM_CLOSE, 0, 0);
    const ULONGLONG end = GetTickCount64() + kActionMs;
    while (program_.Running() && GetTickCount64() < end) {
        if (HandleDialogs())
            continue;
        if (Idle(200) && !HandleDialogs() && IsWindow(main_)) {
            // Still there: the question was answered No, or the window only hides.
            Pump(200);
            if (program_.Running() && !HandleDialogs())
                return;
        }
        Pump(20);
    }
    if (program_.Running())
        Fail(Narrow(programName_) + " did not end");
}

void Session::WaitEnded(const Arguments&) {
    // An action may have waited for the end already (a command sent while the program ends).
    if (main_ == nullptr)
        Fail("no program was started");
    const ULONGLONG end = GetTickCount64() + kActionMs;
    while (program_.Running() && GetTickCount64() < end)
        if (!HandleDialogs())
            Pump(20);
    if (program_.Running())
        Fail(Narrow(programName_) + " did not end");
}

} // namespace qm::e2e::verbs
