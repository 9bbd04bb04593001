// Switching: the stored settings, which rule a program matches and which windows count, the
// runner following the program in front (and its choice for programs without a rule), a
// switch while a button is held, and the hotkeys.
#include "core/key_names.h"
#include "core/messages.h"
#include "runner/switching.h"
#include "support/runner_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

namespace qm {
namespace {

using namespace testing; // the rig
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

const std::string kA = kConfig + "a.qmf", kB = kConfig + "b.qmf", kC = kConfig + "c.qmf";
constexpr Hotkey kCtrlAltN{kCtrlMask | kAltMask, 'N'};

class RecordingWatch final : public ForegroundWatch {
public:
    void Watch(bool o) override { on = o; }
    bool on = false;
};

class RecordingHotkeys final : public HotkeyRegistrar {
public:
    bool Register(HotkeyAction action, Hotkey hotkey) override {
        if (hotkey == takenByOthers)
            return false;
        held[action] = hotkey;
        return true;
    }
    void Unregister(HotkeyAction action) override { held.erase(action); }
    std::map<HotkeyAction, Hotkey> held;
    Hotkey takenByOthers{kCtrlMask, 'T'};
};

// A configuration whose button 1 sends `press` down and `release` up.
std::string PressRelease(const std::string& press, const std::string& release) {
    return File14({Record14{.Press = {{press, press}}, .Release = {{release, release}}}});
}

ForegroundWindow Program(const std::string& path) {
    return {false, "AppWindow", path};
}

// a.qmf and b.qmf in the folder; fly.exe runs a, taxi.exe runs b; switching on.
class Switching : public ::testing::Test, public Rig {
protected:
    Switching() {
        watch = &watchSeam;
        hotkeys = &hotkeySeam;
        files.files[kA] = PressRelease("A", "X");
        files.files[kB] = PressRelease("B", "Y");
        settings.Enabled = true;
        settings.Rules = {{"fly.exe", kA}, {"taxi.exe", kB}};
    }
    void StartWith(const SwitchingSettings& s) {
        SaveSwitching(memory, s);
        Start();
    }
    void Front(const std::string& path) { runner->ForegroundChanged(Program(path)); }
    // The running configuration's file, as the check mark and the tip show it.
    std::string Running() { return runner->Running() ? view.tip : "stopped"; }

