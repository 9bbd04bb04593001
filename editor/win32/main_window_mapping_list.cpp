// The main window's mapping list: an owner-data list view of the shown configuration's rows,
// their colours drawn by custom draw, the key columns' header markers, the mouse and the keys on
// it, each configuration's scroll position, and the Description editor over a row.
#include "editor/win32/main_window.h"

#include "core/key_names.h"
#include "core/text.h"
#include "core/win32/win32_text.h"
#include "editor/control_rows.h"
#include "editor/editor_controller.h"
#include "editor/layer_rows.h"
#include "editor/mapping_table.h"
#include "ui/win32/dpi.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

namespace qm::win32 {
namespace {

// Key columns are no wider than 1700 twips.
constexpr int kKeyColumnMaxTwips = 1700;
constexpr int kTwipsPerInch = 1440;

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The list's keys that move and edit; none for another key.
std::optional<ListKey> ListKeyOf(WPARAM virtualKey) {
    switch (virtualKey) {
    case VK_UP:
        return ListKey::Up;
    case VK_DOWN:
        return ListKey::Down;
    case VK_PRIOR:
        return ListKey::PageUp;
    case VK_NEXT:
        return ListKey::PageDown;
    case VK_HOME:
        return ListKey::Home;
    case VK_END:
        return ListKey::End;
    case VK_LEFT:
        return ListKey::Left;
    case VK_RIGHT:
        return ListKey::Right;
    case VK_SPACE:
        return ListKey::Space;
    case VK_RETURN:
        return ListKey::Enter;
    case VK_F2:
        return ListKey::F2;
    default:
        return std::nullopt;
    }
}

bool IsKeyDown(LPARAM message, WPARAM virtualKey) {
    const auto* msg = reinterpret_cast<const MSG*>(message);
    return msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == virtualKey;
}

} // namespace

std::optional<LRESULT> EditorWindow::OnMappingListMessage(UINT message, WPARAM wParam,
                                                          LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE:
        // Arrows, characters and Enter stay with the list; Tab still moves on.
        return DLGC_WANTARROWS | DLGC_WANTCHARS |
               (IsKeyDown(lParam, VK_RETURN) ? DLGC_WANTALLKEYS : 0);
    case WM_KEYDOWN:
        // The controller moves and edits, outside recording; the list's own key handling
        // never runs, so the selection stays the controller's.
        if (const auto key = ListKeyOf(wParam); key && controller_ != nullptr)
            controller_->ListKeyPressed(
                *key, static_cast<int>(SendMessageW(mappingList_, LVM_GETCOUNTPERPAGE, 0, 0)));
        return 0;
    case WM_CHAR:
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The chosen cell is marked while the list has the focus.
        InvalidateRect(mappingList_, nullptr, FALSE);
        return std::nullopt;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
        // While recording, ALT combinations are keys to record, not menu or window keys.
        if (states_.Recording)
            return 0;
        return std::nullopt;
    case WM_KEYUP:
        if (wParam == VK_DELETE && controller_ != nullptr)
            controller_->DeleteKeyReleased();
        return std::nullopt;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL: {
        // While recording, a notch on the recording cell is recorded, not scrolled.
        if (!states_.Recording)
            return std::nullopt;
        const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
        const bool vertical = message == WM_MOUSEWHEEL;
        const std::uint16_t code = vertical ? (delta > 0 ? kVkWheelUp : kVkWheelDown)
                                            : (delta > 0 ? kVkWheelRight : kVkWheelLeft);
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ScreenToClient(mappingList_, &point);
        if (delta != 0 && RecordMouse(code, point))
            return 0;
        return std::nullopt;
    }
    default:
        if (OnMappingListMouse(message, wParam, lParam))
            return 0;
        return std::nullopt;
    }
}

bool EditorWindow::RecordMouse(std::uint16_t code, POINT point) {
    if (!states_.Recording || controller_ == nullptr)
        return false;
    const auto held = [](int key) { return GetKeyState(key) < 0; };
    const auto mask = static_cast<std::uint16_t>((held(VK_SHIFT) ? kShiftMask : 0) |
                                                 (held(VK_CONTROL) ? kCtrlMask : 0) |
                                                 (held(VK_MENU) ? kAltMask : 0));
    const Cell cell = MappingCellAt(point);
    return controller_->MouseClicked(cell.Row, cell.Column, code, mask);
}

