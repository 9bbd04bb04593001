#include "editor/win32/vantrel_app.h"

#include "core/file_system.h"
#include "core/messages.h"
#include "core/program_info.h"
#include "core/steady_clock.h"
#include "core/win32/win32_text.h"
#include "devices/win32/direct_input.h"
#include "devices/win32/orvhid_library.h"
#include "editor/editor_controller.h"
#include "editor/win32/main_window.h"
#include "editor/win32/shell_operations_win32.h"
#include "editor/win32/vantrel_card.h"
#include "editor/win32/vantrel_dialogs.h"
#include "editor/win32/vantrel_ids.h"
#include "editor/win32/vantrel_version.h"
#include "keyboard/win32/keyboard_hook.h"
#include "keyboard/win32/send_input_keyboard.h"
#include "settings/win32/process_priority_win32.h"
#include "settings/win32/registry_store.h"
#include "ui/win32/program_start.h"
#include "ui/win32/this_program.h"
#include "ui/win32/win32_dialogs.h"

#include <commctrl.h>

namespace qm::win32 {
namespace {

// The live test's passes and its controllers' events are served on a thread of their own
// (EditorWindow::SetPollTimer): the window's thread serves its messages alone.
class NoPolling final : public PollClient {
public:
    std::span<void* const> PollEvents() const override { return {}; }
    void OnTick() noexcept override {}
    void OnEvents() noexcept override {}
};

} // namespace

int RunVantrel(HINSTANCE instance, const wchar_t* commandLine, int showCommand) {
    const ProgramInfo program = ThisProgram("vantrel", VANTREL_VERSION_MAJOR, VANTREL_VERSION_MINOR,
                                            VANTREL_VERSION_REVISION);
    const ProgramStart start{WideFromUtf8(ProgramCaption(kEditorTitle, program)),
                             VANTREL_MAIN_WINDOW_CLASS, VantrelCard(),
                             ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_BAR_CLASSES |
                                 ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES,
                             [&] {
                                 return EditorController::PathToHandOver(
                                     Utf8FromWide(commandLine != nullptr ? commandLine : L""),
                                     SystemFileSystem());
                             }};
    return RunProgram<EditorWindow>(instance, start, [&](auto& window, Win32Dialogs& dialogs) {
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
        NoPolling polling;
        const int exitCode =
            RunMessageLoop(window.Timer(), window.Handle(), polling,
                           [&](const MSG& message) { return window.PreviewMessage(message); });
        window.Attach(nullptr);
        return exitCode;
    });
}

} // namespace qm::win32
