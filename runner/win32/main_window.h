#pragma once
// The runner's main window: the configuration selector and the Run/Stop button in their
// frame, the menu bar, the status bar, the notification icon and the poll timer. It shows what
// the controller tells it (RunnerView) and forwards every event to the controller; it decides
// nothing itself.
#include "runner/runner_view.h"
#include "runner/win32/menu_glyphs.h"
#include "ui/win32/handed_over_paths.h"
#include "ui/win32/poll_timer.h"
#include "ui/win32/shell_handles.h"
#include "ui/win32/shell_icons.h"
#include "ui/win32/win32_dialogs.h"
#include "ui/win32/window_parts.h"

#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

namespace qm {
class RunnerController;
struct ForegroundWindow;
} // namespace qm

namespace qm::win32 {

class RunnerWindow final : public RunnerView, public PollClient, private MainWindowEvents {
public:
    RunnerWindow(HINSTANCE instance, Win32Dialogs& dialogs);
    ~RunnerWindow() override;
    RunnerWindow(const RunnerWindow&) = delete;
    RunnerWindow& operator=(const RunnerWindow&) = delete;

    // Creates the window, hidden, with its controls and menus and the caption given; false
    // when the system refused.
    bool Create(std::wstring_view caption);
    HWND Handle() const { return window_.Get(); }
    // Events go to the controller from now on (null: nowhere, while the program ends).
    void Attach(RunnerController* controller) { controller_ = controller; }
    PollTimer& Timer() { return poll_; }
    // The poll tick: one engine pass (the engine keeps a pass from re-entering).
    void RunDuePass() noexcept;
    // PollClient: the pass at each tick, the controllers' events while running.
    std::span<void* const> PollEvents() const override;
    void OnTick() noexcept override { RunDuePass(); }
    void OnEvents() noexcept override;
    // Another program came to the front: the controller is told unless a dialog or a box of
    // the program is open.
    void ForegroundChanged(const ForegroundWindow& front);
    // Sees every message of the thread before it is dispatched: takes (true) the key of a
    // shortcut of the main window that runs its command.
    bool PreviewMessage(const MSG& message);

    // StatusSink.
    void SetStatusText(std::string_view text) override;

    // RunnerView.
    void SetCaption(std::string_view caption) override;
    void ShowTrayIcon(bool running) override;
    void RemoveTrayIcon() override;
    void ApplyMenuState(const RunnerMenuState& state) override;
    void SetRunning(bool running) override;
    void FocusRunButton() override;
    void CheckPriorityItem(int index) override;
    void CheckPollItem(int index) override;
    void SetPollTimer(bool enabled, int periodMs) override;
    void AddConfiguration(std::string_view entry, std::string_view fileName,
                          std::string_view iconPath) override;
    void SelectConfiguration(std::string_view entry) override;
    std::string SelectedConfiguration() const override;
    int ConfigurationCount() const override;
    void ShowWindowAs(WindowState state) override;
    bool IsMinimized() const override;
    bool IsVisible() const override;
    void PopUpTrayMenu() override;
    void SetBusy(bool busy) override;
    void ShowRunningConfiguration(std::string_view entry, std::string_view fileName) override;
    void Notify(std::string_view text) override;
    void ShowPreferences() override;
    void Quit() override;

private:
    struct Configuration {
        std::string Entry;
        int Image = 0; // in the selector's image list
    };

    // The window's messages come through RoutedProcedures; an error escaping them is reported
    // under kProcedure.
    friend struct RoutedProcedures;
    static constexpr const char* kProcedure = "Form1";
    Win32Dialogs& Boxes() { return dialogs_; }
    void Bind(HWND window) { window_.Reset(window); }
    void Unbind() { window_.Release(); }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCreate();
    // MainWindowEvents. The system's message font changed: the controls take it and are laid
    // out again.
    bool SessionMayEnd() override { return true; }
    void OnEndSession() override;
    void OnDpiChanged(UINT dpi, const RECT* suggested) override;
    void OnMessageFontChanged() override;
    void OnDestroy() override;
    // The taskbar came back (Explorer restarted).
    void OnTaskbarCreated();
    // A command of the command table or a configuration item, run when its item or button is
    // enabled.
    void OnCommand(int id, int code);
    bool MenuItemEnabled(int id) const;
    void OnSelectorNotification(int code);
    void RunConfigurationItem(int id);
    void OnTrayMessage(UINT mouseMessage);
    // A global hotkey: its command runs unless a dialog or a box of the program is open.
    void OnHotkey(WPARAM id);
    void OnDropFiles(HDROP drop);
    // Enter, which the dialog-message handling reports as IDOK.
    void OnEnter();
    void OnClose();

    void CreateControls();
    void CreateMenus();
    // The File menu's item of the configuration at list position `index`.
    void AddConfigurationItem(std::size_t index, std::string_view fileName);
    void LoadPictures();
    void ApplyMenuBitmaps();
    void ApplyFont();
    void Layout();
    // The Run/Stop button's picture: the selected configuration's icon, the default picture without
    // one.
    void UpdateRunButtonPicture();
    bool TrayCall(DWORD action);
    void ShowAbout();

    HINSTANCE instance_;
    Win32Dialogs& dialogs_;
    RunnerController* controller_ = nullptr;
    UniqueWindow window_;
    // The window hears HID devices arrive and go.
    UniqueDeviceNotification hidNotifications_;
    HWND frame_ = nullptr;
    HWND selector_ = nullptr;
    HWND runButton_ = nullptr;
    HWND statusBar_ = nullptr;
    HMENU fileMenu_ = nullptr;  // owned by the menu bar, which the window owns
    RunnerMenuState menuState_; // as last applied
    // The control that gets the focus when the window is activated again.
    RememberedFocus focus_;
    UINT dpi_ = 96;
    UniqueFont font_;

    // Pictures: "run_up" and "run_off" at the small (notification area, caption) and large
    // (task switcher) sizes; the selector's image list, its first picture the default icon.
    UniqueIcon runUpSmall_, runOffSmall_, runUpLarge_, runOffLarge_;
    UniqueImageList selectorImages_;
    // The selector's picture of each shell icon source (ShellIconSource).
    std::unordered_map<std::wstring, int> selectorImageOf_;
    // The Run/Stop button's picture of each selector picture, made when first shown and kept:
    // a new icon per selection (every switch of configurations) was never given back in full.
    std::vector<UniqueIcon> runButtonPictures_;
    int runButtonImage_ = -1; // the selector picture the button shows
    std::array<UniqueBitmap, kMenuGlyphCount> menuBitmaps_;

    std::vector<Configuration> configurations_;
    std::string statusText_;
    std::wstring caption_;
    bool trayAdded_ = false;
    bool trayRunning_ = false;
    // The running configuration: checked in the File menu, named in the icon's tip.
    std::string runningEntry_;
    std::wstring runningFile_;
    UINT taskbarCreated_ = 0;
    WaitPointer waitPointer_;

    PollTimer poll_;
    // While a menu, a message box or a dialog runs its own message loop, this window timer
    // lets the pass run when the poll timer is due (at the window timer's coarser rate).
    WindowTimer modalLoopTimer_;
    // Paths a second start handed over, until they are run.
    HandedOverPaths handedOver_;
};

} // namespace qm::win32
