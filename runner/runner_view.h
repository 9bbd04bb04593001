#pragma once
// What the runner's controller asks of its window: the Win32 shell implements it, tests record
// it. The view shows; the controller decides.
#include "core/status.h"

#include <string>
#include <string_view>

namespace qm {

// Which controls and menu items are enabled.
struct RunnerMenuState {
    bool RunButton = false; // the Run/Stop button
    bool Selector = false;  // the configuration selector
    bool MenuRun = false;   // File: Run
    bool MenuStop = false;  // File: Stop
    bool MenuPreferences = false;
    bool MenuRefreshDevices = false; // Tools: Refresh Device List
    bool operator==(const RunnerMenuState&) const = default;
};

class RunnerView : public StatusSink {
public:
    // The window caption, also the notification-icon tip and the single-instance key.
    virtual void SetCaption(std::string_view caption) = 0;
    // The notification icon (added on first use) and the window icon: "run_up" or "run_off".
    virtual void ShowTrayIcon(bool running) = 0;
    virtual void RemoveTrayIcon() = 0;
    virtual void ApplyMenuState(const RunnerMenuState& state) = 0;
    // The Run/Stop button's caption ("Stop" while running).
    virtual void SetRunning(bool running) = 0;
    // The keyboard focus to the Run/Stop button; a window that is hidden or inactive gives it
    // the focus when it is next activated.
    virtual void FocusRunButton() = 0;
    virtual void CheckPriorityItem(int index) = 0;
    virtual void CheckPollItem(int index) = 0;
    // The poll timer: the engine's pass every `periodMs` while enabled.
    virtual void SetPollTimer(bool enabled, int periodMs) = 0;

    // The configuration list, shown in the File menu and in the selector.
    virtual void AddConfiguration(std::string_view entry, std::string_view fileName,
                                  std::string_view iconPath) = 0;
    virtual void SelectConfiguration(std::string_view entry) = 0;
    // The selected entry's name; empty when the selector is empty.
    virtual std::string SelectedConfiguration() const = 0;
    virtual int ConfigurationCount() const = 0;

    enum class WindowState { Normal, Minimized, Hidden };
    virtual void ShowWindowAs(WindowState state) = 0;
    virtual bool IsMinimized() const = 0;
    virtual bool IsVisible() const = 0;
    virtual void PopUpTrayMenu() = 0;
    // The hourglass pointer while a command works.
    virtual void SetBusy(bool busy) = 0;
    // The configuration that runs (entry and file name; both empty when none): checked in the
    // notification icon's menu and named in its tip.
    virtual void ShowRunningConfiguration(std::string_view entry, std::string_view fileName) = 0;
    // A short notification from the notification icon (its balloon).
    virtual void Notify(std::string_view text) = 0;
    // Opens the preferences dialog (modal); the dialog works through RunnerPreferences.
    virtual void ShowPreferences() = 0;
    // Ends the program's message loop.
    virtual void Quit() = 0;
};

} // namespace qm
