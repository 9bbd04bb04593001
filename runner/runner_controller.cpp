#include "runner/runner_controller.h"

#include "core/busy_pointer.h"
#include "core/error_trap.h"
#include "core/messages.h"
#include "core/text.h"
#include "core/variant.h"
#include "settings/file_association.h"
#include "settings/settings_table.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace qm {

namespace {

constexpr auto kUser = RegistryRoot::CurrentUser;
constexpr std::string_view kRescanTitle = "No Input Devices";

AssociatingProgram Associating(const ProgramInfo& program) {
    return {std::string(kRunnerTitle), program.Folder, program.Executable, "Run"};
}

// An index of a menu of `items` items; an unknown one gives the default index.
int MenuIndex(int index, int items, int fallback) {
    return index >= 0 && index < items ? index : fallback;
}

int MenuIndex(std::string_view text, int items, int fallback) {
    return StoredMenuIndex(text, items, fallback);
}

void HideToTray(RunnerView& view) {
    view.ShowWindowAs(RunnerView::WindowState::Minimized);
    view.ShowWindowAs(RunnerView::WindowState::Hidden);
}

} // namespace

std::string RunnerCaption(const ProgramInfo& program) {
    return ProgramCaption(kRunnerTitle, program);
}

RunnerMenuState MenuStateFor(bool devicesReady, bool running, int configurationCount) {
    RunnerMenuState s;
    if (!devicesReady) {
        s.MenuPreferences = true;
        s.MenuRefreshDevices = true;
    } else if (running) {
        s.MenuStop = true;
        s.RunButton = true;
    } else {
        s.MenuRun = true;
        s.MenuPreferences = true;
        s.MenuRefreshDevices = true;
        s.Selector = s.RunButton = configurationCount > 0;
    }
    return s;
}

RunnerController::RunnerController(ProgramInfo program, RunnerSeams seams, RunnerView& view)
    : program_(std::move(program)), seams_(seams), view_(view), caption_(RunnerCaption(program_)),
      devices_(std::make_unique<InputDevices>(seams.Joysticks, seams.Boards, seams.Dialogs, &view)),
      policy_(std::make_unique<RunnerEnginePolicy>(tables_, view)),
      engine_(
          std::make_unique<MappingEngine>(*devices_, seams.Keyboard, seams.Clock, seams.Dialogs)),
      preferences_(seams.Store, seams.Files, seams.Dialogs, Associating(program_)) {}

RunnerController::~RunnerController() = default;

