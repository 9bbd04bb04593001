// The settings and their defaults, and the priority menu's classes.
#include "settings/process_priority.h"
#include "settings/settings_table.h"
#include "support/memory_store.h"
#include "support/runner_fakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace qm {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr auto kUser = RegistryRoot::CurrentUser;

TEST(SettingsTable, FirstReadWritesTheDefaultBackExactlyOnce) {
    MemoryStore store;
    EXPECT_EQ(ReadSetting(store, Setting::RepeatRate, "C:\\P"), "500");
    EXPECT_EQ(store.GetString(kUser, "Software\\Vantrel\\config", "RepeatRate"), "500");
    EXPECT_EQ(ReadSetting(store, Setting::RepeatRate, "C:\\P"), "500");
    EXPECT_EQ(store.SaveCount(), 1u);
    // A stored value wins over the default.
    WriteSetting(store, Setting::ThreadPriority, "4");
    EXPECT_EQ(ReadSetting(store, Setting::ThreadPriority, "C:\\P"), "4");
    EXPECT_EQ(store.SaveCount(), 2u);
}

TEST(SettingsTable, EditorFirstStartCreatesConfigWithFolderDefaults) {
    MemoryStore store;
    EXPECT_EQ(ReadSetting(store, Setting::EditorAssociate, "C:\\Program Files\\Vantrel"), "True");
    EXPECT_EQ(ReadSetting(store, Setting::ConfigPath, "C:\\Program Files\\Vantrel"),
              "C:\\Program Files\\Vantrel\\config\\");
    EXPECT_THAT(store.ValueNames(kUser, "Software\\Vantrel\\config"),
                ElementsAre("associate", "ConfigPath"));
    EXPECT_EQ(DefaultOf(Setting::ConfigPath, "D:\\"), "D:\\config\\"); // a drive's root
}

TEST(SettingsTable, SettingToBool) {
    for (std::string_view yes : {"True", "true", "TRUE", " True ", "-1", "1", "2.5"})
        EXPECT_TRUE(SettingToBool(yes)) << yes;
    for (std::string_view no : {"False", "false", "", "0", "0.0", "yes", "Truee", "1x"})
        EXPECT_FALSE(SettingToBool(no)) << no;
}

TEST(ProcessPriority, UnknownMenuIndexFallsBackToTheDefault) {
    for (int index : {kDefaultPriorityIndex, -1, 6, 100, -32768})
        EXPECT_EQ(PriorityClassForIndex(index), kHighPriorityClass) << index;
    EXPECT_EQ(PriorityClassForIndex(5), kIdlePriorityClass); // the last index is one
}

TEST(ProcessPriority, SetsTheClassOnlyWhenItDiffers) {
    testing::RecordingPriority priority;
    priority.current = kHighPriorityClass;
    EXPECT_FALSE(ApplyProcessPriority(priority, nullptr, kHighPriorityClass));
    EXPECT_THAT(priority.sets, IsEmpty());
    EXPECT_TRUE(ApplyProcessPriority(priority, nullptr, kNormalPriorityClass));
    // A process that cannot be opened reads as 0: the class is asked for anyway.
    priority.current = 0;
    EXPECT_TRUE(ApplyProcessPriority(priority, nullptr, kHighPriorityClass));
    EXPECT_THAT(priority.sets, ElementsAre(kNormalPriorityClass, kHighPriorityClass));
    EXPECT_FALSE(priority.otherProcess);
}

} // namespace
} // namespace qm
