#pragma once
// Every seam of the editor as a test double, for the editor's controller tests.
#include "core/clock.h"
#include "devices/scripted_devices.h"
#include "editor/control_rows.h"
#include "editor/editor_controller.h"
#include "editor/layer_rows.h"
#include "keyboard/recording_keyboard.h"
#include "support/editor_fakes.h"
#include "support/fakes.h"
#include "support/memory_store.h"
#include "support/runner_fakes.h"

#include <initializer_list>
#include <memory>
#include <string>

namespace qm::testing {

// A controller of `buttons` buttons, the axes of `axes` (bit 0: X) and `hats` hats, its
// identity "{NAME}".
inline DeviceEntry Stick(std::string name, int buttons, std::uint8_t axes, int hats) {
    DeviceEntry device{true, 0, "{" + name + "}", name, buttons};
    device.AxisMask = axes;
    device.HatCount = hats;
    return device;
}

// New's rows for these devices.
inline MappingTable TableOf(std::initializer_list<DeviceEntry> entries) {
    DeviceTables devices;
    for (const DeviceEntry& device : entries)
        devices.AddDevice(device);
    return MappingTable::FromButtons(devices);
}

// What "Button No." shows, row by row, a layer's row with its layer: "1, 1@2, 2, ...".
inline std::string Names(const MappingTable& table) {
    std::string names;
    for (const PackedRow& row : table.Rows()) {
        names += (names.empty() ? "" : ", ") + std::string(ShownCellText(row, col::Button));
        if (RowLayer(row) != 0)
            names += "@" + std::to_string(RowLayer(row));
    }
    return names;
}

// The first row of `layer` whose "Button No." shows `name`; -1: none.
inline int RowNamed(const MappingTable& table, std::string_view name, int layer = 0) {
    for (int r = 0; r < table.RowCount(); ++r)
        if (ShownCellText(table.Row(r), col::Button) == name && RowLayer(table.Row(r)) == layer)
            return r;
    return -1;
}

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
    // New, then Save As to `path`: a saved configuration, shown.
    void SavedNew(const std::string& path) {
        editor->NewConfiguration();
        dialogs.fileAnswers.push_back(path);
        editor->SaveAs();
    }
    // A left click on a cell: the row selected, the column chosen.
    void Click(int row, int column) {
        editor->RowPressed(row, column, false);
        editor->ListClicked();
        editor->RowReleased(row, column, true);
    }
    const MappingTable& Table() const { return *editor->Configurations().Shown(); }
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
