#include "editor/win32/vantrel_ids.h"
#include "program_windows.h"

namespace qm::e2e {

ProgramWindows EditorWindows() {
    return {VANTREL_MAIN_WINDOW_CLASS, VANTREL_SPLASH_WINDOW_CLASS};
}

EditorControls EditorControlIds() {
    return {IDC_CONFIGURATION_LIST, IDC_TABS, IDC_MAPPING_LIST, IDC_TOOLBAR};
}

EditorCommands EditorCommandIds() {
    return {IDT_OPEN, IDT_CLOSE, IDC_TEST, IDT_NEW, IDT_SAVE, IDP_MAPPING_CLEAR_ROW};
}

HWND EditorMainWindow(const RunnerProcess& editor, DWORD timeoutMs) {
    HWND main = nullptr;
    const bool up = PumpUntil(
        [&] {
            main = FindProcessWindow(editor.Id(), VANTREL_MAIN_WINDOW_CLASS, nullptr);
            return !editor.Running() ||
                   (main != nullptr && FindProcessWindow(editor.Id(), VANTREL_SPLASH_WINDOW_CLASS,
                                                         nullptr) == nullptr);
        },
        timeoutMs);
    if (!up || main == nullptr || !editor.Running())
        return nullptr;
    WaitForInputIdle(editor.Handle(), timeoutMs);
    return main;
}

} // namespace qm::e2e
