// The editor's preferences through its controller: what the window loads (its own defaults,
// the clamp, the folder's backslash) and the folder dialog's title. Edits and Apply are driven
// by tests/e2e/editor/preferences.
#include "core/messages.h"
#include "settings/settings_table.h"
#include "support/editor_rig.h"

#include <gtest/gtest.h>

#include <tuple>

namespace qm {
namespace {

constexpr auto kUser = RegistryRoot::CurrentUser;

struct EditorPrefs : ::testing::Test, testing::EditorSeamsRig {
    std::string Config(std::string_view value) { return store.GetString(kUser, kConfigKey, value); }
};

TEST_F(EditorPrefs, LoadWritesItsOwnDefaultsClampsAndOffersOnlyCancel) {
    Start();
    dialogs.shown.clear(); // start-up without devices says so: only the boxes after it count
    store.DelSetting(kUser, kConfigKey, "associate");
    store.SaveString(kUser, kConfigKey, "ConfigPath", "D:\\Cfg");
    store.SaveString(kUser, kConfigKey, "RepeatRate", "99999");
    store.SaveString(kUser, kConfigKey, "RotaryRate", "abc");
    store.SaveString(kUser, kConfigKey, "KeyHold", "40");
    // What the window shows once it is open.
    view.onPreferences = [&] {
        const auto& s = editor->Preferences().State();
        EXPECT_FALSE(s.Associate);
        EXPECT_EQ(s.ConfigPath, "D:\\Cfg\\");
        EXPECT_EQ(s.Timings.Text(TimingBox::RepeatDelay), "60000");
        EXPECT_EQ(s.Timings.Text(TimingBox::RotaryThreshold), "35");
        EXPECT_EQ(s.Timings.Text(TimingBox::KeyHold), "40");
        EXPECT_EQ(s.Timings.ScrollPosition(TimingBox::KeyHold), 460);
        EXPECT_TRUE(!s.OkEnabled && !s.ApplyEnabled && s.CancelEnabled);
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
}

} // namespace
} // namespace qm
