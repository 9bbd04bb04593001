#include "runner/win32/corvex_app.h"

#include "core/error_trap.h"
#include "core/file_system.h"
#include "core/steady_clock.h"
#include "core/win32/win32_module.h"
#include "core/win32/win32_text.h"
#include "devices/input_devices.h"
#include "devices/win32/direct_input.h"
#include "devices/win32/directx_setup.h"
#include "devices/win32/orvhid_library.h"
#include "keyboard/win32/send_input_keyboard.h"
#include "runner/runner_controller.h"
#include "runner/win32/corvex_card.h"
#include "runner/win32/corvex_version.h"
#include "runner/win32/main_window.h"
#include "settings/win32/process_priority_win32.h"
#include "settings/win32/registry_store.h"
#include "ui/win32/shell_handles.h"
#include "ui/win32/single_instance.h"
#include "ui/win32/this_program.h"
#include "ui/win32/win32_dialogs.h"

#include <commctrl.h>

#include <string>

namespace qm::win32 {
namespace {

// How long the splash window stays at start-up.
constexpr int kSplashMilliseconds = 900;

void OnPollDue(void* context) {
    static_cast<MainWindow*>(context)->RunDuePass();
}

} // namespace

int RunCorvex(HINSTANCE instance, const wchar_t* commandLine) {
    // Before anything else: a second copy of this version only brings the first forward.
    const ProgramInfo program =
        ThisProgram("corvex", CORVEX_VERSION_MAJOR, CORVEX_VERSION_MINOR, CORVEX_VERSION_REVISION);
    const std::wstring caption = WideFromUtf8(RunnerCaption(program));
    const SingleInstance single(caption);
    if (single.AlreadyRunning()) {
        if (const HWND first = RunningInstanceWindow(caption); first != nullptr)
            BringForward(first);
        return 0;
    }

    const OleSession ole;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_BAR_CLASSES |
                     ICC_USEREX_CLASSES | ICC_TAB_CLASSES;
    InitCommonControlsEx(&controls);

    Win32Dialogs dialogs;
    int exitCode = 0;
    RunTrapped(dialogs, "Main", [&] {
        {
            Win32DirectXSetup setup;
            if (!CheckDXVersion(setup, dialogs))
                return;
        }

        ShowSplash(instance, dialogs, CorvexCard(), kSplashMilliseconds);

        MainWindow window(instance, dialogs);
        if (!window.Create(caption)) {
            exitCode = 1;
            return;
        }
        dialogs.SetOwner(window.Handle());

        RegistryStore store;
        RunnerProcessPriority priority;
        DirectInputJoysticks joysticks;
        OrvhidLibrary boards;
        SendInputKeyboard keyboard;
        SteadyClock clock;
        RunnerController controller(program,
                                    RunnerSeams{store, SystemFileSystem(), dialogs, priority,
                                                joysticks, boards, keyboard, clock},
                                    window);
        window.Attach(&controller);
        // A failed start-up was reported; the window goes on as far as it got.
        controller.Start(Utf8FromWide(commandLine != nullptr ? commandLine : L""), window.Handle());
        exitCode = RunMessageLoop(window.Timer(), window.Handle(), &OnPollDue, &window);
        window.Attach(nullptr);
        dialogs.SetOwner(nullptr);
    });
    return exitCode;
}

} // namespace qm::win32
