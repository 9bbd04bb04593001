#pragma once
// Test doubles for the runner's controller: a window that records what the tests look at, and
// a process whose priority class is a number.
#include "core/app_error.h"
#include "core/text.h"
#include "runner/runner_view.h"
#include "settings/process_priority.h"
#include "settings/settings_store.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qm::testing {

class RecordingView final : public RunnerView {
public:
    struct Item {
        std::string Entry, FileName, IconPath;
    };

    // Only changes are recorded: the engine sets the same text on every pass.
    void SetStatusText(std::string_view text) override {
        if (Fails("SetStatusText"); statusTexts.empty() || statusTexts.back() != text)
            statusTexts.emplace_back(text);
    }
    void SetCaption(std::string_view) override { Fails("SetCaption"); }
    void ShowTrayIcon(bool running) override {
        Fails("ShowTrayIcon"), trayIcon = running ? "run_up" : "run_off";
    }
    void RemoveTrayIcon() override { Fails("RemoveTrayIcon"), trayIcon.clear(); }
    void ApplyMenuState(const RunnerMenuState& state) override { Fails("Menus"), menus = state; }
    void SetRunning(bool) override { Fails("SetRunning"); }
    // The Run button took the focus with this configuration selected.
    void FocusRunButton() override { Fails("FocusRunButton"), focusedWith = selected; }
    void CheckPriorityItem(int index) override { Fails("CheckPriorityItem"), priorityItem = index; }
    void CheckPollItem(int index) override { Fails("CheckPollItem"), pollItem = index; }
    void SetPollTimer(bool, int) override { Fails("SetPollTimer"); }
    void AddConfiguration(std::string_view entry, std::string_view fileName,
                          std::string_view iconPath) override {
        Fails("AddConfiguration");
        items.push_back({std::string(entry), std::string(fileName), std::string(iconPath)});
    }
    void SelectConfiguration(std::string_view entry) override {
        if (Fails("Select"); std::any_of(items.begin(), items.end(),
                                         [&](const auto& i) { return i.Entry == entry; }))
            selected = entry;
    }
    std::string SelectedConfiguration() const override { return selected; }
    int ConfigurationCount() const override { return static_cast<int>(items.size()); }
    void ShowWindowAs(WindowState state) override {
        Fails("ShowWindowAs");
        if (state == WindowState::Normal)
            visible = true, minimized = false;
        else if (state == WindowState::Minimized)
            minimized = true;
        else
            visible = false;
    }
    bool IsMinimized() const override { return minimized; }
    bool IsVisible() const override { return visible; }
    void PopUpTrayMenu() override { Fails("PopUpTrayMenu"), ++trayMenus; }
    void SetBusy(bool) override { Fails("SetBusy"); }
    void ShowRunningConfiguration(std::string_view entry, std::string_view fileName) override {
        Fails("ShowRunningConfiguration"), checked = entry, tip = fileName;
    }
    void Notify(std::string_view text) override { Fails("Notify"), notes.emplace_back(text); }
    void ShowPreferences() override {
        Fails("ShowPreferences"), ++preferencesShown, onPreferences();
    }
    void Quit() override {}

    // The call named here meets a run-time error, as a failing window would.
    std::string_view failAt;
    std::vector<std::string> statusTexts, notes;
    // The notification icon's menu check mark (an entry) and the file its tip names.
    std::string trayIcon, selected, focusedWith, checked, tip;
    RunnerMenuState menus;
    int priorityItem = -1, pollItem = -1, trayMenus = 0, preferencesShown = 0;
    bool visible = false, minimized = false;
    std::vector<Item> items;
    // Runs while the preferences dialog is "open".
    std::function<void()> onPreferences = [] {};

private:
    void Fails(std::string_view call) const {
        if (call == failAt)
            throw AppError(err::Overflow);
    }
};

class RecordingPriority final : public ProcessPriority {
public:
    std::uint32_t GetProcessPriority(std::uint32_t id, WindowHandle) override {
        otherProcess |= id != 0;
        return current;
    }
    std::uint32_t SetProcessPriority(std::uint32_t id, WindowHandle,
                                     std::uint32_t wanted) override {
        otherProcess |= id != 0;
        sets.push_back(wanted);
        return current = wanted;
    }
    std::uint32_t current = kNormalPriorityClass;
    std::vector<std::uint32_t> sets;
    bool otherProcess = false; // a process id other than 0 (the window's process) was given
};

// A store that silently ignores some writes, as the registry does for a user without the
// rights: SaveString to a refused key, and every DelKey while deletesIgnored.
class RefusingStore final : public SettingsStore {
public:
    explicit RefusingStore(SettingsStore& inner) : inner_(inner) {}

    std::string GetString(RegistryRoot root, std::string_view keyPath,
                          std::string_view valueName) override {
        return inner_.GetString(root, keyPath, valueName);
    }
    void SaveString(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                    std::string_view text) override {
        for (const auto& [r, k] : refusedKeys)
            if (r == root && EqualsIgnoreCase(k, keyPath))
                return;
        inner_.SaveString(root, keyPath, valueName, text);
    }
    void DelSetting(RegistryRoot root, std::string_view keyPath,
                    std::string_view valueName) override {
        inner_.DelSetting(root, keyPath, valueName);
    }
    void DelKey(RegistryRoot root, std::string_view keyPath) override {
        if (!deletesIgnored)
            inner_.DelKey(root, keyPath);
    }
    long EnumKey(RegistryRoot root, std::string_view keyPath, std::uint32_t index,
                 std::string& name) override {
        return inner_.EnumKey(root, keyPath, index, name);
    }

    std::vector<std::pair<RegistryRoot, std::string>> refusedKeys;
    bool deletesIgnored = false;

private:
    SettingsStore& inner_;
};

} // namespace qm::testing