    RecordingWatch watchSeam;
    RecordingHotkeys hotkeySeam;
    SwitchingSettings settings;
};

// The Windows key is kept and named; all four modifiers are the most a hotkey holds.
TEST(SwitchingSettingsStore, LayoutRoundTripAndLeftovers) {
    MemoryStore store;
    EXPECT_EQ(LoadSwitching(store), SwitchingSettings{}); // off, keep, notify, no hotkeys
    const Hotkey winCtrlN{Hotkey::kWinMask | kCtrlMask, 'N'};
    SwitchingSettings s;
    s.Enabled = true;
    s.NoRule = NoRuleChoice::Stop;
    s.Notify = false;
    s.HotkeyOf(HotkeyAction::Previous) = kCtrlAltN;
    s.HotkeyOf(HotkeyAction::Next) = winCtrlN;
    s.Rules = {
        {"fly.exe", "D:\\a.qmf"}, {"C:\\B\\fly.exe", "D:\\b.qmf"}, {"taxi.exe", "D:\\c.qmf"}};
    SaveSwitching(store, s);
    const std::string key(kSwitchingKey);
    const auto value = [&](std::string_view name) { return store.GetString(kUser, key, name); };
    EXPECT_EQ(std::tuple(value("enabled"), value("no rule"), value("notify"), value("hotkey next"),
                         value("hotkey previous"), value("hotkey run stop"), value("rule2")),
              std::tuple("True", "stop", "False", "2638", "1614", "0", "C:\\B\\fly.exe|D:\\b.qmf"));
    EXPECT_EQ(LoadSwitching(store), s);
    EXPECT_EQ(HotkeyText(winCtrlN), "WIN + CTRL + N");

    // A shorter list leaves no old rule behind; a value without its separator ends the list;
    // a hotkey that is not a number or out of range is none.
    s.Rules.resize(1);
    SaveSwitching(store, s);
    EXPECT_EQ(value("rule2"), "");
    store.SaveString(kUser, key, "rule2", "bad");
    store.SaveString(kUser, key, "rule3", "taxi.exe|D:\\c.qmf");
    store.SaveString(kUser, key, "hotkey previous", "70000");
    store.SaveString(kUser, key, "no rule", "DEFAULT");
    s.HotkeyOf(HotkeyAction::Previous) = {};
    s.NoRule = NoRuleChoice::RunDefault;
    EXPECT_EQ(LoadSwitching(store), s);
    store.SaveString(kUser, key, "hotkey next", std::to_string(15 * 256 + 'N'));
    EXPECT_EQ(LoadSwitching(store).HotkeyOf(HotkeyAction::Next), Hotkey({15, 'N'}));
    store.SaveString(kUser, key, "hotkey next", std::to_string(16 * 256 + 'N'));
    EXPECT_FALSE(LoadSwitching(store).HotkeyOf(HotkeyAction::Next).IsSet());
}

TEST(SwitchingRules, NameOrFullPathWithoutCaseAndWhichWindowsCount) {
    const std::vector<SwitchRule> rules = {
        {"FLY.exe", "a"}, {"c:\\games\\two\\fly.EXE", "b"}, {"D:\\sim\\taxi.exe", "c"}};
    const auto configurationOf = [&](std::string_view path) {
        const SwitchRule* rule = FindRule(rules, path);
        return rule ? rule->Configuration : "none";
    };
    EXPECT_EQ(configurationOf("C:\\Games\\One\\fly.exe"), "a");
    EXPECT_EQ(configurationOf("C:\\Games\\Two\\Fly.exe"), "b"); // the full path wins
    EXPECT_EQ(configurationOf("C:\\Other\\taxi.exe"), "none");  // a path names one program
    EXPECT_EQ(configurationOf("C:\\Games\\flyer.exe"), "none");

    EXPECT_TRUE(CountsAsChange({false, "AppWindow", "C:\\fly.exe"}));
    EXPECT_FALSE(CountsAsChange({true, "AppWindow", "C:\\corvex.exe"}));
    EXPECT_FALSE(CountsAsChange({false, "", ""})); // no window, or a program unknown
    EXPECT_FALSE(CountsAsChange({false, "Progman", "C:\\Windows\\explorer.exe"}));
}

TEST_F(Switching, TheProgramInFrontRunsItsConfigurationOwnAndShellWindowsDoNot) {
    files.files[kC] = Qmf();
    settings.Rules.push_back({"gone.exe", kC}); // listed, then its file goes
    settings.Rules.push_back({"never.exe", "D:\\never.qmf"});
    StartWith(settings);
    files.files.erase(kC);
    EXPECT_TRUE(watchSeam.on);
    Front("C:\\Sim\\FLY.EXE");
    EXPECT_EQ(std::tuple(Running(), view.checked, view.selected),
              std::tuple("a.qmf", "file1", "file1"));
    Front("C:\\gone.exe");
    Front("C:\\never.exe");
    EXPECT_EQ(Running(), "a.qmf");
    Front("C:\\Sim\\taxi.exe");
    runner->ForegroundChanged({true, "CorvexForm1", "C:\\Corvex\\corvex.exe"});
    runner->ForegroundChanged({false, "Shell_TrayWnd", "C:\\Windows\\explorer.exe"});
    EXPECT_EQ(Running(), "b.qmf");
    EXPECT_THAT(view.notes, ElementsAre("Running a.qmf", "Running b.qmf"));
    EXPECT_THAT(dialogs.shown, IsEmpty());

    // Stopped by hand: other windows of the same program leave it stopped.
    runner->ToggleRun();
    Front("C:\\Sim\\taxi.exe");
    EXPECT_EQ(std::tuple(Running(), view.checked), std::tuple("stopped", ""));
    // Settings applied again are decided afresh: the program in front runs its configuration.
    runner->ApplySwitching();
    Front("C:\\Sim\\taxi.exe");
    EXPECT_EQ(Running(), "b.qmf");
}

TEST_F(Switching, ProgramsWithoutARuleKeepRunTheDefaultOrStopAndOffNothingSwitches) {
    memory.SaveString(kUser, kRunnerPrefKey, "DefaultConfigFile", kB);
    for (const auto& [choice, expected] :
         {std::pair(NoRuleChoice::Keep, "a.qmf"), std::pair(NoRuleChoice::RunDefault, "b.qmf"),
          std::pair(NoRuleChoice::Stop, "stopped")}) {
        settings.NoRule = choice;
        settings.Rules = {{"fly.exe", kA}};
        StartWith(settings);
        Front("C:\\fly.exe");
        Front("C:\\notepad.exe");
        EXPECT_EQ(Running(), expected) << static_cast<int>(choice);
        runner->Exit();
    }
    // Off, or on without rules: nothing is watched or switched.
    view.notes.clear();
    settings.Enabled = false;
    StartWith(settings);
    Front("C:\\fly.exe");
    EXPECT_FALSE(watchSeam.on);
    settings.Enabled = true;
    settings.Rules.clear();
    SaveSwitching(memory, settings);
    runner->ApplySwitching();
    Front("C:\\fly.exe");
    EXPECT_EQ(std::tuple(watchSeam.on, Running(), view.notes.size()),
              std::tuple(false, "stopped", 0u));
}

TEST_F(Switching, ASwitchWhileAButtonIsHeldLeavesNoKeyDown) {
    StartWith(settings);
    Front("C:\\fly.exe");
    joysticks.SetButton(0, 1, true);
    for (int tick = 0; tick < 3; ++tick)
        runner->TimerTick();
    Front("C:\\taxi.exe");
    for (int tick = 0; tick < 3; ++tick)
        runner->TimerTick();
    joysticks.SetButton(0, 1, false);
    runner->TimerTick();
    // a's press, then b's press and release: a's release never comes into b's program.
    std::string downs;
    std::map<std::uint16_t, int> down;
    for (const auto& batch : keyboard.Batches)
        for (const auto& key : batch) {
            down[key.VirtualKey] += key.KeyUp ? -1 : 1;
            if (!key.KeyUp)
                downs += static_cast<char>(key.VirtualKey);
        }
    EXPECT_EQ(downs, "ABY");
    for (const auto& [key, count] : down)
        EXPECT_EQ(count, 0) << key;
}

TEST_F(Switching, HotkeysRegisterTakenOnesAreReportedAndTheyStepThroughTheList) {
    settings.HotkeyOf(HotkeyAction::Next) = kCtrlAltN;
    settings.HotkeyOf(HotkeyAction::Previous) = hotkeySeam.takenByOthers;
    settings.HotkeyOf(HotkeyAction::RunStop) = {kAltMask, 'R'};
    StartWith(settings);
    ASSERT_THAT(dialogs.shown, ElementsAre(msg::HotkeyTaken("CTRL + T", "Previous configuration")));
    EXPECT_EQ(hotkeySeam.held.size(), 2u);
    EXPECT_EQ(view.menus, RunnerMenuState({true, true, true, false, true, true})); // started

    // Run/Stop runs the selected one, a; next after the last is the first.
    for (const auto action :
         {HotkeyAction::RunStop, HotkeyAction::Next, HotkeyAction::Next, HotkeyAction::RunStop})
        runner->HotkeyPressed(action);
    EXPECT_THAT(view.notes,
                ElementsAre("Running a.qmf", "Running b.qmf", "Running a.qmf", "Stopped"));

    // Set again: the one given up is released, the new one held; no message for kept ones.
    settings.HotkeyOf(HotkeyAction::Previous) = {};
    settings.HotkeyOf(HotkeyAction::Next) = {kCtrlMask, 'M'};
    settings.Notify = false;
    SaveSwitching(memory, settings);
    runner->ApplySwitching();
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(hotkeySeam.held[HotkeyAction::Next], Hotkey({kCtrlMask, 'M'}));
    runner->HotkeyPressed(HotkeyAction::Next);
    EXPECT_EQ(view.notes.size(), 4u);
}

TEST_F(Switching, TheRunnersOwnChordTriggersNoHotkeyTheUsersDoes) {
    // a's button 1 sends exactly the Next hotkey; button 2 the chord with SHIFT more.
    files.files[kA] = File14(
        {Record14{.Press = {{"CTRL + ALT + N", "N"}}, .Release = {}},
         Record14{.Button = "2", .Press = {{"SHIFT + CTRL + ALT + N", "N"}}, .Release = {}}});
    settings.Enabled = false;
    settings.HotkeyOf(HotkeyAction::Next) = kCtrlAltN;
    settings.HotkeyOf(HotkeyAction::RunStop) = {kAltMask, 'R'};
    StartWith(settings);
    runner->HotkeyPressed(HotkeyAction::RunStop);
    ASSERT_EQ(Running(), "a.qmf");
    const auto press = [&](int button) {
        joysticks.SetButton(0, button, true);
        for (int tick = 0; tick < 2; ++tick) // the first pass acquires the pad
            runner->TimerTick();
        joysticks.SetButton(0, button, false);
        runner->TimerTick();
    };
    const auto next = [&] {
        runner->HotkeyPressed(HotkeyAction::Next);
        return Running();
    };
    press(1);
    EXPECT_EQ(next(), "a.qmf"); // the system's report of a's own keys
    EXPECT_EQ(next(), "b.qmf"); // one chord explains one hotkey: this one is the user's
    EXPECT_EQ(next(), "a.qmf");
    press(2);
    EXPECT_EQ(next(), "b.qmf");
    EXPECT_EQ(next(), "a.qmf");
    // Explained until a second has passed since the key went down.
    press(1);
    clock.Advance(0.999);
    EXPECT_EQ(next(), "a.qmf");
    press(1);
    clock.Advance(1.0);
    EXPECT_EQ(next(), "b.qmf");
}

TEST_F(Switching, AHotkeyNeedsCtrlAltOrWinStoredOnesWithoutAreNotRegistered) {
    // As an earlier version stored them: B and Shift+B are said and not registered.
    settings.HotkeyOf(HotkeyAction::Next) = {0, 'B'};
    settings.HotkeyOf(HotkeyAction::Previous) = {kShiftMask, 'B'};
    settings.HotkeyOf(HotkeyAction::RunStop) = {kShiftMask | Hotkey::kWinMask, 'B'};
    StartWith(settings);
    EXPECT_THAT(dialogs.shown,
                ElementsAre(msg::HotkeyWithoutModifier("B", "Next configuration"),
                            msg::HotkeyWithoutModifier("SHIFT + B", "Previous configuration")));
    EXPECT_THAT(hotkeySeam.held,
                ElementsAre(Pair(HotkeyAction::RunStop, settings.HotkeyOf(HotkeyAction::RunStop))));

    // The preferences refuse them as they are pressed: the hotkey stays as it was.
    auto& prefs = runner->Preferences();
    prefs.Load();
    dialogs.shown.clear();
    const Hotkey winB = settings.HotkeyOf(HotkeyAction::RunStop);
    // SHIFT goes down first, then B: the whole combination is refused.
    EXPECT_TRUE(prefs.SetHotkey(HotkeyAction::RunStop, {kShiftMask, 0}));
    EXPECT_FALSE(prefs.SetHotkey(HotkeyAction::RunStop, {kShiftMask, 'B'}));
    EXPECT_FALSE(prefs.SetHotkey(HotkeyAction::RunStop, {0, 120}));
    EXPECT_THAT(dialogs.shown, ElementsAre(msg::HotkeyWithoutModifier("SHIFT + B", "Run/Stop"),
                                           msg::HotkeyWithoutModifier("F9", "Run/Stop")));
    EXPECT_EQ(prefs.State().Switching.HotkeyOf(HotkeyAction::RunStop), winB);
    // CTRL, ALT or WIN, alone or with others, and no key at all (SHIFT held alone) are taken.
    for (const Hotkey taken :
         {Hotkey{kCtrlMask, 'B'}, Hotkey{kAltMask, 'B'}, Hotkey{Hotkey::kWinMask, 'B'},
          Hotkey{kShiftMask | kCtrlMask, 'B'}, Hotkey{kShiftMask, 0}, Hotkey{}}) {
        EXPECT_TRUE(prefs.SetHotkey(HotkeyAction::Next, taken));
        EXPECT_EQ(prefs.State().Switching.HotkeyOf(HotkeyAction::Next), taken);
    }
    EXPECT_EQ(dialogs.shown.size(), 2u); // nor, once applied: the hotkey-modifier script
}

TEST_F(Switching, PreferencesEditRulesAndMarkOnesWhoseConfigurationIsGone) {
    StartWith(settings);
    auto& prefs = runner->Preferences();
    prefs.Load();
    EXPECT_EQ(prefs.State().Switching, settings);
    EXPECT_EQ(prefs.AddRule("C:\\Sim\\Taxi.EXE", false, kA), 1u); // taxi.exe's rule, replaced
    EXPECT_EQ(prefs.AddRule("C:\\Two\\taxi.exe", true, kC), 2u);
    prefs.RemoveRule(0);
    prefs.SetNoRule(NoRuleChoice::Stop);
    prefs.SetHotkey(HotkeyAction::RunStop, kCtrlAltN);
    EXPECT_THAT(prefs.State().RuleMissing, ElementsAre(false, true));
    prefs.SetRuleConfiguration(1, kB);
    prefs.SetRuleConfiguration(2, kC); // no such rule
    EXPECT_THAT(prefs.State().RuleMissing, ElementsAre(false, false));
    prefs.Apply();
    const auto stored = LoadSwitching(memory);
    EXPECT_EQ(stored.Rules, std::vector<SwitchRule>({{"taxi.exe", kA}, {"C:\\Two\\taxi.exe", kB}}));
    EXPECT_EQ(std::tuple(stored.NoRule, stored.HotkeyOf(HotkeyAction::RunStop)),
              std::tuple(NoRuleChoice::Stop, kCtrlAltN));
}

TEST_F(Switching, PreferencesWriteSwitchingOnlyWhenItDiffersFromWhatWasLastApplied) {
    Start();
    auto& prefs = runner->Preferences();
    prefs.Load();
    EXPECT_FALSE(prefs.State().ApplyEnabled);
    prefs.Apply();
    EXPECT_FALSE(memory.KeyExists(kUser, kSwitchingKey)); // untouched: nothing written
    prefs.SetNotify(false);
    EXPECT_TRUE(prefs.State().ApplyEnabled);
    prefs.Apply();
    EXPECT_FALSE(LoadSwitching(memory).Notify);
    prefs.SetNotify(true); // back to what Load found
    prefs.Apply();
    EXPECT_TRUE(LoadSwitching(memory).Notify);
}

} // namespace
} // namespace qm
