#include "settings/known_files.h"
#include "settings/memory_store.h"
#include "settings/process_priority.h"
#include "settings/settings_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace qm {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr auto kUser = RegistryRoot::CurrentUser;
constexpr auto kMachine = RegistryRoot::LocalMachine;
constexpr auto kClasses = RegistryRoot::ClassesRoot;

std::vector<std::string> Enumerate(SettingsStore& store, RegistryRoot root, std::string_view path) {
    std::vector<std::string> names;
    std::string name;
    for (std::uint32_t i = 0; store.EnumKey(root, path, i, name) != kNoMoreItems; ++i)
        names.push_back(name);
    return names;
}

// --- The in-memory store -------------------------------------------------------------------

TEST(MemoryStore, SaveStringCreatesTheKeysAlongThePath) {
    MemoryStore store;
    EXPECT_EQ(store.GetString(kUser, "Software\\Vantrel\\config", "KeyHold"), "");
    EXPECT_FALSE(store.KeyExists(kUser, "Software"));
    store.SaveString(kUser, "Software\\Vantrel\\config", "KeyHold", "0");
    EXPECT_TRUE(store.KeyExists(kUser, "Software\\Vantrel"));
    EXPECT_THAT(store.ValueNames(kUser, "Software\\Vantrel"), IsEmpty());
    EXPECT_EQ(store.GetString(kUser, "Software\\Vantrel\\config", "KeyHold"), "0");
    EXPECT_EQ(store.GetString(kUser, "Software\\Vantrel\\config", "RepeatRate"), "");
    EXPECT_EQ(store.GetString(kUser, "Software\\Vantrel\\config\\none", "KeyHold"), "");
    EXPECT_FALSE(store.KeyExists(kUser, "Software\\Vantrel\\config\\none"));
}

TEST(MemoryStore, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    MemoryStore store;
    store.SaveString(kUser, "Software\\Vantrel\\Config", "KeyHold", "0");
    store.SaveString(kUser, "SOFTWARE\\vantrel\\CONFIG", "keyhold", "20");
    EXPECT_THAT(store.SubkeyNames(kUser, "software\\VANTREL"), ElementsAre("Config"));
    EXPECT_THAT(store.ValueNames(kUser, "Software\\Vantrel\\Config"), ElementsAre("KeyHold"));
    EXPECT_EQ(store.GetString(kUser, "software\\vantrel\\config", "KEYHOLD"), "20");
}

TEST(MemoryStore, RootsAndTheDefaultValueAreSeparate) {
    MemoryStore store;
    store.SaveString(kUser, ".qmf", "", "user");
    store.SaveString(kClasses, ".qmf", "", "qmf_file");
    store.SaveString(kClasses, ".qmf", "Content Type", "application/qm-config");
    EXPECT_EQ(store.GetString(kClasses, ".qmf", ""), "qmf_file");
    EXPECT_FALSE(store.KeyExists(kMachine, ".qmf"));
    store.DelSetting(kClasses, ".qmf", "");
    EXPECT_EQ(store.GetString(kClasses, ".qmf", ""), "");
    EXPECT_EQ(store.GetString(kClasses, ".qmf", "Content Type"), "application/qm-config");
    EXPECT_EQ(store.GetString(kUser, ".qmf", ""), "user");
    // Deleting from a missing key creates nothing.
    store.DelSetting(kUser, ".qmf\\missing", "");
    EXPECT_FALSE(store.KeyExists(kUser, ".qmf\\missing"));
}

