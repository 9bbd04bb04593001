// The runner's preferences dialog without its window (defaults, dependencies, browse, Apply
// with the start-with-Windows entry) and the file-type association keys.
#include "core/messages.h"
#include "runner/runner_preferences.h"
#include "settings/settings_table.h"
#include "support/fakes.h"
#include "support/memory_store.h"
#include "support/runner_fakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qm {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::MemoryFileSystem;
using testing::RecordingDialogs;
using testing::RefusingStore;

constexpr auto kUser = RegistryRoot::CurrentUser;
constexpr auto kMachine = RegistryRoot::LocalMachine;
constexpr auto kClasses = RegistryRoot::ClassesRoot;
const AssociatingProgram kRunner{"Corvex", "C:\\Program Files\\Corvex", "corvex", "Run"};
const std::string kRunCommand = "\"C:\\Program Files\\Corvex\\corvex.exe\" /t";

class Preferences : public ::testing::Test {
protected:
    std::string Pref(std::string_view value) {
        return memory.GetString(kUser, kRunnerPrefKey, value);
    }
    std::string RunEntry(RegistryRoot root) {
        return memory.GetString(root, kWindowsRunKey, "Corvex");
    }

    MemoryStore memory;
    RefusingStore store{memory};
    MemoryFileSystem files;
    RecordingDialogs dialogs;
    RunnerPreferences prefs{store, files, dialogs, kRunner};
};

TEST_F(Preferences, LoadWritesTheDialogsOwnDefaultsForMissingValues) {
    memory.SaveString(kUser, kConfigKey, "ConfigPath", "D:\\Cfg\\");
    prefs.Load();
    const auto& s = prefs.State();
    EXPECT_FALSE(s.Launch); // starting with Windows only when ticked
    EXPECT_TRUE(s.Taskbar);
    EXPECT_FALSE(s.Associate);
    EXPECT_FALSE(s.Startup);
    EXPECT_EQ(s.ConfigPath, "D:\\Cfg\\");
    EXPECT_EQ(s.DefaultConfigFile, "");
    EXPECT_EQ(s.KeyHold, "0");
    EXPECT_EQ(s.RepeatRate, "500");
    EXPECT_EQ(s.RotaryRate, "35");
    EXPECT_EQ(Pref("launch"), "False");
    EXPECT_EQ(Pref("taskbar"), "True");
    EXPECT_EQ(Pref("associate"), "False");
    EXPECT_EQ(Pref("startup"), "False");
    EXPECT_EQ(memory.GetString(kUser, kConfigKey, "KeyHold"), "0");
    EXPECT_FALSE(s.StartupEnabled);
    EXPECT_FALSE(s.DefaultFileEnabled);
    EXPECT_FALSE(s.ButtonsEnabled);
    EXPECT_FALSE(s.ApplyEnabled);

    // Another change applied adds no start-with-Windows entry.
    prefs.SetTaskbar(false);
    prefs.Apply();
    EXPECT_FALSE(memory.ValueExists(kMachine, kWindowsRunKey, "Corvex"));
    EXPECT_FALSE(memory.ValueExists(kUser, kWindowsRunKey, "Corvex"));
    EXPECT_EQ(Pref("launch"), "False");
}

TEST_F(Preferences, DefaultFileNeedsBothLaunchAndStartup) {
    memory.SaveString(kUser, kRunnerPrefKey, "launch", "False");
    memory.SaveString(kUser, kRunnerPrefKey, "startup", "True");
    prefs.Load();
    EXPECT_FALSE(prefs.State().StartupEnabled);
    EXPECT_FALSE(prefs.State().DefaultFileEnabled);
    prefs.SetLaunch(true);
    EXPECT_TRUE(prefs.State().StartupEnabled);
    EXPECT_TRUE(prefs.State().DefaultFileEnabled);
    EXPECT_TRUE(prefs.State().ApplyEnabled);
    prefs.SetStartup(false);
    EXPECT_FALSE(prefs.State().DefaultFileEnabled);
    prefs.SetStartup(true);
    prefs.SetLaunch(false);
    EXPECT_FALSE(prefs.State().StartupEnabled);
    EXPECT_FALSE(prefs.State().DefaultFileEnabled);
}

