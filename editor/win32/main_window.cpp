#include "editor/win32/main_window.h"

#include "core/error_trap.h"
#include "core/key_names.h"
#include "core/text.h"
#include "core/win32/win32_text.h"
#include "editor/editor_controller.h"
#include "editor/mapping_table.h"
#include "editor/win32/preferences_dialog.h"
#include "editor/win32/vantrel_ids.h"
#include "ui/win32/dpi.h"
#include "ui/win32/dropped_files.h"
#include "ui/win32/routed_procedures.h"
#include "ui/win32/shell_icons.h"

#include <windowsx.h>

#include <algorithm>
#include <stdexcept>

namespace qm::win32 {
namespace {

// No WS_CLIPCHILDREN: the frame does not paint its inside, the window does.
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES;

// The client size the window is designed for, at 96 DPI; also its minimum.
constexpr int kDesignedWidth = 760;
constexpr int kDesignedHeight = 540;
// Key columns are no wider than 1700 twips.
constexpr int kKeyColumnMaxTwips = 1700;
constexpr int kTwipsPerInch = 1440;

constexpr const wchar_t* kNoDevicesRow = L"No Input Devices Found.";

// The seven mapping buttons, in mappingButtons_ order (their flags follow the same order).
struct MappingButton {
    int Id;
    const wchar_t* Caption;
};
constexpr MappingButton kMappingButtons[] = {
    {IDC_RECORD, L"Record"},  {IDC_CLEAR_ROW, L"Clear Row"}, {IDC_CLEAR_ITEM, L"Clear Item"},
    {IDC_TEST, L"Test"},      {IDC_REMOVE, L"Remove"},       {IDC_ADD, L"Add"},
    {IDC_REPLACE, L"Replace"}};

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

int IndexOfKey(const std::vector<std::string>& keys, std::string_view key) {
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (EqualsIgnoreCase(keys[i], key))
            return static_cast<int>(i);
    return -1;
}

void SetListItemText(HWND list, int item, int subItem, const std::wstring& text) {
    LVITEMW cell{};
    cell.iSubItem = subItem;
    cell.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&cell));
}

} // namespace

MainWindow::MainWindow(HINSTANCE instance, Win32Dialogs& dialogs)
    : instance_(instance), dialogs_(dialogs), testWindow_(instance, dialogs) {}

MainWindow::~MainWindow() {
    controller_ = nullptr;
    poll_.Stop();
    // The window and its controls go first, then the pictures and fonts they showed.
    window_.Reset();
}

