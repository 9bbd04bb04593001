#pragma once
// A modal dialog run by an object: the object's Handle(dialog, message, wParam, lParam) is the
// dialog procedure. An error escaping it is reported under the object's procedure name
// (Dialog::kProcedure, with the boxes of Dialog::Boxes()) instead of unwinding through the
// system's code.
#include "core/error_trap.h"

#include <windows.h>

namespace qm::win32 {

template <class Dialog>
INT_PTR CALLBACK ObjectDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr)
        return FALSE;
    try {
        return self->Handle(dialog, message, wParam, lParam);
    } catch (...) {
        ReportCurrentError(self->Boxes(), Dialog::kProcedure);
        return FALSE;
    }
}

// Shows the dialog resource modally over `owner`, run by `object`: DialogBoxParamW's result.
template <class Dialog>
INT_PTR ShowObjectDialog(HINSTANCE instance, int resource, HWND owner, Dialog& object) {
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(resource), owner,
                           &ObjectDialogProcedure<Dialog>, reinterpret_cast<LPARAM>(&object));
}

} // namespace qm::win32
