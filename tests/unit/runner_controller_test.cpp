// The runner's controller over scripted devices, an in-memory store and file system: start-up
// and the folder synchronisation, the command line, loading, Run/Stop, the tuning menus, the
// notification icon, and one press turned into keys.
#include "core/messages.h"
#include "support/runner_rig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace qm {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::Pair;
using Item = testing::RecordingView::Item;

using namespace testing; // the rig

// The menu states: Run button, selector, Run, Stop, Preferences..., Refresh Devices.
constexpr RunnerMenuState kNoDevices{false, false, false, false, true, true};
constexpr RunnerMenuState kStopped{true, true, true, false, true, true};
constexpr RunnerMenuState kNothingToRun{false, false, true, false, true, true};
constexpr RunnerMenuState kRunning{true, false, false, true, false, false};

TEST_F(Runner, StartUpSynchronisesTheFolderWithTheKnownFiles) {
    memory.SaveString(kUser, kConfigKey, "ConfigPath", kFolder + "\\config");
    Add({kConfig + "a.qmf", kConfig + "new.qmf", "D:\\Other\\b.qmf"});
    Known("file1", "C:\\PROGRAM FILES\\CORVEX\\CONFIG\\A.QMF"); // the folder's a.qmf
    Known("file2", kConfig + "gone.qmf");
    Known("file3", "D:\\Other\\b.qmf");
    Known("file4", "d:\\other\\B.QMF"); // the same file again
    // Leftovers of saves that never ended: those over an hour old go.
    const std::string leftover = kConfig + "a.qmf.1f-0.saving",
                      fresh = kConfig + "a.qmf.1f-1.saving";
    files.files[leftover] = files.files[fresh] = "half";
    files.modified[leftover] = std::chrono::system_clock::now() - std::chrono::hours(2);
    files.modified[fresh] = std::chrono::system_clock::now();
    Start();
    EXPECT_FALSE(files.Exists(leftover));
    EXPECT_TRUE(files.Exists(fresh));
    EXPECT_EQ(ConfigValue("ConfigPath"), kConfig);
    EXPECT_THAT(KnownFiles(),
                ElementsAre(Pair("file1", "C:\\PROGRAM FILES\\CORVEX\\CONFIG\\A.QMF"),
                            Pair("file3", "D:\\Other\\b.qmf"), Pair("file5", kConfig + "new.qmf")));
    EXPECT_THAT(view.items,
                ElementsAre(Field(&Item::FileName, "A.QMF"), Field(&Item::FileName, "b.qmf"),
                            AllOf(Field(&Item::FileName, "new.qmf"),
                                  Field(&Item::IconPath, kConfig + "new.qmf"))));
    EXPECT_EQ(view.selected, "file1");
    EXPECT_EQ(view.menus, kStopped);
}

TEST_F(Runner, StartUpListsTheKnownFilesOnceHoweverManyFilesAreNew) {
    Known("FILE2", kConfig + "a.qmf");
    Known("file4", "D:\\gone.qmf");
    files.files[kConfig + "a.qmf"] = Qmf();
    for (int i = 1000; i < 2000; ++i)
        files.files[kConfig + "n" + std::to_string(i) + ".qmf"] = Qmf();
    Start();
    // Not one listing per new entry: start-up took minutes with a thousand new files.
    EXPECT_LE(memory.ListingCount(), 2u);
    // The smallest free numbers, whatever the case of the names taken.
    const auto known = KnownFiles();
    ASSERT_EQ(known.size(), 1001u);
    EXPECT_THAT(std::vector(known.begin(), known.begin() + 4),
                ElementsAre(Pair("FILE2", kConfig + "a.qmf"), Pair("file1", kConfig + "n1000.qmf"),
                            Pair("file3", kConfig + "n1001.qmf"),
                            Pair("file5", kConfig + "n1002.qmf")));
    EXPECT_THAT(known.back(), Pair("file1002", kConfig + "n1999.qmf"));
}