TEST_F(Preferences, BrowseCommands) {
    prefs.Load();
    prefs.BrowseConfigFolder(); // cancelled
    EXPECT_FALSE(prefs.State().ButtonsEnabled);
    dialogs.folderAnswers = {"E:\\Cfg"};
    prefs.BrowseConfigFolder();
    EXPECT_THAT(dialogs.folderTitles, ElementsAre("Configuration Folder", "Configuration Folder"));
    EXPECT_EQ(prefs.State().ConfigPath, "E:\\Cfg");
    EXPECT_TRUE(prefs.State().ButtonsEnabled);

    files.files["E:\\d.qmf"] = "";
    dialogs.fileAnswers = {"E:\\gone.qmf", "E:\\d.qmf"};
    prefs.BrowseDefaultConfigFile();
    EXPECT_EQ(dialogs.shown, std::vector{msg::CannotOpenMissingFile()});
    EXPECT_EQ(prefs.State().DefaultConfigFile, "");
    prefs.BrowseDefaultConfigFile();
    EXPECT_EQ(prefs.State().DefaultConfigFile, "E:\\d.qmf");
    EXPECT_EQ(dialogs.fileRequests.front().title, "Default Configuration File");
    EXPECT_EQ(dialogs.fileRequests.front().filter,
              "All Files (*.*)|*.*|Vantrel Files (*.qmf)|*.qmf");
}

TEST_F(Preferences, ApplyWritesEveryValueAndTheMachineRunEntry) {
    memory.SaveString(kUser, kWindowsRunKey, "Corvex", "stale");
    prefs.Load();
    prefs.SetLaunch(true);
    prefs.SetTaskbar(false);
    prefs.SetAssociate(true);
    prefs.SetStartup(true);
    prefs.SetConfigPath("D:\\Configs");
    prefs.SetDefaultConfigFile("D:\\Configs\\d.qmf");
    prefs.SetTiming(TimingBox::KeyHold, "25 ms");
    prefs.SetTiming(TimingBox::RepeatDelay, "abc");
    prefs.SetTiming(TimingBox::RotaryThreshold, "99999");
    const auto timings = prefs.Apply();

    EXPECT_EQ(RunEntry(kMachine), kRunCommand);
    EXPECT_EQ(RunEntry(kUser), ""); // one entry only: no second start
    EXPECT_EQ(Pref("launch"), "True");
    EXPECT_EQ(Pref("taskbar"), "False");
    EXPECT_EQ(Pref("associate"), "True");
    EXPECT_EQ(Pref("startup"), "True");
    EXPECT_EQ(Pref("DefaultConfigFile"), "D:\\Configs\\d.qmf");
    EXPECT_EQ(memory.GetString(kUser, kConfigKey, "ConfigPath"), "D:\\Configs\\");
    EXPECT_EQ(memory.GetString(kUser, kConfigKey, "KeyHold"), "25");
    EXPECT_EQ(memory.GetString(kUser, kConfigKey, "RepeatRate"), "0");
    EXPECT_EQ(memory.GetString(kUser, kConfigKey, "RotaryRate"), "60000");
    EXPECT_EQ(timings.KeyHoldMs, 25);
    EXPECT_EQ(timings.RepeatRateMs, 0);
    EXPECT_EQ(timings.RotaryRateMs, 60000);
    EXPECT_EQ(prefs.State().RepeatRate, "0");
    EXPECT_EQ(memory.GetString(kClasses, "qmf_file\\Shell\\Run\\Command", ""),
              "\"C:\\Program Files\\Corvex\\corvex.exe\" %1");
    EXPECT_FALSE(prefs.State().ApplyEnabled);
    EXPECT_TRUE(dialogs.shown.empty());

    // Unchecked: both entries go, the association too.
    memory.SaveString(kUser, kWindowsRunKey, "Corvex", kRunCommand);
    prefs.SetLaunch(false);
    prefs.SetAssociate(false);
    prefs.SetConfigPath("");
    prefs.Apply();
    EXPECT_FALSE(memory.ValueExists(kMachine, kWindowsRunKey, "Corvex"));
    EXPECT_FALSE(memory.ValueExists(kUser, kWindowsRunKey, "Corvex"));
    EXPECT_EQ(Pref("launch"), "False");
    EXPECT_FALSE(memory.KeyExists(kClasses, "qmf_file"));
    EXPECT_EQ(memory.GetString(kUser, kConfigKey, "ConfigPath"),
              "C:\\Program Files\\Corvex\\config\\");
}

