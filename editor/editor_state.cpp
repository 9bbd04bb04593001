#include "editor/editor_state.h"

#include "core/messages.h"
#include "editor/control_rows.h"
#include "editor/layer_rows.h"
#include "editor/list_maintenance.h"

#include <utility>

namespace qm {

EditorState::EditorState(ProgramInfo program, EditorSeams seams, EditorView& view)
    : Program(std::move(program)), Seams(seams), View(view),
      Caption(ProgramCaption(kEditorTitle, Program)),
      Devices(
          std::make_unique<InputDevices>(seams.Joysticks, seams.Boards, seams.Dialogs, nullptr)) {}

void EditorState::UpdateStates() {
    EditorCommandInput input;
    input.EntryCount = static_cast<int>(List.Entries().size());
    if (const auto* selected = List.Find(List.SelectedKey()))
        input.SelectedState = selected->State;
    input.ConfigurationShown = List.ConfigurationShown();
    input.Recording = Recording;
    input.Testing = Testing;
    input.DevicesAttached = Devices->DeviceCount() > 0;
    if (const MappingTable* table = List.Shown()) {
        const int row = PressedRow && *PressedRow >= 0 && *PressedRow < table->RowCount()
                            ? *PressedRow
                            : table->SelectedRow();
        if (row >= 0 && row < table->RowCount()) {
            input.HatRowMissingDiagonals = MissingDiagonals(*table, row) > 0;
            input.AxisRow = RowControl(table->Row(row)).Kind == ControlKind::Axis;
            input.RowChosen = true;
            input.CopyLayers = CopyableLayers(*table, row);
        }
        input.KeyColumnChosen = KeyColumn && IsKeyColumn(*KeyColumn);
    }
    States = NextCommandStates(States, input);
    if (Recording != States.Recording || Testing != States.Testing) {
        Recording = States.Recording;
        Testing = States.Testing;
        if (!Recording)
            View.SetKeyMappingText("");
    }
    // The keyboard hook is installed only while recording, however the mode ended.
    if (!Recording)
        Hook.reset();
    View.ApplyCommandStates(States);
    // Nothing to show and nothing to build one from: the empty area says what to do.
    View.ShowStartHint(!input.ConfigurationShown && !input.DevicesAttached ? msg::kStartHint : "");
}

void EditorState::Refresh() {
    View.ShowConfigurations(List);
    UpdateStates();
}

void EditorState::MarkModified() {
    auto* entry = List.Find(List.CurrentKey());
    if (entry != nullptr && entry->State != filestate::New && entry->State != filestate::Unsaved)
        entry->State = filestate::Modified;
}

void EditorState::MarkActive() {
    if (auto* table = List.Shown()) {
        table->MarkActive(Devices->Tables());
        View.ShowMappingList(table);
    }
}

std::vector<std::string> EditorState::DeviceNames() const {
    std::vector<std::string> names;
    for (const auto& device : Devices->Tables().Devices())
        names.push_back(device.Name);
    return names;
}

} // namespace qm