TEST_F(Runner, DuplicatesTheStoreWillNotDeleteAreListedOnceAndStartUpEnds) {
    store.deletesIgnored = true;
    Add({"D:\\b.qmf"});
    Known("file1", "D:\\b.qmf");
    Known("file2", "D:\\B.qmf");
    Known("file3", "D:\\gone.qmf");
    Start();
    EXPECT_EQ(KnownFiles().size(), 3u);
    EXPECT_THAT(view.items, ElementsAre(Field(&Item::Entry, "file1")));
}

TEST(RunnerCommandLine, DefaultCheckOrAFileToRunHidden) {
    const std::string d = "D:\\d.qmf";
    struct Case {
        const char *commandLine, *startup, *launch, *defaultFile;
        std::string runs; // the path of the configuration running, if any
        bool visible = true;
        std::vector<Message> shown = {};
    };
    const Case cases[] = {
        {"", "True", "True", "D:\\d.qmf", d},
        {" /t ", "True", "True", "D:\\d.qmf", d},
        {"/t", "False", "True", "D:\\d.qmf", ""},
        {"/t", "True", "False", "D:\\d.qmf", ""},
        {"/t", "True", "True", "", ""},
        {"/t", "True", "True", "D:\\gone.qmf", "", true, {msg::DefaultConfigurationMissing()}},
        {"\"D:\\My Files\\x.qmf", "False", "False", "", "D:\\My Files\\x.qmf", false},
        {"rel.qmf", "False", "False", "", "C:\\Users\\me\\rel.qmf", false},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.memory.SaveString(kUser, kRunnerPrefKey, "startup", c.startup);
        rig.memory.SaveString(kUser, kRunnerPrefKey, "launch", c.launch);
        rig.memory.SaveString(kUser, kRunnerPrefKey, "DefaultConfigFile", c.defaultFile);
        rig.Add({d, "D:\\My Files\\x.qmf", "C:\\Users\\me\\rel.qmf"});
        rig.Start(c.commandLine);
        EXPECT_EQ(std::tuple(rig.dialogs.shown, rig.runner->Running() ? rig.RunningPath() : "",
                             rig.view.visible),
                  std::tuple(c.shown, c.runs, c.visible))
            << c.commandLine << c.startup << c.launch << c.defaultFile;
    }
}

TEST_F(Runner, WithoutDevicesTheRunControlsStayDisabledUntilARescanFindsOne) {
    joysticks.Unplug(0);
    Add({kConfig + "a.qmf"});
    Start();
    EXPECT_EQ(dialogs.shown, std::vector{msg::NoInputDevicesFound(runner->Caption())});
    EXPECT_EQ(view.statusTexts.back(), "Input Devices: Not Available");
    EXPECT_EQ(view.menus, kNoDevices);

    runner->ToggleRun();
    EXPECT_EQ(dialogs.shown.back(), msg::NoInputDevicesFound("No Input Devices"));
    EXPECT_THAT(std::vector(view.statusTexts.end() - 3, view.statusTexts.end()),
                ElementsAre("DirectInput Device: Querying Properties",
                            "Custom Input Device: Querying Properties",
                            "Input Devices: Not Available"));
    EXPECT_FALSE(runner->Running());
    EXPECT_EQ(view.menus, kNoDevices);
    // A disabled Run button takes no focus; a drop does nothing.
    runner->ConfigurationChosen();
    EXPECT_EQ(view.focusedWith, "");
    Add({"D:\\drop.qmf"});
    runner->DropFiles({"D:\\drop.qmf"});
    EXPECT_EQ(KnownFiles().size(), 1u);

    joysticks.Replug(0);
    runner->RescanDevices();
    EXPECT_EQ(view.statusTexts.back(), "Input Devices: Available");
    EXPECT_EQ(view.menus, kStopped);
    EXPECT_EQ(dialogs.shown.size(), 2u);
}

