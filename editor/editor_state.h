#pragma once
// What the editor's command units share: the seams, the window, the configuration list, the
// attached devices, the command states and the modes. One instance, owned by the controller;
// each unit holds a reference to it.
#include "core/clock.h"
#include "core/file_system.h"
#include "core/program_info.h"
#include "devices/input_devices.h"
#include "editor/command_states.h"
#include "editor/configuration_list.h"
#include "editor/editor_dialogs.h"
#include "editor/editor_view.h"
#include "editor/shell_operations.h"
#include "keyboard/hook_policy.h"
#include "keyboard/keyboard.h"
#include "settings/known_files.h"
#include "settings/process_priority.h"
#include "settings/settings_store.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qm {

// Members named after their seams: the types are qualified so that the names may be reused.
struct EditorSeams {
    SettingsStore& Store;
    FileSystem& Files;
    EditorDialogs& Dialogs;
    ShellOperations& Shell;
    JoystickApi& Joysticks;
    BoardLibrary& Boards;
    qm::Keyboard& Keyboard;
    ProcessPriority& Priority;
    qm::Clock& Clock;
    // The low-level hook while recording; none: recording goes on without it.
    KeyboardHookControl* Hook = nullptr;
};

struct EditorState {
    EditorState(ProgramInfo program, EditorSeams seams, EditorView& view);

    // The command states from the editor's state, applied to the window. The modes follow
    // the states, and the keyboard hook goes whenever recording is off.
    void UpdateStates();
    // After a command: the lists redrawn and the command states updated.
    void Refresh();
    // An edit of the shown configuration: changed, unless it was never saved.
    void MarkModified();
    // The shown list's rows marked against the devices attached now, and shown again.
    void MarkActive();
    std::vector<std::string> DeviceNames() const;

    ProgramInfo Program;
    EditorSeams Seams;
    EditorView& View;
    std::string Caption;
    // The configuration folder, with its trailing "\".
    std::string Folder;
    WindowHandle Window = nullptr;
    std::unique_ptr<InputDevices> Devices;
    ConfigurationList List;
    EditorCommandStates States = DesignedCommandStates();
    ReservedEntryNames Reserved;
    std::optional<int> KeyColumn;  // the key column chosen for recording (9 to 40)
    std::optional<int> EditRow;    // the row the cell editor writes to
    int EditColumn = 0;            // the column it writes to: Description or a point
    std::optional<int> PressedRow; // the row the last press on the mapping list selected
    std::optional<int> ListColumn; // the column the list's keys act on (a shown one)
    bool Recording = false;
    bool Testing = false;
    InstalledHook Hook; // while recording
};

} // namespace qm
