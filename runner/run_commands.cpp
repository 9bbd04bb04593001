#include "runner/run_commands.h"

#include "core/busy_pointer.h"
#include "core/error_trap.h"
#include "core/messages.h"
#include "core/paths.h"
#include "core/qmf_file.h"
#include "core/variant.h"
#include "settings/file_association.h"
#include "settings/settings_table.h"

#include <algorithm>
#include <chrono>

namespace qm {

namespace {

constexpr auto kUser = RegistryRoot::CurrentUser;
constexpr std::string_view kRescanTitle = "No Input Devices";

} // namespace

void RunCommands::SynchroniseConfigurationFolder() {
    RunTrapped(state_.Seams.Dialogs, "startmeup", [&] {
        auto& store = state_.Seams.Store;
        RegisterFileType(
            store, RunnerAssociation(state_.Program),
            SettingToBool(ReadSetting(store, Setting::RunnerAssociate, state_.Program.Folder)));

        const auto& folderSetting = DefinitionOf(Setting::ConfigPath);
        auto folder = store.GetString(folderSetting.Root, folderSetting.Key, folderSetting.Value);
        if (folder.empty())
            folder = DefaultOf(Setting::ConfigPath, state_.Program.Folder);
        else if (folder.back() != '\\')
            folder += '\\';
        WriteSetting(store, Setting::ConfigPath, folder);
        RemoveLeftoverTemporaryFiles(state_.Seams.Files, folder, std::chrono::system_clock::now());

        for (const auto& k :
             SynchroniseKnownFiles(store, state_.Seams.Files, folder, state_.Reserved))
            AddToList(k.Entry, k.Path,
                      store.GetString(kUser, EntryKey(k.Entry), kEntryIconPathValue));
        if (!state_.Listed.empty()) {
            state_.View.SelectConfiguration(state_.Listed.front());
            ConfigurationChosen();
        }
    });
}

void RunCommands::AddToList(const std::string& entry, const std::string& path,
                            const std::string& icon) {
    state_.Listed.push_back(entry);
    state_.View.AddConfiguration(entry, FileNameOf(path), icon);
}

void RunCommands::ReadRates() {
    auto& store = state_.Seams.Store;
    state_.Engine->Settings.RepeatRate =
        ReadTimingSetting(store, Setting::RepeatRate, state_.Program.Folder) / 1000.0;
    state_.Engine->Settings.RotaryRate =
        ReadTimingSetting(store, Setting::RotaryRate, state_.Program.Folder) / 1000.0;
    state_.Engine->Settings.Navigation = NavigationKeysOf(ReadExtendedKeys(store));
    state_.Seams.Keyboard.SetExactPointer(ReadExactPointer(store));
}

void RunCommands::MarkRunning() {
    state_.Running = true;
    state_.View.SetRunning(true);
}

bool RunCommands::StartConfiguration(const std::string& entry) {
    bool loaded = false;
    RunTrapped(state_.Seams.Dialogs, "open_click", [&] {
        if (entry.empty())
            return;
        const auto path = state_.Seams.Store.GetString(kUser, EntryKey(entry), kEntryPathValue);
        // Every way of loading takes the rates over, not only the Run button.
        ReadRates();
        // The keys held for the configuration that ran go up before another replaces it.
        state_.Engine->ReleaseHeld();
        if (!LoadRunnerConfiguration(state_.Seams.Files, state_.Seams.Dialogs, path,
                                     state_.Devices->Tables(), state_.Seams.Keyboard,
                                     state_.Tables))
            return;
        state_.Policy->Recount();
        ApplyProcessPriority(state_.Seams.Priority, state_.Window, state_.PriorityClass);
        // Controllers that report their changes are read on their events, the rest per tick.
        state_.Devices->StartEventReading();
        state_.View.SetPollTimer(true, state_.PollPeriodMs);
        state_.View.SetBusy(false);
        MarkRunning();
        state_.UpdateMenus();
        state_.View.ShowTrayIcon(true);
        state_.View.ShowRunningConfiguration(entry, FileNameOf(path));
        loaded = true;
    });
    return loaded;
}

void RunCommands::ToggleRun() noexcept {
    ToggleRunAs("ComRun_Click");
}

void RunCommands::StopFromMenu() noexcept {
    ToggleRunAs("MNstop_Click");
}

void RunCommands::ToggleRunAs(std::string_view procedure) {
    RunTrapped(state_.Seams.Dialogs, procedure, [&] {
        BusyPointer busy(state_.View);
        if (state_.Running) {
            Stop();
            return;
        }
        RescanDevices();
        if (!state_.DevicesReady())
            return;
        if (!StartConfiguration(state_.View.SelectedConfiguration()))
            return;
        state_.HideToTray();
    });
}

void RunCommands::Stop() noexcept {
    state_.Engine->ReleaseHeld();
    RunTrapped(state_.Seams.Dialogs, "Stop_Click", [&] {
        state_.Running = false;
        state_.View.SetRunning(false);
        state_.View.ShowTrayIcon(false);
        state_.View.ShowRunningConfiguration({}, {});
        state_.Devices->StopEventReading();
        if (!state_.DevicesReady())
            return;
        state_.View.SetPollTimer(false, state_.PollPeriodMs);
        ApplyProcessPriority(state_.Seams.Priority, state_.Window, kNormalPriorityClass);
        state_.View.SetBusy(false);
        state_.UpdateMenus();
    });
}

void RunCommands::RescanDevices() noexcept {
    RunTrapped(state_.Seams.Dialogs, "MNjoy_Click", [&] {
        state_.DeviceChanges.Clear();
        state_.Devices->DevicesReady = true;
        state_.View.SetStatusText(status::kDirectInputQuerying);
        state_.Devices->InitDirectInput(state_.Window);
        state_.View.SetStatusText(status::kCustomQuerying);
        state_.Devices->DetectDevices();
        if (state_.Devices->DeviceCount() == 0) {
            state_.Seams.Dialogs.ShowMessage(msg::NoInputDevicesFound(kRescanTitle));
            state_.View.SetStatusText(status::kNotAvailable);
            state_.Devices->DevicesReady = false;
        } else {
            state_.View.SetStatusText(status::kAvailable);
        }
        state_.UpdateMenus();
    });
}

void RunCommands::RescanChangedDevices() noexcept {
    RunTrapped(state_.Seams.Dialogs, "DeviceChange", [&] {
        if (state_.Running)
            state_.Devices->RescanChanged(state_.Window);
    });
}

void RunCommands::SelectAndToggleRun(const std::string& entry) noexcept {
    RunTrapped(state_.Seams.Dialogs, "MNcfg_Click", [&] {
        if (entry.empty())
            return;
        const auto path = state_.Seams.Store.GetString(kUser, EntryKey(entry), kEntryPathValue);
        if (path.empty())
            return;
        if (!state_.Seams.Files.Exists(path)) {
            state_.Seams.Dialogs.ShowMessage(msg::ListedFileNotFound());
            return;
        }
        state_.View.SelectConfiguration(entry);
        ConfigurationChosen();
        ToggleRun();
    });
}

void RunCommands::ConfigurationChosen() noexcept {
    RunTrapped(state_.Seams.Dialogs, "ImageCombo1_Click", [&] {
        // Whichever way a configuration was chosen, Enter or Space then runs or stops it. The
        // selection and the button's picture live in the view.
        if (MenuStateFor(state_.DevicesReady(), state_.Running, state_.View.ConfigurationCount())
                .RunButton)
            state_.View.FocusRunButton();
    });
}

void RunCommands::LoadConfigurationFile(const std::string& path) noexcept {
    RunTrapped(state_.Seams.Dialogs, "load_click", [&] {
        auto& store = state_.Seams.Store;
        const auto chosen = FileToLoad(state_.Seams.Dialogs, path);
        if (!chosen)
            return;
        const std::string& file = *chosen;
        // A file not named as a configuration is left alone: not read, not listed.
        if (!IsConfigurationPath(file)) {
            state_.Seams.Dialogs.ShowMessage(msg::NotAConfiguration(FileNameOf(file)));
            return;
        }
        if (!state_.Seams.Files.Exists(file)) {
            state_.Seams.Dialogs.ShowMessage(msg::CannotOpenMissingFile());
            return;
        }

        for (const auto& k : KnownFiles(store)) {
            if (!SamePath(k.Path, file))
                continue;
            // Known since start-up (the editor may have added it): list it now.
            if (std::find(state_.Listed.begin(), state_.Listed.end(), k.Entry) ==
                state_.Listed.end())
                AddToList(k.Entry, k.Path,
                          store.GetString(kUser, EntryKey(k.Entry), kEntryIconPathValue));
            state_.View.SelectConfiguration(k.Entry);
            ConfigurationChosen();
            StartConfiguration(k.Entry);
            return;
        }

        const auto entry = NewFileKey(store, kUser, kUserKey, state_.Reserved);
        WriteKnownFile(store, entry, file, file);
        if (!StartConfiguration(entry)) {
            store.DelKey(kUser, EntryKey(entry));
            return;
        }
        AddToList(entry, file, file);
        state_.View.SelectConfiguration(entry);
        ConfigurationChosen();
        state_.UpdateMenus();
    });
}

void RunCommands::RunDefaultConfiguration() noexcept {
    RunTrapped(state_.Seams.Dialogs, "RunDefaultConfig", [&] {
        auto& store = state_.Seams.Store;
        // Only a runner that starts with Windows runs its default configuration.
        if (!SettingToBool(ReadSetting(store, Setting::Startup, state_.Program.Folder)) ||
            !SettingToBool(ReadSetting(store, Setting::Launch, state_.Program.Folder)))
            return;
        const auto file = ReadSetting(store, Setting::DefaultConfigFile, state_.Program.Folder);
        if (file.empty())
            return;
        if (!state_.Seams.Files.Exists(file)) {
            state_.Seams.Dialogs.ShowMessage(msg::DefaultConfigurationMissing());
            return;
        }
        LoadConfigurationFile(file);
    });
}

void RunCommands::DropFiles(const std::vector<std::string>& paths) noexcept {
    RunTrapped(state_.Seams.Dialogs, "Form_OLEDragDrop", [&] {
        // A name the shell could not give comes back empty: it names no file, and an empty
        // path would open the file dialog.
        const auto named = std::find_if(paths.begin(), paths.end(),
                                        [](const auto& path) { return !path.empty(); });
        if (!state_.DevicesReady() || named == paths.end())
            return;
        if (state_.Running && IsConfigurationPath(*named))
            Stop();
        LoadConfigurationFile(*named);
    });
}

} // namespace qm