int EditorWindow::RowOfItem(int item) const {
    if (!layerView_)
        return item;
    return item >= 0 && item < static_cast<int>(shownRows_.size())
               ? shownRows_[static_cast<std::size_t>(item)]
               : -1;
}

int EditorWindow::ItemOfRow(int row) const {
    if (!layerView_)
        return row;
    const auto at = std::lower_bound(shownRows_.begin(), shownRows_.end(), row);
    return at != shownRows_.end() && *at == row ? static_cast<int>(at - shownRows_.begin()) : -1;
}

LRESULT EditorWindow::OnMappingListNotify(NMHDR& header) {
    switch (header.code) {
    case LVN_GETDISPINFOW:
        OnMappingListText(reinterpret_cast<NMLVDISPINFOW&>(header));
        return 0;
    case NM_CUSTOMDRAW:
        return OnMappingListDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
    case LVN_COLUMNCLICK:
        if (controller_ != nullptr)
            controller_->ColumnClicked(
                ColumnAtPosition(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem));
        return 0;
    default:
        return 0;
    }
}

bool EditorWindow::OnMappingListMouse(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // While recording, a button pressed on the recording cell is recorded; a release, and a
    // press anywhere else, is the list's usual mouse.
    if (states_.Recording) {
        std::uint16_t code = 0;
        switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            code = kVkMouseLeft;
            break;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            code = kVkMouseRight;
            break;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            code = kVkMouseMiddle;
            break;
        case WM_XBUTTONDOWN:
        case WM_XBUTTONDBLCLK:
            code = GET_XBUTTON_WPARAM(wParam) == XBUTTON2 ? kVkMouseX2 : kVkMouseX1;
            break;
        default:
            break;
        }
        if (code != 0 && RecordMouse(code, point)) {
            SetFocus(mappingList_);
            // The release that follows is no click on the list.
            leftPressed_ = false;
            rightRecorded_ = rightRecorded_ || code == kVkMouseRight;
            return true;
        }
        if (message == WM_RBUTTONUP && std::exchange(rightRecorded_, false))
            return true;
    }
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
        // The list selects nothing itself (the row colours show the selection); taking the
        // focus commits an open Description editor first.
        SetFocus(mappingList_);
        const bool left = message == WM_LBUTTONDOWN;
        if (left) {
            leftPressed_ = true;
            SetCapture(mappingList_);
        }
        if (controller_ != nullptr) {
            const Cell cell = MappingCellAt(point);
            controller_->RowPressed(cell.Row, cell.Column, !left);
        }
        return true;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
        const bool left = message == WM_LBUTTONUP;
        // A press and release of the left button is a click: the rows are recoloured, then the
        // release acts on its cell.
        const bool clicked = left && leftPressed_;
        leftPressed_ = false;
        if (left && GetCapture() == mappingList_)
            ReleaseCapture();
        lastRelease_ = point;
        if (controller_ == nullptr)
            return true;
        if (clicked)
            controller_->ListClicked();
        const Cell cell = MappingCellAt(point);
        controller_->RowReleased(cell.Row, cell.Column, left);
        return true;
    }
    case WM_LBUTTONDBLCLK:
        SetFocus(mappingList_);
        if (controller_ != nullptr) {
            // The cell is the one under the last release, as the first click's.
            const Cell cell = MappingCellAt(lastRelease_);
            controller_->CellDoubleClicked(cell.Row, cell.Column);
        }
        return true;
    case WM_CAPTURECHANGED:
        leftPressed_ = leftPressed_ && reinterpret_cast<HWND>(lParam) == mappingList_;
        return false;
    default:
        return false;
    }
}

