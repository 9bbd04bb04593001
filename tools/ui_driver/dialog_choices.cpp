#include "dialog_choices.h"

#include "harness.h"
#include "input.h"
#include "remote.h"

#include <commctrl.h>

namespace qm::e2e {

namespace {

constexpr DWORD kEnableMs = 5000;

HWND ChildOfClass(HWND dialog, const wchar_t* className) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        GetClassNameW(child, name, static_cast<int>(std::size(name)));
        if (SameText(name, className))
            return child;
    }
    return nullptr;
}

std::wstring ComboItem(HWND combo, int index) {
    const auto length = SendTo(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    // A string message of a standard control: the system copies the text across processes.
    const auto copied = SendTo(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                               reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

std::string Confirm(HWND dialog) {
    const HWND ok = GetDlgItem(dialog, IDOK);
    if (ok == nullptr)
        return "the dialog has no OK button";
    if (!PumpUntil([&] { return IsWindowEnabled(ok) != FALSE; }, kEnableMs))
        return "OK stays disabled";
    PostMessageW(ok, BM_CLICK, 0, 0);
    return {};
}

} // namespace

HWND DialogListView(HWND dialog) {
    return ChildOfClass(dialog, WC_LISTVIEWW);
}

HWND DialogComboBox(HWND dialog) {
    return ChildOfClass(dialog, WC_COMBOBOXW);
}

std::vector<std::string> DialogItems(HANDLE process, HWND dialog) {
    std::vector<std::string> records;
    if (const HWND list = DialogListView(dialog); list != nullptr) {
        const int columns = ListColumnCount(list);
        for (int row = 0; row < ListCount(list); ++row) {
            std::string record = "row";
            for (int c = 0; c < columns; ++c)
                record += "\t" + Narrow(ListText(process, list, row, c));
            // State image 2: checked.
            if ((ListState(list, row, LVIS_STATEIMAGEMASK) >> 12) == 2)
                record += "\tchecked";
            records.push_back(record);
        }
    }
    if (const HWND combo = DialogComboBox(dialog); combo != nullptr) {
        const auto selected = SendTo(combo, CB_GETCURSEL);
        const auto count = SendTo(combo, CB_GETCOUNT);
        for (int i = 0; i < count; ++i)
            records.push_back("item\t" + std::string(i == selected ? "*" : "") +
                              Narrow(ComboItem(combo, i)));
    }
    return records;
}

std::string ChooseRowAndConfirm(HANDLE process, HWND dialog, int row) {
    const HWND list = DialogListView(dialog);
    if (list == nullptr)
        return "the dialog has no list";
    if (row < 1 || row > ListCount(list))
        return "the dialog's list has no row " + std::to_string(row);
    SendTo(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row - 1), FALSE);
    const RECT cell = ListCellRect(process, list, row - 1, 0);
    POINT point{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    ClientToScreen(list, &point);
    SetForegroundWindow(dialog);
    ClickAt(point, Click::Left);
    return Confirm(dialog);
}

std::string ChooseItemAndConfirm(HWND dialog, const std::wstring& item) {
    const HWND combo = DialogComboBox(dialog);
    if (combo == nullptr)
        return "the dialog has no drop-down";
    const auto count = SendTo(combo, CB_GETCOUNT);
    for (int i = 0; i < count; ++i) {
        if (ComboItem(combo, i) != item)
            continue;
        SendTo(combo, CB_SETCURSEL, static_cast<WPARAM>(i));
        return Confirm(dialog);
    }
    return "the drop-down has no item \"" + Narrow(item) + "\"";
}

} // namespace qm::e2e
