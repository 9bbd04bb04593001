// The editor's preferences through its controller: what the window loads (its own defaults,
// the clamp, the folder's backslash), which buttons each step enables, and what Apply writes and
// takes over.
#include "settings/file_association.h"
#include "settings/settings_table.h"
#include "support/editor_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace qm {
namespace {

using ::testing::ElementsAre;

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

TEST_F(EditorPrefs, EveryChangeEnablesTheButtonsAndWritesNothingUntilApply) {
    Start();
    using Edit = std::function<void(EditorPreferences&)>;
    const std::pair<const char*, Edit> edits[] = {
        {"check box", [](auto& p) { p.SetAssociate(false); }},
        {"folder text", [](auto& p) { p.SetConfigPath("E:\\"); }},
        {"timing text", [](auto& p) { p.SetTiming(TimingBox::KeyHold, "7"); }},
        {"scroll bar", [](auto& p) { p.Scroll(TimingBox::RotaryThreshold, ScrollAction::LineUp); }},
        {"browse", [&](auto& p) {
             dialogs.folderAnswers = {"E:\\Cfg"};
             p.BrowseConfigFolder();
         }}};
    for (const auto& [name, edit] : edits) {
        Open([&](EditorPreferences& prefs) {
            const auto saves = store.SaveCount();
            edit(prefs);
            EXPECT_EQ(store.SaveCount(), saves) << name;
            const auto& s = prefs.State();
            EXPECT_TRUE(s.OkEnabled && s.ApplyEnabled && s.CancelEnabled) << name;
        });
    }
    // What changes nothing enables nothing: a bar at its end, a cancelled folder dialog.
    Open([&](EditorPreferences& prefs) {
        prefs.Scroll(TimingBox::KeyHold, ScrollAction::LineDown);
        prefs.BrowseConfigFolder();
        EXPECT_FALSE(prefs.State().OkEnabled || prefs.State().ApplyEnabled);
    });
    EXPECT_THAT(dialogs.folderTitles, ElementsAre("Configuration Folder", "Configuration Folder"));
}

TEST_F(EditorPrefs, ApplyWritesTheValuesAndTakesOverTheHoldTime) {
    struct Case {
        bool associate;
        const char* folder; // as typed
        const char* repeat;
        const char* storedFolder;
        const char* storedRepeat;
        int hold; // a page up from the stored hold time
    };
    const Case cases[] = {
        {false, "E:\\Mine", "250abc", "E:\\Mine\\", "250", 25},
        {true, "", "x", "C:\\Program Files\\Vantrel\\config\\", "0", 50},
    };
    Start();
    const std::string startFolder = editor.ConfigurationFolder();
    for (const auto& c : cases) {
        Open([&](EditorPreferences& prefs) {
            prefs.SetAssociate(c.associate);
            prefs.SetConfigPath(c.folder);
            prefs.SetTiming(TimingBox::RepeatDelay, c.repeat);
            prefs.SetTiming(TimingBox::RotaryThreshold, "70000");
            prefs.Scroll(TimingBox::KeyHold, ScrollAction::PageUp);
            editor.TakeOverTimings(prefs.Apply());
            const auto& s = prefs.State();
            EXPECT_EQ(s.ConfigPath, c.storedFolder);
            EXPECT_EQ(s.Timings.Text(TimingBox::RepeatDelay), c.storedRepeat);
            EXPECT_TRUE(s.OkEnabled && !s.ApplyEnabled && !s.CancelEnabled);
            prefs.SetAssociate(c.associate); // a change after Apply can be cancelled again
            EXPECT_TRUE(s.CancelEnabled);
        });
        EXPECT_EQ(Config("associate"), BoolSettingText(c.associate));
        EXPECT_EQ(store.KeyExists(kFileTypeRoot, FileTypeKeyPath("qmf_file\\Shell\\Edit\\Command")),
                  c.associate);
        EXPECT_EQ(Config("ConfigPath"), c.storedFolder);
        EXPECT_EQ(Config("RepeatRate"), c.storedRepeat);
        EXPECT_EQ(Config("RotaryRate"), "60000");
        EXPECT_EQ(Config("KeyHold"), std::to_string(c.hold));
        EXPECT_EQ(editor.KeyHoldMs(), c.hold);
    }
    EXPECT_EQ(store.GetString(kFileTypeRoot, FileTypeKeyPath("qmf_file\\Shell\\Edit\\Command"), ""),
              "\"C:\\Program Files\\Vantrel\\vantrel.exe\" %1");
    // The list keeps its folder until the next start.
    EXPECT_EQ(editor.ConfigurationFolder(), startFolder);
    EXPECT_TRUE(dialogs.shown.empty());
}

} // namespace
} // namespace qm
