#pragma once
// What both programs' main windows do alike: the focused control remembered across
// activation, as a dialog does, and a pop-up menu whose choice comes back as a menu command.
#include <windows.h>

namespace qm::win32 {

class RememberedFocus {
public:
    // WM_ACTIVATE and WM_SETFOCUS of `window`: the focused control is remembered while the
    // window is inactive and gets the focus back; true when it got it (the message is handled).
    bool OnMessage(HWND window, UINT message, WPARAM wParam);
    // The control that gets the focus when the window is next activated.
    void Remember(HWND control) { control_ = control; }

private:
    HWND control_ = nullptr;
};

// Shows `menu` at the mouse pointer; the item chosen is posted to `window` as a menu command,
// which runs after the event that opened the menu has ended.
void PopUpMenuAtPointer(HWND window, HMENU menu);

} // namespace qm::win32
