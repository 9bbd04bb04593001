#pragma once
// Recording key mappings: while it is on, a key pressed in the editor's windows or captured by
// the low-level hook goes into the chosen key cell of the selected row; while testing, a key
// goes into the test log instead. The hook is installed exactly while recording is on.
#include "editor/editor_state.h"
#include "editor/mapping_list_editing.h"

#include "core/key_names.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace qm {

class KeyRecording final : private HookTarget {
public:
    // `listEditing`: the list's click, which recolours the selected row when the mode changes.
    KeyRecording(EditorState& state, MappingListEditing& listEditing)
        : state_(state), listEditing_(listEditing) {}

    // On, or off again.
    void Toggle() noexcept;
    void KeyPressed(std::uint16_t virtualKey, std::uint16_t modifierMask) noexcept;
    // A mouse button or a wheel notch (its code: kVkMouseLeft ... kVkWheelRight) on a cell of
    // the mapping list (`row`, `column`; -1 for none): while recording, on the recording cell
    // (the chosen key cell of the selected row), it is recorded as a key is, and true says so;
    // anywhere else it is the list's usual click.
    bool MouseClicked(int row, int column, std::uint16_t mouseCode,
                      std::uint16_t modifierMask) noexcept;

private:
    void Start();
    void Stop();
    // A key or mouse event, decoded under the error trap, into the recording cell (the test
    // log while testing).
    void Record(const std::function<DecodedKeyEvent()>& decode) noexcept;
    // The hook's events while recording.
    void DecodeKey(std::uint16_t virtualKey, std::uint16_t modifierMask) override;
    void ShowNote(std::string_view note) override;

    EditorState& state_;
    MappingListEditing& listEditing_;
};

} // namespace qm