LRESULT EditorWindow::OnDescriptionEditorMessage(HWND control, UINT message, WPARAM wParam,
                                                 LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE:
        // Enter commits the text and Escape cancels it here, rather than pressing a button.
        if (IsKeyDown(lParam, VK_RETURN) || IsKeyDown(lParam, VK_ESCAPE))
            return DLGC_WANTALLKEYS;
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            CommitDescription();
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            // Closed without a commit: the focus it gives back commits nothing.
            descriptionOpen_ = false;
            if (controller_ != nullptr)
                controller_->DescriptionCancelled();
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\r' || wParam == L'\n' || wParam == L'\x1b')
            return 0;
        // A description never holds a double quote: the file format uses it as the delimiter.
        if (wParam == L'"')
            return DefSubclassProc(control, message, L'\'', lParam);
        break;
    case WM_KILLFOCUS: {
        const LRESULT result = DefSubclassProc(control, message, wParam, lParam);
        CommitDescription();
        return result;
    }
    default:
        break;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

void EditorWindow::CommitDescription() {
    if (!descriptionOpen_)
        return;
    descriptionOpen_ = false;
    const std::string text = Utf8FromWide(WindowText(descriptionEditor_));
    if (controller_ != nullptr)
        controller_->DescriptionCommitted(text);
}

void EditorWindow::OnMappingListText(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    const MappingTable* table =
        controller_ != nullptr ? controller_->Configurations().Shown() : nullptr;
    if ((item.mask & LVIF_IMAGE) != 0) {
        // A row whose button is held while testing shows the held key-cap.
        const int row = RowOfItem(item.iItem);
        const bool held = table != nullptr && row >= 0 && row < table->RowCount() &&
                          table->RowColour(row) == rowcolour::Pressed;
        item.iImage = held ? 1 : 0;
    }
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0)
        return;
    item.pszText[0] = L'\0';
    const int row = RowOfItem(item.iItem);
    if (table == nullptr || row < 0 || row >= table->RowCount() ||
        ColumnAtPosition(item.iSubItem) < 0)
        return;
    const std::wstring text =
        WideFromUtf8(ShownCellText(table->Row(row), ColumnAtPosition(item.iSubItem)));
    lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
}

