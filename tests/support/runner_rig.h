#pragma once
// The runner's controller over every seam: scripted devices (one pad of 8 buttons), an
// in-memory store and file system, recording dialogs, keyboard and window.
#include "devices/scripted_devices.h"
#include "keyboard/recording_keyboard.h"
#include "runner/runner_controller.h"
#include "settings/settings_table.h"
#include "support/fakes.h"
#include "support/memory_store.h"
#include "support/qmf_builder.h"
#include "support/runner_fakes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace qm::testing {

constexpr auto kUser = RegistryRoot::CurrentUser;
const std::string kFolder = "C:\\Program Files\\Corvex";
const std::string kConfig = kFolder + "\\config\\";
const std::string kUserKeyText(kUserKey);
constexpr const char* kPad = "{00000000-0000-0000-0000-000000000001}";
const std::string kX = "D:\\x.qmf";

// A configuration whose button 1 of the device sends `key`.
inline std::string Qmf(const std::string& key = "A", const std::string& identity = kPad,
                       const char* repeat = "#FALSE#") {
    return File14(
        {Record14{.Identity = identity, .Repeat = repeat, .Press = {{key, key}}, .Release = {}}});
}

// Every seam of the runner, with one attached pad of 8 buttons.
struct Rig {
    Rig() { joysticks.AddController(kPad, "Pad", 8); }

    RunnerController& Start(std::string_view commandLine = "") {
        runner = std::make_unique<RunnerController>(ProgramInfo{kFolder, "corvex", 1, 4, 9},
                                                    RunnerSeams{store, files, dialogs, priority,
                                                                joysticks, boards, keyboard, clock,
                                                                guide, watch, hotkeys},
                                                    view);
        runner->Start(commandLine, nullptr);
        return *runner;
    }
    void Add(std::initializer_list<std::string> paths) {
        for (const auto& path : paths)
            files.files[path] = Qmf();
    }
    void Open(const std::string& path) {
        dialogs.fileAnswers = {path};
        runner->OpenConfigurationFile();
    }
    void Known(const std::string& entry, const std::string& path) {
        memory.SaveString(kUser, kUserKeyText + "\\" + entry, "path", path);
        memory.SaveString(kUser, kUserKeyText + "\\" + entry, "icon path", path);
    }
    // The known-files list: entry and path.
    std::vector<std::pair<std::string, std::string>> KnownFiles() {
        std::vector<std::pair<std::string, std::string>> known;
        for (const auto& entry : memory.SubkeyNames(kUser, kUserKey))
            known.emplace_back(entry, memory.GetString(kUser, kUserKeyText + "\\" + entry, "path"));
        return known;
    }
    std::string ConfigValue(std::string_view value) {
        return memory.GetString(kUser, kConfigKey, value);
    }
    std::string RunningPath() {
        return memory.GetString(kUser, kUserKeyText + "\\" + view.selected, "path");
    }
    // The tuning menus: poll item, period and stored value; priority item, class and stored value.
    auto Tuning() {
        return std::tuple(view.pollItem, runner->PollPeriodMs(), ConfigValue("PollFrequency"),
                          view.priorityItem, runner->PriorityClass(),
                          ConfigValue("ThreadPriority"));
    }

    MemoryStore memory;
    testing::RefusingStore store{memory};
    testing::MemoryFileSystem files;
    testing::RecordingDialogs dialogs;
    testing::RecordingPriority priority;
    testing::RecordingGuideBrowser guide;
    ScriptedJoystickApi joysticks;
    ScriptedBoardLibrary boards;
    UsLayoutScanCodes layout;
    RecordingKeyboard keyboard{layout};
    ManualClock clock;
    testing::RecordingView view;
    std::unique_ptr<RunnerController> runner;
    // Switching's seams, when a test gives them.
    ForegroundWatch* watch = nullptr;
    HotkeyRegistrar* hotkeys = nullptr;
};

class Runner : public ::testing::Test, public Rig {};
// Started with a.qmf in the configuration folder.
class RunnerWithAFile : public Runner {
    void SetUp() override {
        Add({kConfig + "a.qmf"});
        Start();
    }
};

} // namespace qm::testing
