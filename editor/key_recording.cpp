#include "editor/key_recording.h"

#include "core/error_trap.h"
#include "core/key_names.h"

#include <utility>

namespace qm {

void KeyRecording::Toggle() noexcept {
    RunTrapped(state_.Seams.Dialogs, "Rec_Mappings", [&] {
        if (state_.Recording)
            Stop();
        else
            Start();
    });
}

void KeyRecording::Start() {
    if (!state_.List.ConfigurationShown())
        return;
    state_.Recording = state_.States.Recording = true;
    try {
        listEditing_.ListClicked(); // the selected row turns RowRecording, the locks follow it
        state_.View.FocusMappingList();
        if (state_.KeyColumn)
            state_.View.MarkKeyColumn(*state_.KeyColumn, true);
        InstalledHook hook;
        if (state_.Seams.Hook != nullptr)
            hook = InstallHook(*state_.Seams.Hook, *this);
        state_.UpdateStates();
        state_.Hook = std::move(hook);
    } catch (...) {
        // Started in full or not at all: no hook is left behind a failed start.
        state_.Recording = state_.States.Recording = false;
        throw;
    }
}

void KeyRecording::Stop() {
    state_.Recording = state_.States.Recording = false;
    state_.View.SetKeyMappingText("");
    state_.KeyColumn.reset();
    state_.View.MarkKeyColumn(0, false);
    listEditing_.ListClicked(); // the selected row turns RowSelected; the locks stay as they are
    state_.UpdateStates();      // the hook goes with the mode
}

void KeyRecording::KeyPressed(std::uint16_t virtualKey, std::uint16_t modifierMask) noexcept {
    if (!state_.Recording && !state_.Testing)
        return;
    Record([&] { return DecodeKeyEvent(virtualKey, modifierMask); });
}

void KeyRecording::Record(const std::function<DecodedKeyEvent()>& decode) noexcept {
    RunTrapped(state_.Seams.Dialogs, "KB_Decode", [&] {
        auto& view = state_.View;
        view.SetKeyMappingText("");
        const DecodedKeyEvent key = decode();
        if (key.Name.empty())
            return;
        view.SetKeyMappingText(key.Text);
        if (state_.Testing) {
            if (!state_.Recording)
                view.LogTestKey(key.Text);
            return;
        }
        auto& list = state_.List;
        const auto column = state_.KeyColumn;
        if (auto* table = list.Shown(); table != nullptr && column && IsKeyColumn(*column)) {
            table->SetKeyCell(table->SelectedRow(), *column, {key.Text, Variant::Text(key.Name)});
            view.RedrawMappingRows();
        }
        // Marked modified even when no key column is chosen.
        const auto* entry = list.Find(list.CurrentKey());
        const int before = entry != nullptr ? entry->State : filestate::Saved;
        state_.MarkModified();
        if (entry != nullptr && entry->State != before)
            state_.Refresh();
    });
}

bool KeyRecording::MouseClicked(int row, int column, std::uint16_t mouseCode,
                                std::uint16_t modifierMask) noexcept {
    const auto* table = state_.List.Shown();
    if (!state_.Recording || state_.Testing || !IsMouseCode(mouseCode) || table == nullptr ||
        row < 0 || row != table->SelectedRow() || !state_.KeyColumn || column != *state_.KeyColumn)
        return false;
    // Named as a cell names it: the keys' own names know no mouse.
    Record([&] {
        DecodedKeyEvent mouse;
        mouse.Name = NameOfCode(mouseCode);
        mouse.Text = std::string(ModifierPrefix(modifierMask)) + mouse.Name;
        mouse.KeyCode = mouseCode;
        return mouse;
    });
    return true;
}

void KeyRecording::DecodeKey(std::uint16_t virtualKey, std::uint16_t modifierMask) {
    KeyPressed(virtualKey, modifierMask);
}

void KeyRecording::ShowNote(std::string_view note) {
    state_.View.SetKeyMappingText(note);
}

} // namespace qm
