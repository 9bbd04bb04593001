#include "dialog_fields.h"

#include "remote.h"

#include <algorithm>

namespace qm::e2e {

namespace {

bool IsClass(HWND window, const wchar_t* className) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return CompareStringOrdinal(name, -1, className, -1, TRUE) == CSTR_EQUAL;
}

} // namespace

HWND FieldControl(HWND dialog, const std::function<bool(HWND)>& isCaption,
                  const wchar_t* className) {
    bool afterCaption = false;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (afterCaption && IsClass(child, className))
            return child;
        afterCaption = afterCaption || isCaption(child);
    }
    return nullptr;
}

POINT ScrollArrowPoint(HWND bar, bool up) {
    RECT rect{};
    GetWindowRect(bar, &rect);
    // A bar too short for a shaft is two arrows; a taller one has its arrows at the ends.
    const int arrow = std::min<int>(GetSystemMetrics(SM_CYVSCROLL), (rect.bottom - rect.top) / 2);
    const int x = (rect.left + rect.right) / 2;
    return up ? POINT{x, rect.top + arrow / 2} : POINT{x, rect.bottom - 1 - arrow / 2};
}

std::string ControlValue(HWND control) {
    if (IsClass(control, L"ScrollBar"))
        return std::to_string(SendTo(control, SBM_GETPOS));
    const LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
    if (IsClass(control, L"Button") && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX))
        return SendTo(control, BM_GETCHECK) == BST_CHECKED ? "checked" : "unchecked";
    return {};
}

} // namespace qm::e2e
