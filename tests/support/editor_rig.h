#pragma once
// Every seam of the editor as a test double, for the editor's controller tests.
#include "core/clock.h"
#include "devices/scripted_devices.h"
#include "editor/editor_controller.h"
#include "keyboard/recording_keyboard.h"
#include "support/editor_fakes.h"
#include "support/fakes.h"
#include "support/memory_store.h"
#include "support/runner_fakes.h"

#include <memory>

namespace qm::testing {

struct EditorSeamsRig {
    // The seams; `hook`: the keyboard hook while recording (none: recording without one).
    EditorSeams Seams(KeyboardHookControl* hook = nullptr) {
        return {store,  *fileSystem, dialogs,  shell, joysticks,
                boards, keyboard,    priority, clock, hook};
    }
    // The editor over these seams, started with `commandLine`; `hook` as for Seams().
    void Start(std::string_view commandLine = "", KeyboardHookControl* hook = nullptr) {
        editor = std::make_unique<EditorController>(
            ProgramInfo{"C:\\Program Files\\Vantrel", "vantrel", 1, 4, 2}, Seams(hook), view);
        editor->Start(commandLine, nullptr);
    }
    const ConfigurationEntry& Selected() const {
        const auto& list = editor->Configurations();
        return *list.Find(list.SelectedKey());
    }

    MemoryStore store;
    MemoryFileSystem files;
    FileSystem* fileSystem = &files; // the real one where saves meet a real disk
    RecordingDialogs dialogs;
    RecordingShell shell;
    ScriptedJoystickApi joysticks;
    ScriptedBoardLibrary boards;
    UsLayoutScanCodes layout;
    RecordingKeyboard keyboard{layout};
    RecordingPriority priority;
    ManualClock clock;
    RecordingEditorView view;
    std::unique_ptr<EditorController> editor;
};

} // namespace qm::testing
