#pragma once
// What both programs' windows do alike: their classes registered, their controls created, the
// focused control remembered across activation, as a dialog does, a pop-up menu whose choice
// comes back as a menu command, the wait pointer while a command runs, and the messages both
// main windows answer alike.
#include <windows.h>

namespace qm::win32 {

// A window class of a program: its procedure, the program's icon (null: none) at the large and
// small sizes, the pointer over it and whether the button face fills its background.
struct WindowClassOf {
    const wchar_t* Name = nullptr;
    WNDPROC Procedure = nullptr;
    const wchar_t* Icon = nullptr;
    const wchar_t* Pointer = IDC_ARROW;
    bool ButtonFace = true;
};
// Registers the class (one registered before is no error); false when the system refused.
bool RegisterWindowClass(HINSTANCE instance, const WindowClassOf& windowClass);

// A child control of `parent` with the identifier `id`, WS_CHILD added to `style`, at a
// placeholder size until it is laid out; null when the system refused.
HWND CreateChildControl(HWND parent, HINSTANCE instance, DWORD exStyle, const wchar_t* windowClass,
                        const wchar_t* text, DWORD style, int id);

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

// The wait pointer a main window shows over itself while a command runs.
class WaitPointer {
public:
    // Shown or taken away at once when the pointer is over `window` or one of its controls.
    void Set(HWND window, bool busy);
    // WM_SETCURSOR: true when the wait pointer was set (the message is handled).
    bool OnSetCursor(LPARAM lParam) const;

private:
    bool busy_ = false;
};

// What the messages both main windows answer alike ask of the window.
class MainWindowEvents {
public:
    // WM_QUERYENDSESSION: whether the session may end.
    virtual bool SessionMayEnd() = 0;
    // WM_ENDSESSION, when the session ends.
    virtual void OnEndSession() = 0;
    virtual void OnDpiChanged(UINT dpi, const RECT* suggested) = 0;
    // The system's message font changed.
    virtual void OnMessageFontChanged() = 0;
    // WM_DESTROY, before the message loop is told to end.
    virtual void OnDestroy() {}

protected:
    ~MainWindowEvents() = default;
};

// The end of both main windows' message switch: the session's end, the wait pointer, a new
// DPI, a new message font, and the window's end, which ends the message loop (a window
// destroyed from outside ends the program rather than leaving it headless). True when the
// message is answered, with `result`; false: the default procedure answers it.
bool HandleMainWindowMessage(MainWindowEvents& window, const WaitPointer& pointer, UINT message,
                             WPARAM wParam, LPARAM lParam, LRESULT& result);

} // namespace qm::win32
