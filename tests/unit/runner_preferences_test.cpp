// The runner's preferences dialog without its window (defaults, dependencies, browse, Apply
// with the start-with-Windows entry) and the file-type association keys.
#include "core/messages.h"
#include "runner/runner_preferences.h"
#include "settings/file_association.h"
#include "settings/settings_table.h"
#include "support/fakes.h"
#include "support/memory_store.h"
#include "support/runner_fakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

namespace qm {
namespace {

using ::testing::ElementsAre;

constexpr auto kUser = RegistryRoot::CurrentUser;
constexpr auto kMachine = RegistryRoot::LocalMachine;
const std::string kFolder = "C:\\Program Files\\Corvex";
const AssociatingProgram kRunner{"Corvex", kFolder, "corvex", "Run"};
const std::string kRunCommand = "\"C:\\Program Files\\Corvex\\corvex.exe\" /t";

struct PreferencesRig {
    std::string Pref(std::string_view value) {
        return memory.GetString(kUser, kRunnerPrefKey, value);
    }
    // The command of the start-with-Windows entry, "-" when there is none.
    std::string RunEntry(RegistryRoot root) {
        return memory.ValueExists(root, kWindowsRunKey, "Corvex")
                   ? memory.GetString(root, kWindowsRunKey, "Corvex")
                   : "-";
    }
    // Launch, Taskbar, Associate, Startup, then StartupEnabled, DefaultFileEnabled, ButtonsEnabled
    // and ApplyEnabled, as 1 and 0.
    std::string Ticks() {
        const auto& s = prefs.State();
        std::string ticks;
        for (bool b : {s.Launch, s.Taskbar, s.Associate, s.Startup, s.StartupEnabled,
                       s.DefaultFileEnabled, s.ButtonsEnabled, s.ApplyEnabled})
            ticks += b ? '1' : '0';
        return ticks;
    }

