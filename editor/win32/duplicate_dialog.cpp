#include "editor/win32/duplicate_dialog.h"

#include "core/win32/win32_text.h"
#include "editor/mapping_table.h"
#include "editor/win32/vantrel_ids.h"
#include "ui/win32/routed_procedures.h"

#include <commctrl.h>

#include <optional>

namespace qm::win32 {
namespace {

class DuplicateDialog {
public:
    DuplicateDialog(const std::vector<DuplicateRow>& rows, Win32Dialogs& dialogs)
        : rows_(rows), dialogs_(dialogs) {}

    // The dialog procedure, and what reports an error escaping it.
    static constexpr const char* kProcedure = "FormDel";
    Win32Dialogs& Boxes() { return dialogs_; }
    GuideTopic HelpTopic() const { return GuideTopic::ListMaintenance; }
    DuplicateChoice Choice() const { return choice_; }

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG:
            dialog_ = dialog;
            list_ = GetDlgItem(dialog, IDC_DUPLICATE_LIST);
            owner_.emplace(dialogs_, dialog);
            Fill();
            return TRUE;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.hwndFrom != list_)
                return FALSE;
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, OnListNotify(lParam));
            return TRUE;
        }
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED)
                OnButton(LOWORD(wParam));
            return TRUE;
        case WM_DESTROY:
            owner_.reset();
            return FALSE;
        default:
            return FALSE;
        }
    }

private:
    void Fill() {
        SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                     LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
        const auto& titles = MappingColumnTitles();
        constexpr int kColumns = static_cast<int>(std::tuple_size_v<decltype(DuplicateRow::Texts)>);
        for (int c = 0; c < kColumns; ++c) {
            const std::wstring title = WideFromUtf8(titles[static_cast<std::size_t>(c)]);
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM;
            column.fmt = IsCentredColumn(c) ? LVCFMT_CENTER : LVCFMT_LEFT;
            column.pszText = const_cast<wchar_t*>(title.c_str());
            column.iSubItem = c;
            SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c),
                         reinterpret_cast<LPARAM>(&column));
        }
        for (std::size_t r = 0; r < rows_.size(); ++r) {
            for (int c = 0; c < kColumns; ++c) {
                std::wstring text = WideFromUtf8(rows_[r].Texts[static_cast<std::size_t>(c)]);
                LVITEMW item{};
                item.mask = LVIF_TEXT;
                item.iItem = static_cast<int>(r);
                item.iSubItem = c;
                item.pszText = text.data();
                SendMessageW(list_, c == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW,
                             c == 0 ? 0 : static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&item));
            }
        }
        for (int c = 0; c < kColumns; ++c)
            SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c),
                         LVSCW_AUTOSIZE_USEHEADER);
    }

    LRESULT OnListNotify(LPARAM lParam) {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        switch (header.code) {
        case NM_CLICK: {
            const int row = reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem;
            if (row >= 0)
                Choose(row);
            return 0;
        }
        case LVN_ITEMCHANGED: {
            // The user selected a row, or toggled a check box: that row is chosen.
            const auto& change = *reinterpret_cast<const NMLISTVIEW*>(lParam);
            if (updating_ || change.iItem < 0 || (change.uChanged & LVIF_STATE) == 0)
                return 0;
            const bool selected =
                (change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0;
            const bool checkToggled =
                ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) != 0;
            if (selected || checkToggled)
                Choose(change.iItem);
            return 0;
        }
        case NM_CUSTOMDRAW:
            return OnDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
        default:
            return 0;
        }
    }

    // The chosen row checked and coloured as the selected row of the mapping list, the others
    // unchecked; OK now keeps it.
    void Choose(int row) {
        if (row < 0 || row >= static_cast<int>(rows_.size()))
            return;
        updating_ = true;
        chosen_ = row;
        for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
            LVITEMW state{};
            state.stateMask = LVIS_STATEIMAGEMASK | LVIS_SELECTED | LVIS_FOCUSED;
            state.state = INDEXTOSTATEIMAGEMASK(r == row ? 2 : 1) |
                          (r == row ? LVIS_SELECTED | LVIS_FOCUSED : 0);
            SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(r),
                         reinterpret_cast<LPARAM>(&state));
        }
        updating_ = false;
        EnableWindow(GetDlgItem(dialog_, IDOK), TRUE);
        InvalidateRect(list_, nullptr, FALSE);
    }

    LRESULT OnDraw(NMLVCUSTOMDRAW& draw) const {
        switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            // The row colours of the mapping list; the system's selection look is not used.
            draw.clrTextBk = static_cast<int>(draw.nmcd.dwItemSpec) == chosen_
                                 ? static_cast<COLORREF>(rowcolour::Selected)
                                 : static_cast<COLORREF>(rowcolour::Active);
            draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
            draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
            return CDRF_DODEFAULT;
        default:
            return CDRF_DODEFAULT;
        }
    }

    void OnButton(int id) {
        switch (id) {
        case IDOK:
            if (chosen_ < 0)
                return;
            choice_ = {DuplicateChoice::Action::Keep, chosen_};
            break;
        case IDC_DUPLICATE_SKIP_ALL:
            choice_ = {DuplicateChoice::Action::SkipAll, 0};
            break;
        case IDC_DUPLICATE_SKIP:
        case IDCANCEL: // Escape and the close box
            choice_ = {DuplicateChoice::Action::Skip, 0};
            break;
        default:
            return;
        }
        EndDialog(dialog_, id);
    }

    const std::vector<DuplicateRow>& rows_;
    Win32Dialogs& dialogs_;
    HWND dialog_ = nullptr;
    HWND list_ = nullptr;
    std::optional<Win32Dialogs::OwnerScope> owner_;
    int chosen_ = -1;
    // Set while the dialog changes the rows' states itself.
    bool updating_ = false;
    DuplicateChoice choice_;
};

} // namespace

DuplicateChoice ShowDuplicateDialog(HINSTANCE instance, HWND owner, Win32Dialogs& dialogs,
                                    const std::vector<DuplicateRow>& rows) {
    DuplicateDialog dialog(rows, dialogs);
    if (ShowObjectDialog(instance, IDD_DUPLICATE_ITEMS, owner, dialog) <= 0)
        return {};
    return dialog.Choice();
}

} // namespace qm::win32
