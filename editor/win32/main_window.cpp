// The main window: its messages, the configuration list, the tabs, the devices, the status
// bar and the view methods. The mapping list and the layout have files of their own.
#include "editor/win32/main_window.h"

#include "core/error_trap.h"
#include "core/key_names.h"
#include "core/text.h"
#include "core/win32/win32_text.h"
#include "editor/editor_controller.h"
#include "editor/win32/editor_commands.h"
#include "editor/win32/preferences_dialog.h"
#include "editor/win32/vantrel_ids.h"
#include "ui/win32/device_notifications.h"
#include "ui/win32/dpi.h"
#include "ui/win32/dropped_files.h"
#include "ui/win32/guide_browser.h"
#include "ui/win32/shell_icons.h"

#include <windowsx.h>

#include <algorithm>
#include <stdexcept>

namespace qm::win32 {
namespace {

constexpr const wchar_t* kNoDevicesRow = L"No Input Devices Found.";

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

// Posted by the live test's passes: what they changed is to be shown.
constexpr UINT kTestPassesMessage = WM_APP + 0x51;

EditorWindow::EditorWindow(HINSTANCE instance, Win32Dialogs& dialogs)
    : instance_(instance), dialogs_(dialogs), testWindow_(instance, dialogs) {}

EditorWindow::~EditorWindow() {
    testPasses_.Stop();
    controller_ = nullptr;
    poll_.Stop();
    // The window and its controls go first, then the pictures and fonts they showed.
    window_.Reset();
}

LRESULT EditorWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = window_.Get();
    if (LRESULT result = 0; handedOver_.Handle(window, message, wParam, lParam, result,
                                               [this](const std::string& path) {
                                                   if (controller_ == nullptr)
                                                       return false;
                                                   controller_->LoadHandedOver(path);
                                                   return true;
                                               }))
        return result;
    if (LRESULT result = 0;
        HandleMainWindowMessage(*this, waitPointer_, message, wParam, lParam, result))
        return result;
    switch (message) {
    case WM_CREATE:
        return OnCreate();
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
    case WM_SETFOCUS:
        if (focus_.OnMessage(window, message, wParam))
            return 0;
        break;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_HELP:
        // F1 in a dialog: the guide's page about it.
        if (const auto topic = HelpRequestTopic(lParam); topic && controller_ != nullptr)
            controller_->ShowGuide(*topic);
        return TRUE;
    case WM_DEVICECHANGE:
        if (SaysDevicesChanged(wParam) && controller_ != nullptr)
            controller_->DevicesChanged();
        return TRUE;
    case WM_CLOSE:
        OnClose();
        return 0;
    case kTestPassesMessage:
        if (controller_ != nullptr)
            controller_->ShowTestPasses();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void EditorWindow::OnMessageFontChanged() {
    RunTrapped(dialogs_, "Form_Resize", [&] {
        ApplyFont();
        Layout();
    });
}

LRESULT EditorWindow::OnCreate() {
    bool created = false;
    RunTrapped(dialogs_, "Form_Load", [&] {
        dpi_ = WindowDpi(window_.Get());
        shadowBrush_.Reset(CreateSolidBrush(RGB(112, 112, 112)));
        if (!pictures_.Load(instance_, dpi_))
            throw std::runtime_error("the window's pictures could not be loaded");
        CreateMenus();
        CreateControls();
        ApplyPictures();
        ApplyFont();
        Layout();
        // Boards and most controllers are HID devices: their comings and goings are heard.
        hidNotifications_ = RegisterHidNotifications(window_.Get());
        created = true;
    });
    return created ? 0 : -1;
}

bool EditorWindow::SessionMayEnd() {
    return controller_ == nullptr || controller_->ClosingProceeds();
}

void EditorWindow::OnEndSession() {
    if (controller_ != nullptr)
        controller_->Shutdown();
}

LRESULT EditorWindow::HandleControlMessage(HWND control, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_DROPFILES) {
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    }
    if (control == descriptionEditor_)
        return OnDescriptionEditorMessage(control, message, wParam, lParam);
    if (control == mappingList_) {
        if (const auto handled = OnMappingListMessage(message, wParam, lParam))
            return *handled;
    } else if (control == configurationList_) {
        if (message == WM_KEYDOWN || message == WM_CHAR)
            return 0; // the selection is the controller's, made by the mouse
        if (OnConfigurationListMouse(message, lParam))
            return 0;
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

bool EditorWindow::OnConfigurationListMouse(UINT message, LPARAM lParam) {
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

LRESULT EditorWindow::OnNotify(NMHDR& header) {
    if (header.hwndFrom == mappingList_)
        return OnMappingListNotify(header);
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

LRESULT EditorWindow::OnConfigurationListDraw(NMLVCUSTOMDRAW& draw) {
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

void EditorWindow::OnClose() {
    if (controller_ == nullptr) {
        PostQuitMessage(0);
        return;
    }
    if (!IsWindowEnabled(window_.Get()) || !controller_->ClosingProceeds())
        return;
    controller_->Shutdown();
}

void EditorWindow::OnDropFiles(HDROP drop) {
    const std::vector<std::string> paths = TakeDroppedFiles(drop);
    if (controller_ != nullptr && IsWindowEnabled(window_.Get()))
        controller_->DropFiles(paths);
}

std::string EditorWindow::ConfigurationKeyAt(POINT point) const {
    LVHITTESTINFO hit{};
    hit.pt = point;
    const auto item =
        SendMessageW(configurationList_, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (item < 0 || (hit.flags & LVHT_ONITEM) == 0 ||
        static_cast<std::size_t>(item) >= entryKeys_.size())
        return {};
    return entryKeys_[static_cast<std::size_t>(item)];
}

int EditorWindow::EntryImage(const std::string& iconSource) {
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

void EditorWindow::SetStatusText(std::string_view text) {
    SetStatusPanel(0, statusText_, text);
}

void EditorWindow::SetStatusPanel(int panel, std::string& shown, std::string_view text) {
    if (text == shown)
        return;
    shown.assign(text);
    const std::wstring wide = WideFromUtf8(text);
    SendMessageW(statusBar_, SB_SETTEXTW, static_cast<WPARAM>(panel),
                 reinterpret_cast<LPARAM>(wide.c_str()));
}

void EditorWindow::SetCaption(std::string_view caption) {
    SetWindowTextW(window_.Get(), WideFromUtf8(caption).c_str());
}

void EditorWindow::ShowConfigurations(const ConfigurationList& list) {
    ShowEntries(list);
    ShowTabs(list);
    // Scroll positions of configurations no longer open are forgotten.
    for (auto it = scrollPositions_.begin(); it != scrollPositions_.end();)
        it = list.IsOpen(it->first) ? std::next(it) : scrollPositions_.erase(it);
}

void EditorWindow::ShowEntries(const ConfigurationList& list) {
    // Rebuilt when the keys or their order changed, otherwise updated in place.
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
}

void EditorWindow::ShowTabs(const ConfigurationList& list) {
    // The placeholder's text is empty and it has no picture.
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
}

void EditorWindow::ScrollEntryIntoView(std::string_view key) {
    const int index = IndexOfKey(entryKeys_, key);
    if (index >= 0)
        SendMessageW(configurationList_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
}

void EditorWindow::ShowDevices(const std::vector<std::string>& names) {
    SendMessageW(deviceList_, LVM_DELETEALLITEMS, 0, 0);
    std::vector<std::wstring> rows;
    for (const std::string& name : names)
        rows.push_back(WideFromUtf8(name));
    if (rows.empty())
        rows.emplace_back(kNoDevicesRow);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_STATE;
        item.iItem = static_cast<int>(i);
        item.pszText = rows[i].data();
        // Tab into the list shows the focus rectangle on a row; the arrows move it.
        item.stateMask = LVIS_FOCUSED;
        item.state = i == 0 ? LVIS_FOCUSED : 0;
        SendMessageW(deviceList_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(deviceList_, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
}

void EditorWindow::SetKeyMappingText(std::string_view text) {
    SetWindowTextW(keyMapping_, WideFromUtf8(text).c_str());
}

void EditorWindow::SetBusy(bool busy) {
    waitPointer_.Set(window_.Get(), busy);
}

void EditorWindow::Minimize() {
    ShowWindow(window_.Get(), SW_MINIMIZE);
}

void EditorWindow::Quit() {
    PostQuitMessage(0);
}

bool EditorWindow::PreviewMessage(const MSG& message) {
    if (controller_ == nullptr || !IsWindowEnabled(window_.Get()))
        return false;
    const bool keyDown = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
    const auto held = [](int key) { return GetKeyState(key) < 0; };
    const auto mask = static_cast<std::uint16_t>((held(VK_SHIFT) ? kShiftMask : 0) |
                                                 (held(VK_CONTROL) ? kCtrlMask : 0) |
                                                 (held(VK_MENU) ? kAltMask : 0));
    const auto key = static_cast<std::uint16_t>(message.wParam);
    if (keyDown)
        controller_->KeyPressed(key, mask);
    // Shortcuts and access keys are the main window's (the test window logs its keys).
    const HWND window = window_.Get();
    if (message.hwnd != window && !IsChild(window, message.hwnd))
        return false;
    if (states_.Recording)
        return (message.message == WM_CHAR || message.message == WM_SYSCHAR) &&
               message.hwnd != descriptionEditor_;
    if (TabInReadingOrder(message, mask))
        return true;
    if (!keyDown || !IsShortcut({key, mask}))
        return false;
    // The text being typed over a Description is kept first, as a click elsewhere keeps it:
    // Ctrl+S then finds the configuration changed.
    CommitDescription();
    const int command = EditorShortcutCommand({key, mask}, states_);
    if (command == 0)
        return false;
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(command, 1), 0);
    return true;
}

void EditorWindow::ShowStartHint(std::string_view text) {
    if (text == startHintText_)
        return;
    startHintText_ = text;
    SetWindowTextW(startHint_, WideFromUtf8(text).c_str());
    // The hint stands in for the placeholder tab and list.
    const bool shown = !text.empty();
    ShowWindow(startHint_, shown ? SW_SHOWNA : SW_HIDE);
    ShowWindow(tabs_, shown ? SW_HIDE : SW_SHOWNA);
    ShowWindow(mappingList_, shown ? SW_HIDE : SW_SHOWNA);
}

void EditorWindow::ShowPreferences() {
    if (controller_ == nullptr)
        return;
    ShowEditorPreferences(instance_, window_.Get(), controller_->Preferences(), dialogs_,
                          [this](const EngineTimings& timings) {
                              if (controller_ != nullptr)
                                  controller_->TakeOverTimings(timings);
                          });
}

void EditorWindow::SetSecondStatusText(std::string_view text) {
    SetStatusPanel(1, secondStatusText_, text);
}

void EditorWindow::SetAxisStatusText(std::string_view text) {
    SetStatusPanel(2, axisStatusText_, text);
}

void EditorWindow::ShowTestWindow() {
    testWindow_.Show(window_.Get());
}

void EditorWindow::CloseTestWindow() {
    testWindow_.Close();
}

void EditorWindow::LogTestKey(std::string_view text) {
    testWindow_.AppendLine(text);
}

void EditorWindow::SetPollTimer(bool enabled, int periodMs) {
    testPasses_.Stop();
    if (enabled && controller_ != nullptr) {
        testPolling_.Controller = controller_;
        testPasses_.Start(periodMs, testPolling_);
    }
}

std::span<void* const> EditorWindow::TestPolling::PollEvents() const {
    return Controller->DeviceEvents();
}

void EditorWindow::TestPolling::OnTick() noexcept {
    Controller->TestPass();
}

void EditorWindow::TestPolling::OnEvents() noexcept {
    Controller->HandleDeviceEvents();
}

void EditorWindow::WakeForTestPasses() {
    PostMessageW(window_.Get(), kTestPassesMessage, 0, 0);
}

} // namespace qm::win32
