#pragma once
// Window, control and dialog procedures that route each message to a member function of the
// object behind the window. The object comes with the window's creation (the create parameter
// at WM_NCCREATE, the dialog parameter at WM_INITDIALOG) and stays in the window's user data
// until WM_NCDESTROY. Each message runs in the error trap under the object's kProcedure name:
// an error that no event trapped itself is reported there and never unwinds through the
// system's code.
//
// A window's class gives kProcedure, Dialogs& Boxes(), Bind(HWND) (the window is made),
// Unbind() (it is going) and LRESULT HandleMessage(UINT, WPARAM, LPARAM); a subclassed
// control's messages go to its LRESULT HandleControlMessage(HWND, UINT, WPARAM, LPARAM). A
// dialog's class gives kProcedure, Boxes(), INT_PTR Handle(HWND, UINT, WPARAM, LPARAM) and
// GuideTopic HelpTopic(), the guide's page about it, which F1 in the dialog opens.
// Classes that keep these private befriend RoutedProcedures.
#include "core/error_trap.h"
#include "ui/win32/guide_browser.h"

#include <windows.h>
// After windows.h:
#include <commctrl.h>

namespace qm::win32 {

struct RoutedProcedures {
    template <class Window>
    static LRESULT CALLBACK ForWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<Window*>(
                reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            self->Bind(window);
        }
        auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self == nullptr)
            return DefWindowProcW(window, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            self->Unbind();
            return DefWindowProcW(window, message, wParam, lParam);
        }
        LRESULT result = 0;
        RunTrapped(self->Boxes(), Window::kProcedure,
                   [&] { result = self->HandleMessage(message, wParam, lParam); });
        return result;
    }

    template <class Window>
    static LRESULT CALLBACK ForControl(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR data) {
        if (message == WM_NCDESTROY) {
            RemoveWindowSubclass(control, &ForControl<Window>, kControlSubclass);
            return DefSubclassProc(control, message, wParam, lParam);
        }
        auto* self = reinterpret_cast<Window*>(data);
        LRESULT result = 0;
        RunTrapped(self->Boxes(), Window::kProcedure,
                   [&] { result = self->HandleControlMessage(control, message, wParam, lParam); });
        return result;
    }

    template <class Dialog>
    static INT_PTR CALLBACK ForDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG)
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (self == nullptr)
            return FALSE;
        INT_PTR result = FALSE;
        RunTrapped(self->Boxes(), Dialog::kProcedure, [&] {
            if (message == WM_HELP) {
                // F1: the main window, which owns the dialogs, opens the dialog's page.
                ForwardHelpRequest(dialog, self->HelpTopic(), lParam);
                result = TRUE;
            } else {
                result = self->Handle(dialog, message, wParam, lParam);
            }
        });
        return result;
    }

    static constexpr UINT_PTR kControlSubclass = 1;
};

// Sends the messages of `control` (a child of `window`'s window) to
// window.HandleControlMessage first; false when the system refused.
template <class Window> bool RouteControl(HWND control, Window& window) {
    return SetWindowSubclass(control, &RoutedProcedures::ForControl<Window>,
                             RoutedProcedures::kControlSubclass,
                             reinterpret_cast<DWORD_PTR>(&window)) != FALSE;
}

// Shows the dialog resource modally over `owner`, run by `object`: DialogBoxParamW's result.
template <class Dialog>
INT_PTR ShowObjectDialog(HINSTANCE instance, int resource, HWND owner, Dialog& object) {
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(resource), owner,
                           &RoutedProcedures::ForDialog<Dialog>, reinterpret_cast<LPARAM>(&object));
}

} // namespace qm::win32
