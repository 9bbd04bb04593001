#include "runner/win32/corvex_app.h"

#include "core/file_system.h"
#include "core/steady_clock.h"
#include "core/win32/win32_text.h"
#include "devices/win32/direct_input.h"
#include "devices/win32/orvhid_library.h"
#include "keyboard/win32/send_input_keyboard.h"
#include "runner/runner_controller.h"
#include "runner/win32/corvex_card.h"
#include "runner/win32/corvex_ids.h"
#include "runner/win32/corvex_version.h"
#include "runner/win32/main_window.h"
#include "runner/win32/switching_win32.h"
#include "settings/win32/process_priority_win32.h"
#include "settings/win32/registry_store.h"
#include "ui/win32/guide_browser.h"
#include "ui/win32/program_start.h"
#include "ui/win32/this_program.h"
#include "ui/win32/win32_dialogs.h"

#include <commctrl.h>

namespace qm::win32 {

int RunCorvex(HINSTANCE instance, const wchar_t* commandLine) {
    const ProgramInfo program =
        ThisProgram("corvex", CORVEX_VERSION_MAJOR, CORVEX_VERSION_MINOR, CORVEX_VERSION_REVISION);
    const ProgramStart start{
        WideFromUtf8(RunnerCaption(program)), CORVEX_MAIN_WINDOW_CLASS, CorvexCard(),
        ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_USEREX_CLASSES |
            ICC_TAB_CLASSES,
        [&] {
            return RunnerController::PathToHandOver(
                Utf8FromWide(commandLine != nullptr ? commandLine : L""), SystemFileSystem());
        }};
    return RunProgram<RunnerWindow>(instance, start, [&](auto& window, Win32Dialogs& dialogs) {
        RegistryStore store;
        RunnerProcessPriority priority;
        DirectInputJoysticks joysticks;
        OrvhidLibrary boards;
        SendInputKeyboard keyboard;
        SteadyClock clock;
        Win32GuideBrowser guide(window.Handle());
        ForegroundHook foreground(
            dialogs, [&](const ForegroundWindow& front) { window.ForegroundChanged(front); });
        WindowHotkeys hotkeys(window.Handle());
        RunnerController controller(program,
                                    RunnerSeams{store, SystemFileSystem(), dialogs, priority,
                                                joysticks, boards, keyboard, clock, guide,
                                                &foreground, &hotkeys},
                                    window);
        window.Attach(&controller);
        // A failed start-up was reported; the window goes on as far as it got.
        controller.Start(Utf8FromWide(commandLine != nullptr ? commandLine : L""), window.Handle());
        const int exitCode =
            RunMessageLoop(window.Timer(), window.Handle(), window,
                           [&](const MSG& message) { return window.PreviewMessage(message); });
        window.Attach(nullptr);
        return exitCode;
    });
}

} // namespace qm::win32