TEST(PreferencesRunEntry, RefusedMachineEntryFallsBackToTheUsersOwnThenToOff) {
    struct Case {
        std::vector<RegistryRoot> refused;
        const char *machine, *user, *launch;
    };
    const Case cases[] = {
        {{kMachine}, "", kRunCommand.c_str(), "True"},
        {{kMachine, kUser}, "", "", "False"},
    };
    for (const auto& c : cases) {
        MemoryStore memory;
        RefusingStore store(memory);
        for (auto root : c.refused)
            store.refusedKeys.emplace_back(root, kWindowsRunKey);
        MemoryFileSystem files;
        RecordingDialogs dialogs;
        RunnerPreferences prefs(store, files, dialogs, kRunner);
        prefs.Load();
        prefs.SetLaunch(true);
        prefs.Apply();
        EXPECT_EQ(memory.GetString(kMachine, kWindowsRunKey, "Corvex"), c.machine);
        EXPECT_EQ(memory.GetString(kUser, kWindowsRunKey, "Corvex"), c.user);
        EXPECT_EQ(memory.GetString(kUser, kRunnerPrefKey, "launch"), c.launch);
        const bool refused = std::string_view(c.launch) == "False";
        EXPECT_EQ(prefs.State().Launch, !refused);
        EXPECT_EQ(dialogs.shown, refused ? std::vector{msg::StartWithWindowsRefused("Corvex")}
                                         : std::vector<Message>{});
    }
}