bool MainWindow::Create(std::wstring_view caption) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &RoutedProcedures::ForWindow<MainWindow>;
    windowClass.hInstance = instance_;
    windowClass.hIcon = static_cast<HICON>(
        LoadImageW(instance_, VANTREL_PROGRAM_ICON, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance_, VANTREL_PROGRAM_ICON, IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = VANTREL_MAIN_WINDOW_CLASS;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    const std::wstring text(caption);
    const HWND window =
        CreateWindowExW(kExStyle, VANTREL_MAIN_WINDOW_CLASS, text.c_str(), kStyle, CW_USEDEFAULT,
                        CW_USEDEFAULT, 800, 600, nullptr, nullptr, instance_, this);
    if (window == nullptr)
        return false;
    DragAcceptFiles(window, TRUE);
    return true;
}

void MainWindow::Show(int showCommand) {
    const HWND window = window_.Get();
    const SIZE size = DesignedWindowSize();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    int left = 0;
    int top = 0;
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        const RECT& work = monitor.rcWork;
        left = work.left + std::max(0L, (work.right - work.left - size.cx) / 2);
        top = work.top + std::max(0L, (work.bottom - work.top - size.cy) / 3);
    }
    SetWindowPos(window, nullptr, left, top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = window_.Get();
    switch (message) {
    case WM_CREATE: {
        bool created = false;
        RunTrapped(dialogs_, "Form_Load", [&] {
            dpi_ = WindowDpi(window);
            shadowBrush_.Reset(CreateSolidBrush(RGB(112, 112, 112)));
            if (!pictures_.Load(instance_, dpi_))
                throw std::runtime_error("the window's pictures could not be loaded");
            CreateMenus();
            CreateControls();
            ApplyPictures();
            ApplyFont();
            Layout();
            created = true;
        });
        return created ? 0 : -1;
    }
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED)
            RunTrapped(dialogs_, "Form_Resize", [&] { Layout(); });
        return 0;
    case WM_GETMINMAXINFO:
        OnMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == descriptionShadow_ && shadowBrush_)
            return reinterpret_cast<LRESULT>(shadowBrush_.Get());
        break;
    case WM_ACTIVATE:
        // As a dialog does: the focused control is remembered while the window is inactive.
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus != nullptr && IsChild(window, focus))
                focusOnActivate_ = focus;
        }
        break;
    case WM_SETFOCUS:
        if (focusOnActivate_ != nullptr && IsChild(window, focusOnActivate_) &&
            IsWindowEnabled(focusOnActivate_) && IsWindowVisible(focusOnActivate_)) {
            SetFocus(focusOnActivate_);
            return 0;
        }
        break;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_QUERYENDSESSION:
        return controller_ == nullptr || controller_->ClosingProceeds() ? TRUE : FALSE;
    case WM_ENDSESSION:
        if (wParam != FALSE && controller_ != nullptr)
            controller_->Shutdown();
        return 0;
    case WM_SETCURSOR:
        if (busy_ && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETNONCLIENTMETRICS)
            RunTrapped(dialogs_, "Form_Resize", [&] {
                ApplyFont();
                Layout();
            });
        break;
    case WM_DESTROY:
        // A window destroyed from outside ends the program rather than leaving it headless.
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT MainWindow::HandleControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DROPFILES) {
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    }
    if (control == descriptionEditor_)
        return OnDescriptionEditorMessage(control, message, wParam, lParam);
    if (control == mappingList_) {
        switch (message) {
        case WM_GETDLGCODE:
            // Arrows and characters stay with the list; Tab still moves on.
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_KEYDOWN:
        case WM_CHAR:
            // Keys never move the selection: the selected row is the one recording writes to.
            return 0;
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
        case WM_SYSCHAR:
            // While recording, ALT combinations are keys to record, not menu or window keys.
            if (states_.Recording)
                return 0;
            break;
        case WM_KEYUP:
            if (wParam == VK_DELETE && controller_ != nullptr)
                controller_->DeleteKeyReleased();
            break;
        default:
            if (OnMappingListMouse(message, lParam))
                return 0;
            break;
        }
    } else if (control == configurationList_) {
        if (message == WM_KEYDOWN || message == WM_CHAR)
            return 0; // the selection is the controller's, made by the mouse
        if (OnConfigurationListMouse(message, lParam))
            return 0;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

bool MainWindow::OnConfigurationListMouse(UINT message, LPARAM lParam) {
    if (message != WM_LBUTTONDOWN && message != WM_RBUTTONDOWN && message != WM_LBUTTONDBLCLK &&
        message != WM_RBUTTONDBLCLK)
        return false;
    // The list selects nothing itself: the controller selects the entry pressed.
    SetFocus(configurationList_);
    if (controller_ == nullptr)
        return true;
    const std::string key = ConfigurationKeyAt({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    if (message == WM_LBUTTONDBLCLK)
        controller_->EntryDoubleClicked(key);
    else
        controller_->EntryPressed(key, message != WM_LBUTTONDOWN);
    return true;
}

bool MainWindow::OnMappingListMouse(UINT message, LPARAM lParam) {
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
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

LRESULT MainWindow::OnDescriptionEditorMessage(HWND control, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE:
        // Enter commits the text here rather than pressing a default button.
        if (lParam != 0 && reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN &&
            reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN)
            return DLGC_WANTALLKEYS;
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            CommitDescription();
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\r' || wParam == L'\n')
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

void MainWindow::CommitDescription() {
    if (!descriptionOpen_)
        return;
    descriptionOpen_ = false;
    const std::string text = Utf8FromWide(WindowText(descriptionEditor_));
    if (controller_ != nullptr)
        controller_->DescriptionCommitted(text);
}

LRESULT MainWindow::OnNotify(NMHDR& header) {
    if (header.hwndFrom == mappingList_) {
        switch (header.code) {
        case LVN_GETDISPINFOW:
            OnMappingListText(reinterpret_cast<NMLVDISPINFOW&>(header));
            return 0;
        case NM_CUSTOMDRAW:
            return OnMappingListDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
        case LVN_COLUMNCLICK:
            if (controller_ != nullptr)
                controller_->ColumnClicked(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
            return 0;
        default:
            return 0;
        }
    }
    if (header.hwndFrom == configurationList_ && header.code == NM_CUSTOMDRAW)
        return OnConfigurationListDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
    if (header.hwndFrom == tabs_ && header.code == TCN_SELCHANGE) {
        const auto index = SendMessageW(tabs_, TCM_GETCURSEL, 0, 0);
        if (controller_ != nullptr && index >= 0 &&
            static_cast<std::size_t>(index) < tabKeys_.size())
            controller_->TabChosen(std::string(tabKeys_[static_cast<std::size_t>(index)]));
        return 0;
    }
    return 0;
}

void MainWindow::OnMappingListText(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    const MappingTable* table =
        controller_ != nullptr ? controller_->Configurations().Shown() : nullptr;
    if ((item.mask & LVIF_IMAGE) != 0) {
        // A row whose button is held while testing shows the held key-cap.
        const bool held = table != nullptr && item.iItem >= 0 && item.iItem < table->RowCount() &&
                          table->RowColour(item.iItem) == rowcolour::Pressed;
        item.iImage = held ? 1 : 0;
    }
    if ((item.mask & LVIF_TEXT) == 0 || item.pszText == nullptr || item.cchTextMax <= 0)
        return;
    item.pszText[0] = L'\0';
    if (table == nullptr || item.iItem < 0 || item.iItem >= table->RowCount() ||
        item.iSubItem < 0 || item.iSubItem >= kColumnCount)
        return;
    const std::wstring text = WideFromUtf8(table->Row(item.iItem)[item.iSubItem].Text);
    lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
}

LRESULT MainWindow::OnMappingListDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const MappingTable* table =
            controller_ != nullptr ? controller_->Configurations().Shown() : nullptr;
        const auto row = static_cast<int>(draw.nmcd.dwItemSpec);
        if (table != nullptr && row >= 0 && row < table->RowCount()) {
            // The row's state is its background; the system's selection look is not used.
            draw.clrTextBk = static_cast<COLORREF>(table->RowColour(row));
            draw.clrText = GetSysColor(COLOR_WINDOWTEXT);
            draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
        }
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

LRESULT MainWindow::OnConfigurationListDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const auto index = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
        if (index < entryColours_.size())
            draw.clrText = entryColours_[index];
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

void MainWindow::OnClose() {
    if (controller_ == nullptr) {
        PostQuitMessage(0);
        return;
    }
    if (!IsWindowEnabled(window_.Get()) || !controller_->ClosingProceeds())
        return;
    controller_->Shutdown();
}

void MainWindow::OnDropFiles(HDROP drop) {
    const std::vector<std::string> paths = TakeDroppedFiles(drop);
    if (controller_ != nullptr && IsWindowEnabled(window_.Get()))
        controller_->DropFiles(paths);
}

void MainWindow::OnDpiChanged(UINT dpi, const RECT* suggested) {
    RunTrapped(dialogs_, "Form_Resize", [&] {
        dpi_ = dpi;
        if (!pictures_.Load(instance_, dpi_))
            throw std::runtime_error("the window's pictures could not be loaded");
        ApplyPictures();
        ApplyFont();
        if (suggested != nullptr)
            SetWindowPos(window_.Get(), nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        Layout();
        FitMappingColumns();
        RedrawWindow(window_.Get(), nullptr, nullptr,
                     RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
    });
}

void MainWindow::OnMinMaxInfo(MINMAXINFO& info) const {
    // No smaller than designed, no larger than the screen the window is on.
    const SIZE designed = DesignedWindowSize();
    info.ptMinTrackSize = {designed.cx, designed.cy};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(window_.Get(), MONITOR_DEFAULTTONEAREST), &monitor))
        info.ptMaxTrackSize = {monitor.rcMonitor.right - monitor.rcMonitor.left,
                               monitor.rcMonitor.bottom - monitor.rcMonitor.top};
}

SIZE MainWindow::DesignedClientSize() const {
    return {Scale(kDesignedWidth, dpi_), Scale(kDesignedHeight, dpi_)};
}

SIZE MainWindow::DesignedWindowSize() const {
    const SIZE client = DesignedClientSize();
    RECT bounds{0, 0, client.cx, client.cy};
    AdjustWindowRectForDpi(bounds, kStyle, true, kExStyle, dpi_);
    return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

void MainWindow::CreateControls() {
    const HWND window = window_.Get();
    const auto child = [&](DWORD exStyle, const wchar_t* windowClass, const wchar_t* text,
                           DWORD style, int id) {
        const HWND control = CreateWindowExW(
            exStyle, windowClass, text, WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 10, 10, window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
        if (control == nullptr)
            throw std::runtime_error("a control of the main window could not be created");
        return control;
    };
    const auto subclass = [&](HWND control) { RouteControl(control, *this); };

    // Created in the order of the Tab key; the tab strip and the frame then go to the back.
    toolbar_ = child(0, TOOLBARCLASSNAMEW, nullptr,
                     WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
                         CCS_NOPARENTALIGN | CCS_NORESIZE,
                     IDC_TOOLBAR);
    AddToolbarButtons();

    configurationList_ = child(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                               WS_VISIBLE | WS_TABSTOP | LVS_ICON | LVS_SINGLESEL |
                                   LVS_SHOWSELALWAYS | LVS_AUTOARRANGE | LVS_SHAREIMAGELISTS,
                               IDC_CONFIGURATION_LIST);
    mappingList_ = child(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                         WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL |
                             LVS_SHAREIMAGELISTS,
                         IDC_MAPPING_LIST);
    deviceFrame_ =
        child(0, WC_BUTTONW, L"Input Devices", WS_VISIBLE | BS_GROUPBOX, IDC_DEVICE_FRAME);
    deviceList_ = child(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                        WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER |
                            LVS_SHAREIMAGELISTS,
                        IDC_DEVICE_LIST);
    for (std::size_t i = 0; i < mappingButtons_.size(); ++i)
        mappingButtons_[i] =
            child(0, WC_BUTTONW, kMappingButtons[i].Caption,
                  WS_VISIBLE | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, kMappingButtons[i].Id);
    keyMappingLabel_ = child(0, WC_STATICW, L"Key Mapping:", WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE,
                             IDC_KEY_MAPPING_LABEL);
    keyMapping_ = child(WS_EX_CLIENTEDGE, WC_EDITW, L"",
                        WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, IDC_KEY_MAPPING);
    tabs_ = child(0, WC_TABCONTROLW, L"", WS_VISIBLE | WS_TABSTOP | TCS_FOCUSNEVER, IDC_TABS);
    descriptionShadow_ = child(0, WC_STATICW, L"", 0, IDC_DESCRIPTION_SHADOW);
    descriptionEditor_ =
        child(0, WC_EDITW, L"", WS_BORDER | ES_AUTOHSCROLL, IDC_DESCRIPTION_EDITOR);
    statusBar_ = child(0, STATUSCLASSNAMEW, L"", WS_VISIBLE, IDC_STATUS_BAR);

    SendMessageW(configurationList_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_DOUBLEBUFFER,
                 LVS_EX_DOUBLEBUFFER);
    SendMessageW(mappingList_, LVM_SETEXTENDEDLISTVIEWSTYLE,
                 LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER,
                 LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    SendMessageW(deviceList_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                 LVS_EX_FULLROWSELECT);

    // The configuration list's report columns are not shown in its icon view: they carry the
    // entry name and the file state for whoever reads the list.
    static constexpr const wchar_t* kEntryColumns[] = {L"Name", L"Entry", L"State"};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(kEntryColumns[i]);
        column.cx = 100;
        column.iSubItem = i;
        SendMessageW(configurationList_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
    LVCOLUMNW devices{};
    devices.mask = LVCF_TEXT | LVCF_WIDTH;
    devices.pszText = const_cast<wchar_t*>(L"DirectInput Devices");
    devices.cx = 200;
    SendMessageW(deviceList_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&devices));
    ShowDevices({});
    CreateMappingColumns();

    for (const HWND control : {configurationList_, tabs_, mappingList_}) {
        subclass(control);
        DragAcceptFiles(control, TRUE);
    }
    subclass(descriptionEditor_);

    // Two panels: the status text (three quarters), then the rest.
    const int parts[] = {300, -1};
    SendMessageW(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));

    // The lists lie on the tab strip, the devices list and the buttons in their frame.
    SetWindowPos(deviceFrame_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(tabs_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    // The placeholder tab and list while nothing is open.
    TCITEMW tab{};
    tab.mask = TCIF_TEXT | TCIF_IMAGE;
    tab.pszText = const_cast<wchar_t*>(L"");
    tab.iImage = -1;
    SendMessageW(tabs_, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&tab));
    tabKeys_ = {std::string(kBlankKey)};
    ShowMappingList(nullptr);
}

void MainWindow::CreateMappingColumns() {
    const auto& titles = MappingColumnTitles();
    for (int i = 0; i < static_cast<int>(titles.size()); ++i) {
        const std::wstring title = WideFromUtf8(titles[static_cast<std::size_t>(i)]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = IsCentredColumn(i) ? LVCFMT_CENTER : LVCFMT_LEFT;
        column.pszText = const_cast<wchar_t*>(title.c_str());
        column.cx = 80;
        column.iSubItem = i;
        SendMessageW(mappingList_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
}

void MainWindow::ApplyPictures() {
    const int large = Scale(32, dpi_);
    const int small = Scale(16, dpi_);
    UniqueImageList entriesLarge(ImageList_Create(large, large, ILC_COLOR32 | ILC_MASK, 8, 8));
    UniqueImageList entriesSmall(ImageList_Create(small, small, ILC_COLOR32 | ILC_MASK, 8, 8));
    if (!entriesLarge || !entriesSmall)
        throw std::runtime_error("the image lists could not be created");

    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(pictures_.Toolbar()));
    SendMessageW(configurationList_, LVM_SETIMAGELIST, LVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(entriesLarge.Get()));
    SendMessageW(configurationList_, LVM_SETIMAGELIST, LVSIL_SMALL,
                 reinterpret_cast<LPARAM>(entriesSmall.Get()));
    SendMessageW(tabs_, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(entriesSmall.Get()));
    SendMessageW(mappingList_, LVM_SETIMAGELIST, LVSIL_SMALL,
                 reinterpret_cast<LPARAM>(pictures_.Rows()));
    const auto header = reinterpret_cast<HWND>(SendMessageW(mappingList_, LVM_GETHEADER, 0, 0));
    if (header != nullptr)
        SendMessageW(header, HDM_SETIMAGELIST, 0,
                     reinterpret_cast<LPARAM>(pictures_.HeaderMarkers()));
    // The controls show the new lists before the old ones go.
    entriesLarge_ = std::move(entriesLarge);
    entriesSmall_ = std::move(entriesSmall);
    entryImageOf_.clear();
    MarkKeyColumn(markedColumn_, markedRecording_);
    ApplyButtonPictures();
    ApplyMenuPictures();
    // The entries and tabs take their pictures again, from the new lists.
    entryKeys_.clear();
    if (controller_ != nullptr)
        ShowConfigurations(controller_->Configurations());
}

void MainWindow::ApplyButtonPictures() {
    SendMessageW(mappingButtons_[0], BM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(pictures_.RecordPicture(states_.Recording)));
    SendMessageW(mappingButtons_[3], BM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(pictures_.TestPicture(states_.Testing)));
}

void MainWindow::ApplyFont() {
    const LOGFONTW description = MessageFont(dpi_);
    UniqueFont font(CreateFontIndirectW(&description));
    if (!font)
        return;
    for (const HWND control : {configurationList_, tabs_, mappingList_, deviceFrame_, deviceList_,
                               keyMappingLabel_, keyMapping_, statusBar_, descriptionEditor_}) {
        if (control != nullptr)
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    }
    for (const HWND button : mappingButtons_)
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    // The controls use the new font before the old one is deleted.
    font_ = std::move(font);
}

void MainWindow::Layout() {
    const HWND window = window_.Get();
    if (window == nullptr || statusBar_ == nullptr || IsIconic(window))
        return;
    const auto s = [&](int length) { return Scale(length, dpi_); };
    RECT client{};
    GetClientRect(window, &client);
    const int width = client.right;
    const int height = client.bottom;

    // Toolbar on top, status bar at the bottom with its two panels.
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    const auto buttonSize = static_cast<DWORD>(SendMessageW(toolbar_, TB_GETBUTTONSIZE, 0, 0));
    const int toolbarHeight = HIWORD(buttonSize) + s(4);
    MoveWindow(toolbar_, s(2), s(2), width - s(4), toolbarHeight, TRUE);
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
    RECT status{};
    GetWindowRect(statusBar_, &status);
    const int statusHeight = status.bottom - status.top;
    const int parts[] = {width * 3 / 4, -1};
    SendMessageW(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));

    const int margin = s(6);
    const int top = s(2) + toolbarHeight + s(4);
    const int bottom = height - statusHeight - margin;

    // The configuration list down the left side.
    const int listWidth = s(150);
    MoveWindow(configurationList_, margin, top, listWidth, std::max(bottom - top, 0), TRUE);
    SendMessageW(configurationList_, LVM_ARRANGE, LVA_DEFAULT, 0);

    // On the right, from the bottom up: the "Key Mapping:" row, the devices frame with the
    // buttons, then the tab strip with the mapping list over the rest.
    const int left = margin + listWidth + margin;
    const int right = width - margin;
    const int rowHeight = s(23);
    const int keyRowTop = bottom - rowHeight;
    const int labelWidth = s(80);
    MoveWindow(keyMappingLabel_, left, keyRowTop, labelWidth, rowHeight, TRUE);
    MoveWindow(keyMapping_, left + labelWidth, keyRowTop, std::max(right - left - labelWidth, 0),
               rowHeight, TRUE);

    const int buttonWidth = s(88);
    const int buttonHeight = s(28);
    const int gap = s(6);
    const int inset = s(10);
    const int frameHeight = s(20) + 2 * buttonHeight + gap + inset;
    const int frameTop = keyRowTop - margin - frameHeight;
    MoveWindow(deviceFrame_, left, frameTop, std::max(right - left, 0), frameHeight, TRUE);
    const int rowsTop = frameTop + s(20);
    const int buttonsLeft = right - inset - 4 * buttonWidth - 3 * gap;
    for (std::size_t i = 0; i < mappingButtons_.size(); ++i) {
        const int column = static_cast<int>(i % 4);
        const int row = static_cast<int>(i / 4);
        MoveWindow(mappingButtons_[i], buttonsLeft + column * (buttonWidth + gap),
                   rowsTop + row * (buttonHeight + gap), buttonWidth, buttonHeight, TRUE);
    }
    const int devicesLeft = left + inset;
    const int devicesWidth = std::max(buttonsLeft - gap - devicesLeft, 0);
    MoveWindow(deviceList_, devicesLeft, rowsTop, devicesWidth, 2 * buttonHeight + gap, TRUE);
    SendMessageW(deviceList_, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);

    const int tabsBottom = frameTop - margin;
    MoveWindow(tabs_, left, top, std::max(right - left, 0), std::max(tabsBottom - top, 0), TRUE);
    RECT display{0, 0, std::max(right - left, 0), std::max(tabsBottom - top, 0)};
    SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    MoveWindow(mappingList_, left + display.left, top + display.top,
               std::max<int>(display.right - display.left, 0),
               std::max<int>(display.bottom - display.top, 0), TRUE);
}

void MainWindow::FitMappingColumns() {
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
    for (int c = 0; c < kColumnCount; ++c) {
        int title = textWidth(titles[static_cast<std::size_t>(c)]) + padding;
        if (IsKeyColumn(c))
            title += picture + headerPadding;
        int width = title;
        if (table != nullptr)
            for (const PackedRow& row : table->Rows())
                width = std::max(width, textWidth(std::string(row.Text(c))) + padding +
                                            (c == 0 ? picture : 0));
        // Long key texts are cut at the key columns' width, the titles never.
        if (IsKeyColumn(c))
            width = std::min(width, std::max(keyColumnMax, title));
        SendMessageW(mappingList_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), width);
    }
}

MainWindow::Cell MainWindow::MappingCellAt(POINT point) const {
    LVHITTESTINFO hit{};
    hit.pt = point;
    if (SendMessageW(mappingList_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0 ||
        hit.iItem < 0 || (hit.flags & LVHT_ONITEM) == 0)
        return {};
    return {hit.iItem, hit.iSubItem};
}

std::string MainWindow::ConfigurationKeyAt(POINT point) const {
    LVHITTESTINFO hit{};
    hit.pt = point;
    const auto item =
        SendMessageW(configurationList_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (item < 0 || (hit.flags & LVHT_ONITEM) == 0 ||
        static_cast<std::size_t>(item) >= entryKeys_.size())
        return {};
    return entryKeys_[static_cast<std::size_t>(item)];
}

int MainWindow::EntryImage(const std::string& iconSource) {
    const std::wstring path = WideFromUtf8(iconSource);
    const auto [known, added] = entryImageOf_.try_emplace(ShellIconSource(path), -1);
    if (!added)
        return known->second;
    // The shell asked once per source; the default icon where it has none.
    UniqueIcon large = LargeShellIcon(path);
    UniqueIcon small = SmallShellIcon(path);
    const int largeSize = Scale(32, dpi_);
    const int smallSize = Scale(16, dpi_);
    if (!large)
        large = LoadIconResource(instance_, MAKEINTRESOURCEW(IDI_DEFAULT), largeSize, largeSize);
    if (!small)
        small = LoadIconResource(instance_, MAKEINTRESOURCEW(IDI_DEFAULT), smallSize, smallSize);
    if (!large || !small)
        return -1;
    const int index = ImageList_AddIcon(entriesLarge_.Get(), large.Get());
    if (ImageList_AddIcon(entriesSmall_.Get(), small.Get()) != index)
        return -1;
    known->second = index;
    return index;
}

void MainWindow::SetStatusText(std::string_view text) {
    SetStatusPanel(0, statusText_, text);
}

void MainWindow::SetStatusPanel(int panel, std::string& shown, std::string_view text) {
    if (text == shown)
        return;
    shown.assign(text);
    const std::wstring wide = WideFromUtf8(text);
    SendMessageW(statusBar_, SB_SETTEXTW, static_cast<WPARAM>(panel),
                 reinterpret_cast<LPARAM>(wide.c_str()));
}

void MainWindow::SetCaption(std::string_view caption) {
    SetWindowTextW(window_.Get(), WideFromUtf8(caption).c_str());
}

void MainWindow::ShowConfigurations(const ConfigurationList& list) {
    // Entries: rebuilt when the keys or their order changed, otherwise updated in place.
    const auto& entries = list.Entries();
    std::vector<std::string> keys;
    keys.reserve(entries.size());
    for (const ConfigurationEntry& entry : entries)
        keys.push_back(entry.Key);
    const bool rebuild = keys != entryKeys_;
    SendMessageW(configurationList_, WM_SETREDRAW, FALSE, 0);
    if (rebuild)
        SendMessageW(configurationList_, LVM_DELETEALLITEMS, 0, 0);
    entryColours_.clear();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ConfigurationEntry& entry = entries[i];
        std::wstring text = WideFromUtf8(entry.Text);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
        item.iItem = static_cast<int>(i);
        item.pszText = text.data();
        item.iImage = EntryImage(entry.IconSource);
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT;
        const bool selected = EqualsIgnoreCase(entry.Key, list.SelectedKey());
        item.state =
            (selected ? LVIS_SELECTED | LVIS_FOCUSED : 0U) | (entry.Ghosted ? LVIS_CUT : 0U);
        SendMessageW(configurationList_, rebuild ? LVM_INSERTITEMW : LVM_SETITEMW, 0,
                     reinterpret_cast<LPARAM>(&item));
        SetListItemText(configurationList_, item.iItem, 1, WideFromUtf8(entry.Key));
        SetListItemText(configurationList_, item.iItem, 2, std::to_wstring(entry.State));
        entryColours_.push_back(static_cast<COLORREF>(entry.TextColour));
    }
    entryKeys_ = std::move(keys);
    SendMessageW(configurationList_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(configurationList_, nullptr, TRUE);

    // Tabs: the placeholder's text is empty and it has no picture.
    const auto tabRowHeight = [&] {
        RECT tab{};
        SendMessageW(tabs_, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab));
        return tab.bottom - tab.top;
    };
    const LONG heightBefore = tabRowHeight();
    const auto& tabs = list.Tabs();
    if (tabs != tabKeys_) {
        SendMessageW(tabs_, TCM_DELETEALLITEMS, 0, 0);
        tabKeys_.clear();
    }
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        const ConfigurationEntry* entry =
            EqualsIgnoreCase(tabs[i], kBlankKey) ? nullptr : list.Find(tabs[i]);
        std::wstring text = entry != nullptr ? WideFromUtf8(entry->Text) : L"";
        TCITEMW tab{};
        tab.mask = TCIF_TEXT | TCIF_IMAGE;
        tab.pszText = text.data();
        tab.iImage = entry != nullptr ? EntryImage(entry->IconSource) : -1;
        SendMessageW(tabs_, tabKeys_.size() > i ? TCM_SETITEMW : TCM_INSERTITEMW, i,
                     reinterpret_cast<LPARAM>(&tab));
    }
    tabKeys_ = tabs;
    const int current = IndexOfKey(tabKeys_, list.CurrentKey());
    SendMessageW(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(std::max(current, 0)), 0);
    // The tab row is higher once a tab has a picture: the mapping list moves down.
    if (tabRowHeight() != heightBefore)
        Layout();

    // Scroll positions of configurations no longer open are forgotten.
    for (auto it = scrollPositions_.begin(); it != scrollPositions_.end();)
        it = list.IsOpen(it->first) ? std::next(it) : scrollPositions_.erase(it);
}

void MainWindow::ScrollEntryIntoView(std::string_view key) {
    const int index = IndexOfKey(entryKeys_, key);
    if (index >= 0)
        SendMessageW(configurationList_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
}

void MainWindow::SaveScrollPosition() {
    if (shownKey_.empty() || EqualsIgnoreCase(shownKey_, kBlankKey))
        return;
    const auto top = SendMessageW(mappingList_, LVM_GETTOPINDEX, 0, 0);
    scrollPositions_[shownKey_] = {GetScrollPos(mappingList_, SB_HORZ), static_cast<LONG>(top)};
}

void MainWindow::RestoreScrollPosition(const std::string& key) {
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

void MainWindow::ShowMappingList(const MappingTable* table) {
    const std::string key = table != nullptr && controller_ != nullptr
                                ? controller_->Configurations().CurrentKey()
                                : std::string(kBlankKey);
    const bool sameList = EqualsIgnoreCase(key, shownKey_);
    if (!sameList)
        SaveScrollPosition();
    const int rows = table != nullptr ? table->RowCount() : 0;
    SendMessageW(mappingList_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(mappingList_, LVM_SETBKCOLOR, 0,
                 static_cast<LPARAM>(table != nullptr ? kListBackColour : kPlaceholderBackColour));
    SendMessageW(mappingList_, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows),
                 sameList ? LVSICF_NOSCROLL : 0);
    FitMappingColumns();
    shownKey_ = key;
    EnableWindow(mappingList_, table != nullptr);
    SendMessageW(mappingList_, WM_SETREDRAW, TRUE, 0);
    // Scrolling takes effect only while the list redraws.
    if (!sameList) {
        SendMessageW(mappingList_, LVM_ENSUREVISIBLE, 0, FALSE);
        RestoreScrollPosition(key);
    }
    InvalidateRect(mappingList_, nullptr, TRUE);
}

void MainWindow::RedrawMappingRows() {
    InvalidateRect(mappingList_, nullptr, FALSE);
}

void MainWindow::FocusMappingList() {
    SetFocus(mappingList_);
}

void MainWindow::MarkKeyColumn(int column, bool recording) {
    markedColumn_ = column;
    markedRecording_ = recording;
    const auto header = reinterpret_cast<HWND>(SendMessageW(mappingList_, LVM_GETHEADER, 0, 0));
    if (header == nullptr)
        return;
    for (int c = col::FirstPress; c < kColumnCount; ++c) {
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

void MainWindow::ShowDevices(const std::vector<std::string>& names) {
    SendMessageW(deviceList_, LVM_DELETEALLITEMS, 0, 0);
    std::vector<std::wstring> rows;
    for (const std::string& name : names)
        rows.push_back(WideFromUtf8(name));
    if (rows.empty())
        rows.emplace_back(kNoDevicesRow);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = rows[i].data();
        SendMessageW(deviceList_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(deviceList_, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
}

void MainWindow::SetKeyMappingText(std::string_view text) {
    SetWindowTextW(keyMapping_, WideFromUtf8(text).c_str());
}

void MainWindow::OpenDescriptionEditor(int row, std::string_view text) {
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    if (!SendMessageW(mappingList_, LVM_GETITEMRECT, static_cast<WPARAM>(row),
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

void MainWindow::CloseDescriptionEditor() {
    descriptionOpen_ = false;
    if (GetFocus() == descriptionEditor_)
        SetFocus(mappingList_);
    ShowWindow(descriptionEditor_, SW_HIDE);
    ShowWindow(descriptionShadow_, SW_HIDE);
}

void MainWindow::SetBusy(bool busy) {
    busy_ = busy;
    POINT cursor{};
    GetCursorPos(&cursor);
    const HWND under = WindowFromPoint(cursor);
    if (under == window_.Get() || IsChild(window_.Get(), under))
        SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void MainWindow::Minimize() {
    ShowWindow(window_.Get(), SW_MINIMIZE);
}

void MainWindow::Quit() {
    PostQuitMessage(0);
}

void MainWindow::PreviewMessage(const MSG& message) {
    if ((message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) ||
        controller_ == nullptr || !IsWindowEnabled(window_.Get()))
        return;
    const auto held = [](int key) { return GetKeyState(key) < 0; };
    const auto mask = static_cast<std::uint16_t>((held(VK_SHIFT) ? kShiftMask : 0) |
                                                 (held(VK_CONTROL) ? kCtrlMask : 0) |
                                                 (held(VK_MENU) ? kAltMask : 0));
    controller_->KeyPressed(static_cast<std::uint16_t>(message.wParam), mask);
}

void MainWindow::ShowPreferences() {
    if (controller_ == nullptr)
        return;
    ShowEditorPreferences(instance_, window_.Get(), controller_->Preferences(), dialogs_,
                          [this](const EngineTimings& timings) {
                              if (controller_ != nullptr)
                                  controller_->TakeOverTimings(timings);
                          });
}

void MainWindow::SetSecondStatusText(std::string_view text) {
    SetStatusPanel(1, secondStatusText_, text);
}

void MainWindow::ScrollRowIntoView(int row) {
    SendMessageW(mappingList_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void MainWindow::ShowTestWindow() {
    testWindow_.Show(window_.Get());
}

void MainWindow::CloseTestWindow() {
    testWindow_.Close();
}

void MainWindow::LogTestKey(std::string_view text) {
    testWindow_.AppendLine(text);
}

void MainWindow::SetPollTimer(bool enabled, int periodMs) {
    if (enabled)
        poll_.Start(periodMs);
    else
        poll_.Stop();
}

} // namespace qm::win32
