// The verbs of boxes and dialogs: the answers queued for them, and a dialog left open for the
// dialog verbs.
#include "core/win32/win32_handle.h"
#include "dialog_fields.h"
#include "input.h"
#include "remote.h"
#include "session.h"
#include "ui/win32/shell_handles.h"

#include <cstdlib>

namespace qm::e2e::verbs {

void Session::AnswerBox(const Arguments& a) {
    answers_.push_back({Answer::Kind::Box, Wide(a[0]), Wide(a[1]), {}});
}

void Session::SaveDialog(const Arguments& a) {
    answers_.push_back({Answer::Kind::SaveDialog, {}, {}, a.empty() ? L"" : InInstall(a[0])});
}

void Session::OpenDialog(const Arguments& a) {
    answers_.push_back({Answer::Kind::OpenDialog, {}, {}, a.empty() ? L"" : InInstall(a[0])});
}

void Session::ChooseRow(const Arguments& a) {
    const int row = std::atoi(a[0].c_str());
    if (row < 1)
        Fail("no row \"" + a[0] + "\"");
    answers_.push_back({Answer::Kind::ListRow, {}, std::to_wstring(row), {}});
}

void Session::ChooseItem(const Arguments& a) {
    answers_.push_back({Answer::Kind::DropDownItem, {}, Wide(a[0]), {}});
}

void Session::KeepDialog(const Arguments& a) {
    keptDialogs_.insert(Plain(Wide(a[0])));
}

HWND Session::KeptDialogShown() const {
    if (keptDialogs_.empty() || !program_.Running())
        return nullptr;
    for (const HWND dialog : ShownDialogs(program_.Id()))
        if (keptDialogs_.contains(Plain(WindowText(dialog))))
            return dialog;
    return nullptr;
}

HWND Session::KeptDialog() const {
    RequireProgram();
    const HWND dialog = KeptDialogShown();
    if (dialog == nullptr)
        Fail("no dialog kept open is shown");
    return dialog;
}

void Session::DialogClick(const Arguments& a) {
    ClickButton(KeptDialog(), a[0]);
}

void Session::DialogType(const Arguments& a) {
    const HWND dialog = KeptDialog();
    const HWND box = FieldControl(
        dialog, [&](HWND w) { return Plain(WindowText(w)) == Plain(Wide(a[0])); }, L"Edit");
    if (box == nullptr)
        Fail("no text box after \"" + a[0] + "\"");
    RECT rect{};
    GetWindowRect(box, &rect);
    ClickAt(Center(rect), Click::Left);
    PumpUntil([&] { return FocusIn(dialog) == box; }, kAppearMs);
    // The typed text replaces what the box holds, as after a triple click.
    SendTo(box, EM_SETSEL, 0, -1);
    TypeText(Wide(a[1]));
    Settle();
}

void Session::DialogScroll(const Arguments& a) {
    const HWND dialog = KeptDialog();
    const HWND bar = FieldControl(
        dialog, [&](HWND w) { return Plain(WindowText(w)) == Plain(Wide(a[0])); }, L"ScrollBar");
    if (bar == nullptr)
        Fail("no scroll bar after \"" + a[0] + "\"");
    if (a[1] != "up" && a[1] != "down")
        Fail("a scroll bar is clicked \"up\" or \"down\", not \"" + a[1] + "\"");
    ClickAt(ScrollArrowPoint(bar, a[1] == "up"), Click::Left);
    Settle();
}

void Session::DialogHotkey(const Arguments& a) {
    const HWND dialog = KeptDialog();
    const HWND box = FieldControl(
        dialog, [&](HWND w) { return Plain(WindowText(w)) == Plain(Wide(a[0])); }, HOTKEY_CLASSW);
    if (box == nullptr)
        Fail("no hotkey box after \"" + a[0] + "\"");
    RECT rect{};
    GetWindowRect(box, &rect);
    ClickAt(Center(rect), Click::Left);
    PumpUntil([&] { return FocusIn(dialog) == box; }, kAppearMs);
    // One key after another, as a person presses them: the box follows each.
    if (!PressChord(a[1], [this] { Idle(kActionMs); }))
        Fail("unknown key in \"" + a[1] + "\"");
    Settle();
}

void Session::DialogControls(const Arguments&) {
    PrintControls(KeptDialog(), program_.Handle());
}

} // namespace qm::e2e::verbs