    MemoryStore memory;
    testing::RefusingStore store{memory};
    testing::MemoryFileSystem files;
    testing::RecordingDialogs dialogs;
    RunnerPreferences prefs{store, files, dialogs, kRunner};
};

class Preferences : public ::testing::Test, public PreferencesRig {};

TEST_F(Preferences, DefaultFileNeedsBothLaunchAndStartup) {
    memory.SaveString(kUser, kRunnerPrefKey, "launch", "True");
    memory.SaveString(kUser, kRunnerPrefKey, "startup", "False");
    prefs.Load();
    EXPECT_EQ(Ticks(), "11001000");
    prefs.SetStartup(true);
    EXPECT_EQ(Ticks(), "11011111");
    prefs.SetLaunch(false);
    EXPECT_EQ(Ticks(), "01010011");
    prefs.SetLaunch(true);
    EXPECT_EQ(Ticks(), "11011111");
    prefs.SetStartup(false);
    EXPECT_EQ(Ticks(), "11001011");
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
}

// The values Load writes when missing are checked end to end (the tray script). Each value is
// applied one way, then the other.
TEST_F(Preferences, ApplyStoresEveryValueWithOneRunEntry) {
    memory.SaveString(kUser, kWindowsRunKey, "Corvex", "stale");
    prefs.Load();
    EXPECT_EQ(Ticks(), "01000000"); // starting with Windows only when ticked
    // The extended keys and the exact pointer are off until stored as on; opening the window
    // writes nothing.
    EXPECT_FALSE(prefs.State().ExtendedKeys);
    EXPECT_FALSE(prefs.State().ExactPointer);
    EXPECT_EQ(memory.GetString(kUser, kConfigKey, "ExtendedKeys"), "");
    EXPECT_EQ(memory.GetString(kUser, kConfigKey, "ExactPointer"), "");
    for (bool on : {true, false}) {
        prefs.SetLaunch(on), prefs.SetTaskbar(!on), prefs.SetAssociate(on), prefs.SetStartup(on);
        prefs.SetExtendedKeys(on);
        prefs.SetExactPointer(!on);
        prefs.SetConfigPath(on ? "D:\\Configs" : "");
        prefs.SetDefaultConfigFile(on ? "D:\\d.qmf" : "");
        prefs.SetTiming(TimingBox::KeyHold, on ? "25 ms" : "0");
        prefs.SetTiming(TimingBox::RepeatDelay, on ? "abc" : "200");
        prefs.SetTiming(TimingBox::RotaryThreshold, on ? "99999" : "40");
        const auto t = prefs.Apply();
        std::vector<std::string> stored = {RunEntry(kMachine), RunEntry(kUser)};
        for (const char* name : {"launch", "taskbar", "associate", "startup", "DefaultConfigFile"})
            stored.push_back(Pref(name));
        for (const char* name :
             {"ConfigPath", "KeyHold", "RepeatRate", "RotaryRate", "ExtendedKeys", "ExactPointer"})
            stored.push_back(memory.GetString(kUser, kConfigKey, name));
        EXPECT_EQ(stored, (on ? std::vector<std::string>{kRunCommand, "-", "True", "False", "True",
                                                         "True", "D:\\d.qmf", "D:\\Configs\\", "25",
                                                         "0", "60000", "True", "False"}
                              : std::vector<std::string>{"-", "-", "False", "True", "False",
                                                         "False", "", kFolder + "\\config\\", "0",
                                                         "200", "40", "False", "True"}));
        EXPECT_EQ(
            std::tuple(t.KeyHoldMs, t.RepeatRateMs, t.RotaryRateMs, t.ExtendedKeys, t.ExactPointer),
            on ? std::tuple(25, 0, 60000, true, false) : std::tuple(0, 200, 40, false, true));
        EXPECT_EQ(memory.KeyExists(kFileTypeRoot, FileTypeKeyPath("qmf_file\\Shell\\Run")), on);
        EXPECT_EQ(prefs.State().Timings.Text(TimingBox::RepeatDelay), on ? "0" : "200");
        EXPECT_FALSE(prefs.State().ApplyEnabled);
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST(PreferencesRunEntry, RefusedMachineEntryFallsBackToTheUsersOwnThenToOff) {
    for (const bool userRefuses : {false, true}) {
        PreferencesRig r;
        r.store.refusedKeys = {{kMachine, std::string(kWindowsRunKey)}};
        if (userRefuses)
            r.store.refusedKeys.emplace_back(kUser, kWindowsRunKey);
        r.prefs.Load();
        r.prefs.SetLaunch(true);
        r.prefs.Apply();
        EXPECT_EQ(std::tuple(r.RunEntry(kMachine), r.RunEntry(kUser), r.Pref("launch"),
                             r.prefs.State().Launch),
                  userRefuses ? std::tuple("-", "-", "False", false)
                              : std::tuple("-", kRunCommand.c_str(), "True", true));
        EXPECT_EQ(r.dialogs.shown, userRefuses ? std::vector{msg::StartWithWindowsRefused("Corvex")}
                                               : std::vector<Message>{});
    }
}

// --- File-type association -----------------------------------------------------------------

// The file type's keys live in the user's classes.
TEST(Association, RegisteringWritesTheTypeAndDropsAnyOpenVerb) {
    MemoryStore store;
    const auto subkeys = [&](std::string_view key) {
        return store.SubkeyNames(kFileTypeRoot, FileTypeKeyPath(key));
    };
    for (const char* verb : {"Open", "Edit"})
        store.SaveString(kFileTypeRoot, FileTypeKeyPath("qmf_file\\Shell\\" + std::string(verb)),
                         "", "other.exe %1");
    RegisterFileType(store, kRunner, true); // its values: the menus script's registry
    EXPECT_THAT(subkeys("qmf_file\\Shell"), ElementsAre("Edit", "Run"));
    // Nothing under the machine's classes, which a standard user cannot write.
    EXPECT_THAT(store.SubkeyNames(RegistryRoot::ClassesRoot, ""), ElementsAre());

    RegisterFileType(store, kRunner, false);
    EXPECT_THAT(subkeys(""), ElementsAre(".qmf")); // every verb goes with the type
    EXPECT_EQ(store.GetString(kFileTypeRoot, FileTypeKeyPath(".qmf"), ""), "qmf_file");
}

} // namespace
} // namespace qm
