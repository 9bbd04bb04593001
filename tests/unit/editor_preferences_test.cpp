// The editor's preferences through its controller: what the window loads (its own defaults,
// the clamp, the folder's backslash), the folder dialog's title, and Apply storing every value.
#include "core/messages.h"
#include "settings/file_association.h"
#include "settings/settings_table.h"
#include "support/editor_rig.h"

#include <gtest/gtest.h>

#include <tuple>

namespace qm {
namespace {

constexpr auto kUser = RegistryRoot::CurrentUser;
const std::string kConfig = "C:\\Program Files\\Vantrel\\config\\";

struct EditorPrefs : ::testing::Test, testing::EditorSeamsRig {
    std::string Config(std::string_view value) { return store.GetString(kUser, kConfigKey, value); }
};

TEST_F(EditorPrefs, LoadWritesItsOwnDefaultsAndOffersOnlyCancelApplyStoresEveryValue) {
    Start();
    dialogs.shown.clear(); // start-up without devices says so: only the boxes after it count
    store.DelSetting(kUser, kConfigKey, "associate");
    store.SaveString(kUser, kConfigKey, "ConfigPath", "D:\\Cfg");
    store.SaveString(kUser, kConfigKey, "RepeatRate", "99999");
    store.SaveString(kUser, kConfigKey, "RotaryRate", "abc");
    store.SaveString(kUser, kConfigKey, "KeyHold", "40");
    store.SaveString(kUser, kConfigKey, "ExtendedKeys", "true");
    store.SaveString(kUser, kConfigKey, "ExactPointer", " 1 ");
    // What the window shows once it is open.
    view.onPreferences = [&] {
        const auto& s = editor->Preferences().State();
        EXPECT_EQ(std::tuple(s.Associate, s.ConfigPath, s.ExtendedKeys, s.ExactPointer),
                  std::tuple(false, "D:\\Cfg\\", true, true));
        // The timings as stored, each read as its box reads a text (timing_boxes_test); the
        // buttons at the start: tests/e2e/editor/preferences.
        EXPECT_EQ(s.Timings.Text(TimingBox::RepeatDelay), "60000");
        editor->Preferences().BrowseConfigFolder(); // cancelled
        EXPECT_EQ(dialogs.folderTitles, std::vector{std::string(kConfigurationFolderTitle)});
    };
    editor->EditPreferences();
    EXPECT_EQ(view.preferencesShown, 1);
    EXPECT_EQ(std::tuple(Config("associate"), Config("ConfigPath"), Config("RotaryRate")),
              std::tuple("False", "D:\\Cfg\\", "35"));
    // A stored hold time is not taken over before Apply.
    EXPECT_EQ(editor->KeyHoldMs(), 0);
    EXPECT_TRUE(dialogs.shown.empty());

    // Apply stores every value (a folder without its backslash, letters after a number, the
    // association and both keys' options off: tests/e2e/editor/preferences); an empty folder
    // is the default one, the list keeps its own; the hold time and the pointer are taken over.
    auto& prefs = editor->Preferences();
    prefs.SetAssociate(false);
    prefs.SetConfigPath("");
    prefs.SetTiming(TimingBox::RepeatDelay, "x");
    prefs.SetTiming(TimingBox::RotaryThreshold, "99999");
    prefs.SetTiming(TimingBox::KeyHold, "20");
    prefs.SetExtendedKeys(true);
    prefs.SetExactPointer(true);
    const auto taken = prefs.Apply();
    editor->TakeOverTimings(taken);
    EXPECT_TRUE(taken.ExtendedKeys && taken.ExactPointer && keyboard.ExactPointer);
    EXPECT_EQ((std::vector{Config("associate"), Config("ConfigPath"), Config("RepeatRate"),
                           Config("RotaryRate"), Config("KeyHold"), Config("ExtendedKeys"),
                           Config("ExactPointer")}),
              (std::vector<std::string>{"False", kConfig, "0", "60000", "20", "True", "True"}));
    EXPECT_FALSE(store.KeyExists(kFileTypeRoot, FileTypeKeyPath("qmf_file\\Shell\\Edit")));
    EXPECT_EQ(editor->KeyHoldMs(), 20);
    const auto& s = prefs.State();
    EXPECT_TRUE(s.OkEnabled && !s.ApplyEnabled && !s.CancelEnabled);
    EXPECT_EQ(editor->ConfigurationFolder(), kConfig);
}

} // namespace
} // namespace qm
