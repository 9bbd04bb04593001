// The main window's creation, controls, pictures, font and layout, at the window's DPI.
#include "editor/win32/main_window.h"

#include "core/error_trap.h"
#include "editor/editor_controller.h"
#include "editor/mapping_table.h"
#include "editor/win32/editor_commands.h"
#include "editor/win32/vantrel_ids.h"
#include "ui/win32/dpi.h"
#include "ui/win32/routed_procedures.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace qm::win32 {
namespace {

// No WS_CLIPCHILDREN: the frame does not paint its inside, the window does.
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES;

// The client size the window is designed for, at 96 DPI; also its minimum.
constexpr int kDesignedWidth = 760;
constexpr int kDesignedHeight = 540;

} // namespace

bool EditorWindow::Create(std::wstring_view caption) {
    if (!RegisterWindowClass(instance_,
                             {VANTREL_MAIN_WINDOW_CLASS, &RoutedProcedures::ForWindow<EditorWindow>,
                              VANTREL_PROGRAM_ICON}))
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

void EditorWindow::Show(int showCommand) {
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

void EditorWindow::OnDpiChanged(UINT dpi, const RECT* suggested) {
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

void EditorWindow::OnMinMaxInfo(MINMAXINFO& info) const {
    // No smaller than designed, no larger than the screen the window is on.
    const SIZE designed = DesignedWindowSize();
    info.ptMinTrackSize = {designed.cx, designed.cy};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(window_.Get(), MONITOR_DEFAULTTONEAREST), &monitor))
        info.ptMaxTrackSize = {monitor.rcMonitor.right - monitor.rcMonitor.left,
                               monitor.rcMonitor.bottom - monitor.rcMonitor.top};
}

SIZE EditorWindow::DesignedClientSize() const {
    return {Scale(kDesignedWidth, dpi_), Scale(kDesignedHeight, dpi_)};
}

SIZE EditorWindow::DesignedWindowSize() const {
    const SIZE client = DesignedClientSize();
    RECT bounds{0, 0, client.cx, client.cy};
    AdjustWindowRectForDpi(bounds, kStyle, true, kExStyle, dpi_);
    return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

void EditorWindow::CreateControls() {
    const HWND window = window_.Get();
    const auto child = [&](DWORD exStyle, const wchar_t* windowClass, const wchar_t* text,
                           DWORD style, int id) {
        const HWND control = CreateChildControl(window, instance_, exStyle, windowClass, text,
                                                WS_CLIPSIBLINGS | style, id);
        if (control == nullptr)
            throw std::runtime_error("a control of the main window could not be created");
        return control;
    };
    const auto subclass = [&](HWND control) { RouteControl(control, *this); };

    // Created in the order of the Tab key; the tab strip and the frame then go to the back
    // (TabInReadingOrder puts the tab strip back before the mapping list).
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
    std::size_t next = 0;
    for (const EditorCommand& command : EditorCommands())
        if (command.Place == CommandPlace::MappingButton && next < mappingButtons_.size())
            mappingButtons_[next++] =
                child(0, WC_BUTTONW, command.Caption,
                      WS_VISIBLE | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, command.Id);
    keyMappingLabel_ = child(0, WC_STATICW, L"Key Mapping:", WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE,
                             IDC_KEY_MAPPING_LABEL);
    keyMapping_ = child(WS_EX_CLIENTEDGE, WC_EDITW, L"",
                        WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, IDC_KEY_MAPPING);
    tabs_ = child(0, WC_TABCONTROLW, L"", WS_VISIBLE | WS_TABSTOP | TCS_FOCUSNEVER, IDC_TABS);
    descriptionShadow_ = child(0, WC_STATICW, L"", 0, IDC_DESCRIPTION_SHADOW);
    startHint_ = child(0, WC_STATICW, L"", SS_CENTER | SS_NOPREFIX, IDC_START_HINT);
    descriptionEditor_ =
        child(0, WC_EDITW, L"", WS_BORDER | ES_AUTOHSCROLL, IDC_DESCRIPTION_EDITOR);
    statusBar_ = child(0, STATUSCLASSNAMEW, L"", WS_VISIBLE, IDC_STATUS_BAR);

    SetUpControls();
    for (const HWND control : {configurationList_, tabs_, mappingList_}) {
        subclass(control);
        DragAcceptFiles(control, TRUE);
    }
    subclass(descriptionEditor_);
}

bool EditorWindow::TabInReadingOrder(const MSG& message, std::uint16_t mask) {
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || (mask & ~kShiftMask) != 0)
        return false;
    std::vector<HWND> order{configurationList_, tabs_, mappingList_, deviceList_};
    order.insert(order.end(), mappingButtons_.begin(), mappingButtons_.end());
    order.push_back(keyMapping_);
    const auto at = std::find(order.begin(), order.end(), GetFocus());
    if (at == order.end())
        return false; // the Description editor moves on as the dialog manager moves it
    const std::size_t count = order.size();
    const auto from = static_cast<std::size_t>(at - order.begin());
    for (std::size_t step = 1; step < count; ++step) {
        const HWND next = order[(from + ((mask & kShiftMask) != 0 ? count - step : step)) % count];
        if (!IsWindowVisible(next) || !IsWindowEnabled(next))
            continue;
        SendMessageW(window_.Get(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
        SetFocus(next);
        if (next == keyMapping_)
            SendMessageW(next, EM_SETSEL, 0, -1);
        break;
    }
    return true;
}

void EditorWindow::SetUpControls() {
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

    // Three panels: the status text (half), the button held, the axis moved last.
    const int parts[] = {300, 450, -1};
    SendMessageW(statusBar_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));

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

void EditorWindow::ApplyPictures() {
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

void EditorWindow::ApplyButtonPictures() {
    SendMessageW(mappingButtons_[0], BM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(pictures_.RecordPicture(states_.Recording)));
    SendMessageW(mappingButtons_[3], BM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(pictures_.TestPicture(states_.Testing)));
}

void EditorWindow::ApplyFont() {
    const LOGFONTW description = MessageFont(dpi_);
    UniqueFont font(CreateFontIndirectW(&description));
    if (!font)
        return;
    for (const HWND control :
         {configurationList_, tabs_, mappingList_, deviceFrame_, deviceList_, keyMappingLabel_,
          keyMapping_, statusBar_, descriptionEditor_, startHint_}) {
        if (control != nullptr)
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    }
    for (const HWND button : mappingButtons_)
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    // The controls use the new font before the old one is deleted.
    font_ = std::move(font);
}

void EditorWindow::Layout() {
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
    const int parts[] = {width / 2, width * 3 / 4, -1};
    SendMessageW(statusBar_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));

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

    const int frameTop = LayoutDeviceFrame(left, right, keyRowTop - margin);
    const int tabsBottom = frameTop - margin;
    MoveWindow(tabs_, left, top, std::max(right - left, 0), std::max(tabsBottom - top, 0), TRUE);
    RECT display{0, 0, std::max(right - left, 0), std::max(tabsBottom - top, 0)};
    SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
    MoveWindow(mappingList_, left + display.left, top + display.top,
               std::max<int>(display.right - display.left, 0),
               std::max<int>(display.bottom - display.top, 0), TRUE);
    // The start hint across the middle of the same area.
    const int hintHeight = s(40);
    MoveWindow(startHint_, left + s(12), top + std::max(tabsBottom - top - hintHeight, 0) / 2,
               std::max(right - left - s(24), 0), hintHeight, TRUE);
}

int EditorWindow::LayoutDeviceFrame(int left, int right, int bottom) {
    const auto s = [&](int length) { return Scale(length, dpi_); };
    const int buttonWidth = s(88);
    const int buttonHeight = s(28);
    const int gap = s(6);
    const int inset = s(10);
    const int frameHeight = s(20) + 2 * buttonHeight + gap + inset;
    const int frameTop = bottom - frameHeight;
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

    return frameTop;
}

} // namespace qm::win32
