#pragma once
// The controls of a dialog the driver keeps open (such as a program's preferences window),
// found as a user finds them: by the caption of the label or frame in front of them.
#include <windows.h>

#include <functional>
#include <string>

namespace qm::e2e {

// The first control of `className` ("Edit", "ScrollBar") that follows, in the dialog's order of
// controls, the control `isCaption` names; null when there is none.
HWND FieldControl(HWND dialog, const std::function<bool(HWND)>& isCaption,
                  const wchar_t* className);

// Where a click on a vertical scroll bar's arrow lands: the upper or the lower one.
POINT ScrollArrowPoint(HWND bar, bool up);

// What a control shows beyond its text: a scroll bar its position, a check box "checked" or
// "unchecked"; empty for the others.
std::string ControlValue(HWND control);

} // namespace qm::e2e
