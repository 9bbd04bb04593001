#pragma once
// What both programs' preferences dialogs do alike in their windows: the texts of their
// controls, and the three timing boxes (a text box, a vertical scroll bar with the maximum at
// the top, a label; their hints as tooltips), with the control ids of preferences_ids.h.
#include "settings/timing_boxes.h"
#include "ui/win32/shell_handles.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace qm::win32 {

// The text of a control, as UTF-8.
std::string ControlText(HWND control);
// Shows `text` in a control; an equal text is left alone, so no change notification follows.
void ShowControlText(HWND control, std::string_view text);

// The timing boxes of an open preferences dialog.
class TimingBoxControls {
public:
    // Gives the bars their ranges and the boxes, bars and labels their hints.
    void Attach(HWND dialog);
    // The dialog is going: its hints go with it.
    void Detach() { tooltip_.Reset(); }
    // The texts and the bars' positions as `boxes` has them.
    void Show(const TimingBoxes& boxes) const;

    // A box's text edited: which box, and the procedure that handles it. None for another
    // control or notification.
    struct TextChange {
        TimingBox Box;
        const char* Procedure;
        std::string Text;
    };
    std::optional<TextChange> TextChangeOf(int id, int code) const;

    // A WM_VSCROLL of a box's bar: which box, the action (with the thumb's position for Track),
    // and the procedure that handles it. None for another bar or a code that changes nothing.
    struct BarChange {
        TimingBox Box;
        ScrollAction Action;
        int TrackPosition;
        const char* Procedure;
    };
    std::optional<BarChange> BarChangeOf(HWND bar, int code) const;

private:
    HWND dialog_ = nullptr;
    UniqueWindow tooltip_;
};

} // namespace qm::win32