TEST_F(RunnerWithAFile, RunSendsKeysForPressesStopEndsItAndTheNextRunRereadsFileAndRates) {
    memory.SaveString(kUser, kConfigKey, "RepeatRate", "200");
    runner->ToggleRun();
    ASSERT_TRUE(runner->Running());
    EXPECT_DOUBLE_EQ(runner->Engine().RepeatRate, 0.2);
    EXPECT_EQ(std::tuple(view.trayIcon, view.minimized), std::tuple("run_up", true));
    EXPECT_EQ(view.menus, kRunning);
    EXPECT_THAT(priority.sets, ElementsAre(kHighPriorityClass));

    joysticks.SetButton(0, 1, true);
    for (int tick = 0; tick < 3; ++tick) // acquired, pressed, held
        runner->TimerTick();
    EXPECT_EQ(keyboard.Batches.size(), 2u);
    joysticks.SetButton(0, 1, false);
    runner->TimerTick();
    EXPECT_EQ(runner->DeviceEvents().size(), 1u);
    runner->ToggleRun();
    EXPECT_EQ(view.trayIcon, "run_off");
    EXPECT_EQ(view.menus, kStopped);
    // Stopped: no event is waited on or subscribed any more.
    EXPECT_TRUE(runner->DeviceEvents().empty());
    EXPECT_EQ(joysticks.Calls().Subscribed, 0);

    // Edited in the meantime: the next Run takes the new file and rate.
    files.files[kConfig + "a.qmf"] = Qmf("B");
    memory.SaveString(kUser, kConfigKey, "RepeatRate", "300");
    EXPECT_EQ(runner->Engine().Navigation, NavigationKeys::AsKeypad);
    memory.SaveString(kUser, kConfigKey, "ExtendedKeys", "True");
    EXPECT_FALSE(keyboard.ExactPointer);
    memory.SaveString(kUser, kConfigKey, "ExactPointer", "True");
    runner->ToggleRun();
    EXPECT_DOUBLE_EQ(runner->Engine().RepeatRate, 0.3);
    EXPECT_EQ(runner->Engine().Navigation, NavigationKeys::AsExtended);
    EXPECT_TRUE(keyboard.ExactPointer);
    joysticks.SetButton(0, 1, true);
    runner->TimerTick();
    runner->TimerTick();
    EXPECT_EQ(keyboard.Batches.back().front().VirtualKey, 'B');
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(RunnerWithAFile, StoredRatesThatAreNotNumbersFallBackToTheirDefaults) {
    const struct {
        const char *repeat, *rotary;
        double repeatSeconds, rotarySeconds;
        const char *repeatAfter, *rotaryAfter;
    } cases[] = {
        {"abc", "-100", 0.5, 0.035, "500", "35"},
        {"1e400", "", 0.5, 0.035, "500", "35"},
        {"0", "0", 0, 0, "0", "0"}, // the user's own choice
        {" 250 ", "70000", 0.25, 60, " 250 ", "70000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.repeat);
        memory.SaveString(kUser, kConfigKey, "RepeatRate", c.repeat);
        memory.SaveString(kUser, kConfigKey, "RotaryRate", c.rotary);
        runner->ToggleRun();
        ASSERT_TRUE(runner->Running());
        EXPECT_DOUBLE_EQ(runner->Engine().RepeatRate, c.repeatSeconds);
        EXPECT_DOUBLE_EQ(runner->Engine().RotaryRate, c.rotarySeconds);
        EXPECT_EQ(ConfigValue("RepeatRate"), c.repeatAfter);
        EXPECT_EQ(ConfigValue("RotaryRate"), c.rotaryAfter);
        runner->ToggleRun();
    }
}

TEST_F(Runner, AFailingBoardKeepsItsMessageAndHoldsNoRepeatButton) {
    const std::string path = "\\\\?\\hid#vid_1234&pid_0001#7&1a2b3c4d&0&0000#{4d1e55b2-f16f1}";
    boards.AddBoard(path, "Panel", 4);
    files.files[kConfig + "a.qmf"] = Qmf("A", path.substr(0, path.size() - 5), "#TRUE#");
    memory.SaveString(kUser, kConfigKey, "RepeatRate", "0");
    Start();
    runner->ToggleRun();
    ASSERT_TRUE(runner->Running());
    const auto tick = [&] {
        clock.Advance(0.01);
        runner->TimerTick();
    };
    tick(); // the pad is acquired
    boards.SetButton(0, 1, true);
    tick();
    const auto sent = keyboard.Batches.size();
    ASSERT_GT(sent, 0u);
    boards.SetResult(0, kHidReadFailure);
    tick();
    tick();
    EXPECT_EQ(keyboard.Batches.size(), sent); // the held button counts as up
    EXPECT_EQ(view.statusTexts.back(), "Input Devices: Device Read Failure!");
}

// A file chosen with the dialog or a configuration's menu item. (A file that does not load
// leaves no entry behind: the newer-version script.)
TEST_F(Runner, AFileChosenWithTheDialogOrTheMenuRunsOrIsReportedMissing) {
    Add({kConfig + "a.qmf", kConfig + "b.qmf", "D:\\vanished.qmf"});
    Known("file9", "D:\\vanished.qmf");
    Start();
    files.files.erase("D:\\vanished.qmf");
    runner->OpenConfigurationFile(); // cancelled
    Open("D:\\nope.qmf");
    runner->SelectAndToggleRun("file9");
    runner->SelectAndToggleRun("");
    EXPECT_EQ(dialogs.shown,
              (std::vector{msg::CannotOpenMissingFile(), msg::ListedFileNotFound()}));
    EXPECT_FALSE(runner->Running());
    // A listed file, named in another case: its entry runs; its menu item stops it.
    Open(kConfig + "B.QMF");
    EXPECT_EQ(std::tuple(runner->Running(), view.selected, KnownFiles().size(), view.items.size()),
              std::tuple(true, "file2", 3u, 3u));
    runner->SelectAndToggleRun("file2");
    EXPECT_FALSE(runner->Running());
    runner->SelectAndToggleRun("file1");
    EXPECT_EQ(std::tuple(runner->Running(), view.selected), std::tuple(true, "file1"));
    EXPECT_EQ(dialogs.shown.size(), 2u);
}

TEST_F(Runner, EveryWayOfChoosingAConfigurationFocusesTheRunButton) {
    Add({kConfig + "a.qmf", kConfig + "b.qmf", kX});
    Start();
    std::vector<std::string> focused;
    const auto chosen = [&] { focused.push_back(std::exchange(view.focusedWith, "")); };
    view.SelectConfiguration("file2"); // the selector
    runner->ConfigurationChosen();
    chosen();
    runner->SelectAndToggleRun("file1"); // the menu item
    chosen();
    Open(kX); // Open..., a file not listed
    chosen();
    Open(kConfig + "b.qmf"); // and a listed one
    chosen();
    EXPECT_THAT(focused, ElementsAre("file2", "file1", "file3", "file2"));
    EXPECT_TRUE(dialogs.shown.empty());
}

// The tuning menus: their stored items used, an unknown one falling back; a choice warned of
// first, and taken at the next Run while stopped.
TEST_F(Runner, TuningMenusUseTheStoredItemsWarnFirstAndWaitForTheNextRun) {
    memory.SaveString(kUser, kConfigKey, "ThreadPriority", "2");
    memory.SaveString(kUser, kConfigKey, "PollFrequency", "7");
    memory.SaveString(kUser, kRunnerPrefKey, "taskbar", "True");
    Start();
    EXPECT_EQ(Tuning(), std::tuple(1, 10, " 1", 2, kAboveNormalPriorityClass, "2"));
    EXPECT_EQ(std::tuple(view.visible, view.trayIcon), std::tuple(false, "run_off"));
    EXPECT_EQ(view.menus, kNothingToRun);

    dialogs.answers = {MessageAnswer::No, MessageAnswer::No};
    runner->SetPoll(2, true);
    runner->SetPriority(5, true);
    EXPECT_EQ(dialogs.shown,
              (std::vector{msg::PollFrequencyWarning(), msg::PriorityClassWarning()}));
    EXPECT_EQ(Tuning(), std::tuple(1, 10, " 1", 2, kAboveNormalPriorityClass, "2"));
    dialogs.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    runner->SetPoll(0, true);
    runner->SetPriority(5, true);
    EXPECT_EQ(Tuning(), std::tuple(0, 5, " 0", 5, kIdlePriorityClass, "5"));
    EXPECT_TRUE(priority.sets.empty()); // stopped: taken at the next Run
}

TEST(RunnerHandOver, APathIsHandedOverFullAndTheTrayOptionIsNoPath) {
    MemoryFileSystem files;
    EXPECT_EQ(RunnerController::PathToHandOver("\"rel.qmf\"", files), "C:\\Users\\me\\rel.qmf");
    EXPECT_EQ(RunnerController::PathToHandOver(" /T", files), std::nullopt);
    EXPECT_EQ(RunnerController::PathToHandOver("", files), std::nullopt);
}

// Given to a running runner, names the shell could not give and files not named as a
// configuration are refused unread and what runs goes on; a configuration dropped or handed
// over (its extension in any case) runs instead, after a Stop.
TEST_F(RunnerWithAFile, AFileGivenWhileRunningRunsInsteadUnlessItIsNoConfiguration) {
    Add({"D:\\drop.qmf", "D:\\notes.txt", "D:\\corvex.exe", "D:\\x.qmf.txt", "D:\\qmf",
         "D:\\Y.QMF"});
    runner->ToggleRun();
    const auto running = RunningPath();
    const auto known = KnownFiles();
    runner->DropFiles({"", ""}); // no file dialog opens
    runner->RunHandedOver("D:\\notes.txt");
    runner->DropFiles({"D:\\corvex.exe"});
    Open("D:\\x.qmf.txt");
    runner->LoadConfigurationFile("D:\\qmf");
    EXPECT_THAT(dialogs.shown,
                ElementsAre(msg::NotAConfiguration("notes.txt"),
                            msg::NotAConfiguration("corvex.exe"),
                            msg::NotAConfiguration("x.qmf.txt"), msg::NotAConfiguration("qmf")));
    EXPECT_EQ(std::tuple(runner->Running(), RunningPath(), KnownFiles(), view.items.size(),
                         dialogs.fileRequests.size()),
              std::tuple(true, running, known, 1u, 1u));
    runner->DropFiles({"", "D:\\drop.qmf", "D:\\ignored.qmf"});
    EXPECT_EQ(std::tuple(runner->Running(), RunningPath()), std::tuple(true, "D:\\drop.qmf"));
    // Stopped in between: back to Normal before the new run's class.
    EXPECT_THAT(priority.sets,
                ElementsAre(kHighPriorityClass, kNormalPriorityClass, kHighPriorityClass));
    runner->RunHandedOver("D:\\Y.QMF");
    EXPECT_EQ(std::tuple(runner->Running(), RunningPath()), std::tuple(true, "D:\\Y.QMF"));
}

TEST_F(RunnerWithAFile, NotificationIconCloseBoxAndExit) {
    EXPECT_FALSE(runner->ClosingProceeds(true));
    EXPECT_FALSE(view.visible);
    view.visible = true; // a double-click showing it: the tray script's
    runner->NotificationIconClicked(TrayEvent::LeftDoubleClick);
    EXPECT_FALSE(view.visible);
    view.minimized = true;
    runner->NotificationIconClicked(TrayEvent::LeftDoubleClick);
    EXPECT_EQ(std::tuple(view.visible, view.minimized), std::tuple(true, false));
    runner->NotificationIconClicked(TrayEvent::Other);
    runner->NotificationIconClicked(TrayEvent::RightButtonUp);
    EXPECT_EQ(std::tuple(view.trayMenus, view.visible), std::tuple(1, true));

    runner->ToggleRun();
    EXPECT_TRUE(runner->ClosingProceeds(false));
    runner->Exit();
    EXPECT_FALSE(runner->Running());
    EXPECT_EQ(priority.current, kNormalPriorityClass);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(RunnerWithAFile, PreferencesAppliedWhileStoppedTakeEffectAtOnce) {
    view.onPreferences = [&] {
        auto& prefs = runner->Preferences();
        prefs.SetTiming(TimingBox::KeyHold, "50");
        prefs.SetTiming(TimingBox::RepeatDelay, "200");
        prefs.SetExtendedKeys(true);
        prefs.SetExactPointer(true);
        runner->TakeOverTimings(prefs.Apply());
    };
    EXPECT_EQ(runner->Engine().Navigation, NavigationKeys::AsKeypad);
    EXPECT_FALSE(keyboard.ExactPointer);
    runner->EditPreferences();
    EXPECT_EQ(view.preferencesShown, 1);
    EXPECT_EQ(runner->Engine().KeyHoldMs, 50);
    EXPECT_EQ(runner->Engine().Navigation, NavigationKeys::AsExtended);
    EXPECT_TRUE(keyboard.ExactPointer);
    EXPECT_DOUBLE_EQ(runner->Engine().RepeatRate, 0.2);

    runner->ToggleRun();
    joysticks.SetButton(0, 1, true);
    const double before = clock.Now();
    runner->TimerTick();
    runner->TimerTick();
    EXPECT_NEAR(clock.Now() - before, 0.05, 1e-9); // one chord held 50 ms
}

TEST(RunnerErrors, EachCommandShowsOneBoxNamingItsOwnProcedure) {
    struct Case {
        const char* procedure;
        bool running;
        const char* failAt;
        std::function<void(RunnerController&)> command;
    };
    const Case cases[] = {
        {"ComRun_Click", false, "SetBusy", [](auto& r) { r.ToggleRun(); }},
        {"MNstop_Click", true, "SetBusy", [](auto& r) { r.StopFromMenu(); }},
        {"Stop_Click", true, "SetRunning", [](auto& r) { r.Stop(); }},
        {"MNjoy_Click", false, "SetStatusText", [](auto& r) { r.RescanDevices(); }},
        {"MNcfg_Click", false, "Select", [](auto& r) { r.SelectAndToggleRun("file1"); }},
        {"ImageCombo1_Click", false, "FocusRunButton", [](auto& r) { r.ConfigurationChosen(); }},
        {"load_click", false, "AddConfiguration", [](auto& r) { r.LoadConfigurationFile(kX); }},
        {"MNpreferences_Click", false, "ShowPreferences", [](auto& r) { r.EditPreferences(); }},
        {"SetPriority", false, "CheckPriorityItem", [](auto& r) { r.SetPriority(0, false); }},
        {"SetPoll", false, "CheckPollItem", [](auto& r) { r.SetPoll(0, false); }},
        {"Form_MouseMove", false, "PopUpTrayMenu",
         [](auto& r) { r.NotificationIconClicked(TrayEvent::RightButtonUp); }},
        {"Form_QueryUnload", false, "ShowWindowAs", [](auto& r) { r.ClosingProceeds(true); }},
        {"Form_Unload", true, "RemoveTrayIcon", [](auto& r) { r.Exit(); }},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.Add({kConfig + "a.qmf", kX});
        auto& runner = rig.Start();
        if (c.running)
            runner.ToggleRun();
        ASSERT_EQ(runner.Running(), c.running) << c.procedure;
        rig.dialogs.shown.clear();
        rig.view.failAt = c.failAt;
        c.command(runner);
        ASSERT_EQ(rig.dialogs.shown.size(), 1u) << c.procedure;
        EXPECT_EQ(rig.dialogs.shown[0].text,
                  " 6  Overflow in sub " + std::string(c.procedure) + ".");
    }
}

TEST_F(RunnerWithAFile, AHandedOverFileRunsHiddenAfterAStopAndAMissingOneIsRefused) {
    Add({kX});
    runner->ToggleRun();
    runner->NotificationIconClicked(TrayEvent::LeftDoubleClick);
    ASSERT_TRUE(view.visible);
    runner->RunHandedOver(kX);
    EXPECT_EQ(std::tuple(runner->Running(), RunningPath(), view.visible),
              std::tuple(true, kX, false));
    EXPECT_THAT(priority.sets,
                ElementsAre(kHighPriorityClass, kNormalPriorityClass, kHighPriorityClass));
    EXPECT_EQ(KnownFiles().size(), 2u);
    // The command line's refusal of a missing file; what runs goes on.
    runner->RunHandedOver("D:\\gone.qmf");
    EXPECT_EQ(std::tuple(runner->Running(), RunningPath()), std::tuple(true, kX));
    EXPECT_THAT(dialogs.shown, ElementsAre(msg::CannotOpenMissingFile()));
}

// Unplugged while running: named in the status bar; plugged back, a burst of notices gives
// one rescan once they have settled, and the pad works again without Run.
TEST_F(RunnerWithAFile, APadUnpluggedWhileRunningWorksAgainWhenBackWithoutRun) {
    runner->DevicesChanged(); // stopped: Run scans everything anyway
    runner->ToggleRun();
    ASSERT_TRUE(runner->Running());
    const auto tick = [&](double seconds) {
        clock.Advance(seconds);
        runner->TimerTick();
    };
    joysticks.SetButton(0, 1, true);
    tick(0.01), tick(0.01);
    ASSERT_EQ(keyboard.Batches.size(), 2u);

    joysticks.Unplug(0);
    tick(0.01);
    EXPECT_EQ(view.statusTexts.back(), "Input Devices: Pad disconnected");
    joysticks.Replug(0);
    const auto made = joysticks.Calls().DevicesCreated;
    const auto detections = boards.Calls().Detects;
    for (int notice = 0; notice < 3; ++notice) {
        runner->DevicesChanged();
        tick(0.125);
    }
    // 0.125 s after the last notice: not settled yet.
    EXPECT_EQ(joysticks.Calls().DevicesCreated, made);
    tick(0.125);
    EXPECT_EQ(joysticks.Calls().DevicesCreated, made + 1);
    EXPECT_EQ(boards.Calls().Detects, detections); // no board to find again
    tick(0.01);                                    // acquired
    tick(0.01);
    EXPECT_EQ(keyboard.Batches.size(), 4u); // the held button pressed again
    joysticks.SetButton(0, 1, false);
    tick(0.01);
    EXPECT_EQ(view.statusTexts.back(), "Input Devices: Pad reconnected");
    tick(1.0);
    EXPECT_EQ(joysticks.Calls().DevicesCreated, made + 1);
    EXPECT_TRUE(runner->Running());
    EXPECT_EQ(dialogs.shown.size(), 0u);
}

// The keys of a row with Hold go up at Stop, before any box or dialog, at a switch of
// configuration and at exit; none is left down in the program in front.
TEST_F(Runner, KeysHeldByHoldGoUpAtStopBeforeABoxAtASwitchAndAtExit) {
    files.files[kConfig + "a.qmf"] = File15(
        {Record15{.Base = {.Press = {{"W", "W"}}, .Release = {{"B", "B"}}}, .Hold = "#TRUE#"}});
    files.files[kX] = Qmf("C");
    Start();
    std::set<int> down;
    keyboard.OnSend = [&](std::span<const KeyInput> records) {
        for (const auto& r : records)
            r.KeyUp ? (void)down.erase(r.VirtualKey) : (void)down.insert(r.VirtualKey);
    };
    const auto holdW = [&] {
        runner->ToggleRun();
        ASSERT_TRUE(runner->Running());
        joysticks.SetButton(0, 1, true);
        for (int tick = 0; tick < 3; ++tick)
            runner->TimerTick();
        ASSERT_EQ(down, std::set<int>{'W'});
    };
    holdW();
    runner->ToggleRun(); // Stop
    EXPECT_EQ(down, std::set<int>{});
    joysticks.SetButton(0, 1, false);

    holdW();
    std::set<int> downAtBox = {0};
    dialogs.onFileDialog = [&] { downAtBox = down; };
    dialogs.fileAnswers = {std::nullopt};
    runner->OpenConfigurationFile(); // the file dialog, cancelled
    EXPECT_EQ(downAtBox, std::set<int>{});
    runner->ToggleRun();
    joysticks.SetButton(0, 1, false);

    holdW();
    runner->LoadConfigurationFile(kX); // a switch
    EXPECT_EQ(down, std::set<int>{});
    ASSERT_TRUE(runner->Running());
    joysticks.SetButton(0, 1, false);
    runner->TimerTick();

    runner->LoadConfigurationFile(kConfig + "a.qmf");
    joysticks.SetButton(0, 1, true);
    runner->TimerTick();
    ASSERT_EQ(down, std::set<int>{'W'});
    runner->Exit();
    EXPECT_EQ(down, std::set<int>{});
}

} // namespace
} // namespace qm