TEST(MemoryStore, DelKeyDeletesOnlyKeysWithoutSubkeys) {
    MemoryStore store;
    store.SaveString(kUser, "Software\\Vantrel\\user\\file1", "path", "C:\\a.qmf");
    store.SaveString(kUser, "Software\\Vantrel\\user\\file2", "path", "C:\\b.qmf");

    store.DelKey(kUser, "Software\\Vantrel\\user");
    EXPECT_TRUE(store.KeyExists(kUser, "Software\\Vantrel\\user"));
    EXPECT_EQ(store.GetString(kUser, "Software\\Vantrel\\user\\file2", "path"), "C:\\b.qmf");

    store.DelKey(kUser, "software\\vantrel\\user\\FILE1");
    EXPECT_THAT(store.SubkeyNames(kUser, "Software\\Vantrel\\user"), ElementsAre("file2"));

    store.DelKey(kUser, "Software\\Vantrel\\user\\file9");
    store.DelKey(kUser, "Software\\Other\\x");
    EXPECT_FALSE(store.KeyExists(kUser, "Software\\Other"));

    store.DelKey(kUser, "Software\\Vantrel\\user\\file2");
    store.DelKey(kUser, "Software\\Vantrel\\user");
    EXPECT_FALSE(store.KeyExists(kUser, "Software\\Vantrel\\user"));
    EXPECT_TRUE(store.KeyExists(kUser, "Software\\Vantrel"));
}

TEST(MemoryStore, EnumKeyListsSubkeysThenReportsNoMoreItems) {
    MemoryStore store;
    std::string name = "untouched";
    EXPECT_EQ(store.EnumKey(kUser, "Software\\Vantrel\\user", 0, name), kNoMoreItems);
    EXPECT_EQ(name, "");

    store.SaveString(kUser, "Software\\Vantrel\\user\\file3", "path", "c");
    store.SaveString(kUser, "Software\\Vantrel\\user\\file1", "path", "a");
    store.SaveString(kUser, "Software\\Vantrel\\user\\file3", "icon path", "c");
    EXPECT_THAT(Enumerate(store, kUser, "Software\\Vantrel\\user"), ElementsAre("file3", "file1"));
    EXPECT_EQ(store.EnumKey(kUser, "Software\\Vantrel\\user", 2, name), kNoMoreItems);
    EXPECT_EQ(store.EnumKey(kUser, "Software\\Vantrel\\user", 1000000, name), kNoMoreItems);
    // Values are not subkeys.
    EXPECT_THAT(Enumerate(store, kUser, "Software\\Vantrel\\user\\file1"), IsEmpty());
}

// --- Settings and their defaults -----------------------------------------------------------

TEST(SettingsTable, FirstReadWritesTheDefaultBackExactlyOnce) {
    MemoryStore store;
    EXPECT_EQ(ReadSetting(store, Setting::RepeatRate, "C:\\P"), "500");
    EXPECT_EQ(store.GetString(kUser, "Software\\Vantrel\\config", "RepeatRate"), "500");
    EXPECT_EQ(store.SaveCount(), 1u);
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
    EXPECT_EQ(ReadSetting(store, Setting::IconPath, "C:\\Program Files\\Vantrel"),
              "C:\\Program Files\\Vantrel\\default.ico");
    // A program at the root of a drive.
    EXPECT_EQ(DefaultOf(Setting::ConfigPath, "D:\\"), "D:\\config\\");
}

TEST(SettingsTable, EveryDefaultIsReadableWhereItIsWritten) {
    MemoryStore store;
    for (int i = 0; i <= static_cast<int>(Setting::DefaultConfigFile); ++i) {
        const auto setting = static_cast<Setting>(i);
        const auto& def = DefinitionOf(setting);
        SCOPED_TRACE(def.Value);
        const auto value = ReadSetting(store, setting, "C:\\P");
        EXPECT_EQ(store.GetString(def.Root, def.Key, def.Value), value);
        EXPECT_EQ(value, DefaultOf(setting, "C:\\P"));
    }
    // Twelve defaults written to two keys, none overwriting another.
    EXPECT_EQ(store.ValueNames(kUser, kConfigKey).size(), 8u);
    EXPECT_EQ(store.ValueNames(kUser, kRunnerPrefKey).size(), 4u);
}