TEST(PreferencesTiming, LeadingNumberClampedToAMinute) {
    const std::pair<const char*, int> cases[] = {
        {"250", 250}, {"250ms", 250},   {" 12.6", 13},
        {"+7", 7},    {"x", 0},         {"", 0},
        {"-5", 0},    {"60001", 60000}, {"99999999999999999999", 60000},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(RunnerPreferences::TimingValue(text), value) << text;
}

TEST_F(Preferences, ScrollBarsStepWithinTheirRangesWithTheTopAtTheMaximum) {
    using enum ScrollAction;
    constexpr auto hold = TimingBox::KeyHold;       // 0..500, steps 5 and 25
    constexpr auto repeat = TimingBox::RepeatDelay; // 0..1000, steps 100 and 100
    constexpr auto rotary = TimingBox::RotaryThreshold;
    struct Case {
        TimingBox box;
        const char* text;
        ScrollAction action;
        int track;
        const char* after; // the box's text afterwards
        int position;      // the bar's position afterwards
    };
    const Case cases[] = {
        {hold, "0", LineDown, 0, "0", 500},   {hold, "0", LineUp, 0, "5", 495},
        {hold, "5", LineDown, 0, "0", 500},   {hold, "495", LineUp, 0, "500", 0},
        {hold, "500", LineUp, 0, "500", 0},   {hold, "490", PageUp, 0, "500", 0},
        {hold, "30", PageDown, 0, "5", 495},  {hold, "10", PageDown, 0, "0", 500},
        {hold, "900", LineUp, 0, "900", 0},   {hold, "900", LineDown, 0, "495", 5},
        {hold, "abc", LineUp, 0, "5", 495},   {repeat, "1000", LineDown, 0, "900", 100},
        {repeat, "0", PageUp, 0, "100", 900}, {repeat, "1", Top, 0, "1000", 0},
        {rotary, "35", Bottom, 0, "0", 500},  {rotary, "35", Track, 0, "500", 0},
        {rotary, "35", Track, 499, "1", 499}, {rotary, "35", Track, 600, "0", 500},
        {rotary, "35", Track, -5, "500", 0},
    };
    for (const auto& c : cases) {
        RunnerPreferences fresh{store, files, dialogs, kRunner};
        fresh.SetTiming(c.box, c.text);
        const bool changed = fresh.Scroll(c.box, c.action, c.track);
        const auto label = std::string(c.text) + " " + std::to_string(static_cast<int>(c.action));
        EXPECT_EQ(changed, std::string_view(c.after) != c.text) << label;
        EXPECT_EQ(fresh.TimingText(c.box), c.after) << label;
        EXPECT_EQ(fresh.ScrollPosition(c.box), c.position) << label;
    }
}

// --- File-type association -----------------------------------------------------------------

TEST(Association, RegisteringWritesTheTypeAndDropsAnyOpenVerb) {
    MemoryStore store;
    store.SaveString(kClasses, "qmf_file\\Shell\\Open\\Command", "", "other.exe %1");
    store.SaveString(kClasses, "qmf_file\\Shell\\Edit\\Command", "", "vantrel");
    RegisterFileType(store, kRunner, true);
    EXPECT_EQ(store.GetString(kUser, kConfigKey, "IconPath"),
              "C:\\Program Files\\Corvex\\default.ico");
    EXPECT_EQ(store.GetString(kClasses, ".qmf", ""), "qmf_file");
    EXPECT_EQ(store.GetString(kClasses, ".qmf", "Content Type"), "application/qm-config");
    EXPECT_EQ(store.GetString(kClasses, "qmf_file", ""), "Corvex Configuration Type");
    EXPECT_EQ(store.GetString(kClasses, "qmf_file\\DefaultIcon", ""),
              "C:\\Program Files\\Corvex\\default.ico,0");
    EXPECT_EQ(store.GetString(kClasses, "qmf_file\\Shell\\Run\\Command", ""),
              "\"C:\\Program Files\\Corvex\\corvex.exe\" %1");
    EXPECT_THAT(store.SubkeyNames(kClasses, "qmf_file\\Shell"), ElementsAre("Edit", "Run"));

    RegisterFileType(store, kRunner, false);
    EXPECT_FALSE(store.KeyExists(kClasses, "qmf_file")); // every verb goes with it
    EXPECT_EQ(store.GetString(kClasses, ".qmf", ""), "qmf_file");
}

TEST(Association, CreateExtensionWritesOnlyWhatTheRecordHas) {
    MemoryStore store;
    WriteFileTypeKeys(store,
                      {{"Run", "Edit"}, {"r %1", "e %1"}, "qmx", "qmx_file", "Type", "", "", 0});
    EXPECT_EQ(store.GetString(kClasses, ".qmx", ""), "qmx_file");
    EXPECT_THAT(store.ValueNames(kClasses, ".qmx"), ElementsAre(""));
    EXPECT_THAT(store.SubkeyNames(kClasses, "qmx_file"), ElementsAre("Shell"));
    EXPECT_EQ(store.GetString(kClasses, "qmx_file\\Shell\\Edit\\Command", ""), "e %1");
    EXPECT_THAT(store.SubkeyNames(kClasses, "qmx_file\\Shell\\Run"), ElementsAre("Command"));
    EXPECT_THAT(store.SubkeyNames(kUser, ""), IsEmpty());
}

} // namespace
} // namespace qm
