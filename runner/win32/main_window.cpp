#include "runner/win32/main_window.h"

#include "core/error_trap.h"
#include "core/text.h"
#include "core/win32/win32_text.h"
#include "runner/runner_controller.h"
#include "runner/win32/corvex_card.h"
#include "runner/win32/corvex_ids.h"
#include "runner/win32/preferences_dialog.h"
#include "runner/win32/switching_win32.h"
#include "ui/win32/device_notifications.h"
#include "ui/win32/dpi.h"
#include "ui/win32/dropped_files.h"
#include "ui/win32/guide_browser.h"
#include "ui/win32/routed_procedures.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <stdexcept>

namespace qm::win32 {
namespace {

// No WS_CLIPCHILDREN: the frame does not paint its inside, the window does.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_ACCEPTFILES;
constexpr UINT_PTR kModalLoopTimerId = 1;

} // namespace

RunnerWindow::RunnerWindow(HINSTANCE instance, Win32Dialogs& dialogs)
    : instance_(instance), dialogs_(dialogs) {}

RunnerWindow::~RunnerWindow() {
    controller_ = nullptr;
    modalLoopTimer_.Stop();
    poll_.Stop();
    RemoveTrayIcon();
    // The window and its menus go first, then the pictures they showed (members).
    window_.Reset();
}

bool RunnerWindow::Create(std::wstring_view caption) {
    caption_ = std::wstring(caption);
    if (!RegisterWindowClass(instance_, {CORVEX_MAIN_WINDOW_CLASS,
                                         &RoutedProcedures::ForWindow<RunnerWindow>, L"corvex"}))
        return false;

    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    // The window is created hidden; start-up shows it or not ("taskbar" preference).
    const HWND window =
        CreateWindowExW(kExStyle, CORVEX_MAIN_WINDOW_CLASS, caption_.c_str(), kStyle, CW_USEDEFAULT,
                        CW_USEDEFAULT, 400, 200, nullptr, nullptr, instance_, this);
    if (window == nullptr)
        return false;
    // An elevated runner still hears of a restarted taskbar.
    if (taskbarCreated_ != 0)
        ChangeWindowMessageFilterEx(window, taskbarCreated_, MSGFLT_ALLOW, nullptr);
    DragAcceptFiles(window, TRUE);

    // Centred in the work area of the monitor it was placed on.
    RECT bounds{};
    GetWindowRect(window, &bounds);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        const RECT& work = monitor.rcWork;
        const int width = bounds.right - bounds.left;
        const int height = bounds.bottom - bounds.top;
        SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
                     work.top + (work.bottom - work.top - height) / 3, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return true;
}

LRESULT RunnerWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = window_.Get();
    if (LRESULT result = 0; handedOver_.Handle(window, message, wParam, lParam, result,
                                               [this](const std::string& path) {
                                                   if (controller_ == nullptr)
                                                       return false;
                                                   controller_->RunHandedOver(path);
                                                   return true;
                                               }))
        return result;
    if (LRESULT result = 0;
        HandleMainWindowMessage(*this, waitPointer_, message, wParam, lParam, result))
        return result;
    switch (message) {
    case WM_CREATE:
        return OnCreate();
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_ACTIVATE:
    case WM_SETFOCUS:
        if (focus_.OnMessage(window, message, wParam))
            return 0;
        break;
    case CORVEX_TRAY_MESSAGE:
        OnTrayMessage(static_cast<UINT>(LOWORD(lParam)));
        return 0;
    case WM_TIMER:
        if (wParam == kModalLoopTimerId) {
            if (poll_.ConsumeDue())
                RunDuePass();
            return 0;
        }
        break;
    case WM_HOTKEY:
        OnHotkey(wParam);
        return 0;
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
    default:
        if (message == taskbarCreated_ && taskbarCreated_ != 0) {
            OnTaskbarCreated();
            return 0;
        }
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RunnerWindow::OnTaskbarCreated() {
    // A new taskbar knows no icons: the icon comes back if it was there (whether the old one
    // survived or not).
    if (!trayAdded_)
        return;
    trayAdded_ = false;
    RunTrapped(dialogs_, "Form_MouseMove", [&] { ShowTrayIcon(trayRunning_); });
}

void RunnerWindow::OnMessageFontChanged() {
    RunTrapped(dialogs_, "Form_Resize", [&] {
        ApplyFont();
        Layout();
    });
}

LRESULT RunnerWindow::OnCreate() {
    bool created = false;
    RunTrapped(dialogs_, "Form_Initialize", [&] {
        dpi_ = WindowDpi(window_.Get());
        LoadPictures();
        CreateMenus();
        CreateControls();
        ApplyFont();
        ApplyMenuBitmaps();
        Layout();
        // Boards and most controllers are HID devices: their comings and goings are heard.
        hidNotifications_ = RegisterHidNotifications(window_.Get());
        created = true;
    });
    return created ? 0 : -1;
}

void RunnerWindow::OnTrayMessage(UINT mouseMessage) {
    if (controller_ == nullptr)
        return;
    TrayEvent event = TrayEvent::Other;
    if (mouseMessage == WM_LBUTTONDBLCLK)
        event = TrayEvent::LeftDoubleClick;
    else if (mouseMessage == WM_RBUTTONUP)
        event = TrayEvent::RightButtonUp;
    else if (mouseMessage == WM_MOUSEMOVE)
        return; // nothing to forward, and it arrives often
    controller_->NotificationIconClicked(event);
}

void RunnerWindow::OnHotkey(WPARAM id) {
    const int action = WindowHotkeys::ActionOf(id);
    if (controller_ != nullptr && action >= 0 && IsWindowEnabled(window_.Get()))
        controller_->HotkeyPressed(static_cast<HotkeyAction>(action));
}

void RunnerWindow::ForegroundChanged(const ForegroundWindow& front) {
    if (controller_ != nullptr && IsWindowEnabled(window_.Get()))
        controller_->ForegroundChanged(front);
}

void RunnerWindow::OnDropFiles(HDROP drop) {
    const auto paths = TakeDroppedFiles(drop);
    if (controller_ != nullptr)
        controller_->DropFiles(paths);
}

void RunnerWindow::OnClose() {
    if (controller_ == nullptr) {
        ShowWindow(window_.Get(), SW_HIDE);
        return;
    }
    // The close box (and Alt+F4, and the system menu) only hides the window.
    if (controller_->ClosingProceeds(true))
        controller_->Exit();
}

void RunnerWindow::OnEndSession() {
    if (controller_ == nullptr)
        return;
    // Windows is ending: the close proceeds (icon removed, stopped, boards closed).
    if (controller_->ClosingProceeds(false))
        controller_->Exit();
}

void RunnerWindow::OnDestroy() {
    modalLoopTimer_.Stop();
    RemoveTrayIcon();
}

void RunnerWindow::OnDpiChanged(UINT dpi, const RECT* suggested) {
    RunTrapped(dialogs_, "Form_Resize", [&] {
        dpi_ = dpi;
        if (suggested != nullptr)
            SetWindowPos(window_.Get(), nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        ApplyFont();
        ApplyMenuBitmaps();
        Layout();
        // Moving and growing leaves the old frame lines where nothing paints over them.
        RedrawWindow(window_.Get(), nullptr, nullptr,
                     RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
    });
}

void RunnerWindow::LoadPictures() {
    const int small = GetSystemMetrics(SM_CXSMICON);
    const int large = GetSystemMetrics(SM_CXICON);
    runUpSmall_ = LoadIconResource(instance_, L"run_up", small, small);
    runOffSmall_ = LoadIconResource(instance_, L"run_off", small, small);
    runUpLarge_ = LoadIconResource(instance_, L"run_up", large, large);
    runOffLarge_ = LoadIconResource(instance_, L"run_off", large, large);

    // The selector's pictures are the shell's large icons; the first is the default icon.
    selectorImages_.Reset(
        ImageList_Create(large, GetSystemMetrics(SM_CYICON), ILC_COLOR32 | ILC_MASK, 4, 4));
    selectorImageOf_.clear();
    // Before any control shows one of them.
    runButtonPictures_.clear();
    runButtonImage_ = -1;
    const UniqueIcon defaultIcon = LoadIconResource(instance_, L"default", large, large);
    if (selectorImages_ && defaultIcon)
        ImageList_AddIcon(selectorImages_.Get(), defaultIcon.Get());
}

void RunnerWindow::CreateControls() {
    const HWND window = window_.Get();
    const auto child = [&](DWORD exStyle, const wchar_t* windowClass, const wchar_t* text,
                           DWORD style, int id) {
        const HWND control = CreateChildControl(window, instance_, exStyle, windowClass, text,
                                                WS_VISIBLE | style, id);
        if (control == nullptr)
            throw std::runtime_error("a control of the main window could not be created");
        return control;
    };
    frame_ = child(0, WC_BUTTONW, L"Configuration", BS_GROUPBOX, IDC_CONFIGURATION_FRAME);
    // The drop-down's height is given here; the field takes the pictures' height.
    selector_ = child(0, WC_COMBOBOXEXW, L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                      IDC_CONFIGURATION_SELECTOR);
    SendMessageW(selector_, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(selectorImages_.Get()));
    runButton_ = child(0, WC_BUTTONW, L"&Run", WS_TABSTOP | BS_PUSHBUTTON, IDC_RUN_BUTTON);
    statusBar_ = child(0, STATUSCLASSNAMEW, L"", 0, IDC_STATUS_BAR);
    // One borderless part across the bar: it looks like a simple bar, and its text is the
    // bar's window text (WM_GETTEXT), which a simple bar's is not.
    const int parts[] = {-1};
    SendMessageW(statusBar_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
    // The frame lies under the controls it frames.
    SetWindowPos(frame_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    UpdateRunButtonPicture();
}

void RunnerWindow::ApplyFont() {
    const LOGFONTW description = MessageFont(dpi_);
    UniqueFont font(CreateFontIndirectW(&description));
    if (!font)
        return;
    for (const HWND control : {frame_, selector_, runButton_, statusBar_}) {
        if (control != nullptr)
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    }
    // The controls use the new font before the old one is deleted.
    font_ = std::move(font);
}

void RunnerWindow::Layout() {
    const HWND window = window_.Get();
    if (window == nullptr || selector_ == nullptr)
        return;
    const auto s = [&](int length) { return Scale(length, dpi_); };

    // The selection field's height follows the pictures and the font.
    RECT field{};
    const auto combo = reinterpret_cast<HWND>(SendMessageW(selector_, CBEM_GETCOMBOCONTROL, 0, 0));
    GetWindowRect(combo != nullptr ? combo : selector_, &field);
    const int fieldHeight = std::max<int>(field.bottom - field.top, s(22));
    const int buttonHeight = std::max(fieldHeight, s(34));
    const int rowHeight = std::max(fieldHeight, buttonHeight);

    const int margin = s(8);
    const int inset = s(10);
    const int selectorWidth = s(210);
    const int buttonWidth = s(86);
    const int frameTop = s(4);
    const int rowTop = frameTop + s(18);
    const int frameWidth = inset + selectorWidth + s(8) + buttonWidth + inset;
    const int frameHeight = (rowTop - frameTop) + rowHeight + s(10);

    MoveWindow(frame_, margin, frameTop, frameWidth, frameHeight, TRUE);
    // The combo box's height is its drop-down's; the field is placed by its own height.
    MoveWindow(selector_, margin + inset, rowTop + (rowHeight - fieldHeight) / 2, selectorWidth,
               fieldHeight + s(220), TRUE);
    MoveWindow(runButton_, margin + inset + selectorWidth + s(8),
               rowTop + (rowHeight - buttonHeight) / 2, buttonWidth, buttonHeight, TRUE);

    SendMessageW(statusBar_, WM_SIZE, 0, 0);
    RECT status{};
    GetWindowRect(statusBar_, &status);
    const int statusHeight = status.bottom - status.top;

    RECT bounds{0, 0, margin + frameWidth + margin, frameTop + frameHeight + margin + statusHeight};
    AdjustWindowRectForDpi(bounds, kStyle, true, kExStyle, dpi_);
    SetWindowPos(window, nullptr, 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The menu bar may need more room than one line at this width.
    RECT client{};
    GetClientRect(window, &client);
    const int wanted = frameTop + frameHeight + margin + statusHeight;
    if (client.bottom != wanted)
        SetWindowPos(window, nullptr, 0, 0, bounds.right - bounds.left,
                     bounds.bottom - bounds.top + (wanted - client.bottom),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
}

void RunnerWindow::UpdateRunButtonPicture() {
    if (runButton_ == nullptr || !selectorImages_)
        return;
    const auto selected = SendMessageW(selector_, CB_GETCURSEL, 0, 0);
    int image = 0;
    if (selected != CB_ERR && static_cast<std::size_t>(selected) < configurations_.size())
        image = configurations_[static_cast<std::size_t>(selected)].Image;
    if (image == runButtonImage_)
        return;
    const auto index = static_cast<std::size_t>(image);
    if (runButtonPictures_.size() <= index)
        runButtonPictures_.resize(index + 1);
    UniqueIcon& picture = runButtonPictures_[index];
    if (!picture)
        picture.Reset(ImageList_GetIcon(selectorImages_.Get(), image, ILD_NORMAL));
    SendMessageW(runButton_, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(picture.Get()));
    runButtonImage_ = image;
}

void RunnerWindow::RunDuePass() noexcept {
    if (controller_ != nullptr)
        controller_->TimerTick();
}

std::span<void* const> RunnerWindow::PollEvents() const {
    return controller_ != nullptr ? controller_->DeviceEvents() : std::span<void* const>();
}

void RunnerWindow::OnEvents() noexcept {
    if (controller_ != nullptr)
        controller_->HandleDeviceEvents();
}

void RunnerWindow::SetStatusText(std::string_view text) {
    if (text == statusText_)
        return;
    statusText_.assign(text);
    if (statusBar_ != nullptr) {
        const std::wstring wide = WideFromUtf8(text);
        SendMessageW(statusBar_, SB_SETTEXTW, 0 | SBT_NOBORDERS,
                     reinterpret_cast<LPARAM>(wide.c_str()));
    }
}

void RunnerWindow::SetCaption(std::string_view caption) {
    caption_ = WideFromUtf8(caption);
    SetWindowTextW(window_.Get(), caption_.c_str());
    if (trayAdded_)
        TrayCall(NIM_MODIFY);
}

bool RunnerWindow::TrayCall(DWORD action) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window_.Get();
    data.uID = CORVEX_TRAY_ICON_ID;
    if (action != NIM_DELETE) {
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data.uCallbackMessage = CORVEX_TRAY_MESSAGE;
        data.hIcon = trayRunning_ ? runUpSmall_.Get() : runOffSmall_.Get();
        const std::wstring tip = runningFile_.empty() ? caption_ : caption_ + L"\n" + runningFile_;
        lstrcpynW(data.szTip, tip.c_str(), static_cast<int>(std::size(data.szTip)));
    }
    return Shell_NotifyIconW(action, &data) != FALSE;
}

void RunnerWindow::ShowTrayIcon(bool running) {
    trayRunning_ = running;
    const HWND window = window_.Get();
    SendMessageW(window, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(running ? runUpSmall_.Get() : runOffSmall_.Get()));
    SendMessageW(window, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(running ? runUpLarge_.Get() : runOffLarge_.Get()));
    if (trayAdded_ && TrayCall(NIM_MODIFY))
        return;
    // Not there yet, or gone with a taskbar that has not announced its return; an add is
    // refused when the icon outlived what looked like a restart, and then it is updated.
    trayAdded_ = TrayCall(NIM_ADD) || TrayCall(NIM_MODIFY);
}

void RunnerWindow::RemoveTrayIcon() {
    if (!trayAdded_)
        return;
    TrayCall(NIM_DELETE);
    trayAdded_ = false;
}

void RunnerWindow::ShowRunningConfiguration(std::string_view entry, std::string_view fileName) {
    runningEntry_ = entry;
    runningFile_ = WideFromUtf8(fileName);
    for (std::size_t i = 0; i < configurations_.size(); ++i)
        CheckMenuItem(
            fileMenu_, static_cast<UINT>(IDM_CONFIG_FIRST + i),
            MF_BYCOMMAND |
                (!entry.empty() && configurations_[i].Entry == entry ? MF_CHECKED : MF_UNCHECKED));
    if (trayAdded_)
        TrayCall(NIM_MODIFY);
}

void RunnerWindow::Notify(std::string_view text) {
    if (!trayAdded_)
        return;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window_.Get();
    data.uID = CORVEX_TRAY_ICON_ID;
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_INFO | NIIF_NOSOUND;
    lstrcpynW(data.szInfoTitle, WideFromUtf8(kRunnerTitle).c_str(),
              static_cast<int>(std::size(data.szInfoTitle)));
    lstrcpynW(data.szInfo, WideFromUtf8(text).c_str(), static_cast<int>(std::size(data.szInfo)));
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void RunnerWindow::SetRunning(bool running) {
    SetWindowTextW(runButton_, running ? L"&Stop" : L"&Run");
}

void RunnerWindow::FocusRunButton() {
    focus_.Remember(runButton_);
    // An inactive window is not brought forward for it.
    if (GetActiveWindow() == window_.Get() && IsWindowEnabled(runButton_) &&
        IsWindowVisible(runButton_))
        SetFocus(runButton_);
}

void RunnerWindow::SetPollTimer(bool enabled, int periodMs) {
    if (!enabled || periodMs <= 0) {
        poll_.Stop();
        modalLoopTimer_.Stop();
        return;
    }
    poll_.Start(periodMs);
    modalLoopTimer_.Start(window_.Get(), kModalLoopTimerId, static_cast<UINT>(periodMs));
}

void RunnerWindow::AddConfiguration(std::string_view entry, std::string_view fileName,
                                    std::string_view iconPath) {
    int image = 0;
    if (selectorImages_) {
        // The shell is asked once per icon source: a folder of many configurations of one
        // type would otherwise cost a lookup each.
        const std::wstring path = WideFromUtf8(iconPath);
        const auto [known, added] = selectorImageOf_.try_emplace(ShellIconSource(path), 0);
        if (added)
            if (const UniqueIcon icon = LargeShellIcon(path))
                known->second = std::max(ImageList_AddIcon(selectorImages_.Get(), icon.Get()), 0);
        image = known->second;
    }
    const std::size_t index = configurations_.size();
    configurations_.push_back({std::string(entry), image});

    std::wstring text = WideFromUtf8(fileName);
    COMBOBOXEXITEMW item{};
    item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_LPARAM;
    item.iItem = -1;
    item.pszText = text.data();
    item.iImage = image;
    item.iSelectedImage = image;
    item.lParam = static_cast<LPARAM>(index);
    SendMessageW(selector_, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));

    AddConfigurationItem(index, fileName);
    // A file that joins the list as it is loaded was told running before it was listed.
    if (!runningEntry_.empty() && runningEntry_ == entry)
        CheckMenuItem(fileMenu_, static_cast<UINT>(IDM_CONFIG_FIRST + index),
                      MF_BYCOMMAND | MF_CHECKED);
}

void RunnerWindow::SelectConfiguration(std::string_view entry) {
    for (std::size_t i = 0; i < configurations_.size(); ++i) {
        if (EqualsIgnoreCase(configurations_[i].Entry, entry)) {
            SendMessageW(selector_, CB_SETCURSEL, i, 0);
            UpdateRunButtonPicture();
            return;
        }
    }
}

std::string RunnerWindow::SelectedConfiguration() const {
    const auto selected = SendMessageW(selector_, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR || static_cast<std::size_t>(selected) >= configurations_.size())
        return {};
    return configurations_[static_cast<std::size_t>(selected)].Entry;
}

int RunnerWindow::ConfigurationCount() const {
    return static_cast<int>(configurations_.size());
}

void RunnerWindow::ShowWindowAs(WindowState state) {
    const HWND window = window_.Get();
    switch (state) {
    case WindowState::Normal:
        ShowWindow(window, SW_SHOWNORMAL);
        SetForegroundWindow(window);
        break;
    case WindowState::Minimized:
        ShowWindow(window, SW_MINIMIZE);
        break;
    case WindowState::Hidden:
        ShowWindow(window, SW_HIDE);
        break;
    }
}

bool RunnerWindow::IsMinimized() const {
    return IsIconic(window_.Get()) != FALSE;
}

bool RunnerWindow::IsVisible() const {
    return IsWindowVisible(window_.Get()) != FALSE;
}

void RunnerWindow::SetBusy(bool busy) {
    waitPointer_.Set(window_.Get(), busy);
}

void RunnerWindow::ShowPreferences() {
    if (controller_ == nullptr)
        return;
    RunnerController& controller = *controller_;
    ShowPreferencesDialog(instance_, window_.Get(), controller.Preferences(), dialogs_,
                          [this](const EngineTimings& timings) {
                              if (controller_ == nullptr)
                                  return;
                              controller_->TakeOverTimings(timings);
                              controller_->ApplySwitching();
                          });
}

void RunnerWindow::ShowAbout() {
    ShowAboutBox(instance_, window_.Get(), dialogs_, CorvexCard(),
                 controller_ != nullptr ? controller_->GuideLocation() : "");
}

void RunnerWindow::Quit() {
    PostQuitMessage(0);
}

} // namespace qm::win32