TEST(SettingsTable, SettingToBool) {
    for (std::string_view yes : {"True", "true", "TRUE", " True ", "-1", "1", "2.5"})
        EXPECT_TRUE(SettingToBool(yes)) << yes;
    for (std::string_view no : {"False", "false", "", "0", "0.0", "yes", "Truee", "1x"})
        EXPECT_FALSE(SettingToBool(no)) << no;
    EXPECT_EQ(BoolSettingText(true), "True");
    EXPECT_EQ(BoolSettingText(false), "False");
}

// --- Known-files entry names ---------------------------------------------------------------

TEST(NewFileKey, IssuesTheSmallestNameNeitherStoredNorReserved) {
    MemoryStore store;
    ReservedEntryNames issued;
    EXPECT_EQ(NewFileKey(store, kUser, kUserKey, issued), "file1");
    EXPECT_FALSE(store.KeyExists(kUser, kUserKey));
    // Issued but not yet written: not issued again.
    EXPECT_EQ(NewFileKey(store, kUser, kUserKey, issued), "file2");

    const std::string user(kUserKey);
    store.SaveString(kUser, user + "\\file1", "path", "a");
    store.SaveString(kUser, user + "\\file3", "path", "c");
    ReservedEntryNames reserved;
    reserved.Add("file2");
    EXPECT_EQ(NewFileKey(store, kUser, kUserKey, reserved), "file4");
    // A name freed in the store is issued again, once.
    store.DelKey(kUser, user + "\\file1");
    EXPECT_EQ(NewFileKey(store, kUser, kUserKey, reserved), "file1");
    EXPECT_EQ(NewFileKey(store, kUser, kUserKey, reserved), "file5");
    // A subkey spelt in another case is the same entry and is not issued again.
    store.SaveString(kUser, user + "\\FILE6", "path", "f");
    EXPECT_EQ(NewFileKey(store, kUser, kUserKey, reserved), "file7");
}

// --- Process priority ----------------------------------------------------------------------

TEST(ProcessPriority, UnknownMenuIndexFallsBackToTheDefault) {
    EXPECT_EQ(PriorityClassForIndex(kDefaultPriorityIndex), kHighPriorityClass);
    for (int index : {-1, 6, 100, -32768})
        EXPECT_EQ(PriorityClassForIndex(index), kHighPriorityClass) << index;
    EXPECT_EQ(PriorityClassForIndex(0), kRealtimePriorityClass);
    EXPECT_EQ(PriorityClassForIndex(5), kIdlePriorityClass);
}

class RecordingPriority final : public ProcessPriority {
public:
    std::uint32_t Current = kNormalPriorityClass;
    std::vector<std::uint32_t> Sets;
    std::uint32_t GetProcessPriority(std::uint32_t processId, WindowHandle) override {
        EXPECT_EQ(processId, 0u);
        return Current;
    }
    std::uint32_t SetProcessPriority(std::uint32_t processId, WindowHandle,
                                     std::uint32_t priorityClass) override {
        EXPECT_EQ(processId, 0u);
        Sets.push_back(priorityClass);
        return priorityClass;
    }
};

TEST(ProcessPriority, SetsTheClassOnlyWhenItDiffers) {
    RecordingPriority priority;
    priority.Current = kHighPriorityClass;
    EXPECT_FALSE(ApplyProcessPriority(priority, nullptr, kHighPriorityClass));
    EXPECT_THAT(priority.Sets, IsEmpty());

    EXPECT_TRUE(ApplyProcessPriority(priority, nullptr, kNormalPriorityClass));
    // A process that cannot be opened reads as 0: the class is asked for anyway.
    priority.Current = 0;
    EXPECT_TRUE(ApplyProcessPriority(priority, nullptr, kHighPriorityClass));
    EXPECT_THAT(priority.Sets, ElementsAre(kNormalPriorityClass, kHighPriorityClass));
}

} // namespace
} // namespace qm
