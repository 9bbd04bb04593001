#include "editor/win32/vantrel_app.h"

#include "core/error_trap.h"
#include "core/file_system.h"
#include "core/messages.h"
#include "core/program_info.h"
#include "core/steady_clock.h"
#include "core/win32/win32_text.h"
#include "devices/input_devices.h"
#include "devices/win32/direct_input.h"
#include "devices/win32/directx_setup.h"
#include "devices/win32/orvhid_library.h"
#include "editor/editor_controller.h"
#include "editor/win32/main_window.h"
#include "editor/win32/shell_operations_win32.h"
#include "editor/win32/vantrel_card.h"
#include "editor/win32/vantrel_dialogs.h"
#include "editor/win32/vantrel_version.h"
#include "keyboard/win32/keyboard_hook.h"
#include "keyboard/win32/send_input_keyboard.h"
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

// The poll timer runs while a test reads the devices.
void OnPollDue(void* context) {
    static_cast<EditorController*>(context)->TimerTick();
}

} // namespace

int RunVantrel(HINSTANCE instance, const wchar_t* commandLine, int showCommand) {
    // Before anything else: a second copy of this version only brings the first forward.
    const ProgramInfo program = ThisProgram("vantrel", VANTREL_VERSION_MAJOR, VANTREL_VERSION_MINOR,
                                            VANTREL_VERSION_REVISION);
    const std::wstring caption = WideFromUtf8(ProgramCaption(kEditorTitle, program));
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
                     ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES;
    InitCommonControlsEx(&controls);

    Win32Dialogs dialogs;
    int exitCode = 0;
    RunTrapped(dialogs, "Main", [&] {
        {
            Win32DirectXSetup setup;
            if (!CheckDXVersion(setup, dialogs))
                return;
        }

        ShowSplash(instance, dialogs, VantrelCard(), kSplashMilliseconds);

        MainWindow window(instance, dialogs);
        if (!window.Create(caption)) {
            exitCode = 1;
            return;
        }
        dialogs.SetOwner(window.Handle());

        RegistryStore store;
        Win32ShellOperations shell(window.Handle());
        DirectInputJoysticks joysticks;
        OrvhidLibrary boards;
        SendInputKeyboard keyboard;
        EditorProcessPriority priority;
        SteadyClock clock;
        KeyboardHook hook(dialogs);
        VantrelDialogs editorDialogs(instance, dialogs);
        EditorController controller(program,
                                    EditorSeams{store, SystemFileSystem(), editorDialogs, shell,
                                                joysticks, boards, keyboard, priority, clock,
                                                &hook},
                                    window);
        window.Attach(&controller);
        // The start-up's boxes show over the window.
        window.Show(showCommand);
        controller.Start(Utf8FromWide(commandLine != nullptr ? commandLine : L""), window.Handle());
        exitCode = RunMessageLoop(window.Timer(), window.Handle(), &OnPollDue, &controller,
                                  [&](const MSG& message) { window.PreviewMessage(message); });
        window.Attach(nullptr);
        dialogs.SetOwner(nullptr);
    });
    return exitCode;
}

} // namespace qm::win32
