#include "runner/runner_controller.h"

#include "core/error_trap.h"
#include "core/messages.h"
#include "core/qmf_file.h"
#include "core/text.h"
#include "settings/settings_table.h"

#include <utility>

namespace qm {

namespace {

// An index of a menu of `items` items; an unknown one gives the default index.
int MenuIndex(int index, int items, int fallback) {
    return index >= 0 && index < items ? index : fallback;
}

int MenuIndex(std::string_view text, int items, int fallback) {
    return StoredMenuIndex(text, items, fallback);
}

} // namespace

RunnerController::RunnerController(ProgramInfo program, RunnerSeams seams, RunnerView& view)
    : state_(std::move(program), seams, view), run_(state_), switching_(state_, run_),
      preferences_(seams.Store, seams.Files, seams.Dialogs, RunnerAssociation(state_.Program)) {}

RunnerController::~RunnerController() = default;

void RunnerController::Start(std::string_view commandLine, WindowHandle mainWindow) noexcept {
    state_.Window = mainWindow;
    RunTrapped(state_.Seams.Dialogs, "Form_Load", [&] {
        auto& store = state_.Seams.Store;
        state_.View.SetCaption(state_.Caption);
        state_.Devices->DevicesReady = true;
        state_.Devices->Scan(state_.Window);
        if (state_.Devices->DeviceCount() == 0) {
            state_.Seams.Dialogs.ShowMessage(msg::NoInputDevicesFound(state_.Caption));
            state_.View.SetStatusText(status::kNotAvailable);
            state_.Devices->DevicesReady = false;
            state_.UpdateMenus();
        } else {
            state_.View.SetStatusText(status::kAvailable);
        }
        state_.View.ShowTrayIcon(false);

        SetPriority(MenuIndex(ReadSetting(store, Setting::ThreadPriority, state_.Program.Folder),
                              static_cast<int>(kPriorityMenuClasses.size()), kDefaultPriorityIndex),
                    false);
        SetPoll(MenuIndex(ReadSetting(store, Setting::PollFrequency, state_.Program.Folder),
                          kPollMenuItems, kDefaultPollIndex),
                false);
        run_.SynchroniseConfigurationFolder();
        state_.UpdateMenus();
        switching_.Apply();
        if (SettingToBool(ReadSetting(store, Setting::Taskbar, state_.Program.Folder)))
            state_.HideToTray();
        else
            state_.View.ShowWindowAs(RunnerView::WindowState::Normal);

        const auto text = FileOnCommandLine(commandLine);
        if (!text) {
            run_.RunDefaultConfiguration();
            return;
        }
        state_.HideToTray();
        if (const auto path = state_.Seams.Files.FullPath(*text))
            run_.LoadConfigurationFile(*path);
    });
}

std::optional<std::string> RunnerController::FileOnCommandLine(std::string_view commandLine) {
    // The shell quotes a path with spaces; a lone opening quote keeps the last character.
    std::string_view text = commandLine;
    if (text.size() > 1 && text.front() == '"') {
        text.remove_prefix(1);
        if (!text.empty() && text.back() == '"')
            text.remove_suffix(1);
    }
    text = TrimSpaces(text);
    if (text.size() <= 1 || EqualsIgnoreCase(text, "/t"))
        return std::nullopt;
    return std::string(text);
}

std::optional<std::string> RunnerController::PathToHandOver(std::string_view commandLine,
                                                            FileSystem& files) {
    const auto text = FileOnCommandLine(commandLine);
    return text ? files.FullPath(*text) : std::nullopt;
}

void RunnerController::RunHandedOver(const std::string& path) noexcept {
    RunTrapped(state_.Seams.Dialogs, "HandOver", [&] {
        if (path.empty())
            return;
        // As a switch of configurations: the running one stops as Stop stops it first; a
        // missing file is refused before, and what runs goes on.
        if (state_.Running && IsConfigurationPath(path) && state_.Seams.Files.Exists(path))
            run_.Stop();
        state_.HideToTray();
        run_.LoadConfigurationFile(path);
    });
}

void RunnerController::SetPriority(int index, bool ask) noexcept {
    RunTrapped(state_.Seams.Dialogs, "SetPriority", [&] {
        if (ask &&
            state_.Seams.Dialogs.ShowMessage(msg::PriorityClassWarning()) != MessageAnswer::Yes)
            return;
        index =
            MenuIndex(index, static_cast<int>(kPriorityMenuClasses.size()), kDefaultPriorityIndex);
        state_.PriorityClass = PriorityClassForIndex(index);
        state_.View.CheckPriorityItem(index);
        WriteSetting(state_.Seams.Store, Setting::ThreadPriority, std::to_string(index));
        if (state_.Running && state_.DevicesReady())
            ApplyProcessPriority(state_.Seams.Priority, state_.Window, state_.PriorityClass);
    });
}

void RunnerController::SetPoll(int index, bool ask) noexcept {
    RunTrapped(state_.Seams.Dialogs, "SetPoll", [&] {
        if (ask &&
            state_.Seams.Dialogs.ShowMessage(msg::PollFrequencyWarning()) != MessageAnswer::Yes)
            return;
        index = MenuIndex(index, kPollMenuItems, kDefaultPollIndex);
        state_.PollPeriodMs = PollPeriodForIndex(index);
        if (state_.Running)
            state_.View.SetPollTimer(true, state_.PollPeriodMs);
        state_.View.CheckPollItem(index);
        // Stored as the number-to-text conversion writes it: a space before the digit.
        WriteSetting(state_.Seams.Store, Setting::PollFrequency, " " + std::to_string(index));
    });
}

void RunnerController::EditPreferences() noexcept {
    state_.Engine->ReleaseHeld(); // before the dialog, as before a box
    RunTrapped(state_.Seams.Dialogs, "MNpreferences_Click", [&] {
        preferences_.Load();
        state_.View.ShowPreferences();
    });
}

void RunnerController::ShowGuide(GuideTopic topic) noexcept {
    RunTrapped(state_.Seams.Dialogs, "MNcontents_Click", [&] {
        OpenGuide(topic, state_.Program, kRunnerTitle,
                  {state_.Seams.Files, state_.Seams.Dialogs, state_.Seams.Guide});
    });
}

void RunnerController::TakeOverTimings(const EngineTimings& timings) noexcept {
    state_.Engine->Settings.RepeatRate = timings.RepeatRateMs / 1000.0;
    state_.Engine->Settings.RotaryRate = timings.RotaryRateMs / 1000.0;
    state_.Engine->Settings.KeyHoldMs = timings.KeyHoldMs;
    state_.Engine->Settings.Navigation = NavigationKeysOf(timings.ExtendedKeys);
    state_.Seams.Keyboard.SetExactPointer(timings.ExactPointer);
}

void RunnerController::NotificationIconClicked(TrayEvent event) noexcept {
    RunTrapped(state_.Seams.Dialogs, "Form_MouseMove", [&] {
        using State = RunnerView::WindowState;
        switch (event) {
        case TrayEvent::LeftDoubleClick:
            if (state_.View.IsMinimized())
                state_.View.ShowWindowAs(State::Normal);
            else if (state_.View.IsVisible())
                state_.View.ShowWindowAs(State::Hidden);
            else
                state_.View.ShowWindowAs(State::Normal);
            break;
        case TrayEvent::RightButtonUp:
            state_.View.PopUpTrayMenu();
            break;
        case TrayEvent::Other:
            break;
        }
    });
}

bool RunnerController::ClosingProceeds(bool fromCloseBox) noexcept {
    if (!fromCloseBox)
        return true;
    RunTrapped(state_.Seams.Dialogs, "Form_QueryUnload",
               [&] { state_.View.ShowWindowAs(RunnerView::WindowState::Hidden); });
    return false;
}

void RunnerController::Exit() {
    state_.Engine->ReleaseHeld();
    RunTrapped(state_.Seams.Dialogs, "Form_Unload", [&] {
        // Stopped before the icon goes: Stop shows the icon, which would add it again.
        if (state_.DevicesReady())
            run_.Stop();
        state_.View.RemoveTrayIcon();
        state_.Devices->CloseBoards();
    });
    // The program ends whatever happened above.
    state_.View.Quit();
}

void RunnerController::DevicesChanged() noexcept {
    if (state_.Running)
        state_.DeviceChanges.Notice(state_.Seams.Clock.Now());
}

void RunnerController::TimerTick() noexcept {
    if (!state_.Running)
        return;
    if (state_.DeviceChanges.Pending() && state_.DeviceChanges.Due(state_.Seams.Clock.Now()))
        run_.RescanChangedDevices();
    // The pass traps its own errors and keeps a tick from re-entering it.
    state_.Engine->Pass(state_.Devices->Tables().ButtonMap(), state_.Tables.PressKeys,
                        state_.Tables.ReleaseKeys, *state_.Policy);
}

} // namespace qm

namespace qm {

std::span<void* const> RunnerController::DeviceEvents() const {
    if (!state_.Running)
        return {};
    return state_.Devices->EventHandles();
}

void RunnerController::HandleDeviceEvents() noexcept {
    // Traps its own errors and keeps out of a pass, as a pass does.
    if (state_.Running)
        state_.Engine->Edges(state_.Devices->Tables().ButtonMap(), state_.Tables.PressKeys,
                             state_.Tables.ReleaseKeys, *state_.Policy);
}

} // namespace qm