LRESULT EditorWindow::OnMappingListDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const MappingTable* table =
            controller_ != nullptr ? controller_->Configurations().Shown() : nullptr;
        const int row = RowOfItem(static_cast<int>(draw.nmcd.dwItemSpec));
        if (table != nullptr && row >= 0 && row < table->RowCount()) {
            // The row's state is its background; the system's selection look is not used.
            draw.clrTextBk = static_cast<COLORREF>(table->RowColour(row));
            draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
            draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
            // The cell the keys act on, in the selected row, gets a focus frame.
            if (row == table->SelectedRow() && controller_->ListColumn() &&
                GetFocus() == mappingList_)
                return CDRF_NOTIFYPOSTPAINT;
        }
        return CDRF_DODEFAULT;
    }
    case CDDS_ITEMPOSTPAINT: {
        RECT cell{};
        const auto column = controller_ != nullptr ? controller_->ListColumn() : std::nullopt;
        if (column && MappingCellBounds(static_cast<int>(draw.nmcd.dwItemSpec), *column, cell)) {
            InflateRect(&cell, -1, -1);
            DrawFocusRect(draw.nmcd.hdc, &cell);
        }
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

void EditorWindow::CreateMappingColumns() {
    const auto& titles = MappingColumnTitles();
    // The list's columns are the shown ones (ColumnAtPosition), each at its position.
    for (int i = 0; i < kShownColumnCount; ++i) {
        const int c = ColumnAtPosition(i);
        const std::wstring title = WideFromUtf8(titles[static_cast<std::size_t>(c)]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = IsCentredColumn(c) ? LVCFMT_CENTER : LVCFMT_LEFT;
        column.pszText = const_cast<wchar_t*>(title.c_str());
        column.cx = 80;
        column.iSubItem = i;
        SendMessageW(mappingList_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
}

void EditorWindow::FitMappingColumns() {
    const MappingTable* table =
        controller_ != nullptr ? controller_->Configurations().Shown() : nullptr;
    const WindowDc dc(mappingList_);
    if (dc.Get() == nullptr)
        return;
    const Selection fontSelection(dc.Get(), font_ ? static_cast<HGDIOBJ>(font_.Get())
                                                  : GetStockObject(DEFAULT_GUI_FONT));
    const auto textWidth = [&](const std::string& text) {
        const std::wstring wide = WideFromUtf8(text);
        SIZE size{};
        GetTextExtentPoint32W(dc.Get(), wide.c_str(), static_cast<int>(wide.size()), &size);
        return static_cast<int>(size.cx);
    };
    // Room for the cell's padding, the rows' icon, and in the header the marker beside the
    // title.
    const int padding = Scale(14, dpi_);
    const int picture = Scale(20, dpi_);
    const int headerPadding = Scale(20, dpi_);
    const int keyColumnMax = MulDiv(kKeyColumnMaxTwips, static_cast<int>(dpi_), kTwipsPerInch);
    const auto& titles = MappingColumnTitles();
    for (int position = 0; position < kShownColumnCount; ++position) {
        const int c = ColumnAtPosition(position);
        int title = textWidth(titles[static_cast<std::size_t>(c)]) + padding;
        if (IsKeyColumn(c))
            title += picture + headerPadding;
        int width = title;
        if (table != nullptr)
            for (const PackedRow& row : table->Rows())
                width = std::max(width, textWidth(std::string(ShownCellText(row, c))) + padding +
                                            (c == 0 ? picture : 0));
        // Long key texts are cut at the key columns' width, the titles never.
        if (IsKeyColumn(c))
            width = std::min(width, std::max(keyColumnMax, title));
        SendMessageW(mappingList_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(position), width);
    }
}

EditorWindow::Cell EditorWindow::MappingCellAt(POINT point) const {
    LVHITTESTINFO hit{};
    hit.pt = point;
    if (SendMessageW(mappingList_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0 ||
        hit.iItem < 0 || (hit.flags & LVHT_ONITEM) == 0)
        return {};
    return {RowOfItem(hit.iItem), ColumnAtPosition(hit.iSubItem)};
}

void EditorWindow::SaveScrollPosition() {
    if (shownKey_.empty() || EqualsIgnoreCase(shownKey_, kBlankKey))
        return;
    const auto top = SendMessageW(mappingList_, LVM_GETTOPINDEX, 0, 0);
    scrollPositions_[shownKey_] = {GetScrollPos(mappingList_, SB_HORZ), static_cast<LONG>(top)};
}

void EditorWindow::RestoreScrollPosition(const std::string& key) {
    const auto saved = scrollPositions_.find(key);
    if (saved == scrollPositions_.end())
        return;
    RECT row{};
    row.left = LVIR_BOUNDS;
    if (!SendMessageW(mappingList_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)))
        return;
    SendMessageW(mappingList_, LVM_SCROLL, static_cast<WPARAM>(saved->second.x),
                 saved->second.y * (row.bottom - row.top));
}

void EditorWindow::ShowMappingList(const MappingTable* table) {
    const std::string key = table != nullptr && controller_ != nullptr
                                ? controller_->Configurations().CurrentKey()
                                : std::string(kBlankKey);
    const bool sameList = EqualsIgnoreCase(key, shownKey_);
    if (!sameList)
        SaveScrollPosition();
    // A view of one layer lists its rows alone.
    layerView_ = table != nullptr && table->ShownLayer().has_value();
    shownRows_ = layerView_ ? RowsInLayerView(*table, table->ShownLayer()) : std::vector<int>();
    const int rows = table == nullptr ? 0
                     : layerView_     ? static_cast<int>(shownRows_.size())
                                      : table->RowCount();
    SendMessageW(mappingList_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(mappingList_, LVM_SETBKCOLOR, 0,
                 static_cast<LPARAM>(table != nullptr ? kListBackColour : kPlaceholderBackColour));
    SendMessageW(mappingList_, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows),
                 sameList ? LVSICF_NOSCROLL : 0);
    FitMappingColumns();
    shownKey_ = key;
    EnableWindow(mappingList_, table != nullptr);
    FocusSelectedMappingRow();
    SendMessageW(mappingList_, WM_SETREDRAW, TRUE, 0);
    // Scrolling takes effect only while the list redraws.
    if (!sameList) {
        SendMessageW(mappingList_, LVM_ENSUREVISIBLE, 0, FALSE);
        RestoreScrollPosition(key);
    }
    InvalidateRect(mappingList_, nullptr, TRUE);
}

void EditorWindow::RedrawMappingRows() {
    FocusSelectedMappingRow();
    InvalidateRect(mappingList_, nullptr, FALSE);
}

void EditorWindow::FocusSelectedMappingRow() {
    const MappingTable* table =
        controller_ != nullptr ? controller_->Configurations().Shown() : nullptr;
    const int row = table != nullptr && table->SelectedRow() < table->RowCount()
                        ? ItemOfRow(table->SelectedRow())
                        : -1;
    const auto focused = static_cast<int>(
        SendMessageW(mappingList_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (row == focused)
        return;
    LVITEMW item{};
    item.stateMask = LVIS_FOCUSED;
    item.state = row >= 0 ? LVIS_FOCUSED : 0;
    SendMessageW(mappingList_, LVM_SETITEMSTATE, static_cast<WPARAM>(row >= 0 ? row : focused),
                 reinterpret_cast<LPARAM>(&item));
}

void EditorWindow::FocusMappingList() {
    SetFocus(mappingList_);
}

void EditorWindow::MarkKeyColumn(int column, bool recording) {
    markedColumn_ = column;
    markedRecording_ = recording;
    const auto header = reinterpret_cast<HWND>(SendMessageW(mappingList_, LVM_GETHEADER, 0, 0));
    if (header == nullptr)
        return;
    for (int c = col::FirstPress; c < col::KeyEnd; ++c) {
        KeyColumnMarker marker = KeyColumnMarker::None;
        if (c == column)
            marker = recording ? KeyColumnMarker::Record : KeyColumnMarker::Chosen;
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
        item.mask = HDI_FORMAT | HDI_IMAGE;
        item.fmt |= HDF_IMAGE;
        item.iImage = static_cast<int>(marker);
        SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
    }
}

void EditorWindow::OpenDescriptionEditor(int row, std::string_view text) {
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    const int item = ItemOfRow(row);
    if (item < 0 || !SendMessageW(mappingList_, LVM_GETITEMRECT, static_cast<WPARAM>(item),
                                  reinterpret_cast<LPARAM>(&bounds)))
        return;
    RECT list{};
    GetWindowRect(mappingList_, &list);
    MapWindowPoints(nullptr, window_.Get(), reinterpret_cast<POINT*>(&list), 2);
    POINT rowTop{0, bounds.top};
    MapWindowPoints(mappingList_, window_.Get(), &rowTop, 1);
    // Over the middle of the list at the row's height, a little up and left; the shadow the
    // same distance down and right.
    const int offset = MulDiv(50, static_cast<int>(dpi_), kTwipsPerInch);
    const int width = MulDiv(3300, static_cast<int>(dpi_), kTwipsPerInch);
    const int height = std::max<int>(bounds.bottom - bounds.top, Scale(20, dpi_));
    const int left = list.left + (list.right - list.left) / 2 - offset;
    const int top = rowTop.y - offset;
    SetWindowPos(descriptionShadow_, HWND_TOP, left + 2 * offset, top + 2 * offset, width, height,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    SetWindowPos(descriptionEditor_, HWND_TOP, left, top, width, height,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    SetWindowTextW(descriptionEditor_, WideFromUtf8(text).c_str());
    SendMessageW(descriptionEditor_, EM_SETSEL, 0, -1);
    descriptionOpen_ = true;
    SetFocus(descriptionEditor_);
}

void EditorWindow::CloseDescriptionEditor() {
    descriptionOpen_ = false;
    if (GetFocus() == descriptionEditor_)
        SetFocus(mappingList_);
    ShowWindow(descriptionEditor_, SW_HIDE);
    ShowWindow(descriptionShadow_, SW_HIDE);
}

void EditorWindow::ScrollRowIntoView(int row) {
    if (const int item = ItemOfRow(row); item >= 0)
        SendMessageW(mappingList_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
}

bool EditorWindow::MappingCellBounds(int item, int column, RECT& bounds) const {
    const int position = PositionOfColumn(column);
    if (item < 0 || position < 0)
        return false;
    bounds = {};
    bounds.top = position;
    bounds.left = LVIR_BOUNDS;
    if (!SendMessageW(mappingList_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(item),
                      reinterpret_cast<LPARAM>(&bounds)))
        return false;
    // The first column's bounds are the whole row's.
    if (column == 0)
        bounds.right =
            bounds.left + static_cast<LONG>(SendMessageW(mappingList_, LVM_GETCOLUMNWIDTH, 0, 0));
    return true;
}

void EditorWindow::ScrollCellIntoView(int row, int column) {
    if (row >= 0)
        ScrollRowIntoView(row);
    const int item = row >= 0 ? ItemOfRow(row) : -1;
    const int anyItem =
        item >= 0 ? item : static_cast<int>(SendMessageW(mappingList_, LVM_GETTOPINDEX, 0, 0));
    RECT cell{};
    RECT client{};
    if (!MappingCellBounds(anyItem, column, cell) || !GetClientRect(mappingList_, &client))
        return;
    // As far as the cell needs, its left edge first when it is wider than the list.
    int dx = 0;
    if (cell.right > client.right)
        dx = std::min(cell.right - client.right, cell.left);
    if (cell.left + dx < 0)
        dx = cell.left;
    if (dx != 0)
        SendMessageW(mappingList_, LVM_SCROLL, static_cast<WPARAM>(dx), 0);
}

} // namespace qm::win32
