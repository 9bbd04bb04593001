#include "ui/win32/program_start.h"

#include "core/error_trap.h"
#include "devices/input_devices.h"
#include "devices/win32/directx_setup.h"
#include "ui/win32/shell_handles.h"
#include "ui/win32/single_instance.h"

#include <commctrl.h>

namespace qm::win32 {
namespace {

// How long the splash window stays at start-up.
constexpr int kSplashMilliseconds = 900;

// A second start's file to the first copy; nothing escapes (the error trap comes later).
void HandOverFile(HWND first, const ProgramStart& start) noexcept {
    try {
        if (const auto path = start.PathToHandOver ? start.PathToHandOver() : std::nullopt)
            HandOverPath(first, *path);
    } catch (...) {
        // Out of memory, or a command line too long to convert: only brought forward.
    }
}

} // namespace

int StartProgram(HINSTANCE instance, const ProgramStart& start,
                 const std::function<int(Win32Dialogs& dialogs)>& run) {
    // Before anything else.
    const SingleInstance single(start.Caption);
    if (single.AlreadyRunning()) {
        if (const HWND first = RunningInstanceWindow(start.Caption); first != nullptr) {
            HandOverFile(first, start);
            BringForward(first);
        }
        return 0;
    }

    const OleSession ole;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = start.CommonControls;
    InitCommonControlsEx(&controls);

    Win32Dialogs dialogs;
    int exitCode = 0;
    RunTrapped(dialogs, "Main", [&] {
        {
            Win32DirectXSetup setup;
            if (!CheckDXVersion(setup, dialogs))
                return;
        }
        ShowSplash(instance, dialogs, start.Card, kSplashMilliseconds);
        exitCode = run(dialogs);
    });
    return exitCode;
}

} // namespace qm::win32