void RunnerController::Start(std::string_view commandLine, WindowHandle mainWindow) noexcept {
    window_ = mainWindow;
    RunTrapped(seams_.Dialogs, "Form_Load", [&] {
        auto& store = seams_.Store;
        view_.SetCaption(caption_);
        devices_->DevicesReady = true;
        devices_->Scan(window_);
        if (devices_->DeviceCount() == 0) {
            seams_.Dialogs.ShowMessage(msg::NoInputDevicesFound(caption_));
            view_.SetStatusText(status::kNotAvailable);
            devices_->DevicesReady = false;
            UpdateMenus();
        } else {
            view_.SetStatusText(status::kAvailable);
        }
        view_.ShowTrayIcon(false);

        SetPriority(MenuIndex(ReadSetting(store, Setting::ThreadPriority, program_.Folder),
                              static_cast<int>(kPriorityMenuClasses.size()), kDefaultPriorityIndex),
                    false);
        SetPoll(MenuIndex(ReadSetting(store, Setting::PollFrequency, program_.Folder),
                          kPollMenuItems, kDefaultPollIndex),
                false);
        SynchroniseConfigurationFolder();
        UpdateMenus();
        ApplySwitching();
        if (SettingToBool(ReadSetting(store, Setting::Taskbar, program_.Folder)))
            HideToTray(view_);
        else
            view_.ShowWindowAs(RunnerView::WindowState::Normal);

        const auto text = FileOnCommandLine(commandLine);
        if (!text) {
            RunDefaultConfiguration();
            return;
        }
        HideToTray(view_);
        if (const auto path = seams_.Files.FullPath(*text))
            LoadConfigurationFile(*path);
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
    RunTrapped(seams_.Dialogs, "HandOver", [&] {
        if (path.empty())
            return;
        // As a switch of configurations: the running one stops as Stop stops it first; a
        // missing file is refused before, and what runs goes on.
        if (running_ && seams_.Files.Exists(path))
            Stop();
        HideToTray(view_);
        LoadConfigurationFile(path);
    });
}

void RunnerController::SynchroniseConfigurationFolder() {
    RunTrapped(seams_.Dialogs, "startmeup", [&] {
        auto& store = seams_.Store;
        RegisterFileType(
            store, Associating(program_),
            SettingToBool(ReadSetting(store, Setting::RunnerAssociate, program_.Folder)));

        const auto& folderSetting = DefinitionOf(Setting::ConfigPath);
        auto folder = store.GetString(folderSetting.Root, folderSetting.Key, folderSetting.Value);
        if (folder.empty())
            folder = DefaultOf(Setting::ConfigPath, program_.Folder);
        else if (folder.back() != '\\')
            folder += '\\';
        WriteSetting(store, Setting::ConfigPath, folder);
        RemoveLeftoverTemporaryFiles(seams_.Files, folder, std::chrono::system_clock::now());

        for (const auto& k : SynchroniseKnownFiles(store, seams_.Files, folder, reserved_))
            AddToList(k.Entry, k.Path,
                      store.GetString(kUser, EntryKey(k.Entry), kEntryIconPathValue));
        if (!listed_.empty()) {
            view_.SelectConfiguration(listed_.front());
            ConfigurationChosen();
        }
    });
}

void RunnerController::AddToList(const std::string& entry, const std::string& path,
                                 const std::string& icon) {
    listed_.push_back(entry);
    view_.AddConfiguration(entry, FileNameOf(path), icon);
}

void RunnerController::UpdateMenus() {
    view_.ApplyMenuState(MenuStateFor(DevicesReady(), running_, view_.ConfigurationCount()));
}

void RunnerController::ReadRates() {
    auto& store = seams_.Store;
    engine_->Settings.RepeatRate =
        ReadTimingSetting(store, Setting::RepeatRate, program_.Folder) / 1000.0;
    engine_->Settings.RotaryRate =
        ReadTimingSetting(store, Setting::RotaryRate, program_.Folder) / 1000.0;
}

void RunnerController::MarkRunning() {
    running_ = true;
    view_.SetRunning(true);
}

bool RunnerController::StartConfiguration(const std::string& entry) {
    bool loaded = false;
    RunTrapped(seams_.Dialogs, "open_click", [&] {
        if (entry.empty())
            return;
        const auto path = seams_.Store.GetString(kUser, EntryKey(entry), kEntryPathValue);
        // Every way of loading takes the rates over, not only the Run button.
        ReadRates();
        if (!LoadRunnerConfiguration(seams_.Files, seams_.Dialogs, path, devices_->Tables(),
                                     seams_.Keyboard, tables_))
            return;
        policy_->Recount();
        ApplyProcessPriority(seams_.Priority, window_, priorityClass_);
        view_.SetPollTimer(true, pollPeriodMs_);
        view_.SetBusy(false);
        MarkRunning();
        UpdateMenus();
        view_.ShowTrayIcon(true);
        view_.ShowRunningConfiguration(entry, FileNameOf(path));
        loaded = true;
    });
    return loaded;
}

void RunnerController::ToggleRun() noexcept {
    ToggleRunAs("ComRun_Click");
}

void RunnerController::StopFromMenu() noexcept {
    ToggleRunAs("MNstop_Click");
}

void RunnerController::ToggleRunAs(std::string_view procedure) {
    RunTrapped(seams_.Dialogs, procedure, [&] {
        BusyPointer busy(view_);
        if (running_) {
            Stop();
            return;
        }
        RescanDevices();
        if (!DevicesReady())
            return;
        if (!StartConfiguration(view_.SelectedConfiguration()))
            return;
        HideToTray(view_);
    });
}

void RunnerController::Stop() noexcept {
    RunTrapped(seams_.Dialogs, "Stop_Click", [&] {
        running_ = false;
        view_.SetRunning(false);
        view_.ShowTrayIcon(false);
        view_.ShowRunningConfiguration({}, {});
        if (!DevicesReady())
            return;
        view_.SetPollTimer(false, pollPeriodMs_);
        ApplyProcessPriority(seams_.Priority, window_, kNormalPriorityClass);
        view_.SetBusy(false);
        UpdateMenus();
    });
}

void RunnerController::RescanDevices() noexcept {
    RunTrapped(seams_.Dialogs, "MNjoy_Click", [&] {
        devices_->DevicesReady = true;
        view_.SetStatusText(status::kDirectInputQuerying);
        devices_->InitDirectInput(window_);
        view_.SetStatusText(status::kCustomQuerying);
        devices_->DetectDevices();
        if (devices_->DeviceCount() == 0) {
            seams_.Dialogs.ShowMessage(msg::NoInputDevicesFound(kRescanTitle));
            view_.SetStatusText(status::kNotAvailable);
            devices_->DevicesReady = false;
        } else {
            view_.SetStatusText(status::kAvailable);
        }
        UpdateMenus();
    });
}

void RunnerController::SelectAndToggleRun(const std::string& entry) noexcept {
    RunTrapped(seams_.Dialogs, "MNcfg_Click", [&] {
        if (entry.empty())
            return;
        const auto path = seams_.Store.GetString(kUser, EntryKey(entry), kEntryPathValue);
        if (path.empty())
            return;
        if (!seams_.Files.Exists(path)) {
            seams_.Dialogs.ShowMessage(msg::ListedFileNotFound());
            return;
        }
        view_.SelectConfiguration(entry);
        ConfigurationChosen();
        ToggleRun();
    });
}

void RunnerController::ConfigurationChosen() noexcept {
    RunTrapped(seams_.Dialogs, "ImageCombo1_Click", [&] {
        // Whichever way a configuration was chosen, Enter or Space then runs or stops it. The
        // selection and the button's picture live in the view.
        if (MenuStateFor(DevicesReady(), running_, view_.ConfigurationCount()).RunButton)
            view_.FocusRunButton();
    });
}

void RunnerController::LoadConfigurationFile(const std::string& path) noexcept {
    RunTrapped(seams_.Dialogs, "load_click", [&] {
        auto& store = seams_.Store;
        const auto chosen = FileToLoad(seams_.Dialogs, path);
        if (!chosen)
            return;
        const std::string& file = *chosen;
        if (!seams_.Files.Exists(file)) {
            seams_.Dialogs.ShowMessage(msg::CannotOpenMissingFile());
            return;
        }

        for (const auto& k : KnownFiles(store)) {
            if (!SamePath(k.Path, file))
                continue;
            // Known since start-up (the editor may have added it): list it now.
            if (std::find(listed_.begin(), listed_.end(), k.Entry) == listed_.end())
                AddToList(k.Entry, k.Path,
                          store.GetString(kUser, EntryKey(k.Entry), kEntryIconPathValue));
            view_.SelectConfiguration(k.Entry);
            ConfigurationChosen();
            StartConfiguration(k.Entry);
            return;
        }

        const auto entry = NewFileKey(store, kUser, kUserKey, reserved_);
        WriteKnownFile(store, entry, file, file);
        if (!StartConfiguration(entry)) {
            store.DelKey(kUser, EntryKey(entry));
            return;
        }
        AddToList(entry, file, file);
        view_.SelectConfiguration(entry);
        ConfigurationChosen();
        UpdateMenus();
    });
}

void RunnerController::SetPriority(int index, bool ask) noexcept {
    RunTrapped(seams_.Dialogs, "SetPriority", [&] {
        if (ask && seams_.Dialogs.ShowMessage(msg::PriorityClassWarning()) != MessageAnswer::Yes)
            return;
        index =
            MenuIndex(index, static_cast<int>(kPriorityMenuClasses.size()), kDefaultPriorityIndex);
        priorityClass_ = PriorityClassForIndex(index);
        view_.CheckPriorityItem(index);
        WriteSetting(seams_.Store, Setting::ThreadPriority, std::to_string(index));
        if (running_ && DevicesReady())
            ApplyProcessPriority(seams_.Priority, window_, priorityClass_);
    });
}

void RunnerController::SetPoll(int index, bool ask) noexcept {
    RunTrapped(seams_.Dialogs, "SetPoll", [&] {
        if (ask && seams_.Dialogs.ShowMessage(msg::PollFrequencyWarning()) != MessageAnswer::Yes)
            return;
        index = MenuIndex(index, kPollMenuItems, kDefaultPollIndex);
        pollPeriodMs_ = PollPeriodForIndex(index);
        if (running_)
            view_.SetPollTimer(true, pollPeriodMs_);
        view_.CheckPollItem(index);
        // Stored as the number-to-text conversion writes it: a space before the digit.
        WriteSetting(seams_.Store, Setting::PollFrequency, " " + std::to_string(index));
    });
}

void RunnerController::EditPreferences() noexcept {
    RunTrapped(seams_.Dialogs, "MNpreferences_Click", [&] {
        preferences_.Load();
        view_.ShowPreferences();
    });
}

void RunnerController::ShowGuide(GuideTopic topic) noexcept {
    RunTrapped(seams_.Dialogs, "MNcontents_Click", [&] {
        OpenGuide(topic, program_, kRunnerTitle, {seams_.Files, seams_.Dialogs, seams_.Guide});
    });
}

void RunnerController::TakeOverTimings(const EngineTimings& timings) noexcept {
    engine_->Settings.RepeatRate = timings.RepeatRateMs / 1000.0;
    engine_->Settings.RotaryRate = timings.RotaryRateMs / 1000.0;
    engine_->Settings.KeyHoldMs = timings.KeyHoldMs;
}

void RunnerController::RunDefaultConfiguration() noexcept {
    RunTrapped(seams_.Dialogs, "RunDefaultConfig", [&] {
        auto& store = seams_.Store;
        // Only a runner that starts with Windows runs its default configuration.
        if (!SettingToBool(ReadSetting(store, Setting::Startup, program_.Folder)) ||
            !SettingToBool(ReadSetting(store, Setting::Launch, program_.Folder)))
            return;
        const auto file = ReadSetting(store, Setting::DefaultConfigFile, program_.Folder);
        if (file.empty())
            return;
        if (!seams_.Files.Exists(file)) {
            seams_.Dialogs.ShowMessage(msg::DefaultConfigurationMissing());
            return;
        }
        LoadConfigurationFile(file);
    });
}

void RunnerController::DropFiles(const std::vector<std::string>& paths) noexcept {
    RunTrapped(seams_.Dialogs, "Form_OLEDragDrop", [&] {
        // A name the shell could not give comes back empty: it names no file, and an empty
        // path would open the file dialog.
        const auto named = std::find_if(paths.begin(), paths.end(),
                                        [](const auto& path) { return !path.empty(); });
        if (!DevicesReady() || named == paths.end())
            return;
        if (running_)
            Stop();
        LoadConfigurationFile(*named);
    });
}

void RunnerController::NotificationIconClicked(TrayEvent event) noexcept {
    RunTrapped(seams_.Dialogs, "Form_MouseMove", [&] {
        using State = RunnerView::WindowState;
        switch (event) {
        case TrayEvent::LeftDoubleClick:
            if (view_.IsMinimized())
                view_.ShowWindowAs(State::Normal);
            else if (view_.IsVisible())
                view_.ShowWindowAs(State::Hidden);
            else
                view_.ShowWindowAs(State::Normal);
            break;
        case TrayEvent::RightButtonUp:
            view_.PopUpTrayMenu();
            break;
        case TrayEvent::Other:
            break;
        }
    });
}

bool RunnerController::ClosingProceeds(bool fromCloseBox) noexcept {
    if (!fromCloseBox)
        return true;
    RunTrapped(seams_.Dialogs, "Form_QueryUnload",
               [&] { view_.ShowWindowAs(RunnerView::WindowState::Hidden); });
    return false;
}

void RunnerController::Exit() {
    RunTrapped(seams_.Dialogs, "Form_Unload", [&] {
        // Stopped before the icon goes: Stop shows the icon, which would add it again.
        if (DevicesReady())
            Stop();
        view_.RemoveTrayIcon();
        devices_->CloseBoards();
    });
    // The program ends whatever happened above.
    view_.Quit();
}

void RunnerController::TimerTick() noexcept {
    // The pass traps its own errors and keeps a tick from re-entering it.
    if (running_)
        engine_->Pass(devices_->Tables().ButtonMap(), tables_.PressKeys, tables_.ReleaseKeys,
                      *policy_);
}

} // namespace qm
