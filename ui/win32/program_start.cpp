#include "ui/win32/program_start.h"

#include "core/error_trap.h"
#include "core/messages.h"
#include "core/paths.h"
#include "core/text.h"
#include "core/win32/win32_text.h"
#include "devices/input_devices.h"
#include "devices/win32/directx_setup.h"
#include "ui/win32/shell_handles.h"
#include "ui/win32/single_instance.h"

#include <commctrl.h>

namespace qm::win32 {
namespace {

// How long the splash window stays at start-up.
constexpr int kSplashMilliseconds = 900;

// A second start: its file to the first copy, which is brought forward; a box when that copy
// has no window or does not take the file (the exit code is then 1). Nothing escapes (the
// error trap comes later).
int HandOverToFirstCopy(const ProgramStart& start) noexcept {
    try {
        const auto path = start.PathToHandOver ? start.PathToHandOver() : std::nullopt;
        const HWND first = WaitForRunningInstanceWindow(start.WindowClass, start.Caption);
        if (first != nullptr && (!path || HandOverPath(first, *path))) {
            BringForward(first);
            return 0;
        }
        Win32Dialogs dialogs;
        dialogs.ShowMessage(msg::FirstCopyUnreachable(
            Utf8FromWide(start.Card.Name), first != nullptr, path ? FileNameOf(*path) : ""));
        if (first != nullptr)
            BringForward(first);
    } catch (...) {
        // Out of memory, or a command line too long to convert.
    }
    return 1;
}

} // namespace

int StartProgram(HINSTANCE instance, const ProgramStart& start,
                 const std::function<int(Win32Dialogs& dialogs)>& run) {
    // Before anything else.
    const SingleInstance single(start.Caption);
    if (single.AlreadyRunning())
        return HandOverToFirstCopy(start);

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
