// The editor's preferences through its controller: what the window loads (its own defaults,
// the clamp, the folder's backslash). Edits and Apply are driven by tests/e2e/editor/preferences.
#include "settings/settings_table.h"
#include "support/editor_rig.h"

#include <gtest/gtest.h>

#include <functional>

namespace qm {
namespace {

constexpr auto kUser = RegistryRoot::CurrentUser;
const std::string kFolder = "C:\\Program Files\\Vantrel";

class EditorPrefs : public ::testing::Test, public testing::EditorSeamsRig {
protected:
    // Start-up without devices says so: only the boxes after it count.
    void Start() {
        editor.Start("", nullptr);
        dialogs.shown.clear();
    }
    // The editor started, then its preferences opened; `whileOpen` is what the user does.
    void Open(const std::function<void(EditorPreferences&)>& whileOpen) {
        view.onPreferences = [&] { whileOpen(editor.Preferences()); };
        editor.EditPreferences();
    }
    std::string Config(std::string_view value) { return store.GetString(kUser, kConfigKey, value); }

    EditorController editor{ProgramInfo{kFolder, "vantrel", 1, 4, 0}, Seams(), view};
};

TEST_F(EditorPrefs, LoadWritesItsOwnDefaultsClampsAndOffersOnlyCancel) {
    Start();
    store.DelSetting(kUser, kConfigKey, "associate");
    store.SaveString(kUser, kConfigKey, "ConfigPath", "D:\\Cfg");
    store.SaveString(kUser, kConfigKey, "RepeatRate", "99999");
    store.SaveString(kUser, kConfigKey, "RotaryRate", "abc");
    store.SaveString(kUser, kConfigKey, "KeyHold", "40");
    Open([&](EditorPreferences& prefs) {
        const auto& s = prefs.State();
        EXPECT_FALSE(s.Associate);
        EXPECT_EQ(s.ConfigPath, "D:\\Cfg\\");
        EXPECT_EQ(s.Timings.Text(TimingBox::RepeatDelay), "60000");
        EXPECT_EQ(s.Timings.Text(TimingBox::RotaryThreshold), "35");
        EXPECT_EQ(s.Timings.Text(TimingBox::KeyHold), "40");
        EXPECT_EQ(s.Timings.ScrollPosition(TimingBox::KeyHold), 460);
        EXPECT_TRUE(!s.OkEnabled && !s.ApplyEnabled && s.CancelEnabled);
    });
    EXPECT_EQ(view.preferencesShown, 1);
    EXPECT_EQ(Config("associate"), "False");
    EXPECT_EQ(Config("ConfigPath"), "D:\\Cfg\\");
    EXPECT_EQ(Config("RotaryRate"), "35");
    // A stored hold time is not taken over before Apply.
    EXPECT_EQ(editor.KeyHoldMs(), 0);
    EXPECT_TRUE(dialogs.shown.empty());
}

} // namespace
} // namespace qm
